#include "tools/DemoReports.h"

#include "data/Codes.h"
#include "tools/DemoCatalogue.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

namespace zemor::tools {

namespace {

constexpr qint64 unit = 1000; // one in DECIMAL(17,3) units

// A fixed sequence (SplitMix64), so the demo is the same on every machine and compiler.
quint64 mix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

qint64 pick(qint64 low, qint64 high, std::initializer_list<qint64> seed)
{
    quint64 h = 0x5eed;
    for (qint64 s : seed)
        h = mix(h ^ quint64(s));
    return low + qint64(h % quint64(high - low + 1));
}

// The values of one report while it is made: every row of every table of the form.
struct Sheet
{
    const DemoForm *form = nullptr;
    QList<DemoRowValues> rows;

    explicit Sheet(const DemoForm &f) : form(&f)
    {
        for (const DemoTable &table : f.tables) {
            for (const DemoRow &row : table.rows)
                rows.append(DemoRowValues{table.code, row.id, {}});
        }
    }
    DemoRowValues &row(int id)
    {
        for (DemoRowValues &r : rows) {
            if (r.rowId == id)
                return r;
        }
        Q_UNREACHABLE();
    }
};

// The calculation rules of the form, table by table: the column calculations in their order,
// then the row calculations in theirs.
void calculate(Sheet &sheet)
{
    const DemoCatalogue &cat = demoCatalogue();
    for (const DemoTable &table : sheet.form->tables) {
        for (char kind : {'g', 's'}) {
            for (const DemoCalculation &calc : cat.calculations) {
                if (calc.form != sheet.form->code || calc.table != table.code || calc.kind != kind)
                    continue;
                if (kind == 'g') {
                    const DemoColumnRule *rule = cat.columnRule(calc.ruleId);
                    const int target = rule->left - table.offset;
                    for (DemoRowValues &row : sheet.rows) {
                        if (row.table != table.code)
                            continue;
                        qint64 sum = 0;
                        for (int term : rule->terms) {
                            const qint64 v = row.value(std::abs(term) - table.offset);
                            sum += term < 0 ? -v : v;
                        }
                        row.value(target) = sum;
                    }
                } else {
                    const DemoRowRule *rule = cat.rowRule(calc.ruleId);
                    DemoRowValues &target = sheet.row(rule->leftRow);
                    for (int c = 1; c <= table.valueCount(); ++c) {
                        qint64 sum = 0;
                        for (int term : rule->terms) {
                            const qint64 v = sheet.row(std::abs(term)).value(c);
                            sum += term < 0 ? -v : v;
                        }
                        target.value(c) = sum;
                    }
                }
            }
        }
    }
}

// Form 7, one month: men, women and first-time diagnoses of the three disease rows.
void monthlyCases(Sheet &sheet, int year, int inst, int month)
{
    for (int id : {2, 3, 4}) {
        DemoRowValues &row = sheet.row(id);
        const qint64 men = pick(10, 60, {year, inst, 7, month, id, 2});
        const qint64 women = pick(10, 60, {year, inst, 7, month, id, 3});
        row.value(2) += men * unit;
        row.value(3) += women * unit;
        row.value(4) += pick(0, (men + women) / 3, {year, inst, 7, month, id, 4}) * unit;
    }
}

DemoReport toReport(const Sheet &sheet, int year, int inst, int period)
{
    const DemoInstitution *institution = demoReference().institution(inst);
    DemoReport report;
    report.year = year;
    report.form = sheet.form->code;
    report.periodicity = sheet.form->periodicity;
    report.period = period;
    report.institution = inst;
    report.district = institution ? institution->district : 0;
    for (const DemoRowValues &row : sheet.rows) {
        bool any = false;
        for (qint64 v : row.values)
            any = any || v != 0;
        if (any)
            report.rows.append(row);
    }
    return report;
}

DemoReport form7(int year, int inst, int month)
{
    Sheet sheet(*demoCatalogue().form(7));
    monthlyCases(sheet, year, inst, month);
    if (year == 2025 && inst == 301 && month == 5)
        sheet.row(2).value(2) += 3 * unit;
    calculate(sheet);
    return toReport(sheet, year, inst, month);
}

DemoReport form12(int year, int inst)
{
    Sheet sheet(*demoCatalogue().form(12));
    for (int month = 1; month <= 12; ++month)
        monthlyCases(sheet, year, inst, month);
    if (year == 2025 && inst == 102) {
        DemoRowValues &row = sheet.row(4);
        row.value(4) = row.value(2) + row.value(3) + 5 * unit;
    }
    calculate(sheet);

    const qint64 all = sheet.row(1).value(1) / unit;
    DemoRowValues &children = sheet.row(5);
    children.value(1) = all * pick(20, 33, {year, inst, 12, 5, 1}) / 100 * unit;
    children.value(2) =
        children.value(1) / unit * pick(30, 50, {year, inst, 12, 5, 2}) / 100 * unit;
    DemoRowValues &breathing = sheet.row(6);
    breathing.value(1) = children.value(1) / unit / 2 * unit;
    breathing.value(2) = children.value(2) / unit / 2 * unit;
    if (year == 2025 && inst == 402)
        children.value(1) = (all + 10) * unit;
    return toReport(sheet, year, inst, 0);
}

DemoReport form14(int year, int inst, int quarter)
{
    Sheet sheet(*demoCatalogue().form(14));
    for (int id : {2, 3, 4}) {
        DemoRowValues &row = sheet.row(id);
        // The beds stay the same all year; the patients change by quarter.
        row.value(1) = pick(10, 60, {year, inst, 14, id, 1}) * unit;
        const qint64 admitted = pick(50, 300, {year, inst, 14, quarter, id, 2});
        row.value(2) = admitted * unit;
        row.value(3) = (admitted - pick(0, admitted / 5, {year, inst, 14, quarter, id, 3})) * unit;
    }
    calculate(sheet);
    DemoRowValues &use = sheet.row(5);
    use.value(1) = sheet.row(1).value(1) * pick(60, 90, {year, inst, 14, quarter, 5, 1});
    use.value(2) = pick(0, 5, {year, inst, 14, quarter, 5, 2}) * unit;
    if (year == 2025 && inst == 203 && quarter == 2)
        sheet.row(1).value(1) += 2 * unit;
    return toReport(sheet, year, inst, quarter);
}

DemoReport form62(int year, int inst)
{
    Sheet sheet(*demoCatalogue().form(62));
    // Posts come in quarters of a post; persons are whole.
    auto staff = [&](int id, int ruralId, qint64 low, qint64 high) {
        const qint64 posts = pick(low, high, {year, inst, 62, id, 1}); // in quarter posts
        const qint64 occupied = posts - pick(0, posts / 5, {year, inst, 62, id, 2});
        const qint64 persons =
            std::max<qint64>(0, occupied / 4 - pick(0, 2, {year, inst, 62, id, 3}));
        DemoRowValues &all = sheet.row(id);
        all.value(1) = posts * 250;
        all.value(2) = occupied * 250;
        all.value(3) = persons * unit;
        DemoRowValues &rural = sheet.row(ruralId);
        rural.value(1) = posts / 3 * 250;
        rural.value(2) = occupied / 3 * 250;
        rural.value(3) = persons / 3 * unit;
    };
    staff(1, 2, 40, 320);
    staff(3, 4, 80, 600);
    if (year == 2025 && inst == 701)
        sheet.row(3).value(2) = sheet.row(3).value(1) + 500;

    for (int id : {6, 7}) {
        const qint64 beds =
            id == 6 ? pick(20, 200, {year, inst, 62, id, 4}) : pick(5, 30, {year, inst, 62, id, 4});
        DemoRowValues &row = sheet.row(id);
        row.value(1) = beds * unit;
        row.value(2) = (beds - pick(0, 2, {year, inst, 62, id, 5})) * unit + 500;
    }
    DemoRowValues &visits = sheet.row(8);
    const qint64 total = pick(5000, 50000, {year, inst, 62, 8, 1});
    visits.value(1) = total * unit;
    visits.value(2) = total * pick(20, 33, {year, inst, 62, 8, 2}) / 100 * unit;
    calculate(sheet);
    return toReport(sheet, year, inst, 0);
}

} // namespace

bool demoReportsFrom(int institution, int year)
{
    const DemoInstitution *inst = demoReference().institution(institution);
    if (!inst || !inst->worksIn(year))
        return false;
    if (inst->code == demoReportingUnit)
        return true;
    if (data::classifyCode(inst->code) != data::CodeKind::Institution)
        return false;
    return (inst->district >= 1 && inst->district <= 4) || inst->district == data::LargeCityFirst ||
           inst->district == data::RegionalInstitutionsDistrict;
}

QList<DemoReport> demoReports(int year)
{
    const bool complete = year == 2025;
    QList<int> reporting;
    for (const DemoInstitution &inst : demoReference().institutions) {
        if (demoReportsFrom(inst.code, year))
            reporting.append(inst.code);
    }
    QList<DemoReport> reports;
    for (int inst : reporting) {
        for (int month = 1; month <= (complete ? 12 : 2); ++month)
            reports.append(form7(year, inst, month));
    }
    if (complete) {
        for (int inst : reporting)
            reports.append(form12(year, inst));
    }
    // Beds and staff: the institutions themselves, not their units.
    reporting.removeAll(demoReportingUnit);
    for (int inst : reporting) {
        for (int quarter = 1; quarter <= (complete ? 4 : 1); ++quarter)
            reports.append(form14(year, inst, quarter));
    }
    if (complete) {
        for (int inst : reporting)
            reports.append(form62(year, inst));
    }
    return reports;
}

QList<DemoFailure> demoFailures()
{
    return {
        {2025, 12, 102, 0, QStringLiteral("ContrGr 2"),
         QStringLiteral("row 1.3: column 4 above column 1")},
        {2025, 14, 203, 2, QStringLiteral("ContrStr 20"),
         QStringLiteral("total row, column 1: not the sum of the rows")},
        {2025, 7, 301, 5, QStringLiteral("ContrMF 1"),
         QStringLiteral("form 12 is not the sum of the months of form 7")},
        {2025, 12, 402, 0, QStringLiteral("ContrTab 1"),
         QStringLiteral("table 2000 above table 1000")},
        {2025, 62, 701, 0, QStringLiteral("ContrGr 30"),
         QStringLiteral("row 2: column 2 above column 1")},
    };
}

} // namespace zemor::tools
