#include "entry/ControlRun.h"

#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReferenceNames.h"
#include "data/records/FormaRecord.h"
#include "entry/ControlRuleLoader.h"
#include "entry/FormCatalogue.h"
#include "entry/ListReport.h"
#include "entry/ReportControlCheck.h"
#include "runtime/core/Progress.h"
#include "runtime/store/Scan.h"
#include "shell/AppState.h"
#include "shell/PickInstitution.h"

#include <QSet>

#include <algorithm>

namespace zemor::entry {

using data::FileId;
using data::OpenedFile;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;

namespace {

QString formLabel(const RunForm &form)
{
    return QStringLiteral("Ф%1").arg(form.code);
}

QString errorText(const runtime::Error &error)
{
    return error.where.isEmpty() ? error.message : error.message + u' ' + error.where;
}

bool perEntity(RunScope scope)
{
    return scope == RunScope::Institutions || scope == RunScope::Districts;
}

// The reports of one form: whose, and under which entity their failures are listed.
struct Target
{
    RunTarget target;
    const RunEntity *entity = nullptr;
};

QList<Target> targetsOf(const RunRequest &request)
{
    QList<Target> targets;
    const auto institution = [](const RunEntity &e) {
        return RunTarget{RunTarget::Kind::Institution, e.institution};
    };
    const auto district = [](const RunEntity &e) {
        return RunTarget{RunTarget::Kind::District, e.district};
    };
    switch (request.scope) {
    case RunScope::Institution:
        if (!request.entities.isEmpty())
            targets.append({institution(request.entities.first()), nullptr});
        break;
    case RunScope::Institutions:
        for (const RunEntity &e : request.entities)
            targets.append({institution(e), &e});
        break;
    case RunScope::District:
        if (!request.entities.isEmpty())
            targets.append({district(request.entities.first()), nullptr});
        break;
    case RunScope::Districts:
        for (const RunEntity &e : request.entities)
            targets.append({district(e), &e});
        break;
    case RunScope::Region:
        targets.append({RunTarget{RunTarget::Kind::Region, 0}, nullptr});
        break;
    }
    return targets;
}

} // namespace

Result<const ResolvedRules *> ControlRun::rulesOf(int year, qint64 form)
{
    const auto key = std::pair(year, form);
    if (const auto kept = m_rules.find(key); kept != m_rules.end())
        return &kept->second;
    const auto catalogue = FormCatalogue::read(m_context, year, form);
    if (!catalogue)
        return std::unexpected(catalogue.error());
    auto rules = ControlRuleLoader(m_context, year).resolved(*catalogue);
    if (!rules)
        return std::unexpected(rules.error());
    return &m_rules.insert_or_assign(key, std::move(*rules)).first->second;
}

Result<RunOutcome> ControlRun::run(const RunRequest &request, runtime::Progress *progress)
{
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;

    RunOutcome out;
    QSet<QString> told;
    const auto tell = [&](const QString &text) {
        if (!told.contains(text)) {
            told.insert(text);
            out.diagnostics.append(text);
        }
    };

    const QList<Target> targets = targetsOf(request);
    p.setTotal(qint64(request.forms.size()) * targets.size());
    qint64 done = 0;

    for (const RunForm &form : request.forms) {
        if (p.cancelled())
            return runtime::fail(ErrorCode::Cancelled, formLabel(form));
        out.anyExchangeFile = out.anyExchangeFile || !form.path.trimmed().isEmpty();
        const QString label = formLabel(form);

        const auto rules = rulesOf(request.year, form.code);
        if (!rules) {
            tell(label + QStringLiteral(": ") + errorText(rules.error()));
            out.unchecked.append(form);
            done += targets.size();
            continue;
        }

        const qint32 from = request.called ? form.period : request.periodFrom;
        const qint32 to = request.called ? form.period : request.periodTo;
        const qint64 formStart = done;
        bool anyReport = false;
        bool readFailed = false;
        for (const Target &t : targets) {
            if (p.cancelled())
                return runtime::fail(ErrorCode::Cancelled, label);
            const auto report = m_source.report(request.year, form, t.target, from, to, &p);
            p.step(++done, t.entity ? label + u' ' + t.entity->name : label);
            if (!report) {
                if (report.error().code == ErrorCode::Cancelled)
                    return std::unexpected(report.error());
                tell(label + QStringLiteral(": ") + errorText(report.error()));
                readFailed = true;
                break;
            }
            if (report->rows.isEmpty())
                continue;
            anyReport = true;

            const auto failures = m_check.check(**rules, report->rows);
            for (const QString &d : m_check.diagnostics())
                tell(label + QStringLiteral(": ") + d);
            if (!failures) {
                tell(label + QStringLiteral(": ") + errorText(failures.error()));
                continue;
            }
            ++out.reportsChecked;
            for (const ControlFailure &f : *failures) {
                RunLine line;
                line.ruleId = f.ruleId;
                line.form = form.code;
                line.deviation = f.deviation;
                line.text = f.text.left(ControlFailure::textLength);
                line.table = f.table;
                if (t.entity && perEntity(request.scope)) {
                    line.entityCode = request.scope == RunScope::Institutions
                                          ? t.entity->institution
                                          : qint32(t.entity->district);
                    line.entityName = t.entity->name;
                    if (request.scope == RunScope::Institutions) {
                        line.district = t.entity->district;
                        line.districtName = t.entity->districtName;
                    }
                }
                out.failures.append(line);
            }
        }
        done = formStart + targets.size();
        if (readFailed || (request.called && !anyReport))
            out.unchecked.append(form);
    }
    return out;
}

QString ControlRun::resultListFormat()
{
    return QStringLiteral("40L|M~контр~@s11@E(0800000H,,,)18L|M~код~@n_4@E(,0D5FFFFH,,)70L(1)|M~"
                          "ЛПУ~L(0)@s50@E(,0D5FFFFH,,)29C(1)|M~Форма~L(0)@S4@10L(1)|M~Откл~L(0)"
                          "@S12@E(080H,,,)100L(1)|M@S100@");
}

int ControlRun::defaultPeriod(const QDate &today)
{
    return today.month() == 1 ? 12 : today.month() - 1;
}

namespace {

QString notCheckedLine(const RunRequest &request, const RunOutcome &outcome)
{
    if (outcome.unchecked.isEmpty())
        return {};
    QStringList forms;
    for (const RunForm &f : outcome.unchecked) {
        const QString period = f.periodLabel.isEmpty() ? QString::number(f.period) : f.periodLabel;
        forms.append(request.called ? QStringLiteral("%1 (%2)").arg(formLabel(f), period)
                                    : formLabel(f));
    }
    return ControlRun::notCheckedText() + forms.join(QStringLiteral(", "));
}

} // namespace

QStringList ControlRun::notes(const RunRequest &request, const RunOutcome &outcome)
{
    QStringList out;
    if (const QString line = notCheckedLine(request, outcome); !line.isEmpty())
        out.append(line);
    return out + outcome.diagnostics;
}

QString ControlRun::closingMessage(const RunRequest &request, const RunOutcome &outcome)
{
    if (!outcome.failures.isEmpty())
        return {};
    if (!outcome.unchecked.isEmpty())
        return notCheckedLine(request, outcome);
    if (outcome.reportsChecked == 0)
        return noReportsText();
    if (outcome.anyExchangeFile)
        return {};
    return noFailuresText();
}

QList<RunLine> ControlRun::resultLines(const RunRequest &request, const RunOutcome &outcome)
{
    QList<RunLine> lines = outcome.failures;
    std::stable_sort(lines.begin(), lines.end(), [](const RunLine &a, const RunLine &b) {
        return a.entityName < b.entityName;
    });
    if (request.scope == RunScope::Institutions && !request.oneDistrict) {
        for (RunLine &line : lines)
            line.entityName = line.districtName.trimmed() + u' ' + line.entityName;
    }
    return lines;
}

Result<QList<RunForm>> ControlRun::yearForms(data::DataContext &context, int year)
{
    context.names().setYearFileNames(year);
    OpenedFile opened(context, FileId::forma);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    QList<RunForm> forms;
    const data::FormaRecord r(context.record(FileId::forma));
    const Status s = runtime::store::scanPhysical(context.file(FileId::forma), [&] {
        if (r.unicod() <= highestRunForm && r.vkl() != 1)
            forms.append(RunForm{r.unicod(), r.name().trimmed(), 0, {}});
        return true;
    });
    if (!s)
        return std::unexpected(s.error());
    return forms;
}

Result<QList<RunEntity>> ControlRun::institutions(data::DataContext &context,
                                                  const shell::AppState &state, int year,
                                                  std::optional<int> district)
{
    const auto names = districts(context);
    if (!names)
        return std::unexpected(names.error());
    QHash<int, QString> districtName;
    for (const RunEntity &d : *names)
        districtName.insert(d.district, d.name);

    shell::AppState ofRun = state; // the pick list lists the institutions of the run's year
    ofRun.globYear = qint16(year);
    shell::PickInstitution::Filter filter;
    if (district)
        filter.district = *district;
    QList<RunEntity> list;
    const Status filled =
        shell::PickInstitution(context, ofRun).fill(filter, [&](const shell::InstitutionEntry &e) {
            list.append(RunEntity{e.code, int(e.district), e.name.trimmed(),
                                  districtName.value(int(e.district))});
        });
    if (!filled)
        return std::unexpected(filled.error());
    return list;
}

Result<QList<RunEntity>> ControlRun::districts(data::DataContext &context)
{
    const auto names = data::ReferenceNames::read(context, data::ReferenceNames::Districts);
    if (!names)
        return std::unexpected(names.error());
    QList<RunEntity> list;
    for (const data::ReferenceName &d : names->districts()) {
        const QString name = d.name.trimmed();
        list.append(RunEntity{0, int(d.code), name, name});
    }
    return list;
}

} // namespace zemor::entry

