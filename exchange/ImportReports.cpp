#include "exchange/ImportReports.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/HeldFiles.h"
#include "data/OpenedFile.h"
#include "data/Period.h"
#include "data/records/ExchangeRecord.h"
#include "entry/ReportBatch.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExchangeReportSource.h"
#include "runtime/core/Progress.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"

#include <QHash>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace zemor::exchange {

using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
namespace fs = runtime::fs;

namespace {

QString fileNameOf(const QString &path)
{
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

auto entryKey(const ImportEntry &e)
{
    return std::tuple(e.form, e.period, e.institution);
}

} // namespace

// What one load keeps from report to report: its control run, so that each form's rules are
// read once, and the writer of its reports, whose batches go on from one institution to the next.
class ImportReports::Session
{
public:
    Session(data::DataContext &context, entry::RunReportSource &source)
        : controls(context, source), batch(context)
    {
    }

    // Writes what is queued; false when a write failed and the load is to stop.
    bool flush(ImportOutcome &out, runtime::Progress &progress)
    {
        if (batch.flush(&progress))
            return true;
        out.failed = true;
        return false;
    }

    // The entries the load's progress counts, set once for the whole load; -1 until then.
    qint64 total = -1;
    qint64 done = 0;

    entry::ControlRun controls;
    entry::ReportBatch batch;
};

void ImportOutcome::add(const ImportOutcome &other)
{
    lines += other.lines;
    messages += other.messages;
    reportsLoaded += other.reportsLoaded;
    rowsLoaded += other.rowsLoaded;
    duplicates += other.duplicates;
    declined = declined || other.declined;
    cancelled = cancelled || other.cancelled;
    failed = failed || other.failed;
    inUse.unite(other.inUse);
    notLoaded.unite(other.notLoaded);
}

QString MoveOutcome::message() const
{
    if (failed.isEmpty())
        return {};
    return QStringLiteral("Не перемещены в папку impfile:|") + failed.join(QStringLiteral("|"));
}

QString ImportReports::replaceQuestion(qint32 institution, qint64 form, qint32 period)
{
    return QStringLiteral("ОТЧЕТ ЛПУ %1 по форме %2 за %3 существует. |УДАЛИТЬ старый ОТЧЕТ ?")
        .arg(institution)
        .arg(form)
        .arg(period);
}

QString ImportReports::cancelledText(const ImportOutcome &outcome)
{
    return QStringLiteral("Загрузка прервана. Загружено отчетов: %1, записей: %2")
        .arg(outcome.reportsLoaded)
        .arg(outcome.rowsLoaded);
}

QString ImportReports::notLoadedText(const QString &file, const ImportEntry &entry,
                                     const runtime::Error &error)
{
    return QStringLiteral("%1: отчет ЛПУ %2 по форме %3 за %4 не загружен: %5")
        .arg(file)
        .arg(entry.institution)
        .arg(entry.form)
        .arg(entry.period)
        .arg(error.message + (error.where.isEmpty()
                                  ? QString()
                                  : QStringLiteral(" (") + error.where + QStringLiteral(")")));
}

QString ImportReports::refusal(const QString &name, const Result<data::ExchangeFile> &file)
{
    return file ? refusal(name, &*file, {}) : refusal(name, nullptr, file.error());
}

QString ImportReports::refusal(const QString &name, const data::ExchangeFile *file,
                               const runtime::Error &error)
{
    if (!file)
        return name + QStringLiteral(" ошибка ?") + QString::number(error.number()) +
               QStringLiteral(" ") + reasonOf(error);
    if (file->isEmpty())
        return name + emptyText();
    return {};
}

QString ImportReports::reasonOf(const runtime::Error &error)
{
    QString reason = error.message;
    if (error.where.isEmpty())
        return reason;
    // "Файл <path> поврежден: ..." says "поврежден: ..."; any other mention of the file goes.
    const QString named = QStringLiteral("Файл ") + error.where + u' ';
    if (reason.startsWith(named))
        return reason.mid(named.size());
    reason.replace(error.where, fileNameOf(error.where));
    return reason;
}

QString ImportReports::periodText(int kind, qint32 period)
{
    const auto k = data::periodKindFromByte(kind);
    return data::periodNumberText(k.value_or(data::PeriodKind::Month), period);
}

QStringList ImportReports::pathChoices(const QString &s1, const QString &s2)
{
    return userPaths(s1, s2) + QStringList{QStringLiteral("\\import\\"), QStringLiteral("D:\\1\\"),
                                           QStringLiteral("F:\\")};
}

Result<QString> ImportReports::folder(const QString &path)
{
    const QString p = path.trimmed();
    return fs::resolve(p.contains(QLatin1Char(':')) ? fs::mapWindowsPath(p) : p);
}

Result<ImportScan> ImportReports::scan(const QString &dir, bool summaryMode)
{
    const auto listed = fs::list(dir, QStringLiteral("*.dat"));
    if (!listed)
        return std::unexpected(listed.error());
    ImportScan out;
    QList<const fs::DirEntry *> files;
    for (const fs::DirEntry &e : *listed) {
        if (!e.isDir)
            files.append(&e);
    }
    const Result<QString> root = fs::resolve(dir);
    if (!root)
        return std::unexpected(root.error());

    std::set<std::tuple<qint64, qint32, qint32>> seen;
    QHash<qint32, qsizetype> institutionAt;
    QList<bool> kept(files.size(), true);
    for (qsizetype i = files.size() - 1; i >= 0; --i) {
        const QString name = files[i]->name;
        if (data::ExchangeFileName::isSummaryFile(name) != summaryMode)
            continue;
        const QString path = fs::join(*root, name);
        QByteArray stamp = exchangeFileStamp(path);
        const auto file = data::ExchangeFile::read(path);
        if (!file || file->isEmpty()) {
            out.refused.append(RefusedFile{name, file ? ImportReports::emptyText().trimmed()
                                                      : reasonOf(file.error())});
            kept[i] = false;
            continue;
        }
        out.read.append(ScannedFile{path, std::move(stamp), *file});
        std::optional<qint32> lastInstitution;
        std::optional<std::tuple<qint64, qint32, qint32>> lastEntry;
        for (qint64 n = 0; n < file->count(); ++n) {
            QByteArray bytes = QByteArray::fromRawData(file->recordData(n), file->recordSize());
            const data::ExchangeRecord r(bytes);
            if (lastInstitution != r.codUch()) {
                lastInstitution = r.codUch();
                if (!institutionAt.contains(r.codUch())) {
                    institutionAt.insert(r.codUch(), out.institutions.size());
                    out.institutions.append(
                        ImportInstitution{int(r.codReg()), {}, r.codUch(), {}, 0, r.mes()});
                }
            }
            const auto key = std::tuple(r.codForm(), r.mes(), r.codUch());
            if (lastEntry == key)
                continue;
            lastEntry = key;
            if (!seen.insert(key).second)
                continue;
            out.entries.append(ImportEntry{r.mes(),
                                           r.codForm(),
                                           {},
                                           ImportEntry::NotMarked,
                                           r.codUch(),
                                           path,
                                           {},
                                           int(r.tip())});
        }
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (kept[i])
            out.files.append(fs::join(*root, files[i]->name));
    }
    std::stable_sort(
        out.entries.begin(), out.entries.end(),
        [](const ImportEntry &a, const ImportEntry &b) { return entryKey(a) < entryKey(b); });
    std::stable_sort(
        out.institutions.begin(), out.institutions.end(),
        [](const ImportInstitution &a, const ImportInstitution &b) { return a.code < b.code; });
    std::stable_sort(out.institutions.begin(), out.institutions.end(),
                     [](const ImportInstitution &a, const ImportInstitution &b) {
                         return a.district < b.district;
                     });
    return out;
}

void ImportReports::adopt(ImportScan &scan)
{
    for (const ScannedFile &f : scan.read) {
        if (f.file)
            m_source.adopt(f.path, f.stamp, *f.file);
    }
    scan.read.clear();
}

Status ImportReports::name(ImportScan &scan)
{
    adopt(scan);
    ExchangeNames names(m_context);
    data::HeldFiles held(m_context); // the district and institution files, for the loop
    for (ImportInstitution &u : scan.institutions) {
        const auto district = names.district(u.district);
        if (!district)
            return std::unexpected(district.error());
        held.hold(data::FileId::region1, {});
        const QString districtName = district->value_or(QStringLiteral("???"));
        if (u.code == data::RegionTotalCode) {
            u.districtName = data::regionName();
        } else if (u.code == data::DistrictsTotalCode) {
            u.districtName = QStringLiteral("Районы ");
        } else if (const auto total = data::districtOfTotalCode(u.code)) {
            u.districtName = districtName;
            u.name = districtName.trimmed() + data::districtTotalSuffix(*total);
        } else {
            const auto found = names.institution(u.code);
            if (!found)
                return std::unexpected(found.error());
            held.hold(data::FileId::boln, {});
            if (*found) {
                u.bolnDistrict = (*found)->district;
                u.name = (*found)->name.left(30);
                u.districtName = !*district ? districtName
                                 : (*found)->district != u.district
                                     ? QStringLiteral("?") + districtName
                                     : districtName;
            }
        }
    }
    const auto forms = names.forms(m_year);
    if (!forms)
        return std::unexpected(forms.error());
    for (ImportEntry &e : scan.entries)
        e.formName = forms->value(e.form).left(200);
    return {};
}

void ImportReports::nameSummaryEntries(ImportScan &scan)
{
    for (ImportEntry &e : scan.entries) {
        for (const ImportInstitution &u : scan.institutions) {
            if (u.code == e.institution) {
                e.institutionText = u.districtName.trimmed() + QStringLiteral(" ") + u.name;
                break;
            }
        }
    }
}

void ImportReports::sortForList(QList<ImportEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ImportEntry &a, const ImportEntry &b) {
                         return std::tuple(a.institution, a.form, a.period) <
                                std::tuple(b.institution, b.form, b.period);
                     });
}

