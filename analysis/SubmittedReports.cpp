#include "analysis/SubmittedReports.h"

#include "data/Codes.h"
#include "data/DataContext.h"
#include "data/OpenedFile.h"
#include "data/ReadInside.h"
#include "data/ReferenceNames.h"
#include "data/records/BolnRecord.h"
#include "data/records/OtchetRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/report/ReportWriter.h"
#include "runtime/store/Scan.h"
#include "runtime/text/FixedString.h"
#include "shell/AppState.h"
#include "shell/ExcelLauncher.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <tuple>

namespace zemor::analysis {

using namespace Qt::StringLiterals;

using data::FileId;
using runtime::ErrorCode;
using runtime::Result;
using runtime::Status;
using runtime::store::KeyedFile;
using runtime::text::clipped;

namespace {

constexpr int regionWidth = 25;
constexpr int kindWidth = 15;
constexpr int nameWidth = 100;
constexpr int periodTextWidth = 8;
constexpr int lastDistrict = 249;

} // namespace

QString SubmittedReports::yearBoundsText(int first, int last)
{
    return QStringLiteral("Период с ") + QString::number(first) + QStringLiteral("г. по ") +
           QString::number(last) + QStringLiteral("г.");
}

SubmittedReports::SubmittedReports(data::DataContext &context, int year)
    : m_context(context), m_year(year)
{
    m_context.names().setYearFileNames(year, data::YearNameSet::SubmittingList);
}

Result<qint32> SubmittedReports::newestPeriod(qint64 form, int periodKind)
{
    if (periodKind == 0)
        return 0;
    m_context.names().setOtchetFileName(m_year, int(form));
    const Result<qint32> period =
        data::readInside(m_context, FileId::otchet, [](data::OpenedFile &opened) -> Result<qint32> {
            KeyedFile &file = opened.file();
            const Result<bool> last = runtime::store::last(file, data::OtchetRecord::KeyCodUch);
            if (!last)
                return std::unexpected(last.error());
            return *last ? data::OtchetRecord(file.record()).mes() : 0;
        });
    if (!period)
        return period;
    return *period == 0 ? 1 : *period;
}

QString SubmittedReports::periodText(int periodKind, qint32 period)
{
    QString word;
    switch (periodKind) {
    case 1:
        word = QStringLiteral("месяц");
        break;
    case 2:
        word = QStringLiteral("квартал");
        break;
    case 3:
        word = QStringLiteral("полугодие");
        break;
    default:
        return {};
    }
    return (QString::number(period) + word).left(periodTextWidth);
}

Result<QList<SubmittedReportLine>> SubmittedReports::fill(qint64 form, int periodKind, qint32 from,
                                                          qint32 to, runtime::Progress *progress)
{
    QList<SubmittedReportLine> lines;
    m_context.names().setOtchetFileName(m_year, int(form));
    // One read transaction for the whole range: the list is one state of the file. Only the
    // key fields of each record are looked at; a report is one line however many rows it has.
    const Status walked =
        data::readInside(m_context, FileId::otchet, [&](data::OpenedFile &opened) {
            KeyedFile &file = opened.file();
            if (progress)
                progress->setTotal(to >= from ? qint64(to) - from + 1 : 0);
            file.clearRecord();
            const data::OtchetRecord record(file.record());
            data::OtchetRecord(file.record()).setMes(from);
            data::OtchetRecord(file.record()).setCodUch(std::numeric_limits<qint32>::min());
            data::OtchetRecord(file.record()).setUnicodStr(std::numeric_limits<qint16>::min());
            qint64 records = 0;
            return runtime::store::scan(
                file, data::OtchetRecord::KeyCodUch, -1, [&]() -> Result<bool> {
                    const qint32 period = record.mes();
                    if (period > to)
                        return false;
                    if (progress && ++records % 4096 == 0) {
                        if (progress->cancelled())
                            return runtime::fail(ErrorCode::Cancelled, file.path());
                        progress->step(qint64(period) - from);
                    }
                    const qint32 institution = record.codUch();
                    if (!lines.isEmpty() && lines.constLast().institution == institution &&
                        lines.constLast().period == period)
                        return true;
                    SubmittedReportLine line;
                    line.institution = institution;
                    line.district = int(record.codReg());
                    line.period = period;
                    line.periodKind = record.tip();
                    line.periodText = periodText(periodKind, period);
                    lines.append(line);
                    return true;
                });
        });
    if (!walked)
        return std::unexpected(walked.error());
    if (Status named = name(lines); !named)
        return std::unexpected(named.error());
    std::stable_sort(lines.begin(), lines.end(),
                     [](const SubmittedReportLine &a, const SubmittedReportLine &b) {
                         return std::tie(a.district, a.kind, a.institution, a.period) <
                                std::tie(b.district, b.kind, b.institution, b.period);
                     });
    return lines;
}

Status SubmittedReports::name(QList<SubmittedReportLine> &lines)
{
    if (lines.isEmpty())
        return {};
    const Status named =
        data::readInside(m_context, FileId::boln, [&](data::OpenedFile &opened) -> Status {
            KeyedFile &file = opened.file();
            data::BolnRecord record(file.record());
            for (SubmittedReportLine &line : lines) {
                const qint32 code = line.institution;
                if (code == data::RegionTotalCode) {
                    line.regionName = data::regionAdjective();
                    line.kindName = QStringLiteral("область");
                } else if (code == data::DistrictsTotalCode) {
                    line.regionName = QStringLiteral("Районы");
                    line.kindName = QStringLiteral("области");
                } else if (const auto district = data::districtOfTotalCode(code)) {
                    line.kindName =
                        *district > 100 ? QStringLiteral("город") : QStringLiteral("район");
                } else {
                    file.clearRecord();
                    record.setUnicod(code);
                    const Result<bool> found =
                        runtime::store::find(file, data::BolnRecord::KeyUnicod);
                    if (!found)
                        return std::unexpected(found.error());
                    if (!*found) {
                        line.name = QStringLiteral("?codUch-") + QString::number(code);
                        continue;
                    }
                    line.name = record.nazv();
                    if (record.sel() == 3)
                        line.name = clipped(line.name) + QLatin1Char('*');
                    line.name = line.name.left(nameWidth);
                    line.kind = int(record.vid());
                }
            }
            return {};
        });
    if (!named)
        return named;
    const auto districts = data::ReferenceNames::read(m_context, data::ReferenceNames::Districts);
    if (!districts)
        return std::unexpected(districts.error());
    for (SubmittedReportLine &line : lines) {
        if (line.district > lastDistrict)
            continue;
        line.regionName = districts
                              ->district(line.district, QStringLiteral("?CodReg-") +
                                                            QString::number(line.district))
                              .left(regionWidth);
    }
    const auto kinds = data::ReferenceNames::read(m_context, data::ReferenceNames::Kinds);
    if (!kinds)
        return std::unexpected(kinds.error());
    for (SubmittedReportLine &line : lines) {
        if (line.district > lastDistrict || line.institution > data::RegionTotalCode)
            continue;
        line.kindName = kinds->kind(line.kind, QStringLiteral("?vid") + QString::number(line.kind))
                            .left(kindWidth);
    }
    return {};
}

void SubmittedReports::afterEntry(QList<SubmittedReportLine> &lines, int index, int districtAfter)
{
    if (districtAfter == 0 && index >= 0 && index < lines.size())
        lines.removeAt(index);
}

SubmittedPrint SubmittedReports::print(const QList<SubmittedReportLine> &lines, qint64 form,
                                       const QString &formName)
{
    SubmittedPrint print;
    if (lines.isEmpty())
        return print;
    print.title = QStringLiteral("Список ЛПУ сдавших отчет");
    print.formCaption = QStringLiteral("Форма");
    print.formCode = QString::number(form).left(3);
    print.formName = formName.left(80);
    print.columns = {QStringLiteral("Район"), QStringLiteral("Вид ЛПУ"),
                     QStringLiteral("Учреждение")};
    for (const SubmittedReportLine &line : lines)
        print.lines.append({line.regionName.left(30), line.kindName.left(15), line.name.left(50)});
    print.legend = {QStringLiteral("  ЦРБ - Центральная районная больница"),
                    QStringLiteral("  УБ - Участковая больница"),
                    QStringLiteral("  РБ - Районная больница"),
                    QStringLiteral("  ЦРП - Центральная районная поликлиника")};
    return print;
}

runtime::report::PageList SubmittedReports::layOut(const SubmittedPrint &print)
{
    using runtime::report::ReportItem;
    if (print.lines.isEmpty())
        return {};
    runtime::report::ReportDefinition def;
    QFont bold;
    bold.setBold(true);
    const double widths[] = {60, 35, 85};
    def.reportHeader.height = 8 + 7 + 7 * print.legend.size();
    def.reportHeader.items.append(
        ReportItem::makeText({0, 0, 120, 8}, QStringLiteral("{title}"), bold));
    def.reportHeader.items.append(
        ReportItem::makeText({120, 0, 20, 8}, QStringLiteral("{caption}")));
    def.reportHeader.items.append(ReportItem::makeText({140, 0, 20, 8}, QStringLiteral("{code}")));
    def.reportHeader.items.append(
        ReportItem::makeText({0, 8, 180, 7}, QStringLiteral("{formName}")));
    for (int i = 0; i < print.legend.size(); ++i)
        def.reportHeader.items.append(ReportItem::makeText(
            {0, 15.0 + 7 * i, 180, 7}, u"{legend"_s + QString::number(i) + u'}'));
    def.pageHeader.height = 7;
    def.detail.height = 6;
    double x = 0;
    for (int c = 0; c < 3; ++c) {
        def.pageHeader.items.append(ReportItem::makeText({x, 0, widths[c], 7},
                                                         u"{column"_s + QString::number(c) + u'}',
                                                         bold, Qt::AlignCenter, true));
        def.detail.items.append(ReportItem::makeText({x, 0, widths[c], 6},
                                                     u"{line"_s + QString::number(c) + u'}', {},
                                                     Qt::AlignLeft | Qt::AlignVCenter, true));
        x += widths[c];
    }
    runtime::report::ReportWriter writer(def);
    runtime::report::ReportRecord common{{u"title"_s, print.title},
                                         {u"caption"_s, print.formCaption},
                                         {u"code"_s, print.formCode},
                                         {u"formName"_s, print.formName}};
    for (int i = 0; i < print.legend.size(); ++i)
        common.insert(u"legend"_s + QString::number(i), print.legend[i]);
    for (int c = 0; c < print.columns.size(); ++c)
        common.insert(u"column"_s + QString::number(c), print.columns[c]);
    for (const QStringList &line : print.lines) {
        runtime::report::ReportRecord record = common;
        for (int c = 0; c < line.size(); ++c)
            record.insert(u"line"_s + QString::number(c), line[c]);
        writer.add(record);
    }
    return writer.finish();
}

bool SubmittedReports::exportToExcel(const QList<SubmittedReportLine> &lines,
                                     const QString &formCode, const QString &formName, qint32 from,
                                     qint32 to, const QString &periodWord,
                                     shell::ExcelLauncher &excel)
{
    if (excel.launch(templateName()) == 0)
        return false;
    excel.poke(1, 1, formCode.leftJustified(10, u' ', true) + clipped(formName));
    excel.poke(2, 1,
               QStringLiteral("СПИСОК УЧРЕЖДЕНИЙ СДАВШИХ ОТЧЕТ. За период с ") +
                   QString::number(from) + QStringLiteral(" по ") + QString::number(to) + u' ' +
                   periodWord);
    const QStringList headings{QStringLiteral("Регион"),
                               QStringLiteral("Вид"),
                               QStringLiteral("ЛПУ"),
                               periodWord,
                               QStringLiteral("Код ЛПУ"),
                               QStringLiteral("Код Региона"),
                               QStringLiteral("Отчетный период")};
    for (int c = 0; c < headings.size(); ++c)
        excel.poke(9, c + 1, headings[c]);
    int row = 9;
    for (const SubmittedReportLine &line : lines) {
        ++row;
        excel.poke(row, 1, clipped(line.regionName));
        excel.poke(row, 2, clipped(line.kindName));
        excel.poke(row, 3, clipped(line.name));
        excel.poke(row, 4, clipped(line.periodText));
        excel.poke(row, 5, QString::number(line.institution));
        excel.poke(row, 6, QString::number(line.district));
        excel.poke(row, 7, QString::number(line.period));
    }
    excel.frame(9, 1, int(lines.size()) + 9, 3);
    return excel.finish();
}

} // namespace zemor::analysis
