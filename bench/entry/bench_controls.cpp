// The whole-report check of one large report: a form of 3 tables of 100 rows and 35 columns
// (300 rows), with 500 rules that all hold: per table a total column rule and 34 column rules,
// 32 row rules over every column, and 299 inter-table rules. The baseline is the floor for this
// work: a plain loop that forms the same sums over a flat array of the same values (as exact
// integer units) with every row and column already resolved to an index, and no texts. Ours
// resolves the rules once, as a form is opened, and checks the report against them.
//
//   bench_controls --report [--repeat=N]   one line, ending in ratio=<ours/baseline>
//   bench_controls [Google Benchmark options]

#include "bench/support/BenchMain.h"
#include "bench/support/PlainRules.h"
#include "entry/ReportControlCheck.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace zemor::entry;
using zemor::runtime::Decimal;

namespace {

constexpr int tableCount = 3;
constexpr int rowsPerTable = 100;
constexpr int columns = 35;
constexpr int rowRulesPerTable = 32;

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
        // The total row against all other rows, then against ever shorter runs of them.
        for (int k = 0; k < rowRulesPerTable; ++k) {
            RowRule rule{
                1000 + t * rowRulesPerTable + k, 0, t * rowsPerTable + 1, k == 0 ? 1 : 3, {}};
            for (int r = 2; r <= rowsPerTable - 3 * k; ++r)
                rule.terms.append(t * rowsPerTable + r);
            f.rules.rowRules.append(rule);
        }
    }
    // Each row's total column is at most the sum of the total columns of the same row position
    // in all three tables.
    for (int id = 1; id < tableCount * rowsPerTable; ++id) {
        const int position = (id - 1) % rowsPerTable + 1;
        TableRule rule;
        rule.id = 5000 + id;
        rule.leftRow = id;
        rule.leftColumn = (id - 1) / rowsPerTable * columns + 1;
        rule.relation = 5;
        for (int t = 0; t < tableCount; ++t)
            rule.terms.append({t * rowsPerTable + position, t * columns + 1});
        f.rules.tableRules.append(rule);
    }
    return f;
}

// The same rules with every position resolved beforehand, over plain integer units.
struct Plain
{
    std::vector<long long> cells; // row index * columns + value index
    zemor::bench::PlainRules rules;
};

Plain makePlain(const Fixture &f)
{
    Plain p;
    for (const ReportRow &row : f.rows) {
        for (int c = 0; c < columns; ++c)
            p.cells.push_back(static_cast<long long>(row.values[size_t(c)].rounded(3).units()));
    }
    p.rules = zemor::bench::plainRules(f.rules, rowsPerTable, columns,
                                       [](int table) { return table * columns; });
    return p;
}

int baseline(const Plain &p)
{
    return zemor::bench::plainCheck(p.rules, p.cells);
}

void BM_CheckReportControls(benchmark::State &state)
{
    const Fixture f = makeFixture();
    const ResolvedRules resolved = ResolvedRules::resolve(12, f.tables, f.rules, f.catalogue);
    ReportControlCheck check;
    for (auto _ : state) {
        auto failures = check.check(resolved, f.rows);
        benchmark::DoNotOptimize(failures);
    }
}
BENCHMARK(BM_CheckReportControls)->Unit(benchmark::kMillisecond);

void BM_BaselinePlain(benchmark::State &state)
{
    const Plain p = makePlain(makeFixture());
    for (auto _ : state)
        benchmark::DoNotOptimize(baseline(p));
}
BENCHMARK(BM_BaselinePlain)->Unit(benchmark::kMillisecond);

int report(int repeat)
{
    const Fixture f = makeFixture();
    const ResolvedRules resolved = ResolvedRules::resolve(12, f.tables, f.rules, f.catalogue);
    ReportControlCheck check;
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    qsizetype failures = 0;
    for (int i = 0; i < repeat; ++i)
        failures += check.check(resolved, f.rows)->size();
    const double ours = std::chrono::duration<double>(Clock::now() - start).count();
    const Plain plain = makePlain(f);
    start = Clock::now();
    int base = 0;
    for (int i = 0; i < repeat; ++i) {
        // Keeps the compiler from computing the same sums once for every repetition.
        benchmark::DoNotOptimize(plain.cells.data());
        benchmark::ClobberMemory();
        base += baseline(plain);
    }
    const double theirs = std::chrono::duration<double>(Clock::now() - start).count();
    const int ruleCount =
        int(f.rules.columnRules.size() + f.rules.rowRules.size() + f.rules.tableRules.size());
    std::printf("controls check-report rows=%d columns=%d rules=%d failures=%lld/%d "
                "per-report ours=%.3fms baseline=%.3fms ratio=%.2f\n",
                int(f.rows.size()), columns, ruleCount, static_cast<long long>(failures), base,
                1000 * ours / repeat, 1000 * theirs / repeat, theirs > 0 ? ours / theirs : 0.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return zemor::bench::benchMain(argc, argv, [](int c, char **v) {
        return report(int(std::max<std::int64_t>(1, zemor::bench::argValue(c, v, "repeat", 20))));
    });
}
