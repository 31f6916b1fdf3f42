#include "entry/ControlsList.h"

#include "entry/ControlRuleLoader.h"
#include "entry/FormCatalogue.h"
#include "runtime/report/ReportDefinition.h"
#include "runtime/report/ReportWriter.h"

#include <algorithm>
#include <cstdlib>

namespace zemor::entry {

using runtime::Result;
namespace report = runtime::report;
using namespace Qt::StringLiterals;

QString ControlsList::columnListFormat()
{
    return QStringLiteral("26L(2)|M~Код~@s5@29L(3)|M~таблица~L(0)@s5@24L(1)|M~строка~L(0)@s10@E("
                          "0800000H,,,)27L(3)|M~контроль~L(2)@s100@");
}

QString ControlsList::rowListFormat()
{
    return QStringLiteral("23L(1)|M~Код контроля~L(0)@s5@31L(2)|M~таблица~L(0)@s5@19L(2)|M~графа~"
                          "L(0)@s3@E(0800000H,,,)185L(2)|M~контроль~@s105@");
}

QString ControlsList::tableListFormat()
{
    return QStringLiteral("17L(2)|M~unicod~@s5@24L(2)|M~табл~@s5@31L(2)|M~CodStr~@s10@20L(1)|M~"
                          "Nграфы~L(0)@s3@25L|M@s200@");
}

QString ControlsList::relationText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("=");
    case 2:
        return QStringLiteral(">");
    case 3:
        return QStringLiteral(">=");
    case 4:
        return QStringLiteral("<");
    case 5:
        return QStringLiteral("<=");
    case 6:
        return QStringLiteral("=0");
    default:
        return {};
    }
}

QString ControlsList::columnRuleText(const ColumnRule &rule)
{
    // The first term as a plain signed number, the later ones with their column letter.
    QString terms;
    for (qsizetype k = 0; k < rule.terms.size(); ++k) {
        const int t = rule.terms.at(k);
        if (k == 0)
            terms += QString::number(t);
        else
            terms += (t < 0 ? QStringLiteral("-г") : QStringLiteral("+г")) +
                     QString::number(std::abs(t));
    }
    if (rule.relation == 6)
        return QStringLiteral("ЕСЛИ г%1=0 ТО г%2=0").arg(rule.left).arg(terms);
    return QStringLiteral("г%1 %2г%3").arg(rule.left).arg(relationText(rule.relation), terms);
}

QString ControlsList::rowRuleText(const RowRule &rule, const RowCatalogue &rows)
{
    QString terms;
    bool first = true;
    for (const int t : rule.terms) {
        const CatalogueRow *row = rows.row(std::abs(t));
        if (!row)
            continue;
        if (t < 0)
            terms += u"-c"_s + row->code;
        else
            terms += (first ? u"c"_s : u"+c"_s) + row->code;
        first = false;
    }
    const CatalogueRow *left = rows.row(rule.leftRow);
    const QString leftCode = left ? left->code.left(5) : QString();
    if (rule.relation == 6)
        return u"ЕСЛИ c"_s + leftCode.trimmed() + u"=0 ТО "_s + terms + u"=0"_s;
    return u"c"_s + leftCode.leftJustified(5) + relationText(rule.relation) + terms;
}

QString ControlsList::tableRuleText(const TableRule &rule, const RowCatalogue &rows)
{
    QString terms;
    bool first = true;
    for (const TableTerm &t : rule.terms) {
        const CatalogueRow *row = rows.row(std::abs(t.row));
        if (!row)
            continue;
        const QString cell =
            QStringLiteral("т%1c%2г%3").arg(row->table).arg(row->code).arg(t.column);
        if (t.row < 0)
            terms += u'-' + cell;
        else
            terms += first ? cell : u'+' + cell;
        first = false;
    }
    const QString relation =
        rule.relation >= 1 && rule.relation <= 5 ? relationText(rule.relation) : QString();
    return relation + terms;
}