void ImportReports::markInstitution(QList<ImportEntry> &entries, qint32 institution)
{
    for (ImportEntry &e : entries)
        e.mark = e.institution == institution ? ImportEntry::Marked : ImportEntry::NotMarked;
}

entry::RunRequest ImportReports::controlRequest(int year, const QList<ImportEntry> &entries,
                                                const ImportInstitution &institution)
{
    entry::RunRequest run;
    run.year = year;
    run.called = true;
    run.scope = entry::RunScope::Institution;
    run.entities = {entry::RunEntity{institution.code, institution.district, institution.name,
                                     institution.districtName}};
    for (const ImportEntry &e : entries) {
        if (e.mark == ImportEntry::Marked && e.institution == institution.code)
            run.forms.append(
                entry::RunForm{e.form, e.formName, e.period, e.path, periodText(e.kind, e.period)});
    }
    return run;
}

Result<entry::RunOutcome> ImportReports::runControls(const QList<ImportEntry> &entries,
                                                     qint32 institution,
                                                     runtime::Progress *progress)
{
    entry::ControlRun controls(m_context, m_source);
    ImportInstitution u;
    u.code = institution;
    return controls.run(controlRequest(m_year, entries, u), progress);
}

ImportOutcome ImportReports::load(QList<ImportEntry> &entries, const ImportInstitution &institution,
                                  runtime::Progress *progress)
{
    ImportOutcome out;
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;
    Session session(m_context, m_source);
    if (load(session, entries, institution, p, out))
        session.flush(out, p);
    return out;
}

