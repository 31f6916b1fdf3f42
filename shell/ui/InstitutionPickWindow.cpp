#include "shell/ui/InstitutionPickWindow.h"

#include "runtime/ui/Controls.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {

const QString listFormat =
    QStringLiteral("17C(1)|M~Код ЛПУ~L(2)@n_4@?35L(1)|M~Название~L(2)@s200@");

} // namespace

InstitutionPickWindow::InstitutionPickWindow(const QString &currentName, bool districtTotalOffered,
                                             const QList<InstitutionEntry> &entries,
                                             QWidget *parent)
    : ListWindow(QStringLiteral("P1$SCRL"), PickInstitution::windowTitle(), 2, listFormat, parent)
{
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
    addAbove(top);

    QList<QVariantList> lines;
    for (const InstitutionEntry &entry : entries)
        lines.append(QVariantList{entry.code, entry.name});
    setLines(std::move(lines));
    view()->horizontalHeader()->setStretchLastSection(true);
    widenToContents({0});

    connect(districtTotal, &QPushButton::clicked, this, [this] {
        m_districtTotal = true;
        accept();
    });
    openAt(0);
    resize(640, 460);
}

InstitutionChooser::Answer InstitutionPickWindow::answer() const
{
    if (m_districtTotal)
        return {InstitutionChooser::Answer::Kind::DistrictTotal, -1};
    if (chosenRow() >= 0)
        return {InstitutionChooser::Answer::Kind::Institution, chosenRow()};
    return {};
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
