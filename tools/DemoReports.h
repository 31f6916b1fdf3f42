#pragma once

// The sample reports of the demo working directory, derived from the demo catalogue
// (DemoCatalogue.h) by a fixed pseudo-random sequence, so that every build writes the same
// values.
//
// Who reports: the institutions (codes below 7000) of the districts 1 to 4, the city 101
// "Таргин" and the regional institutions (201) that work in the year, and of the attached units
// the polyclinic 7101 of the central hospital 101 (district 1), with the disease forms 7 and 12
// only; the districts 5 and 6 and the city 102 "Сарвенск" have sent nothing. In 2025 every period
// is there: form 12 and form 62 for the year, form 7 for the months 1 to 12, form 14 for the
// quarters 1 to 4. 2026 is under way: form 7 for the months 1 and 2 and form 14 for the first
// quarter only.
//
// The values satisfy every control rule of the catalogue; total rows and columns are computed
// by the catalogue's calculation rules, and the annual form 12 is the sum of the twelve monthly
// reports of form 7. A few reports of 2025 are spoilt on purpose, each so that exactly one rule
// fails (demoFailures() lists them):
//   - 102, form 12: row 1.3 has more first-time diagnoses (column 4) than cases (column 1):
//     column rule 2 fails in that row.
//   - 203, form 14, quarter 2: the total row's beds (column 1) are not the sum of the rows
//     below: row rule 20 fails in column 1.
//   - 301, form 7, month 5: three more cases of row 1.1 than its annual form 12 counts (the
//     month itself is consistent): inter-form rule 1 fails for the institution.
//   - 402, form 12: more cases in children (table 2000) than in all ages (table 1000): the
//     inter-table rule 1 fails.
//   - 701, form 62: more occupied than staff posts of nurses (row 2): column rule 30 fails in
//     that row.
// Every other report passes every rule. In 2026 no annual form 12 exists yet, so inter-form
// rule 1 finds the monthly cases without their annual report for every institution that sent
// form 7.

#include <QList>
#include <QString>

#include <array>

namespace zemor::tools {

// The one attached unit that sends reports of its own (forms 7 and 12).
inline constexpr int demoReportingUnit = 7101;

struct DemoRowValues
{
    int table = 0;
    int rowId = 0;
    std::array<qint64, 35> values{}; // value n at [n - 1], in thousandths (DECIMAL(17,3) units)

    qint64 &value(int n) { return values[size_t(n - 1)]; }
    qint64 value(int n) const { return values[size_t(n - 1)]; }
};

struct DemoReport
{
    int year = 0;
    int form = 0;
    int periodicity = 0; // OTC:TIP
    int period = 0;      // OTC:MES
    int institution = 0;
    int district = 0;
    QList<DemoRowValues> rows; // by table, then row position; rows with all values zero left out
};

struct DemoFailure
{
    int year;
    int form;
    int institution;
    int period;
    QString rule; // "ContrGr 2", "ContrStr 20", "ContrTab 1", "ContrMF 1"
    QString description;
};

// Whether the institution has reports in the year.
bool demoReportsFrom(int institution, int year);
// Every report of the year, by form, then institution, then period.
QList<DemoReport> demoReports(int year);
// The reports spoilt on purpose, each failing exactly the rule named.
QList<DemoFailure> demoFailures();

} // namespace zemor::tools
