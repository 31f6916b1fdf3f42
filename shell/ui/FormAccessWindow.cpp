#include "shell/ui/FormAccessWindow.h"

#include "runtime/core/Prompter.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/FormAccess.h"
#include "shell/ui/ColumnFit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {
enum Field { Code, Access, Name };
}

FormAccessWindow::FormAccessWindow(FormAccess &forms, runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_forms(forms), m_prompter(prompter)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *year = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    year->setReadOnly(true);
    year->setText(QString::number(forms.year()));
    year->setFixedWidth(year->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    top->addWidget(year);
    top->addSpacing(12);
    top->addWidget(createControl<QLabel>(this, QStringLiteral("?STRING2"),
                                         QStringLiteral("0-форма доступна     1- не доступна")));
    top->addStretch();
    auto *put =
        createControl<QPushButton>(this, QStringLiteral("?PUT"), QStringLiteral("Сохранить"));
    top->addWidget(put);
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view, 1);
    layout->addWidget(createControl<QLabel>(this, QStringLiteral("?STRING3"),
                                            QStringLiteral("(работаем мышкой)")));

    m_model = new runtime::ui::QueueModel(3, this);
    QList<QVariantList> lines;
    for (const FormAccessEntry &entry : forms.entries())
        lines.append(QVariantList{entry.unicod, int(entry.vkl), entry.name});
    m_model->setLines(std::move(lines));

    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);
    widenToContents(m_binding, {Code, Access});
    connect(m_binding, &runtime::ui::ListBinding::chosen, this, &FormAccessWindow::toggle);
    // Installed after the binding's own filter, so it sees the keys first.
    view->installEventFilter(this);
    connect(put, &QPushButton::clicked, this, &FormAccessWindow::save);
    if (m_model->rowCount() > 0)
        m_binding->selectRow(0);
    view->setFocus();
    resize(1000, 520);
}

bool FormAccessWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_binding->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FormAccessWindow::toggle(int row)
{
    if (row < 0 || row >= m_forms.entries().size())
        return;
    m_forms.toggle(row);
    m_model->setValue(row, Access, int(m_forms.entries().at(row).vkl));
}

void FormAccessWindow::save()
{
    const auto saved = m_forms.save();
    if (saved)
        return;
    const QString reason = saved.error().code == runtime::ErrorCode::AccessDenied
                               ? QStringLiteral("Файл форм открыт другим окном или программой.")
                               : saved.error().message;
    m_prompter.message(notSavedText() + QLatin1Char('|') + reason + QLatin1Char('|') +
                           QStringLiteral("Повторите сохранение позже."),
                       title(), {}, runtime::MessageIcon::Warning);
}

void formAccessList(data::DataContext &data, runtime::Prompter &prompter, int year, QWidget *parent)
{
    FormAccess forms(data);
    // A failed reading has been shown by the error manager; the list is then empty.
    (void)forms.load(year);
    FormAccessWindow window(forms, prompter, parent);
    window.exec();
}

} // namespace zemor::shell::ui
