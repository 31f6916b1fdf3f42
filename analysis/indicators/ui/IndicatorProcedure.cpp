#include "analysis/indicators/ui/IndicatorProcedure.h"

#include "analysis/indicators/IndicatorComputation.h"
#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/NosologyComputation.h"
#include "analysis/indicators/ui/IndicatorParametersWindow.h"
#include "analysis/indicators/ui/IndicatorRowWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/ProgressWindow.h"
#include "runtime/ui/WidgetPrompter.h"

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;

namespace {

QString failureText(const runtime::Error &error)
{
    return error.where.isEmpty() ? error.message : error.where + u": "_s + error.message;
}

} // namespace

void IndicatorProcedure::open(const IndicatorDefinition &definition, const IndicatorRequest &base)
{
    IndicatorParametersWindow *self = nullptr;
    IndicatorParametersWindow window(
        definition, base,
        [this, &self](const IndicatorDefinition &d, const IndicatorRequest &r) { run(d, r, self); },
        m_services.prompter, m_parent);
    self = &window;
    window.exec();
}

void IndicatorProcedure::tell(runtime::Prompter &prompter, const QList<FormulaNotice> &notices)
{
    QStringList told;
    for (const FormulaNotice &n : notices) {
        if (n.message.isEmpty() || told.contains(n.message))
            continue;
        told.append(n.message);
        prompter.message(n.message, IndicatorOutput::windowTitle());
    }
}

void IndicatorProcedure::run(const IndicatorDefinition &definition, const IndicatorRequest &given,
                             QWidget *parent)
{
    // The run's boxes belong to the window that started it.
    runtime::ui::WindowPrompter prompter(m_services.prompter, parent);
    const auto fail = [&](const runtime::Error &error) {
        if (error.code != runtime::ErrorCode::Cancelled)
            prompter.message(failureText(error), IndicatorOutput::windowTitle(), {},
                             runtime::MessageIcon::Error);
    };
    IndicatorRequest request = given;
    const IndicatorFormulaFiles files(request.year);
    const auto terms = files.loadIndicatorTerms(definition, request.period);
    if (!terms)
        return fail(terms.error());
    if (terms->isEmpty()) {
        prompter.message(IndicatorComputation::notEnteredMessage(), IndicatorOutput::windowTitle());
        return;
    }
    const bool byPlace =
        (definition.type == 0 || definition.type == 1) && request.layout != IndicatorLayout::ByRows;
    if (byPlace && IndicatorComputation::needsChosenRow(*terms)) {
        const auto rows =
            readIndicatorRowChoices(definition, terms->lines.first().table, request.year);
        if (!rows)
            return fail(rows.error());
        const IndicatorRowAnswer answer =
            IndicatorRowWindow::chooseIndicatorRow(*rows, prompter, parent);
        if (answer.closed)
            return;
        request.chosenRow = answer.row;
    }

    runtime::ui::ProgressWindow progress(definition.name.trimmed(), parent);
    auto run = IndicatorComputation(m_data, &progress).run(definition, request);
    progress.finish();
    if (!run)
        return fail(run.error());
    tell(prompter, run->notices);
    if (run->years.isEmpty())
        return;

    IndicatorOutputInput input;
    input.run = &*run;
    input.year = request.year;
    input.chosen = request.chosenRow.value_or(ChosenRow());
    for (const YearResult &year : std::as_const(run->years))
        input.seriesYears.append(year.year);
    const auto columns = files.readColumns(run->definition);
    if (!columns)
        return fail(columns.error());
    input.columns = *columns;
    const auto pictures = files.loadColumnPictures(run->definition, {});
    if (!pictures)
        return fail(pictures.error());
    const auto names = readPlaceNames(m_data);
    if (!names)
        return fail(names.error());
    QHash<int, FormRowName> formRows;
    QList<FormulaRowLine> listed;
    if (run->layout == IndicatorLayout::ByRows) {
        const auto read = readFormRowNames(request.year, run->formRowsForm);
        if (!read)
            return fail(read.error());
        formRows = *read;
        if (run->definition.takesListedRows()) {
            const auto lines = files.readFormulaRowLines(run->definition.id);
            if (!lines)
                return fail(lines.error());
            listed = lines->lines;
        }
    }
    IndicatorDisplay display = buildIndicatorDisplay(*run, *pictures, *names, formRows, listed);
    tell(prompter, display.notices);
    const auto stored = files.readListFormat(run->definition.id);
    if (!stored)
        return fail(stored.error());
    IndicatorResultWindow window(input, std::move(display), *stored, m_services, parent);
    window.exec();
}

} // namespace zemor::analysis::ui
