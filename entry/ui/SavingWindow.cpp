#include "entry/ui/SavingWindow.h"

#include "runtime/ui/Controls.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

SavingWindow::SavingWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("P1$SCRPUT"));
    setWindowTitle(title());
    auto *layout = new QVBoxLayout(this);
    auto *label = createControl<QLabel>(this, QStringLiteral("?STRING1"), text());
    QFont big = label->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    label->setFont(big);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    m_row = createControl<QLabel>(this, QStringLiteral("?QSU:UNICODSTR"));
    m_row->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_row);
    layout->setContentsMargins(24, 18, 24, 18);
    setMinimumWidth(label->sizeHint().width() + 60);
}

void SavingWindow::showRow(int rowId)
{
    m_row->setText(QString::number(rowId));
    m_row->repaint();
}

QString SavingWindow::rowText() const
{
    return m_row->text();
}

} // namespace zemor::entry::ui