namespace zemor::entry {

runtime::report::PageList ControlRun::printResults(const QList<RunLine> &lines, int year,
                                                   const QString &districtName,
                                                   const QString &institutionName,
                                                   const QStringList &notes)
{
    QStringList title{resultsTitle() + QStringLiteral("  ") + QString::number(year)};
    if (!districtName.trimmed().isEmpty() || !institutionName.trimmed().isEmpty())
        title.append((districtName.trimmed() + u' ' + institutionName.trimmed()).trimmed());
    const QList<ListReportColumn> columns{{QStringLiteral("контр"), 16, Qt::AlignLeft},
                                          {QStringLiteral("код"), 10, Qt::AlignRight},
                                          {QStringLiteral("ЛПУ"), 45, Qt::AlignLeft, true},
                                          {QStringLiteral("Форма"), 10, Qt::AlignHCenter},
                                          {QStringLiteral("Откл"), 18, Qt::AlignRight},
                                          {QString(), 86, Qt::AlignLeft, true}};
    QList<QStringList> rows;
    for (const RunLine &l : lines)
        rows.append({QString::number(l.ruleId),
                     l.entityCode != 0 ? QString::number(l.entityCode) : QString(), l.entityName,
                     QString::number(l.form), l.deviation.toString(), l.text});
    return printList(title, columns, rows, notes);
}

} // namespace zemor::entry
