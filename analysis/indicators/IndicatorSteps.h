#pragma once

// The computation steps of an indicator (`IndicatorStep`), applied to every result row in the
// order read, after the data are summed. A step combines its target slot t with its source slot
// s or, when s is 0, with its constant c; its condition may set t to a value, or show a text
// cell ("v/s") in place of t. Divisions by zero leave the target as it was (by a constant, or by
// a month count that is not above 0) or set it to 0 (by a slot holding 0); the test for equality
// compares up to rounding, the tests "below" and "above" the values as they are. A step never
// leaves a value that is not finite: such a result sets the target to 0.
//
// Pure: rows and text cells are the caller's, changed in place.

#include "analysis/indicators/IndicatorFormula.h"
#include "analysis/indicators/IndicatorResult.h"

#include <QList>

namespace zemor::analysis {

void applySteps(QList<IndicatorResultRow> &rows, QList<IndicatorCellText> &texts,
                const QList<IndicatorStep> &steps, MonthRange period);

// The text cells sorted by row code, then group (of a group row), then slot, a later text of the
// same cell replacing the earlier one.
void sortCellTexts(QList<IndicatorCellText> &texts);

} // namespace zemor::analysis
