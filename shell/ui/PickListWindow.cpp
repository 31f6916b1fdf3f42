#include "shell/ui/PickListWindow.h"

#include "runtime/ui/Controls.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace zemor::shell::ui {

using runtime::ui::createControl;

namespace {

const QString listFormat = QStringLiteral("13L(1)|M~id~E(0808080H,,,)?20L|M~код~L(1)?259L(1)|M~"
                                          "наименование~@s200@100L(1)M@s100@");

} // namespace

PickListWindow::PickListWindow(const QString &title, int year, const QList<PickEntry> &entries,
                               QWidget *parent)
    : ListWindow(QStringLiteral("P1$SCRL"), title, 5, listFormat, parent)
{
    auto *yearRow = new QHBoxLayout;
    auto *yearField = createControl<QLineEdit>(this, QStringLiteral("?GLOBYEAR"));
    yearField->setReadOnly(true);
    yearField->setText(QString::number(year).rightJustified(4, QLatin1Char(' ')));
    yearField->setMaximumWidth(yearField->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                               16);
    yearRow->addWidget(yearField);
    yearRow->addStretch();
    addAbove(yearRow);

    QList<QVariantList> lines;
    for (const PickEntry &entry : entries)
        lines.append(
            QVariantList{entry.code, entry.formCode, entry.name, entry.nameTip, int(entry.tip)});
    setLines(std::move(lines));
    view()->horizontalHeader()->setStretchLastSection(true);
    widenToContents({0, 1});
    openAt(0);
    resize(980, 460);
}

std::optional<int> PickListChooser::choose(const QString &title, int year,
                                           const QList<PickEntry> &entries)
{
    return PickListWindow(title, year, entries, m_parent).choose();
}

} // namespace zemor::shell::ui
