#include "shell/ui/InstitutionListWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ExcelLauncher.h"
#include "shell/ui/ColumnFit.h"
#include "shell/ui/WaitingWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

InstitutionListWindow::InstitutionListWindow(QList<InstitutionListEntry> entries, int year,
                                             runtime::office::Conversation &office,
                                             runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_entries(std::move(entries)), m_office(office), m_prompter(prompter)
{
    setObjectName(QStringLiteral("P32$SCRL"));
    setWindowTitle(InstitutionList::windowTitle(year));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *total = createControl<QLineEdit>(this, QStringLiteral("?KOL"));
    total->setReadOnly(true);
    total->setAlignment(Qt::AlignRight);
    total->setText(QString::number(m_entries.size()).rightJustified(4, u' '));
    total->setMaximumWidth(total->fontMetrics().averageCharWidth() * 10);
    top->addWidget(total);
    top->addStretch(1);
    auto *excel =
        createControl<QPushButton>(this, QStringLiteral("?EXCEL"), QStringLiteral("Excel"));
    excel->setAutoDefault(false);
    top->addWidget(excel);
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, QStringLiteral("?LIST1"));
    layout->addWidget(view);

    // The fields of the queue in their order; the list shows the first six.
    m_model = new runtime::ui::QueueModel(9, this);
    QList<QVariantList> lines;
    lines.reserve(m_entries.size());
    for (const InstitutionListEntry &entry : m_entries)
        lines.append(QVariantList{entry.n, entry.cod, entry.nameR, entry.nameU, entry.nameSel,
                                  entry.name, entry.codReg, entry.vid, entry.whod});
    m_model->setLines(std::move(lines));

    const auto format = runtime::ui::ListFormat::parse(InstitutionList::listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    view->horizontalHeader()->setStretchLastSection(true);
    widenToContents(m_binding, {0, 1, 2, 3, 4});
    if (!m_entries.isEmpty())
        m_binding->selectRow(0);

    connect(excel, &QPushButton::clicked, this, [this] { exportToExcel(); });
    view->setFocus();
    resize(1040, 560);
}

bool InstitutionListWindow::exportToExcel()
{
    const auto wait = WaitingWindow::over(this);
    ExcelLauncher excel(m_office, m_prompter, wait, wait);
    return InstitutionList::exportToExcel(m_entries, excel);
}

void InstitutionListWindow::run(data::DataContext &data, int year,
                                runtime::office::Conversation &office, runtime::Prompter &prompter,
                                QWidget *parent)
{
    auto entries = InstitutionList(data, year).fill();
    if (!entries)
        return;
    InstitutionListWindow window(std::move(*entries), year, office, prompter, parent);
    window.exec();
}

} // namespace zemor::shell::ui
