#pragma once

// The whole-report check as report entry and the summary call it (`CheckReportControls` in
// window mode): the rules and the row catalogue of the form are read from the year the caller
// names, the report the caller holds is checked, and the failures are shown in
// ControlFailureWindow ("Ошибок нет" when there are none). The counter receives the number of
// failures, 0 when there are none. Diagnostics about faulty rules go through the prompter, each
// once per check.
//
// Failure: a rule file that cannot be read has been reported by the data context's error
// manager; a report value too large for the check's arithmetic is reported here through the
// prompter. Either way nothing is shown, the counter is left as it was and the error is
// returned. The context, prompter and output belong to the caller.

#include "entry/ReportRows.h"
#include "runtime/core/Error.h"

class QWidget;

namespace zemor::data {
class DataContext;
}

namespace zemor::runtime {
class Prompter;
namespace report {
class PageSink;
}
} // namespace zemor::runtime

namespace zemor::entry::ui {

class WindowControlCheck
{
public:
    WindowControlCheck(data::DataContext &context, runtime::Prompter &prompter,
                       runtime::report::PageSink &output, QWidget *parent = nullptr)
        : m_context(context), m_prompter(prompter), m_output(output), m_parent(parent)
    {
    }

    [[nodiscard]] runtime::Status run(int year, qint64 formCode, const ReportRows &rows,
                                      const FormTables &tables, int &counter);

private:
    data::DataContext &m_context;
    runtime::Prompter &m_prompter;
    runtime::report::PageSink &m_output;
    QWidget *m_parent;
};

} // namespace zemor::entry::ui
