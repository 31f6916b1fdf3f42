#pragma once

// Writes the demo's indicator definitions into a demo working directory: "TablP.dat" (the
// definitions), "GrafaP.dat" (their result columns), "POKAS.DAT" (their terms and steps),
// "SapkiP.tps" (no stored list formats), the population file "<year>\F0999.dat" of every demo
// year, the region's own figures "<year>\F0998.dat" of the first (complete) year and the picture
// "Fon2.bmp" behind the indicator result.
//
// The definitions, computed by place (by district preset): diseases registered per 1000
// inhabitants (form 12, with a workbook of its own, and an older definition of it that hands
// over to it after 2024), doctors per 10 000 inhabitants (form 62), the turnover of a bed and
// the average stay (form 14, by quarter), diseases by month (form 7: the period, January, the
// first and the last month of the period); and by rows: the share of men among the diseases of
// every row of form 12 with a further row of its own ("106.MDS", "106.MDV": the rows 1.1 and
// 1.2 together) and the diseases of rural districts, cities and regional institutions; the
// children's diseases per 1000 children by the rows of their table, with the same diseases in
// every age from "110.MDV"; the diseases per 1000 inhabitants of the row's own age group, every
// age for the form's rows, the adults and the children as rows of "111.MDS" (each row takes its
// population from the column of form 999 it names).
//
// The populations (row 1 of form 999: column 1 every age, 2 the children, 3 the adults) cover
// the six population groups of the rural districts in every year; the city of Sarvensk has no
// population record.

#include "runtime/core/Error.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace zemor::tools {

struct DemoIndicatorDefinition
{
    qint32 id;
    int form;
    QString name;
    int firstYear;
    int lastYear;
    QString workbook;
    qint32 successor;
    int columns;
    int type = 1; // 1 by place, 2 by rows
    int kind = 0; // 8 the form's rows, then "<n>.MDS"'s; 9 the form's rows; both read "<n>.MDV"
};

class DemoIndicators
{
public:
    static const QList<DemoIndicatorDefinition> &definitions();
    // The headings of a definition's result columns, in column order.
    static QStringList columnNames(qint32 id);
    // The population of a district in a year, in a column of form 999 (1 every age, 2 the
    // children, 3 the adults); 0 for a district without a record.
    static qint64 population(int year, int district, int column = 1);
    // The region's target of doctors per 10 000 inhabitants, in "F0998.dat".
    static double doctorsTarget();

    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
