#include "exchange/OldFormatImport.h"

#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/records/ExchangeRecord.h"
#include "entry/ReportBatch.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExchangeReportSource.h"
#include "runtime/core/Progress.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"

#include <QHash>

#include <algorithm>

namespace zemor::exchange {

using data::ExchangeFormat;
using runtime::Result;
namespace fs = runtime::fs;

namespace {

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

QString OldFormatImport::existingText(qint64 form, qint32 institution, bool oneInstitution)
{
    QString text = QStringLiteral("УДАЛИТЕ СТАРЫЙ ОТЧЕТ %1 ИЗ ЛПУ %2").arg(form).arg(institution);
    if (oneInstitution)
        text += QStringLiteral("/%1").arg(institution); // the code of the report found
    return text;
}

Result<QList<OldFile>> OldFormatImport::files(const QString &dir)
{
    const auto listed = fs::list(dir, QStringLiteral("*.dat"));
    if (!listed)
        return std::unexpected(listed.error());
    const auto root = fs::resolve(dir);
    if (!root)
        return std::unexpected(root.error());
    QList<OldFile> out;
    for (const fs::DirEntry &e : *listed) {
        if (e.isDir)
            continue;
        const auto name = data::ExchangeFileName::parseOldFileName(e.name);
        if (!name)
            continue;
        out.append(OldFile{name->formCode, name->period, {}, false, fs::join(*root, e.name)});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const OldFile &a, const OldFile &b) { return a.form < b.form; });
    const auto forms = ExchangeNames(m_context).forms(m_year);
    if (!forms)
        return std::unexpected(forms.error());
    for (OldFile &f : out)
        f.formName = forms->value(f.form).left(200);
    return out;
}

Result<OldScan> OldFormatImport::institutions(const QList<OldFile> &files)
{
    OldScan out;
    QHash<qint32, qsizetype> at;
    for (const OldFile &f : files) {
        const auto file = data::ExchangeFile::read(f.path, ExchangeFormat::Old);
        if (!file) {
            out.refused.append(
                RefusedFile{fileNameOf(f.path), ImportReports::reasonOf(file.error())});
            continue;
        }
        for (qint64 n = 0; n < file->count(); ++n) {
            QByteArray bytes = file->record(n);
            const data::ExchangeRecord r(bytes, ExchangeFormat::Old);
            if (at.contains(r.codUch()))
                continue;
            at.insert(r.codUch(), out.institutions.size());
            out.institutions.append(
                ImportInstitution{int(r.codReg()), {}, r.codUch(), {}, 0, r.mes()});
        }
    }
    std::stable_sort(out.institutions.begin(), out.institutions.end(),
                     [](const ImportInstitution &a, const ImportInstitution &b) {
                         return std::pair(a.code, a.district) < std::pair(b.code, b.district);
                     });
    ExchangeNames names(m_context);
    for (ImportInstitution &u : out.institutions) {
        const auto district = names.district(u.district);
        if (!district)
            return std::unexpected(district.error());
        const auto found = names.institution(u.code);
        if (!found)
            return std::unexpected(found.error());
        if (*found) {
            u.bolnDistrict = (*found)->district;
            u.name = (*found)->name.left(30);
            const QString name = district->value_or(QStringLiteral("???"));
            u.districtName =
                *district && (*found)->district != u.district ? QStringLiteral("?") + name : name;
        }
    }
    if (!out.institutions.isEmpty()) {
        const int first = out.institutions.first().district;
        out.severalDistricts =
            first == 0 ||
            std::any_of(out.institutions.begin(), out.institutions.end(),
                        [&](const ImportInstitution &u) { return u.district != first; });
    }
    return out;
}

entry::RunRequest OldFormatImport::controlRequest(int year, const QList<OldFile> &files,
                                                  const QList<ImportInstitution> &institutions)
{
    entry::RunRequest run;
    run.year = year;
    run.called = true;
    run.scope =
        institutions.size() == 1 ? entry::RunScope::Institution : entry::RunScope::Institutions;
    for (const ImportInstitution &u : institutions) {
        if (u.code != 0)
            run.entities.append(entry::RunEntity{u.code, u.district, u.name, u.districtName});
    }
    for (const OldFile &f : files) {
        if (f.marked)
            run.forms.append(entry::RunForm{f.form, f.formName, f.period, f.path, {}});
    }
    return run;
}

Result<entry::RunOutcome> OldFormatImport::runControls(const QList<OldFile> &files,
                                                       const QList<ImportInstitution> &institutions,
                                                       runtime::Progress *progress)
{
    ExchangeReportSource source(m_context, ExchangeFormat::Old);
    return entry::ControlRun(m_context, source)
        .run(controlRequest(m_year, files, institutions), progress);
}

ImportOutcome OldFormatImport::loadOne(const QList<OldFile> &files,
                                       const ImportInstitution &institution, bool complete,
                                       runtime::Progress *progress)
{
    if (institution.code == 0) {
        ImportOutcome out;
        out.messages.append(ImportReports::noInstitutionText());
        return out;
    }
    return load(files, {institution}, complete, false, progress);
}

ImportOutcome OldFormatImport::loadAll(const QList<OldFile> &files,
                                       const QList<ImportInstitution> &institutions,
                                       runtime::Progress *progress)
{
    QList<ImportInstitution> targets;
    for (const ImportInstitution &u : institutions) {
        if (u.code != 0)
            targets.append(u);
    }
    return load(files, targets, false, true, progress);
}

ImportOutcome OldFormatImport::load(const QList<OldFile> &files,
                                    const QList<ImportInstitution> &targets, bool complete,
                                    bool all, runtime::Progress *progress)
{
    ImportOutcome out;
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;

    // The controls read the files in the old layout (the run's flag 10).
    const auto controls = runControls(files, targets);
    if (controls && m_viewer)
        m_viewer->show(controlRequest(m_year, files, targets), *controls);
    quint8 flag = 0;
    entry::ControlRun::markCaller(controls, flag);
    if (flag == 1 &&
        m_prompter.message(ImportReports::controlsQuestion(), {}, QStringLiteral("ДА|НЕТ"),
                           runtime::MessageIcon::Question, 2) != 1) {
        out.declined = true;
        return out;
    }

    qint64 total = 0;
    for (const OldFile &f : files)
        total += f.marked;
    p.setTotal(total);
    qint64 done = 0;
    entry::ReportBatch batch(m_context);
    const auto flush = [&] {
        if (batch.flush())
            return true;
        out.failed = true;
        return false;
    };
    for (const OldFile &f : files) {
        if (!f.marked)
            continue;
        if (p.cancelled()) {
            out.cancelled = true;
            break;
        }
        const QString name = fileNameOf(f.path);
        // Each file is read once; its rows are taken by institution, in file order.
        const auto file = data::ExchangeFile::read(f.path, ExchangeFormat::Old);
        if (const QString refused = ImportReports::refusal(name, file); !refused.isEmpty()) {
            out.messages.append(refused);
            p.step(++done, name);
            continue;
        }
        QHash<qint32, QList<QByteArray>> rowsOf;
        for (qint64 n = 0; n < file->count(); ++n) {
            QByteArray bytes = file->record(n);
            const qint32 institution = data::ExchangeRecord(bytes, ExchangeFormat::Old).codUch();
            rowsOf[institution].append(std::move(bytes));
        }
        for (const ImportInstitution &u : targets) {
            const auto rows = rowsOf.constFind(u.code);
            if (rows == rowsOf.cend())
                continue;
            const auto line = [&out, &f, &u](const QString &count) {
                out.lines.append(ImportLine{f.period, f.form, f.formName, u.code, u.name, count});
            };
            // An existing report is left, unless the rows complete the one chosen report.
            const auto decide = [&](bool exists) { return !exists || (complete && !all); };
            const auto told = [&out, &f, &u, line, name, all](const entry::BatchResult &r) {
                using State = entry::BatchResult::State;
                switch (r.state) {
                case State::Loaded:
                    if (r.added != 0) {
                        line(QString::number(r.added));
                        ++out.reportsLoaded;
                    }
                    out.rowsLoaded += r.added;
                    out.duplicates += r.duplicates;
                    break;
                case State::InUse:
                    line(ImportReports::inUseText());
                    out.inUse.insert(f.path);
                    break;
                case State::Declined:
                    out.messages.append(existingText(f.form, u.code, !all));
                    line(ImportReports::keepOldText());
                    break;
                case State::Failed:
                    out.messages.append(name + QStringLiteral(": ") + r.error.message);
                    out.notLoaded.insert(f.path);
                    break;
                case State::Cancelled:
                    out.cancelled = true;
                    out.notLoaded.insert(f.path);
                    break;
                }
            };
            const entry::ReportIdentity id{m_year, f.form, u.code, 0, 0, f.period};
            if (const runtime::Status queued =
                    batch.add(id, *rows, entry::BatchMode::Complete, decide, told);
                !queued)
                out.messages.append(name + QStringLiteral(": ") + queued.error().message);
        }
        p.step(++done, name);
        if (batch.due() && !flush())
            return out;
    }
    flush();
    return out;
}

} // namespace zemor::exchange
