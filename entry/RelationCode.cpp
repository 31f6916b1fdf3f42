#include "entry/RelationCode.h"

namespace zemor::entry {

using runtime::Decimal;

namespace {

template <class V> bool holds(int code, const V &left, const V &right, const V &zero)
{
    switch (static_cast<RelationCode>(code)) {
    case RelationCode::Equal:
        return left == right;
    case RelationCode::Greater:
        return left > right;
    case RelationCode::GreaterOrEqual:
        return left >= right;
    case RelationCode::Less:
        return left < right;
    case RelationCode::LessOrEqual:
        return left <= right;
    case RelationCode::ZeroImpliesZero:
        return !(left == zero && right != zero);
    }
    return true;
}

} // namespace

bool relationHolds(int code, const Decimal &left, const Decimal &right)
{
    return holds(code, left, right, Decimal());
}

bool relationHolds(int code, runtime::Int128 left, runtime::Int128 right)
{
    return holds(code, left, right, runtime::Int128(0));
}

bool relationHoldsOnline(int code, const Decimal &left, const Decimal &right)
{
    if (code == int(RelationCode::ZeroImpliesZero))
        return true;
    return relationHolds(code, left, right);
}

QString failureOperator(int code)
{
    switch (static_cast<RelationCode>(code)) {
    case RelationCode::Equal:
        return QStringLiteral("= ");
    case RelationCode::Greater:
        return QStringLiteral("> ");
    case RelationCode::GreaterOrEqual:
        return QStringLiteral(">=");
    case RelationCode::Less:
        return QStringLiteral("< ");
    case RelationCode::LessOrEqual:
        return QStringLiteral("<=");
    case RelationCode::ZeroImpliesZero:
        return QStringLiteral("? ");
    }
    return QStringLiteral("  ");
}

} // namespace zemor::entry
