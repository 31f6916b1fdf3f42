#include "exchange/ExportReports.h"

#include "data/DataContext.h"
#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/OpenedFile.h"
#include "data/records/FormaRecord.h"
#include "data/records/OtchetRecord.h"
#include "exchange/ExchangeNames.h"
#include "exchange/ExchangeReportSource.h"
#include "runtime/core/Progress.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/Transaction.h"
#include "shell/AppState.h"

#include <algorithm>

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
    static const char *const kinds[] = {"год", "месяц", "квартал", "полугодие"};
    return periodicity >= 0 && periodicity <= 3 ? QString::fromUtf8(kinds[periodicity]) : QString();
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

Result<entry::RunOutcome> ExportReports::runControls(const ExportRequest &request,
                                                     runtime::Progress *progress)
{
    entry::RunRequest run;
    run.year = request.year;
    run.called = true;
    for (const ExportForm &f : request.forms) {
        if (f.marked)
            run.forms.append(entry::RunForm{f.code, f.name, f.period, {}});
    }
    const ExportScope &scope = request.scope;
    switch (scope.kind) {
    case ExportScope::Kind::Institution:
        run.scope = entry::RunScope::Institution;
        run.entities = {entry::RunEntity{scope.institution, scope.district, {}, {}}};
        break;
    case ExportScope::Kind::District:
        run.scope = entry::RunScope::District;
        run.entities = {entry::RunEntity{0, scope.district, {}, {}}};
        break;
    case ExportScope::Kind::Region:
        run.scope = entry::RunScope::Region;
        break;
    }
    ExchangeReportSource source(m_context);
    return entry::ControlRun(m_context, source).run(run, progress);
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
        data::ExchangeFileName::exportWorkFileName(scope.ownCode()));
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
        m_context.names().setOtchetFileName(request.year, int(form.code));
        data::OpenedFile otchet(m_context, FileId::otchet);
        if (!otchet.status()) {
            work->abandon();
            return std::unexpected(otchet.status().error());
        }
        auto tx = runtime::store::Transaction::begin(otchet.file(),
                                                     runtime::store::Transaction::Kind::Read);
        if (!tx) {
            work->abandon();
            return std::unexpected(tx.error());
        }
        qint64 rows = 0;
        data::OtchetRecord r(m_context.record(FileId::otchet));
        const auto take = [&]() -> Status {
            if (r.mes() != form.period)
                return {};
            if (scope.kind == ExportScope::Kind::Institution && r.codUch() != scope.institution)
                return {};
            if (scope.kind == ExportScope::Kind::District && int(r.codReg()) != scope.district)
                return {};
            if (Status a = work->appendReport(form.code, r.bytes()); !a)
                return a;
            ++rows;
            return {};
        };
        Status s;
        if (scope.kind == ExportScope::Kind::Institution) {
            r.clear();
            r.setMes(form.period);
            r.setCodUch(scope.institution);
            s = otchet.scan(data::OtchetRecord::KeyCodUch, 2, take);
        } else {
            s = otchet.scanPhysical(take);
        }
        if (!s) {
            work->abandon();
            return std::unexpected(s.error());
        }
        if (rows > 0)
            name.addForm(int(form.code), form.periodicity, form.period);
        out.lines.append(ExportLine{form.code, form.name.left(100),
                                    periodName(form.periodicity, form.period, request.year), rows,
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
    if (Status c = fs::copyFile(work->path(), *to, true); !c)
        return std::unexpected(c.error());
    out.target = *to;
    return out;
}

} // namespace zemor::exchange
