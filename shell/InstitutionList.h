#pragma once

// The list of institutions ("Список ЛПУ"): every institution of `boln` that exists in the
// reporting year, with its district, kind and town/village flag, sorted by district, kind and
// name, and its export to a workbook. It only reads; nothing is changed.
//
// fill() reads through the caller's data context, opening and closing `boln`, `region1` and
// `viduch` with their relation managers; a failed opening is reported by the context's error
// manager and returned, a failed read is returned. exportToExcel() writes through an
// ExcelLauncher, which tells the user how the export ended.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>

namespace zemor::data {
class DataContext;
class BolnRecord;
} // namespace zemor::data

namespace zemor::shell {

class ExcelLauncher;

// One line of the list (the queue QU), fields in the order the export writes them.
struct InstitutionListEntry
{
    qint16 n = 0;      // QU:N, the line number after sorting
    qint32 cod = 0;    // QU:COD, BOL:UNICOD
    QString nameR;     // QU:NAMER, the district's REG:NAME; blank when the district is unknown
    QString nameU;     // QU:NAMEU, the kind's VID:NAMEUCH; blank when the kind is unknown
    QString nameSel;   // QU:NAMESEL, "город", "село" or blank
    QString name;      // QU:NAME, BOL:NAZV
    qint64 codReg = 0; // QU:CODREG, BOL:CODREG
    qint64 vid = 0;    // QU:VID, BOL:VID
    qint32 whod = 0;   // QU:WHOD, the institution this one is attached to (0: none)
};

class InstitutionList
{
public:
    static QString windowTitle(int year)
    {
        return QStringLiteral("Список ЛПУ. ") + QString::number(year) + QStringLiteral("год.");
    }
    static QString listFormat()
    {
        return QStringLiteral(
            "15L|M~N~L(1)@n_3@?18L|M~код~L(1)@s7@E(0808080H,,,)?54L(1)|M~район~L(2)E(,0FFFFE1H,"
            ",)31L(1)|M~вид~L(2)14L(1)|M~село~L(2)@s5@141L(1)|M~учреждение~L(2)@s50@E(,"
            "0F0FFF0H,,)");
    }
    static QString templateName() { return QStringLiteral("ras1.xls"); }
    // The headings of row 9 of the workbook, columns 1 to 6.
    static QStringList excelHeadings();
    static constexpr int headingRow = 9;
    static constexpr int firstDataRow = 11; // row 10 stays empty

    // "город" for 1, "село" for 2, blank otherwise.
    static QString settlementText(int sel);
    // Whether an institution belongs in the list of `year`.
    static bool isListed(const data::BolnRecord &institution, int year);

    InstitutionList(data::DataContext &data, int year) : m_data(data), m_year(year) {}

    // The list, sorted and numbered.
    [[nodiscard]] runtime::Result<QList<InstitutionListEntry>> fill();

    // Writes the list into a new workbook from the template; true when the workbook was made
    // with every line (the launcher has then said "Выгрузка в Excel завершена").
    static bool exportToExcel(const QList<InstitutionListEntry> &entries, ExcelLauncher &excel);

private:
    data::DataContext &m_data;
    int m_year;
};

} // namespace zemor::shell
