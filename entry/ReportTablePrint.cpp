#include "entry/ReportTablePrint.h"

#include "runtime/picture/Picture.h"
#include "runtime/report/ReportDefinition.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace zemor::entry {

namespace report = runtime::report;
using report::ReportItem;
using namespace Qt::StringLiterals;

QString ReportTablePrint::headingLine(const QString &title,
                                      const std::optional<QString> &periodText,
                                      std::optional<int> year)
{
    QString line = title.trimmed();
    if (periodText && year)
        line += u"  "_s + QString::number(*year) + u"г."_s + periodText->trimmed();
    return line;
}

double ReportTablePrint::millimetres(int characters)
{
    // Positions are whole report units.
    return std::floor(characters * unitsPerCharacter) * reportUnitMillimetres;
}

namespace {

constexpr double lineUnit = 3.0; // millimetres per step of the line counter
constexpr double footerHeight = 8;
constexpr int breakBeforeTable = 30;
constexpr int breakBeforeRow = 55;
constexpr int maxDescriptive = 4;

QFont printFont(bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(7);
    font.setBold(bold);
    return font;
}

// The lines a text takes in a cell `characters` wide.
int linesOf(const QString &text, int characters)
{
    const int width = std::max(1, characters);
    return std::max(1, int((text.trimmed().size() + width - 1) / width));
}

struct Cell
{
    double x = 0;
    double width = 0;
    int characters = 0;
    int number = 0; // the column's number
    QString name;
    int kind = 0;
    runtime::Picture picture;
};

// The columns of one table as they are printed.
struct TableLayout
{
    QList<Cell> descriptive;
    QList<QList<Cell>> values; // lines of up to 25 value cells
    double right = 0;          // right edge of the widest line
};

// `bodyWidth` is the printable width in millimetres: a value cell that would pass it goes on a
// continuation line, as does the value after the 25th of a line.
TableLayout tableLayout(const FormTable &table, const QList<FormColumn> &columns, double bodyWidth)
{
    QHash<int, FormColumn> byNumber;
    for (const FormColumn &c : columns)
        byNumber.insert(c.storedColumn, c);

    TableLayout layout;
    double units = 0;
    const auto place = [&](Cell &cell) {
        cell.x = std::floor(units) * ReportTablePrint::reportUnitMillimetres;
        units += cell.characters * ReportTablePrint::unitsPerCharacter;
        cell.width = std::floor(units) * ReportTablePrint::reportUnitMillimetres - cell.x;
        layout.right = std::max(layout.right, cell.x + cell.width);
    };
    const int descriptive = std::clamp(table.offset, 0, maxDescriptive);
    for (int c = 1; c <= descriptive; ++c) {
        const FormColumn column = byNumber.value(c);
        Cell cell;
        cell.number = c;
        cell.name = column.name.trimmed();
        cell.kind = column.type; // GRA:TYPEGR: what the descriptive column shows
        cell.characters = column.width > 0 ? column.width : 10;
        place(cell);
        layout.descriptive.append(cell);
    }
    const double valuesStart = units;
    const double rightEdge = bodyWidth / ReportTablePrint::reportUnitMillimetres;
    const int count = table.entry().valueColumns();
    layout.values.append(QList<Cell>());
    for (int v = 1; v <= count; ++v) {
        const auto it = byNumber.constFind(table.offset + v);
        Cell cell;
        cell.number = table.offset + v;
        if (it != byNumber.constEnd()) {
            cell.name = it->name.trimmed().left(70);
            cell.picture = runtime::Picture::forColumn(it->picture).value_or(runtime::Picture());
            cell.characters = it->width > 0 ? it->width : cell.picture.width();
        } else {
            cell.characters = cell.picture.width();
        }
        // Continuation lines start under the first value; a cell too wide for that starts at
        // the left edge. The first line may then hold the descriptive cells alone.
        const double width = cell.characters * ReportTablePrint::unitsPerCharacter;
        const double start = valuesStart + width <= rightEdge ? valuesStart : 0;
        const bool full = layout.values.last().size() == ReportTablePrint::valuesPerLine;
        if (full || (units + width > rightEdge && start < units)) {
            layout.values.append(QList<Cell>());
            units = start;
        }
        place(cell);
        layout.values.last().append(cell);
    }
    return layout;
}

// A value as its picture writes it, 0 as "   -". A value cell aligns the text itself and drops
// the picture's blanks; a type-1 line keeps them after its " -".
QString valueText(const runtime::Decimal &value, const runtime::Picture &picture,
                  bool inCell = true)
{
    if (value.isZero())
        return ReportTablePrint::zeroText();
    const QString text = picture.format(value);
    return inCell ? text.trimmed() : text;
}

class Pages
{
public:
    explicit Pages(const QDateTime &printedAt) : m_printedAt(printedAt)
    {
        m_list.setup.orientation = report::Orientation::Landscape;
        m_list.setup.margins = QMarginsF(10, 10, 10, 10);
        const QRectF body = m_list.setup.bodyRect();
        m_left = body.left();
        m_top = body.top();
        m_bottom = body.bottom() - footerHeight;
        m_width = body.width();
    }

