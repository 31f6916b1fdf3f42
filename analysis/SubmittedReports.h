#pragma once

// The list of submitting institutions: every report of one form of the reporting year within
// a range of periods, one line per institution and period, with its district, institution kind
// and name; printed as bands and sent to the spreadsheet. The window shows it; opening a line
// in report entry and the pick of the form are the window's.
//
// The list reads through its own data context: the year's file names it sets are seen by its
// window family only. The year clamp at the start is the one process-wide change, made on the
// program's AppState. The fill walks the form's data file in period order inside one read
// transaction and looks at the key fields of each record only: a report is one line, whatever
// its rows hold. Codes missing from the reference files do not stop the fill; they give the texts
// "?codUch-", "?CodReg-" and "?vid" followed by the code. A data file that cannot be read is an
// error (the context's error manager has reported it).

#include "runtime/core/Error.h"
#include "runtime/report/PageList.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::data {
class DataContext;
}
namespace zemor::runtime {
class Progress;
}
namespace zemor::shell {
class ExcelLauncher;
} // namespace zemor::shell

namespace zemor::analysis {

// One line of the list (QS).
struct SubmittedReportLine
{
    qint32 institution = 0; // QS:CODUCH
    QString regionName;     // QS:NAMEREG, at most 25 characters
    QString kindName;       // QS:NAMEUCH, at most 15
    QString name;           // QS:NAZV, at most 100
    qint32 period = 0;      // QS:MES
    QString periodText;     // QS:NAMEMES, at most 8
    int district = 0;       // QS:CODREG
    int kind = 0;           // QS:VID
    int periodKind = 0;     // QS:TIP
};

// What the printed list holds, band by band.
struct SubmittedPrint
{
    QString title;            // "Список ЛПУ сдавших отчет"
    QString formCaption;      // "Форма"
    QString formCode;         // three characters
    QString formName;         // the first 80 characters
    QStringList columns;      // "Район", "Вид ЛПУ", "Учреждение"
    QList<QStringList> lines; // district (30), kind (15), name (50)
    QStringList legend;
};

class SubmittedReports
{
public:
    static QString title() { return QStringLiteral("СПИСОК УЧРЕЖДЕНИЙ СДАВШИХ ОТЧЕТ"); }
    static QString noReportsText() { return QStringLiteral("ОТЧЕТОВ НЕТ"); }
    static QString nothingToPrintText() { return QStringLiteral("Заявка отсутствует"); }
    static QString templateName() { return QStringLiteral("RAS1.XLS"); }
    static QString countText(qsizetype lines)
    {
        return QStringLiteral("Всего отчетов: ") + QString::number(lines);
    }
    // "Период с <first>г. по <last>г.", told by the analysis windows when their start moved the
    // reporting year into its bounds (shell::AppState::holdYear()).
    static QString yearBoundsText(int first, int last);

    SubmittedReports(data::DataContext &context, int year);

    int year() const { return m_year; }
    // The newest period of a form's data file (its last record in period order); 1 when that is
    // 0 or the file has no records. An annual form (`periodKind` 0) answers 0 without reading.
    [[nodiscard]] runtime::Result<qint32> newestPeriod(qint64 form, int periodKind);
    // FillSubmittedList: the lines of periods `from`..`to`, sorted by district, kind,
    // institution, period. `periodKind` is the window's, for the period texts.
    [[nodiscard]] runtime::Result<QList<SubmittedReportLine>>
    fill(qint64 form, int periodKind, qint32 from, qint32 to,
         runtime::Progress *progress = nullptr);

    // The period text of a line by the window's period kind.
    static QString periodText(int periodKind, qint32 period);
    // After report entry: a district of 0 means the report was deleted and its line goes.
    static void afterEntry(QList<SubmittedReportLine> &lines, int index, int districtAfter);

    // PrintSubmittedReports' bands; none for an empty list (nothingToPrintText()).
    static SubmittedPrint print(const QList<SubmittedReportLine> &lines, qint64 form,
                                const QString &formName);
    // The printed list laid out on sheets (report P1$REPORT), for the page sink; no pages for an
    // empty print.
    static runtime::report::PageList layOut(const SubmittedPrint &print);
    // ExportSubmittedToExcel; true when the workbook was written and the user told so.
    static bool exportToExcel(const QList<SubmittedReportLine> &lines, const QString &formCode,
                              const QString &formName, qint32 from, qint32 to,
                              const QString &periodWord, shell::ExcelLauncher &excel);

private:
    runtime::Status name(QList<SubmittedReportLine> &lines);

    data::DataContext &m_context;
    int m_year = 0;
};

} // namespace zemor::analysis
