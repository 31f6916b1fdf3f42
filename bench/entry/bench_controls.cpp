// The whole-report check on a large synthetic report: 4 tables of 200 rows and 20 columns, a
// column rule per column, a row rule over every column per table and inter-table rules on every
// row, all holding. The baseline evaluates the same rules in a plain double-precision loop over
// the same values, without texts, to show what the exact arithmetic and the bookkeeping cost;
// its failure count shows the rules that a double sum of three-place values wrongly fails.
//
//   bench_controls --report [--repeat=N]   one line, ending in ratio=<ours/baseline>
//   bench_controls [Google Benchmark options]

#include "entry/ReportControlCheck.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace zemor::entry;
using zemor::runtime::Decimal;

namespace {

constexpr int tableCount = 4;
constexpr int rowsPerTable = 200;
constexpr int columns = 20;

struct Fixture
{
    ReportRows rows;
    FormTables tables;
    FormRules rules;
    RowCatalogue catalogue;
};

Fixture makeFixture()
{
    Fixture f;
    for (int t = 0; t < tableCount; ++t) {
        const qint64 code = 1000 * (t + 1);
        f.tables.append(TableEntry{code, t * columns, columns});
        for (int r = 1; r <= rowsPerTable; ++r) {
            const int id = t * rowsPerTable + r;
            f.catalogue.add({id, code, QString::number(r), r});
            ReportRow row;
            row.rowId = id;
            row.table = code;
            for (int c = 2; c <= columns; ++c)
                row.values[size_t(c - 1)] =
                    Decimal::fromUnits((id * 7919 + c * 104729) % 1000003, 3);
            f.rows.append(row);
        }
        // Row 1 is the total of the other rows, column 1 the total of the other columns.
        for (int c = 2; c <= columns; ++c) {
            Decimal sum;
            for (int r = 1; r < rowsPerTable; ++r)
                sum = *sum.add(f.rows[t * rowsPerTable + r].values[size_t(c - 1)]);
            f.rows[t * rowsPerTable].values[size_t(c - 1)] = sum;
        }
        for (int r = 0; r < rowsPerTable; ++r) {
            ReportRow &row = f.rows[t * rowsPerTable + r];
            Decimal sum;
            for (int c = 2; c <= columns; ++c)
                sum = *sum.add(row.values[size_t(c - 1)]);
            row.values[0] = sum;
        }
        ColumnRule total;
        total.id = t + 1;
        total.table = code;
        total.rowCode = QStringLiteral("0");
        total.left = t * columns + 1;
        total.relation = 1;
        for (int c = 2; c <= columns; ++c)
            total.terms.append(t * columns + c);
        f.rules.columnRules.append(total);
        for (int c = 2; c <= columns; ++c) {
            ColumnRule le;
            le.id = 100 + t * columns + c;
            le.table = code;
            le.rowCode = QStringLiteral("0");
            le.left = t * columns + c;
            le.relation = 5;
            le.terms = {t * columns + 1};
            f.rules.columnRules.append(le);
        }
        RowRule rowTotal{1000 + t, 0, t * rowsPerTable + 1, 1, {}};
        for (int r = 2; r <= rowsPerTable && rowTotal.terms.size() < 100; ++r)
            rowTotal.terms.append(t * rowsPerTable + r);
        rowTotal.relation = 3; // the total is at least the sum of the first 99 rows
        f.rules.rowRules.append(rowTotal);
    }
    for (int r = 1; r <= rowsPerTable; ++r) {
        TableRule rule;
        rule.id = 5000 + r;
        rule.leftRow = r;
        rule.leftColumn = 1;
        rule.relation = 1;
        rule.terms = {{r, 1}};
        f.rules.tableRules.append(rule);
    }
    return f;
}

// The same rules in doubles, without texts or lookups by table.
int baseline(const Fixture &f)
{
    int failed = 0;
    for (const ReportRow &row : f.rows) {
        const int t = int(row.table / 1000) - 1;
        for (const ColumnRule &rule : f.rules.columnRules) {
            if (rule.table != row.table)
                continue;
            double sum = 0;
            for (int term : rule.terms)
                sum += (term > 0 ? 1 : -1) *
                       row.values[size_t((term > 0 ? term : -term) - t * columns - 1)].toDouble();
            if (row.values[size_t(rule.left - t * columns - 1)].toDouble() != sum)
                ++failed;
        }
    }
    return failed;
}

void BM_CheckReportControls(benchmark::State &state)
{
    const Fixture f = makeFixture();
    ReportControlCheck check;
    for (auto _ : state) {
        auto failures = check.check(12, f.rows, f.tables, f.rules, f.catalogue);
        benchmark::DoNotOptimize(failures);
    }
}
BENCHMARK(BM_CheckReportControls)->Unit(benchmark::kMillisecond);

void BM_BaselineDouble(benchmark::State &state)
{
    const Fixture f = makeFixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline(f));
}
BENCHMARK(BM_BaselineDouble)->Unit(benchmark::kMillisecond);

int report(int repeat)
{
    const Fixture f = makeFixture();
    ReportControlCheck check;
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    qsizetype failures = 0;
    for (int i = 0; i < repeat; ++i)
        failures += check.check(12, f.rows, f.tables, f.rules, f.catalogue)->size();
    const double ours = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    int base = 0;
    for (int i = 0; i < repeat; ++i)
        base += baseline(f);
    const double theirs = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("controls check-report rows=%d failures=%lld/%d ours=%.3fs baseline=%.3fs "
                "ratio=%.2f\n",
                int(f.rows.size()), static_cast<long long>(failures), base, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0) {
            int repeat = 20;
            for (int j = 1; j < argc; ++j) {
                if (std::strncmp(argv[j], "--repeat=", 9) == 0)
                    repeat = std::max(1, std::atoi(argv[j] + 9));
            }
            return report(repeat);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
