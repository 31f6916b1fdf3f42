#include "entry/ui/WindowControlCheck.h"

#include "entry/ControlRuleLoader.h"
#include "entry/ReportControlCheck.h"
#include "entry/ui/ControlFailureWindow.h"
#include "runtime/core/Prompter.h"

namespace zemor::entry::ui {

runtime::Status WindowControlCheck::run(int year, qint64 formCode, const ReportRows &rows,
                                        const FormTables &tables, int &counter)
{
    ControlRuleLoader loader(m_context, year);
    const auto rules = loader.rules(formCode);
    if (!rules)
        return std::unexpected(rules.error());
    const auto catalogue = loader.catalogue(formCode);
    if (!catalogue)
        return std::unexpected(catalogue.error());

    ReportControlCheck check(&m_prompter);
    const auto failures = check.check(formCode, rows, tables, *rules, *catalogue);
    if (!failures) {
        QString text = failures.error().message;
        if (!failures.error().where.isEmpty())
            text += u'|' + failures.error().where;
        m_prompter.message(text, {}, {}, runtime::MessageIcon::Error);
        return std::unexpected(failures.error());
    }
    ControlFailureWindow::showFailures(*failures, year, counter, m_prompter, m_output, m_parent);
    return {};
}

} // namespace zemor::entry::ui
