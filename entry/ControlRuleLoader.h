#pragma once

// Reads what the checks need of one form from the files of a reporting year: its control rules
// (column, row and inter-table rules), resolved against the form's catalogue (FormCatalogue) when
// asked; the rows and tables of the catalogue on their own for callers that hold no catalogue. The
// year is the caller's, never the process-wide one: report entry passes the year of its report, the
// summary and the runs the year they read their reports from.
//
// Each read sets the year's file names in the caller's data context, opens the file it needs
// through its relation manager, reads the form's records in key order and closes it again. A
// file that cannot be opened or read is an error (the context's error manager has reported it
// already); a form without records gives empty lists.

#include "entry/ControlRules.h"
#include "entry/ReportRows.h"
#include "entry/ResolvedRules.h"
#include "entry/RowCatalogue.h"
#include "runtime/core/Error.h"

#include <optional>

namespace zemor::data {
class DataContext;
}

namespace zemor::entry {

class FormCatalogue;

class ControlRuleLoader
{
public:
    explicit ControlRuleLoader(data::DataContext &context, int year)
        : m_context(context), m_year(year)
    {
    }

    // Row rules by left row, inter-table rules by left row, column rules by table and row id.
    [[nodiscard]] runtime::Result<FormRules> rules(qint64 formCode);
    // The form's rules resolved against its catalogue, which must be of the loader's year.
    [[nodiscard]] runtime::Result<ResolvedRules> resolved(const FormCatalogue &form);
    // Read through FormCatalogue: the rows of the form, and its tables in table-code order.
    [[nodiscard]] runtime::Result<RowCatalogue> catalogue(qint64 formCode);
    [[nodiscard]] runtime::Result<FormTables> tables(qint64 formCode);

    // Single rules by id, for the calculations; nullopt when there is no such rule.
    [[nodiscard]] runtime::Result<std::optional<ColumnRule>> columnRule(qint64 id);
    [[nodiscard]] runtime::Result<std::optional<RowRule>> rowRule(qint64 id);
    // An inter-form formula by its code, read from the year's "ContrMF.dat" under the row-rule
    // file's name variable, which holds that name for the read only and the year's row-rule file
    // again afterwards; nullopt when there is no such formula.
    [[nodiscard]] runtime::Result<std::optional<InterFormRule>> interFormRule(qint64 code);
    static QString interFormFileName(int year);

private:
    [[nodiscard]] runtime::Status readRowRules(qint64 formCode, QList<RowRule> &out);
    [[nodiscard]] runtime::Status readTableRules(qint64 formCode, QList<TableRule> &out);
    [[nodiscard]] runtime::Status readColumnRules(qint64 formCode, QList<ColumnRule> &out);

    data::DataContext &m_context;
    int m_year;
};

} // namespace zemor::entry