    double width() const { return m_width; }
    bool fits(double height) const { return m_open && m_y + height <= m_bottom + 1e-6; }
    bool hasBody() const { return m_open && m_y > m_top + 1e-6; }

    void newPage()
    {
        m_list.pages.append(report::ReportPage{});
        m_open = true;
        m_y = m_top;
    }

    // Places a band of `height` holding `items` (positions relative to the band); a band that
    // does not fit starts a new page first.
    void place(QList<ReportItem> items, double height)
    {
        if (!m_open || (!fits(height) && hasBody()))
            newPage();
        for (ReportItem &item : items) {
            item.rect.translate(m_left, m_y);
            m_list.pages.last().items.append(item);
        }
        m_y += height;
    }

    report::PageList finish()
    {
        const int count = m_list.count();
        const QString stamp = m_printedAt.date().toString(u"dd.MM.yy"_s) + u"  "_s +
                              m_printedAt.time().toString(u"hh:mm"_s);
        for (int p = 0; p < count; ++p) {
            const QRectF footer(m_left, m_bottom, m_width, footerHeight);
            m_list.pages[p].items.append(
                ReportItem::makeText(footer, u"Лист "_s + QString::number(p + 1), printFont(),
                                     Qt::AlignLeft | Qt::AlignBottom));
            m_list.pages[p].items.append(
                ReportItem::makeText(footer, stamp, printFont(), Qt::AlignRight | Qt::AlignBottom));
        }
        return std::move(m_list);
    }

private:
    QDateTime m_printedAt;
    report::PageList m_list;
    bool m_open = false;
    double m_left = 0, m_top = 0, m_bottom = 0, m_width = 0, m_y = 0;
};

ReportItem textCell(const Cell &cell, double height, const QString &text, Qt::Alignment alignment,
                    bool bold = false)
{
    ReportItem item = ReportItem::makeText(QRectF(cell.x, 0, cell.width, height), text,
                                           printFont(bold), alignment | Qt::AlignTop, true);
    item.wordWrap = true;
    return item;
}

class Printer
{
public:
    Printer(const FormCatalogue &catalogue, const ReportRows &rows,
            const TablePrintOptions &options, const QDateTime &printedAt)
        : m_catalogue(catalogue), m_options(options), m_pages(printedAt)
    {
        for (const ReportRow &row : rows)
            m_rows.insert(row.rowId, &row);
    }

    report::PageList run(const QString &formName, qint64 currentTable)
    {
        const auto oneColumn = [&](const QString &text, int lines, bool bold) {
            ReportItem item =
                ReportItem::makeText(QRectF(0, 0, m_pages.width(), lines * lineUnit * 2), text,
                                     printFont(bold), Qt::AlignLeft | Qt::AlignTop);
            item.wordWrap = true;
            m_pages.place({item}, lines * lineUnit * 2);
        };
        const QString heading = m_options.heading.left(ReportTablePrint::headingWidth);
        oneColumn(heading, linesOf(heading, ReportTablePrint::headingWidth), false);
        const QString title =
            u"Ф"_s + QString::number(m_catalogue.form()) + u' ' + formName.trimmed() + u'.';
        const int titleLines = linesOf(title, ReportTablePrint::headingWidth);
        oneColumn(title, titleLines, true);
        m_counter = 2 * titleLines;

        for (const FormTable &table : m_catalogue.tables()) {
            if (m_options.currentTableOnly && table.code != currentTable)
                continue;
            const QList<FormRow> rows = m_catalogue.rows(table.code);
            // The title and heading print with the table's first row, filled or not; only
            // the rows themselves are left out when only filled rows are asked for.
            bool started = false;
            for (const FormRow &row : rows) {
                const bool first = !started;
                if (first) {
                    startTable(table, oneColumn);
                    started = true;
                }
                const ReportRow *values = m_rows.value(row.id, nullptr);
                if (!values && m_options.filledRowsOnly)
                    continue;
                if (!first && m_counter > breakBeforeRow)
                    breakPage(table);
                printRow(table, row, values);
            }
        }
        return m_pages.finish();
    }

private:
    template <class OneColumn> void startTable(const FormTable &table, OneColumn &oneColumn)
    {
        if (m_counter > breakBeforeTable) {
            m_pages.newPage();
            m_counter = 0;
        }
        const QString title = u"Т "_s + QString::number(table.code) + u' ' + table.name.trimmed();
        const int lines = linesOf(title, ReportTablePrint::headingWidth);
        oneColumn(title, lines, true);
        m_counter += 2 * lines;
        m_layout = tableLayout(table, m_catalogue.columns(table.code), m_pages.width());
        if (table.type == 1)
            return;
        // The heading: every cell holds its column's name; a line of its own for each further
        // 25 values.
        for (qsizetype line = 0; line < std::max<qsizetype>(1, m_layout.values.size()); ++line) {
            QList<Cell> cells = line == 0 ? m_layout.descriptive : QList<Cell>();
            if (line < m_layout.values.size())
                cells += m_layout.values.at(line);
            int maxLines = 1;
            for (const Cell &c : cells)
                maxLines = std::max(maxLines, linesOf(c.name, c.characters));
            const double height = (maxLines + 1) * lineUnit;
            QList<ReportItem> items;
            for (const Cell &c : cells)
                items.append(textCell(c, height, c.name, Qt::AlignHCenter));
            m_pages.place(items, height);
            m_counter += maxLines + 1;
        }
        printNumbers();
    }

