#include "exchange/ExportReports.h"

#include "data/DataContext.h"
#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/OpenedFile.h"
#include "data/Period.h"
#include "data/ReadInside.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExchangeReportSource.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "shell/AppState.h"

#include <QDate>

#include <algorithm>
#include <set>

namespace zemor::exchange {

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
namespace fs = runtime::fs;

ExportScope ExportScope::of(const shell::AppState &state)
{
    ExportScope s;
    s.userType = data::userTypeFromByte(state.globTipUser).value_or(data::UserType::WholeRegion);
    switch (s.userType) {
    case data::UserType::Institution:
        s.kind = Kind::Institution;
        s.district = int(state.globCodReg);
        s.institution = state.globKodUser;
        break;
    case data::UserType::District:
        s.kind = Kind::District;
        s.district = int(state.globKodUser);
        break;
    case data::UserType::WholeRegion:
        s.kind = Kind::Region;
        break;
    }
    return s;
}

QString ExportForm::kindText() const
{
    if (periodicity == daily)
        return data::kindWord(data::PeriodKind::Date);
    static const char *const kinds[] = {"год", "месяц", "квартал", "полугодие"};
    return periodicity >= 0 && periodicity <= 3 ? QString::fromUtf8(kinds[periodicity]) : QString();
}

std::pair<qint32, qint32> ExportForm::storedPeriods(int year) const
{
    if (periodicity != daily)
        return {period, period};
    const QDate first(year, int(period), 1);
    if (!first.isValid())
        return {1, 0}; // no day at all
    return {qint32(first.toJulianDay()), qint32(first.addMonths(1).toJulianDay() - 1)};
}

QString ExportReports::periodName(int periodicity, qint32 period, int year)
{
    static const char *const months[] = {"Январь",   "Февраль", "Март",   "Апрель",
                                         "Май",      "Июнь",    "Июль",   "Август",
                                         "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    switch (periodicity) {
    case 0:
        return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
    case 1:
        return period >= 1 && period <= 12 ? QString::fromUtf8(months[period - 1]) : QString();
    case 2:
        return period >= 1 && period <= 4 ? QString::number(period) + QStringLiteral("квартал")
                                          : QString();
    case 3:
        return period >= 1 && period <= 2 ? QString::number(period) + QStringLiteral("полугодие")
                                          : QString();
    default:
        return {};
    }
}

QString ExportReports::recipient(qint64 district, const QString &mail, const QString &mailTar,
                                 const QString &mailSar)
{
    QString chosen = district == 101 ? mailTar : district == 102 ? mailSar : mail;
    if (chosen.trimmed().isEmpty())
        chosen = mail;
    return chosen.trimmed();
}

QStringList ExportReports::pathChoices(const QString &s1, const QString &s2)
{
    return userPaths(s1, s2) + QStringList{QStringLiteral("F:\\"), QStringLiteral("\\export\\"),
                                           QStringLiteral("D:\\1\\")};
}

Result<QString> ExportReports::target(const QString &path, const QString &name)
{
    QString dir = path.trimmed();
    while (dir.endsWith(QLatin1Char('\\')) || dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    QString full = dir + QLatin1Char('\\') + name;
    if (path.contains(QLatin1Char(':')))
        full = fs::mapWindowsPath(full);
    return fs::resolve(full);
}

Result<QList<ExportForm>> ExportReports::forms(int year, const ExportPeriods &periods)
{
    m_context.names().setYearFileNames(year);
    data::OpenedFile opened(m_context, FileId::forma);
    if (!opened.status())
        return std::unexpected(opened.status().error());
    QList<ExportForm> out;
    const data::FormaRecord r(m_context.record(FileId::forma));
    const Status s = opened.scanPhysical([&] {
        if (r.vkl() == 1)
            return true;
        ExportForm f;
        f.code = r.unicod();
        f.name = r.name().left(200);
        f.periodicity = r.tip();
        switch (f.periodicity) {
        case 0:
            if (!periods.annual)
                return true;
            f.period = 0;
            break;
        case 1:
            f.period = periods.month;
            break;
        case 2:
            f.period = periods.quarter;
            break;
        case 3:
            f.period = periods.halfYear;
            break;
        case ExportForm::daily:
            f.period = periods.month;
            break;
        default:
            return true; // no period of its own to export it for
        }
        if (f.periodicity != 0 && f.period == 0)
            return true;
        out.append(f);
        return true;
    });
    if (!s)
        return std::unexpected(s.error());
    std::stable_sort(out.begin(), out.end(), [](const ExportForm &a, const ExportForm &b) {
        return a.periodicity != b.periodicity ? a.periodicity < b.periodicity : a.code < b.code;
    });
    return out;
}

Result<entry::RunRequest> ExportReports::controlRequest(const ExportRequest &request)
{
    entry::RunRequest run;
    run.year = request.year;
    run.called = true;
    const ExportScope &scope = request.scope;
    ExchangeNames names(m_context);
    switch (scope.kind) {
    case ExportScope::Kind::Institution: {
        run.scope = entry::RunScope::Institution;
        entry::RunEntity own{scope.institution, scope.district, {}, {}};
        if (const auto district = names.district(scope.district); district && *district)
            own.districtName = district->value().trimmed();
        if (const auto found = names.institution(scope.institution); found && *found)
            own.name = (*found)->name.trimmed();
        run.entities = {own};
        break;
    }
    case ExportScope::Kind::District:
    case ExportScope::Kind::Region: {
        // The institutions as the pick list lists them for a district or region installation.
        shell::AppState listing;
        listing.globYear = qint16(request.year);
        listing.globTipUser = quint8(scope.userType);
        listing.globKodUser = scope.ownCode();
        const auto institutions = entry::ControlRun::institutions(
            m_context, listing, request.year,
            scope.kind == ExportScope::Kind::District ? std::optional<int>(scope.district)
                                                      : std::nullopt);
        if (!institutions)
            return std::unexpected(institutions.error());
        run.scope = entry::RunScope::Institutions;
        run.oneDistrict = scope.kind == ExportScope::Kind::District;
        run.entities = *institutions;
        break;
    }
    }

    for (const ExportForm &f : request.forms) {
        if (!f.marked)
            continue;
        if (f.periodicity != ExportForm::daily) {
            run.forms.append(entry::RunForm{f.code, f.name, f.period, {}, {}});
            continue;
        }
        // Each day of the month that has a report to send is checked on its own; a month
        // without one leaves the form unchecked under the month's name.
        std::set<qint32> days;
        data::OtchetRecord r(m_context.record(FileId::otchet));
        const Status s = scanSent(request.year, scope, f, [&]() -> Status {
            days.insert(r.mes());
            return {};
        });
        if (!s)
            return std::unexpected(s.error());
        if (days.empty()) {
            run.forms.append(entry::RunForm{f.code,
                                            f.name,
                                            f.storedPeriods(request.year).first,
                                            {},
                                            periodName(1, f.period, request.year)});
            continue;
        }
        for (const qint32 day : days)
            run.forms.append(entry::RunForm{
                f.code, f.name, day, {}, QDate::fromJulianDay(day).toString(u"dd.MM.yy")});
    }
    return run;
}

Result<entry::RunOutcome> ExportReports::runControls(const ExportRequest &request,
                                                     runtime::Progress *progress)
{
    const auto run = controlRequest(request);
    if (!run)
        return std::unexpected(run.error());
    return runControls(*run, progress);
}

Result<entry::RunOutcome> ExportReports::runControls(const entry::RunRequest &run,
                                                     runtime::Progress *progress)
{
    ExchangeReportSource source(m_context);
    return entry::ControlRun(m_context, source).run(run, progress);
}

Status ExportReports::scanSent(int year, const ExportScope &scope, const ExportForm &form,
                               const std::function<Status()> &take)
{
    m_context.names().setOtchetFileName(year, int(form.code));
    return data::readInside(m_context, FileId::otchet, [&](data::OpenedFile &otchet) -> Status {
        const auto [from, to] = form.storedPeriods(year);
        data::OtchetRecord r(m_context.record(FileId::otchet));
        const auto sent = [&]() -> Status {
            if (r.mes() < from || r.mes() > to)
                return {};
            if (scope.kind == ExportScope::Kind::Institution && r.codUch() != scope.institution)
                return {};
            if (scope.kind == ExportScope::Kind::District && int(r.codReg()) != scope.district)
                return {};
            return take();
        };
        if (scope.kind == ExportScope::Kind::Institution && from == to) {
            r.clear();
            r.setMes(from);
            r.setCodUch(scope.institution);
            return otchet.scan(data::OtchetRecord::KeyCodUch, 2, sent);
        }
        return otchet.scanPhysical(sent);
    });
}

Result<ExportResult> ExportReports::write(const ExportRequest &request, runtime::Progress *progress)
{
    const ExportScope &scope = request.scope;
    if (scope.kind == ExportScope::Kind::Institution && scope.institution == 0)
        return runtime::fail(ErrorCode::InvalidArgument, {}, noInstitutionText());
    QList<ExportForm> marked;
    for (const ExportForm &f : request.forms) {
        if (f.marked)
            marked.append(f);
    }
    if (marked.isEmpty())
        return runtime::fail(ErrorCode::InvalidArgument, {}, noFormsText());

    auto work = data::ExchangeFileWriter::create(
        data::ExchangeFileName::exportWorkFileName(scope.workFileCode()));
    if (!work) {
        runtime::Error e = work.error();
        e.message = noDiskText();
        return std::unexpected(e);
    }
    data::ExchangeFileName name(scope.userType, scope.ownCode(), request.year);
    runtime::NoProgress none;
    runtime::Progress &p = progress ? *progress : none;
    p.setTotal(marked.size());

    ExportResult out;
    qint64 done = 0;
    for (const ExportForm &form : marked) {
        if (p.cancelled()) {
            work->abandon();
            return runtime::fail(ErrorCode::Cancelled, work->path());
        }
        qint64 rows = 0;
        const data::OtchetRecord r(m_context.record(FileId::otchet));
        const Status s = scanSent(request.year, scope, form, [&]() -> Status {
            if (Status a = work->appendReport(form.code, r.bytes()); !a)
                return a;
            ++rows;
            return {};
        });
        if (!s) {
            work->abandon();
            return std::unexpected(s.error());
        }
        // A daily form's days are those of its month: it is named and listed as for the month,
        // so that two months' files never take one name.
        const int namedAs = form.periodicity == ExportForm::daily ? 1 : form.periodicity;
        if (rows > 0)
            name.addForm(int(form.code), namedAs, form.period);
        out.lines.append(ExportLine{form.code, form.name.left(100),
                                    periodName(namedAs, form.period, request.year), rows,
                                    form.periodicity});
        out.total += rows;
        p.step(++done, form.name);
    }

    if (Status c = work->commit(); !c)
        return std::unexpected(c.error());
    if (out.total == 0)
        return out;
    out.fileName = name.fileName();
    const auto to = target(request.path, out.fileName);
    if (!to)
        return std::unexpected(to.error());
    if (Status c = fs::copyFile(work->path(), *to, true); !c) {
        runtime::Error e = c.error();
        e.message = copyFailedText(*to, e.message);
        return std::unexpected(e);
    }
    out.target = *to;
    return out;
}

} // namespace zemor::exchange