bool ImportReports::load(Session &session, QList<ImportEntry> &entries,
                         const ImportInstitution &institution, runtime::Progress &p,
                         ImportOutcome &out)
{
    const qint32 code = institution.code;
    // The institution's controls and writes take each file as it was when first looked at.
    const ExchangeReportSource::Hold hold(m_source);

    const entry::RunRequest run = controlRequest(m_year, entries, institution);
    const auto controls = session.controls.run(run, nullptr);
    if (controls && m_viewer) {
        // The questions of what is queued come before this institution's results and question.
        if ((controls->callerError() || !controls->diagnostics.isEmpty()) && !session.flush(out, p))
            return false;
        m_viewer->show(run, *controls);
    }
    quint8 flag = 0;
    entry::ControlRun::markCaller(controls, flag);
    if (flag == 1) {
        // What is queued is written before the question.
        if (!session.flush(out, p))
            return false;
        if (m_prompter.message(controlsQuestion(), {}, QStringLiteral("ДА|НЕТ"),
                               runtime::MessageIcon::Question, 2) != 1) {
            out.declined = true;
            if (session.total >= 0) { // the institution's entries count as gone through
                session.done += qsizetype(run.forms.size());
                p.step(session.done, institution.name);
            }
            return true;
        }
    }

    if (session.total < 0) {
        session.total = 0;
        for (const ImportEntry &e : entries)
            session.total += e.mark == ImportEntry::Marked && e.institution == code;
        p.setTotal(session.total);
    }
    qint64 &done = session.done;

    for (ImportEntry &e : entries) {
        if (e.mark != ImportEntry::Marked || e.institution != code)
            continue;
        if (p.cancelled()) {
            out.cancelled = true;
            break;
        }
        const QString name = fileNameOf(e.path);
        const TakenFile &now = take(e.path);
        if (!now.refusal.isEmpty()) {
            out.messages.append(now.refusal);
            p.step(++done, name);
            continue;
        }
        const auto found = now.rows.find(entryKey(e));
        if (found == now.rows.end()) {
            out.messages.append(name + QStringLiteral(" ОТЧЕТА НЕТ"));
            p.step(++done, name);
            continue;
        }

        // The writer takes the report's marker, then asks whether to replace a stored report,
        // and only then replaces it; the result is told here in the order of the entries.
        const auto line = [&out, &e, code, &institution](const QString &count) {
            out.lines.append(
                ImportLine{e.period, e.form, e.formName, code, institution.name, count, e.kind});
        };
        const auto decide = [this, code, &e](bool exists) {
            return !exists || m_prompter.message(replaceQuestion(code, e.form, e.period), {},
                                                 QStringLiteral("&ДА|&НЕТ"),
                                                 runtime::MessageIcon::Question) == 1;
        };
        const auto told = [&out, &e, line, name](const entry::BatchResult &r) {
            using State = entry::BatchResult::State;
            switch (r.state) {
            case State::Loaded:
                if (r.added != 0)
                    line(QString::number(r.added));
                out.rowsLoaded += r.added;
                out.duplicates += r.duplicates;
                ++out.reportsLoaded;
                e.mark = ImportEntry::Loaded;
                break;
            case State::InUse:
                line(inUseText());
                out.inUse.insert(e.path);
                break;
            case State::Declined:
                line(keepOldText());
                break;
            case State::Failed:
                out.messages.append(notLoadedText(name, e, r.error));
                out.notLoaded.insert(e.path);
                break;
            case State::Cancelled:
                out.cancelled = true;
                out.notLoaded.insert(e.path);
                break;
            }
        };
        const entry::ReportIdentity id{m_year, e.form, code, 0, 0, e.period};
        if (Status queued =
                session.batch.add(id, found->second, entry::BatchMode::Replace, decide, told);
            !queued) {
            out.messages.append(notLoadedText(name, e, queued.error()));
            out.notLoaded.insert(e.path);
        }
        p.step(++done, name);
        if (session.batch.due() && !session.flush(out, p))
            return false;
    }
    return true;
}

