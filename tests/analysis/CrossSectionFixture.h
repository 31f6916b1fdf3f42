#pragma once

// What the cross-section and submitted-list tests share: the demo working directory with a few
// reports added (for March, each in place of any report the demo holds for its institution and
// month, the reports of a district total, a city total and the region-wide ones of form 7; the
// reports of a form 999 without catalogue, beside the demo's own population records of that form;
// and a report of a district that sent nothing whose values are the largest DECIMAL(17,3)
// holds), and the sum that a cell must come to, worked out from the report values themselves
// rather than from the files.

#include "data/Codes.h"
#include "data/DataContext.h"
#include "entry/ReportStore.h"
#include "runtime/decimal/Decimal.h"
#include "runtime/office/Workbook.h"
#include "tests/entry/EntryFixture.h"
#include "tools/DemoCatalogue.h"
#include "tools/DemoCrossSections.h"
#include "tools/DemoIndicators.h"
#include "tools/DemoReports.h"

#include <QList>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace zemor::test {

// A stored report the tests add to the demo.
struct AddedReport
{
    int form = 0;
    int institution = 0;
    int district = 0;
    int periodKind = 0;
    int period = 0;
    int table = 0;
    int rowId = 0;
    int value = 0; // value n = n * value, in units
};

// Institution of district 6 (which sent nothing) whose form 7 values are all 99999999999999.999.
inline constexpr int largestValuesInstitution = 9601;

inline QList<AddedReport> addedReports()
{
    QList<AddedReport> reports;
    // District 1 total, city 101 total, the region and all districts: form 7, March, row 2.
    reports.append({7, 21001, 1, 1, 3, 1000, 2, 1000});
    reports.append({7, 21101, 101, 1, 3, 1000, 2, 2000});
    reports.append({7, 20000, 250, 1, 3, 1000, 2, 4000});
    reports.append({7, 20001, 251, 1, 3, 1000, 2, 8000});
    // Form 999 of institutions of districts 1 and 3.
    reports.append({999, 101, 1, 0, 0, 1, 1, 10});
    reports.append({999, 102, 1, 0, 0, 1, 1, 20});
    reports.append({999, 301, 3, 0, 0, 1, 1, 40});
    return reports;
}

// Builds the demo in `dir` with the added reports; empty text on success.
inline QString buildCrossSectionDemo(const QTemporaryDir &dir)
{
    if (QString failed = buildDemoWorkDir(dir); !failed.isEmpty())
        return failed;
    data::DataContext context;
    for (const AddedReport &added : addedReports()) {
        entry::ReportRow row;
        row.rowId = added.rowId;
        row.table = added.table;
        for (int n = 1; n <= 35; ++n)
            row.values[size_t(n - 1)] = runtime::Decimal(qint64(n) * added.value);
        entry::ReportStore store(context, {demoYear, added.form, added.institution, added.district,
                                           added.periodKind, added.period});
        if (auto s = store.replace({row}); !s)
            return s.error().message + u' ' + s.error().where;
    }
    const auto largest = runtime::Decimal::fromString(u"99999999999999.999");
    for (int month = 1; month <= 12; ++month) {
        entry::ReportRow row;
        row.rowId = 1;
        row.table = 1000;
        row.values.fill(*largest);
        entry::ReportStore store(context,
                                 {demoYear, 7, largestValuesInstitution, 6, 1, qint32(month)});
        if (auto s = store.replace({row}); !s)
            return s.error().message + u' ' + s.error().where;
    }
    return {};
}

struct StoredCell
{
    int form;
    int institution;
    int district;
    int period;
    int rowId;
    runtime::Decimal value;
};

// Every stored value of `form`'s row `rowId`, value `n`, in the demo with the added reports.
inline QList<StoredCell> storedCells(int form, int rowId, int n)
{
    QList<StoredCell> cells;
    const QList<AddedReport> added = addedReports();
    // An added report replaces the demo's report of its institution and period.
    auto replaced = [&](const tools::DemoReport &report) {
        return std::any_of(added.begin(), added.end(), [&](const AddedReport &a) {
            return a.form == report.form && a.institution == report.institution &&
                   a.period == report.period;
        });
    };
    for (const tools::DemoReport &report :
         tools::demoReports(demoYear) + tools::DemoCrossSections::reports(demoYear)) {
        if (report.form != form || replaced(report))
            continue;
        for (const tools::DemoRowValues &row : report.rows) {
            if (row.rowId == rowId)
                cells.append({form, report.institution, report.district, report.period, rowId,
                              runtime::Decimal::fromUnits(row.value(n), 3)});
        }
    }
    for (const AddedReport &a : added) {
        if (a.form == form && a.rowId == rowId)
            cells.append({form, a.institution, a.district, a.period, rowId,
                          runtime::Decimal(qint64(n) * a.value)});
    }
    // The demo's populations: row 1 of form 999, one record for each district that has one.
    if (form == 999 && rowId == 1) {
        for (const tools::DemoDistrict &d : tools::demoReference().districts) {
            const qint64 people = tools::DemoIndicators::population(demoYear, d.code, n);
            if (people != 0)
                cells.append({form, data::DistrictTotalCodeBase + d.code, d.code, 0, rowId,
                              runtime::Decimal::fromUnits(people * 1000, 3)});
        }
    }
    if (form == 7 && rowId == 1) {
        for (int month = 1; month <= 12; ++month)
            cells.append({7, largestValuesInstitution, 6, month, 1,
                          *runtime::Decimal::fromString(u"99999999999999.999")});
    }
    return cells;
}

// The exact sum of the cells that `take` accepts.
inline runtime::Decimal sumOf(const QList<StoredCell> &cells,
                              const std::function<bool(const StoredCell &)> &take)
{
    runtime::Decimal sum;
    for (const StoredCell &cell : cells) {
        if (take(cell))
            sum = *sum.add(cell.value);
    }
    return sum;
}

// The text a workbook shows in a cell; empty for a cell without value.
inline QString cellText(const runtime::office::Workbook &book, int row, int column)
{
    const auto *cell = book.cell(row, column);
    return cell ? cell->displayText() : QString();
}

} // namespace zemor::test
