#pragma once

// The relation codes of the control rules (`CON:SNAK`, `COS:SNAK`, `COT:SNAK`): what each
// demands of a left side L and a right side R, and the operator a failure text shows. Every
// comparison is exact on decimal values. A code outside 1 to 6 never fails.

#include "runtime/decimal/Decimal.h"

#include <QString>

namespace zemor::entry {

enum class RelationCode : int {
    Equal = 1,           // L = R
    Greater = 2,         // L > R
    GreaterOrEqual = 3,  // L >= R
    Less = 4,            // L < R
    LessOrEqual = 5,     // L <= R
    ZeroImpliesZero = 6, // a zero left side demands a zero right side
};

// Whether the rule of code `code` holds for L and R.
bool relationHolds(int code, const runtime::Decimal &left, const runtime::Decimal &right);
// The same on two values of one scale, as counts of its units.
bool relationHolds(int code, runtime::Int128 left, runtime::Int128 right);
// The same, for the on-line row check, where code 6 never fails.
bool relationHoldsOnline(int code, const runtime::Decimal &left, const runtime::Decimal &right);
// The operator of a failure text in its two-character field: "= ", "> ", ">=", "< ", "<=", "? ";
// two blanks for a code without operator.
QString failureOperator(int code);

} // namespace zemor::entry