const ImportReports::TakenFile &ImportReports::take(const QString &path)
{
    const ExchangeReportSource::KeptFile &now = m_source.kept(path);
    const auto kept = m_files.constFind(path);
    if (kept != m_files.constEnd() && !now.stamp.isEmpty() && kept->stamp == now.stamp)
        return *kept;

    TakenFile taken;
    const data::ExchangeFile *file = now.file ? &*now.file : nullptr;
    taken.refusal = refusal(fileNameOf(path), file, now.error);
    if (taken.refusal.isEmpty()) {
        taken.stamp = now.stamp;
        // The rows are views into the file's records, which `records` keeps alive.
        taken.records = file->records();
        const int size = file->recordSize();
        for (qint64 n = 0; n < file->count(); ++n) {
            const char *at = file->recordData(n);
            QByteArray bytes = QByteArray::fromRawData(at, size);
            const data::ExchangeRecord r(bytes);
            taken.rows[std::tuple(r.codForm(), r.mes(), r.codUch())].append(QByteArray::fromRawData(
                at + data::ExchangeRecord::reportOffset, data::ExchangeRecord::oldRecordSize));
        }
    }
    return *m_files.insert(path, std::move(taken));
}

ImportOutcome ImportReports::loadAll(QList<ImportEntry> &entries,
                                     const QList<ImportInstitution> &institutions,
                                     runtime::Progress *progress)
{
    ImportOutcome out;
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;
    Session session(m_context, m_source);
    // One total over the marked entries of every institution, so that the progress runs from
    // 0 to 100 % once for the whole load.
    QSet<qint32> listed;
    for (const ImportInstitution &u : institutions)
        listed.insert(u.code);
    session.total = 0;
    for (const ImportEntry &e : entries)
        session.total += e.mark == ImportEntry::Marked && listed.contains(e.institution);
    if (progress)
        progress->setTotal(session.total);
    for (const ImportInstitution &u : institutions) {
        if (!load(session, entries, u, p, out))
            return out;
        if (out.cancelled)
            break;
    }
    session.flush(out, p);
    return out;
}

ImportOutcome ImportReports::loadSummary(QList<ImportEntry> &entries, qsizetype index,
                                         const QList<ImportInstitution> &institutions,
                                         runtime::Progress *progress)
{
    if (index < 0 || index >= entries.size())
        return {};
    ImportEntry &chosen = entries[index];
    chosen.mark = ImportEntry::Marked;
    ImportInstitution target;
    target.code = chosen.institution;
    for (const ImportInstitution &u : institutions) {
        if (u.code == chosen.institution)
            target = u;
    }
    return load(entries, target, progress);
}

QString ImportReports::secondName(const QString &name)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return name + QStringLiteral("_1");
    return name.left(dot) + QStringLiteral("_1") + name.mid(dot);
}

MoveOutcome ImportReports::moveFiles(const QStringList &files, const QSet<QString> &keep)
{
    MoveOutcome out;
    const auto dir = fs::resolve(QStringLiteral("\\impfile"));
    if (dir)
        (void)fs::makeDir(*dir);
    for (const QString &path : files) {
        if (keep.contains(path))
            continue;
        const QString name = fileNameOf(path);
        bool moved = false;
        QString movedAs;
        for (const QString &as : {name, secondName(name)}) {
            if (!dir)
                break;
            if (fs::renameFile(path, fs::join(*dir, as))) {
                moved = true;
                movedAs = as;
                break;
            }
        }
        if (moved)
            out.moved.append(movedAs);
        else
            out.failed.append(name);
    }
    return out;
}

} // namespace zemor::exchange