    void breakPage(const FormTable &table)
    {
        m_pages.newPage();
        m_counter = 0;
        if (table.type != 1)
            printNumbers();
    }

    void printNumbers()
    {
        for (qsizetype line = 0; line < std::max<qsizetype>(1, m_layout.values.size()); ++line) {
            QList<Cell> cells = line == 0 ? m_layout.descriptive : QList<Cell>();
            if (line < m_layout.values.size())
                cells += m_layout.values.at(line);
            QList<ReportItem> items;
            for (const Cell &c : cells)
                items.append(
                    textCell(c, 2 * lineUnit, QString::number(c.number), Qt::AlignHCenter, true));
            m_pages.place(items, 2 * lineUnit);
            m_counter += 2;
        }
    }

    void printRow(const FormTable &table, const FormRow &row, const ReportRow *values)
    {
        const auto value = [&](int v) { return values ? values->value(v) : runtime::Decimal(); };
        if (table.type == 1) {
            for (const QList<Cell> &line : std::as_const(m_layout.values)) {
                for (const Cell &c : line) {
                    const int v = c.number - table.offset;
                    const QString text = QString::number(v) + u". "_s + c.name + u" -"_s +
                                         valueText(value(v), c.picture, false);
                    ReportItem item = ReportItem::makeText(QRectF(0, 0, m_pages.width(), lineUnit),
                                                           text, printFont());
                    place({item}, lineUnit, table);
                    m_counter += 1;
                }
            }
            return;
        }
        for (qsizetype line = 0; line < std::max<qsizetype>(1, m_layout.values.size()); ++line) {
            QList<ReportItem> items;
            int maxLines = 1;
            if (line == 0) {
                for (const Cell &c : std::as_const(m_layout.descriptive)) {
                    const QString text = row.descriptiveText(c.kind);
                    maxLines = std::max(maxLines, linesOf(text, c.characters));
                }
            }
            const double height = (maxLines + 1) * lineUnit;
            if (line == 0) {
                for (const Cell &c : std::as_const(m_layout.descriptive))
                    items.append(textCell(c, height, row.descriptiveText(c.kind), Qt::AlignLeft));
            }
            if (line < m_layout.values.size()) {
                for (const Cell &c : m_layout.values.at(line))
                    items.append(textCell(c, height,
                                          valueText(value(c.number - table.offset), c.picture),
                                          Qt::AlignRight));
            }
            items.append(ReportItem::makeLine({0, height}, {m_layout.right, height}));
            place(items, height, table);
            m_counter += maxLines + 1;
        }
    }

    // A band that would not fit on the page starts the next one as the counter would.
    void place(const QList<ReportItem> &items, double height, const FormTable &table)
    {
        if (!m_pages.fits(height) && m_pages.hasBody())
            breakPage(table);
        m_pages.place(items, height);
    }

    const FormCatalogue &m_catalogue;
    const TablePrintOptions &m_options;
    QHash<int, const ReportRow *> m_rows;
    Pages m_pages;
    TableLayout m_layout;
    int m_counter = 0;
};

} // namespace

report::PageList ReportTablePrint::layOut(const FormCatalogue &catalogue, const QString &formName,
                                          const ReportRows &rows, qint64 currentTable,
                                          const TablePrintOptions &options,
                                          const QDateTime &printedAt)
{
    return Printer(catalogue, rows, options, printedAt).run(formName, currentTable);
}

} // namespace zemor::entry
