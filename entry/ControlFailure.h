#pragma once

// One failed control rule of a whole-report check (`ControlFailure`), and the entry a control
// run keeps of it. The rule id is kept whole, however many digits it has.

#include "runtime/decimal/Decimal.h"

#include <QList>
#include <QString>

namespace zemor::entry {

enum class RuleKind { Row, Table, Column };

struct ControlFailure
{
    RuleKind kind = RuleKind::Column;
    qint64 ruleId = 0;          // QS:KOD
    qint64 table = 0;           // QS:CODTABL: the table of the rule's left side
    runtime::Decimal deviation; // QS:OTKL: left side minus the signed sum of the terms
    QString text;               // QS:S, at most textLength characters
    int column = 0;             // QS:CODGR: stored column of the left side; 0 for column rules

    static constexpr int textLength = 500;
    QString codeText() const { return QString::number(ruleId); } // the "код" column
};

// What a run keeps of each failure: the form, the rule, the text and the deviation.
struct RunFailure
{
    qint64 formCode = 0;
    qint64 ruleId = 0;
    QString text;
    runtime::Decimal deviation;
};

} // namespace zemor::entry
