#include "entry/ui/BlankFormsWindow.h"

#include "entry/ui/WindowParts.h"

#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"

#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

BlankFormsWindow::BlankFormsWindow(runtime::office::Conversation &office,
                                   runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_blanks(office, prompter), m_prompter(prompter)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(BlankForms::windowTitle());
    setModal(true);

    const auto path = runtime::fs::resolve(BlankForms::listFileName());
    if (path) {
        auto entries = BlankForms::readList(*path);
        if (entries)
            m_entries = std::move(*entries);
        else
            prompter.message(entries.error().message);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(BlankForms::prompt(), this));
    auto *model = new runtime::ui::QueueModel(2, this);
    QList<QVariantList> rows;
    for (const BlankEntry &e : m_entries)
        rows.append({e.path, e.name});
    model->setLines(rows);
    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    view->setToolTip(QStringLiteral("Выбор из списка"));
    auto *binding = bindList(view, model, BlankForms::listFormat());
    binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    binding->widenToContents({0, 1});
    connect(binding, &runtime::ui::ListBinding::chosen, this, &BlankFormsWindow::open);
    layout->addWidget(view, 1);
    if (!m_entries.isEmpty())
        view->setCurrentIndex(model->index(0, 0));
    view->setFocus();
    resize(720, 400);
}

void BlankFormsWindow::open(int row)
{
    if (row >= 0 && row < m_entries.size())
        m_blanks.open(m_entries.at(row));
}

void blankForms(const shell::ui::Services &services, QWidget *parent)
{
    BlankFormsWindow window(*services.office, services.prompter, parent);
    window.exec();
}

} // namespace zemor::entry::ui
