#pragma once

// The on-line check of one entry row (`CheckRowOnline`) against the column rules of its table,
// as report entry runs it when a row is shown or stored and, silently, for every row when a
// table is loaded. It sets the row's error mark and tells the caller which value fields to flag
// and what message to show; it never refuses a value.
//
// Rules apply when their row code is the row's code (trailing blanks ignored) or stands for
// every row. Relation codes 1 to 5 are tested, exactly on decimal values; code 6 and any other
// code never fail here. A rule that names a column outside the table is faulty and never
// evaluated, as everywhere (resolveColumnRule()); the whole-report check names it. The message,
// when a rule failed outside silent mode, is "Не выполнено условие|" and the failure text of at
// most 70 characters; it is shown through the prompter when one is given, and returned either way.

#include "entry/ControlRules.h"
#include "entry/EntryRow.h"

#include <array>

namespace zemor::runtime {
class Prompter;
}

namespace zemor::entry {

class RowOnlineCheck
{
public:
    static constexpr int failureTextLength = 70;

    struct Outcome
    {
        bool failed = false;
        // Silent mode met a failure: the on-line control is to be switched on.
        bool switchControlOn = false;
        QString failureText; // "|гр3(11)= (12)гр1+гр2...", at most 70 characters
        QString message; // "Не выполнено условие|" + failureText; empty when none is due
        // The flag drawn beside value field n at [n - 1]: "?" + operator + R beside a left
        // column, "?" beside a term column, empty elsewhere.
        std::array<QString, valueCount> flags{};
    };

    static Outcome check(EntryRow &row, const QList<ColumnRule> &rules, const TableEntry &table,
                         bool silent, runtime::Prompter *prompter = nullptr);
};

} // namespace zemor::entry