ControlLists ControlsList::lists(qint64 form, const FormRules &rules, const RowCatalogue &rows)
{
    ControlLists out;
    out.form = form;
    for (const ColumnRule &rule : rules.columnRules)
        out.columnRules.append(ColumnRuleLine{rule.id, rule.table, rule.rowCode.trimmed(),
                                              columnRuleText(rule), rule});
    for (const RowRule &rule : rules.rowRules) {
        const CatalogueRow *left = rows.row(rule.leftRow);
        RowRuleLine line;
        line.id = rule.id;
        line.table = left ? left->table : 0;
        line.column = rule.column;
        line.text = rowRuleText(rule, rows);
        line.leftRow = rule.leftRow;
        line.number = left ? left->number : 0;
        line.relation = rule.relation;
        line.rowCode = left ? left->code.left(5) : QString();
        out.rowRules.append(line);
    }
    for (const TableRule &rule : rules.tableRules) {
        const CatalogueRow *left = rows.row(rule.leftRow);
        TableRuleLine line;
        line.id = rule.id;
        line.table = left ? left->table : 0;
        line.rowCode = left ? left->code.left(10) : QString();
        line.column = rule.leftColumn;
        line.text = tableRuleText(rule, rows);
        line.number = left ? left->number : 0;
        line.relation = rule.relation;
        line.leftRow = rule.leftRow;
        out.tableRules.append(line);
    }
    std::stable_sort(out.tableRules.begin(), out.tableRules.end(),
                     [](const TableRuleLine &a, const TableRuleLine &b) {
                         return std::tie(a.table, a.number, a.column) <
                                std::tie(b.table, b.number, b.column);
                     });
    return out;
}

Result<ControlLists> ControlsList::build(data::DataContext &context, int year, qint64 form)
{
    ControlRuleLoader loader(context, year);
    const auto rules = loader.rules(form);
    if (!rules)
        return std::unexpected(rules.error());
    const auto rows = loader.catalogue(form);
    if (!rows)
        return std::unexpected(rows.error());
    return lists(form, *rules, *rows);
}

namespace {

QString literal(QString text)
{
    return text.replace(u'{', u"{{"_s).replace(u'}', u"}}"_s);
}

report::ReportDefinition listDefinition(int year, const QString &formName)
{
    report::ReportDefinition def;
    def.pageWithoutRecords = true;
    QFont bold;
    bold.setPointSizeF(10);
    bold.setBold(true);
    QFont small;
    small.setPointSizeF(8);

    def.pageHeader.height = 14;
    def.pageHeader.items = {report::ReportItem::makeText(
                                {0, 0, 185, 8},
                                literal(QString::number(year) + u"  Форма "_s + formName.trimmed()),
                                bold),
                            report::ReportItem::makeLine({0, 12}, {185, 12})};
    def.pageFooter.height = 8;
    def.pageFooter.items = {report::ReportItem::makeText(
        {0, 0, 185, 8}, QStringLiteral("Лист {page}"), small, Qt::AlignRight | Qt::AlignVCenter)};

    report::GroupLevel group;
    group.keyField = QStringLiteral("kind");
    group.header.height = 7;
    group.header.items = {
        report::ReportItem::makeText({0, 0, 185, 7}, QStringLiteral("{group}"), bold)};
    def.groups = {group};

    def.detail.height = 9;
    report::ReportItem text =
        report::ReportItem::makeText({52, 0, 133, 9}, QStringLiteral("{text}"), small);
    text.wordWrap = true;
    def.detail.items = {
        report::ReportItem::makeText({0, 0, 20, 9}, QStringLiteral("{id}"), small),
        report::ReportItem::makeText({20, 0, 14, 9}, QStringLiteral("{table}"), small),
        report::ReportItem::makeText({34, 0, 18, 9}, QStringLiteral("{row}"), small), text};
    return def;
}

} // namespace

report::PageList ControlsList::print(const ControlLists &lists, const PrintChoice &choice, int year,
                                     const QString &formName)
{
    report::ReportWriter writer(listDefinition(year, formName));
    const auto add = [&](const QString &kind, const QString &group, qint64 id, qint64 table,
                         const QString &row, const QString &text) {
        writer.add({{QStringLiteral("kind"), kind},
                    {QStringLiteral("group"), group},
                    {QStringLiteral("id"), QString::number(id)},
                    {QStringLiteral("table"), QString::number(table)},
                    {QStringLiteral("row"), row},
                    {QStringLiteral("text"), text}});
    };
    if (choice.columns) {
        for (const ColumnRuleLine &l : lists.columnRules)
            add(QStringLiteral("1"), QStringLiteral("строка"), l.id, l.table, l.rowCode,
                u"по стр."_s + l.rowCode.left(5).leftJustified(5) + l.text);
    }
    if (choice.rows) {
        for (const RowRuleLine &l : lists.rowRules)
            add(QStringLiteral("2"), QStringLiteral("графа"), l.id, l.table, l.rowCode.trimmed(),
                u"по гр."_s + QString::number(l.column) + u' ' + l.text);
    }
    if (choice.tables) {
        for (const TableRuleLine &l : lists.tableRules)
            add(QStringLiteral("3"), QString(), l.id, l.table, QString(),
                u"c"_s + l.rowCode.trimmed() + u"г"_s + QString::number(l.column) + l.text);
    }
    return writer.finish();
}

} // namespace zemor::entry
