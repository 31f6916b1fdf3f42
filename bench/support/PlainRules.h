#pragma once

// The floor of a whole-report check, shared by the benchmarks: the rules of a form with every
// position resolved beforehand to an index into a flat array of cells (row index * columns +
// value index), over plain integer units, checked by a plain loop without texts. The benchmark
// forms have tables of `rowsPerTable` rows with ids counted from 1 table after table, table
// codes 1000, 2000, ..., and stored column c of table t is value c - offset(t).

#include "entry/ControlRules.h"

#include <functional>
#include <vector>

namespace zemor::bench {

struct PlainRules
{
    struct Rule
    {
        int relation;
        int left;               // cell index of the left side
        std::vector<int> terms; // cell indexes
    };
    struct RowRule
    {
        int relation;
        int leftRow;
        std::vector<int> terms; // row indexes
    };
    int columns = 35;
    std::vector<Rule> rules; // column rules, one per row they apply to; inter-table rules
    std::vector<RowRule> rowRules;
};

inline PlainRules plainRules(const entry::FormRules &rules, int rowsPerTable, int columns,
                             const std::function<int(int table)> &offset)
{
    PlainRules p;
    p.columns = columns;
    auto cell = [&](int rowIndex, int value) { return rowIndex * columns + value - 1; };
    auto tableOfRow = [&](int rowId) { return (rowId - 1) / rowsPerTable; };
    for (const entry::ColumnRule &rule : rules.columnRules) {
        const int t = int(rule.table / 1000) - 1;
        for (int r = 0; r < rowsPerTable; ++r) {
            const int rowIndex = t * rowsPerTable + r;
            PlainRules::Rule plain{rule.relation, cell(rowIndex, rule.left - offset(t)), {}};
            for (int term : rule.terms)
                plain.terms.push_back(cell(rowIndex, term - offset(t)));
            p.rules.push_back(std::move(plain));
        }
    }
    for (const entry::TableRule &rule : rules.tableRules) {
        PlainRules::Rule plain{
            rule.relation,
            cell(rule.leftRow - 1, rule.leftColumn - offset(tableOfRow(rule.leftRow))),
            {}};
        for (const entry::TableTerm &term : rule.terms)
            plain.terms.push_back(cell(term.row - 1, term.column - offset(tableOfRow(term.row))));
        p.rules.push_back(std::move(plain));
    }
    for (const entry::RowRule &rule : rules.rowRules) {
        PlainRules::RowRule plain{rule.relation, rule.leftRow - 1, {}};
        for (int term : rule.terms)
            plain.terms.push_back(term - 1);
        p.rowRules.push_back(std::move(plain));
    }
    return p;
}

inline bool plainHolds(int relation, long long l, long long r)
{
    switch (relation) {
    case 1:
        return l == r;
    case 3:
        return l >= r;
    case 5:
        return l <= r;
    default:
        return true;
    }
}

// The number of failures of the rules over `cells`.
inline int plainCheck(const PlainRules &p, const std::vector<long long> &cells)
{
    int failed = 0;
    for (const PlainRules::Rule &rule : p.rules) {
        long long sum = 0;
        for (int term : rule.terms)
            sum += cells[size_t(term)];
        if (!plainHolds(rule.relation, cells[size_t(rule.left)], sum))
            ++failed;
    }
    for (const PlainRules::RowRule &rule : p.rowRules) {
        for (int c = 0; c < p.columns; ++c) {
            long long sum = 0;
            for (int term : rule.terms)
                sum += cells[size_t(term * p.columns + c)];
            if (!plainHolds(rule.relation, cells[size_t(rule.leftRow * p.columns + c)], sum))
                ++failed;
        }
    }
    return failed;
}

} // namespace zemor::bench
