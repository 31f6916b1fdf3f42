#include "shell/ui/InstitutionPickWindow.h"

#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ui/ColumnFit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zemor::shell::ui {

using runtime::ui::createControl;

InstitutionPickWindow::InstitutionPickWindow(const QString &currentName, bool districtTotalOffered,
                                             const QList<InstitutionEntry> &entries,
                                             QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowTitle(PickInstitution::windowTitle());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *name = createControl<QLineEdit>(this, QStringLiteral("?STRING_1"));
    name->setReadOnly(true);
    name->setText(currentName.left(30));
    name->setMinimumWidth(name->fontMetrics().averageCharWidth() * 32);
    top->addWidget(name, 1);
    auto *districtTotal =
        createControl<QPushButton>(this, QStringLiteral("?RAI"), QStringLiteral("Ввод по району"));
    districtTotal->setAutoDefault(false);
    districtTotal->setVisible(districtTotalOffered);
    top->addWidget(districtTotal);
    layout->addLayout(top);

    auto *view = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    layout->addWidget(view);

    m_model = new runtime::ui::QueueModel(2, this);
    QList<QVariantList> lines;
    for (const InstitutionEntry &entry : entries)
        lines.append(QVariantList{entry.code, entry.name});
    m_model->setLines(std::move(lines));

    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::Choose);
    view->horizontalHeader()->setStretchLastSection(true);
    widenToContents(m_binding, {0});

    connect(m_binding, &runtime::ui::ListBinding::chosen, this, [this](int row) {
        if (row < 0 || row >= m_model->rowCount())
            return;
        m_answer = {InstitutionChooser::Answer::Kind::Institution, row};
        accept();
    });
    connect(districtTotal, &QPushButton::clicked, this, [this] {
        m_answer = {InstitutionChooser::Answer::Kind::DistrictTotal, -1};
        accept();
    });
    if (!entries.isEmpty())
        m_binding->selectRow(0);
    view->setFocus();
    resize(640, 460);
}

InstitutionChooser::Answer InstitutionPickChooser::choose(const QString &currentName,
                                                          bool districtTotalOffered,
                                                          const QList<InstitutionEntry> &entries)
{
    InstitutionPickWindow window(currentName, districtTotalOffered, entries, m_parent);
    if (window.exec() != QDialog::Accepted)
        return {};
    return window.answer();
}

} // namespace zemor::shell::ui
