#include "analysis/indicators/ui/IndicatorRowWindow.h"

#include "analysis/indicators/IndicatorFormulaFiles.h"
#include "analysis/indicators/NosologyComputation.h"
#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::ui::createControl;

namespace {

enum Field { CodeText, Mark, Pol, Name, FieldCount };

} // namespace

runtime::Result<QList<ChosenRow>> readIndicatorRowChoices(const IndicatorDefinition &definition,
                                                          int table, int year)
{
    const IndicatorFormulaFiles files(year);
    auto rows = files.readFormulaRows(definition, table);
    if (!rows)
        return std::unexpected(rows.error());
    QHash<int, FormRowName> names;
    if (definition.takesFormRows()) {
        auto read = readFormRowNames(year, definition.form);
        if (!read)
            return std::unexpected(read.error());
        names = std::move(*read);
    }
    QHash<int, FormulaRowLine> listed;
    if (definition.takesListedRows()) {
        auto lines = files.readFormulaRowLines(definition.id);
        if (!lines)
            return std::unexpected(lines.error());
        for (const FormulaRowLine &line : std::as_const(lines->lines))
            listed.insert(line.code, line);
    }
    QList<ChosenRow> out;
    for (const FormulaRow &row : std::as_const(rows->rows)) {
        ChosenRow c;
        c.id = row.code;
        c.populationColumn = row.populationColumn;
        if (row.listed) {
            const FormulaRowLine line = listed.value(row.code);
            c.codeText = line.codeText;
            c.name = line.name;
        } else {
            const FormRowName name = names.value(row.code);
            c.codeText = name.codeText;
            c.name = name.name;
            c.pol = name.pol;
        }
        out.append(c);
    }
    return out;
}

QString IndicatorRowWindow::listFormat()
{
    return u"17L(1)|M~Код строки~@s10@7L(1)|M@s1@E(0FFH,,0FFH,)7L(1)|M@s1@20L(1)|M~Наименование~C@s150@"_s;
}

IndicatorRowWindow::IndicatorRowWindow(QList<ChosenRow> rows, runtime::Prompter &prompter,
                                       QWidget *parent)
    : ListWindow(u"P1$SCRV"_s, u"Выбор строки"_s, FieldCount, listFormat(), parent),
      m_rows(std::move(rows)), m_prompter(prompter, this)
{
    view()->setObjectName(u"?LIST2"_s);
    QList<QVariantList> lines;
    for (const ChosenRow &row : std::as_const(m_rows))
        lines.append(
            QVariantList{row.codeText.trimmed(), QString(), row.pol.trimmed(), row.name.trimmed()});
    setLines(std::move(lines));

    auto *below = new QHBoxLayout;
    m_marks = createControl<QCheckBox>(this, u"?MARKSTR"_s,
                                       u"печать показателей по отмеченным строкам"_s);
    m_markAll = createControl<QPushButton>(this, u"?MARKSTRALL"_s, u"Отметить все"_s);
    m_markAll->setEnabled(false);
    m_markAll->setAutoDefault(false);
    auto *ok = createControl<QPushButton>(this, u"?OK2"_s, u"Ok"_s);
    ok->setAutoDefault(false);
    below->addWidget(m_marks);
    below->addWidget(m_markAll);
    below->addStretch();
    below->addWidget(ok);
    static_cast<QVBoxLayout *>(layout())->addLayout(below);

    connect(m_marks, &QCheckBox::toggled, this, &IndicatorRowWindow::marksToggled);
    connect(m_markAll, &QPushButton::clicked, this, &IndicatorRowWindow::markAll);
    connect(ok, &QPushButton::clicked, this, &IndicatorRowWindow::ok);
    view()->horizontalHeader()->setStretchLastSection(true);
    widenToContents({CodeText, Mark, Pol});
    openAt(0);
    resize(720, 480);
}

bool IndicatorRowWindow::marked(int row) const
{
    return model()->value(row, Mark).toString() == u"o"_s;
}

void IndicatorRowWindow::ok()
{
    if (chosenRow() >= 0 || m_marks->isChecked()) {
        accept();
        return;
    }
    m_prompter.message(askRowText());
}

void IndicatorRowWindow::markAll()
{
    for (int r = 0; r < model()->rowCount(); ++r)
        model()->setValue(r, Mark, u"o"_s);
}

void IndicatorRowWindow::marksToggled(bool on)
{
    m_markAll->setEnabled(on);
    if (!on) {
        for (int r = 0; r < model()->rowCount(); ++r)
            model()->setValue(r, Mark, QString());
    }
}

IndicatorRowAnswer IndicatorRowWindow::chooseIndicatorRow(const QList<ChosenRow> &rows,
                                                          runtime::Prompter &prompter,
                                                          QWidget *parent)
{
    if (rows.isEmpty()) {
        prompter.beep();
        return {};
    }
    IndicatorRowWindow window(rows, prompter, parent);
    if (const std::optional<int> row = window.choose())
        return {rows.at(*row)};
    return {std::nullopt, window.result() != QDialog::Accepted};
}

} // namespace zemor::analysis::ui
