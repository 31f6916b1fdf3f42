#include "entry/ui/RowEntryForm.h"

#include "entry/ui/RowListWindow.h"
#include "entry/ui/TableListWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/picture/Picture.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListFormat.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

namespace {

// The value fields stand in three columns: values 1 to 13, 14 to 25 and 26 to 35.
constexpr int columnStarts[] = {1, 14, 26};

int fieldColumn(int n)
{
    return n >= columnStarts[2] ? 2 : (n >= columnStarts[1] ? 1 : 0);
}

QString fieldColour(bool computed)
{
    // The light green of computed cells in the entry list.
    static const QString green = [] {
        const auto c = runtime::ui::ListFormat::parseColor(u"099FFCCH");
        return c ? c->name() : QStringLiteral("#ccff99");
    }();
    return QStringLiteral("QLineEdit { background-color: %1; }")
        .arg(computed ? green : QStringLiteral("#ffffff"));
}

runtime::Picture pictureOf(const ColumnDescription &column)
{
    const auto picture = runtime::Picture::forColumn(column.picture);
    return picture ? *picture : runtime::Picture();
}

// A value as its field shows it: through the column's picture, or whole where the picture is
// too narrow for it (never as a row of '#').
QString fieldText(const runtime::Picture &picture, const runtime::Decimal &value)
{
    const QString text = picture.format(value).trimmed();
    return text.contains(u'#') ? value.toString() : text;
}

} // namespace

RowEntryForm::RowEntryForm(ReportSession &session, int row, const QString &title,
                           runtime::Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_session(session), m_prompter(prompter), m_row(row)
{
    setObjectName(QStringLiteral("P1$SCRADD"));
    setWindowTitle(title);

    auto *layout = new QVBoxLayout(this);
    auto *head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("Таблица"), this), 0, 0);
    m_tableCode = createControl<QLineEdit>(this, QStringLiteral("?LOCCODTABL"));
    m_tableCode->setMaxLength(5);
    m_tableCode->setFixedWidth(m_tableCode->fontMetrics().horizontalAdvance(u'0') * 8 + 12);
    head->addWidget(m_tableCode, 0, 1);
    m_tableName = createControl<QLabel>(this, QStringLiteral("?QST:NAME"));
    m_tableName->setWordWrap(true);
    head->addWidget(m_tableName, 0, 2);
    head->addWidget(new QLabel(QStringLiteral("Строка"), this), 1, 0);
    m_rowCode = createControl<QLineEdit>(this, QStringLiteral("?QT:CODSTR"));
    m_rowCode->setMaxLength(9);
    m_rowCode->setFixedWidth(m_rowCode->fontMetrics().horizontalAdvance(u'0') * 11 + 12);
    head->addWidget(m_rowCode, 1, 1);
    m_rowName = createControl<QLabel>(this, QStringLiteral("?QTSS"));
    m_rowName->setWordWrap(true);
    head->addWidget(m_rowName, 1, 2);
    m_rowSexCodes = createControl<QLabel>(this, QStringLiteral("?QTTTPOL"));
    head->addWidget(m_rowSexCodes, 2, 2);
    head->setColumnStretch(2, 1);
    layout->addLayout(head);

    m_fieldsBox = new QWidget(this);
    m_fieldsLayout = new QGridLayout(m_fieldsBox);
    m_fieldsLayout->setContentsMargins(0, 6, 0, 6);
    layout->addWidget(m_fieldsBox, 1);

    auto *buttons = new QHBoxLayout;
    auto *rowButton =
        createControl<QPushButton>(this, QStringLiteral("?BUTTONSTR"), QStringLiteral("Стр/F5"));
    auto *okButton = createControl<QPushButton>(this, QStringLiteral("?BUTTONOK"),
                                                QStringLiteral("F2-сохранить"));
    auto *tableButton =
        createControl<QPushButton>(this, QStringLiteral("?BUTTONTAB"), QStringLiteral("Таб/F4"));
    for (QPushButton *b : {rowButton, okButton, tableButton}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::ClickFocus);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(rowButton, &QPushButton::clicked, this, &RowEntryForm::pickRow);
    connect(okButton, &QPushButton::clicked, this, [this] {
        if (storeRow())
            m_rowCode->setFocus();
    });
    connect(tableButton, &QPushButton::clicked, this, &RowEntryForm::pickTable);

    m_tableCode->installEventFilter(this);
    m_rowCode->installEventFilter(this);

    buildFields();
    showRow(m_row);
    checkShownRow();
    m_rowCode->setFocus();
}

void RowEntryForm::run(ReportSession &session, int row, const QString &title,
                       runtime::Prompter &prompter, QWidget *parent)
{
    RowEntryForm form(session, row, title, prompter, parent);
    form.exec();
    session.rowFormClosed();
}

void RowEntryForm::buildFields()
{
    for (QLineEdit *field : std::as_const(m_values))
        field->removeEventFilter(this);
    m_values.clear();
    m_flags.clear();
    while (QLayoutItem *item = m_fieldsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }

    const EntryColumns &columns = m_session.columns();
    const QSet<int> computed = m_session.computedColumns();
    const int count = columns.count();
    const int digit = fontMetrics().horizontalAdvance(u'0');
    for (int n = 1; n <= count; ++n) {
        const ColumnDescription &c = columns.at(n);
        const int column = fieldColumn(n);
        const int line = n - columnStarts[column];
        auto *number = new QLabel(
            QString::number(c.present ? c.storedColumn : columns.offset() + n), m_fieldsBox);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setMinimumWidth(digit * 3);
        auto *name =
            createControl<QLabel>(m_fieldsBox, QStringLiteral("?GR_%1").arg(n), c.name.trimmed());
        name->setWordWrap(true);
        name->setMinimumWidth(digit * 24);
        name->setMaximumWidth(digit * 34);
        name->setToolTip(c.name.trimmed());
        auto *field = createControl<QLineEdit>(m_fieldsBox, QStringLiteral("?QT:DATA%1").arg(n));
        const runtime::Picture picture = pictureOf(c);
        field->setMaxLength(std::max(picture.width(), 1) + 2);
        field->setFixedWidth(digit * (std::min(picture.width(), 20) + 2) + 12);
        field->setAlignment(Qt::AlignRight);
        field->setStyleSheet(fieldColour(computed.contains(n)));
        field->installEventFilter(this);
        auto *flag = createControl<QLabel>(m_fieldsBox, QStringLiteral("?FLAG_%1").arg(n));
        flag->setStyleSheet(QStringLiteral("QLabel { color: red; }"));
        flag->setMinimumWidth(digit * 4);
        m_fieldsLayout->addWidget(number, line, column * 4);
        m_fieldsLayout->addWidget(name, line, column * 4 + 1);
        m_fieldsLayout->addWidget(field, line, column * 4 + 2);
        m_fieldsLayout->addWidget(flag, line, column * 4 + 3);
        m_values.append(field);
        m_flags.append(flag);
    }
    // Tab order: table code, row code, then the values in their order.
    QWidget *previous = m_rowCode;
    setTabOrder(m_tableCode, m_rowCode);
    for (QLineEdit *field : std::as_const(m_values)) {
        setTabOrder(previous, field);
        previous = field;
    }
    m_tableCode->setText(QString::number(m_session.currentTable().code));
    m_tableName->setText(m_session.currentTable().name.trimmed());
}

void RowEntryForm::showRow(int row)
{
    const QList<EntryRow> &rows = m_session.entryRows();
    if (row < 0 || row >= rows.size())
        return;
    m_row = row;
    const EntryRow &r = rows[row];
    m_rowCode->setText(r.code.trimmed());
    m_rememberedCode = r.code.trimmed();
    m_rowName->setText(m_session.rowText(row).name.trimmed());
    m_rowSexCodes->setText(m_session.rowText(row).sexCodes.trimmed());
    const bool computedRow = m_session.isComputedRow(row);
    const QSet<int> computed = m_session.computedColumns();
    m_shown.clear();
    for (int n = 1; n <= m_values.size(); ++n) {
        QLineEdit *field = m_values[n - 1];
        const QString text = fieldText(pictureOf(m_session.columns().at(n)), r.value(n));
        if (text.size() > field->maxLength())
            field->setMaxLength(int(text.size()));
        field->setText(text);
        m_shown.append(text);
        field->setStyleSheet(fieldColour(computedRow || computed.contains(n)));
    }
    // Flags belong to the row that was checked.
    for (QLabel *flag : std::as_const(m_flags))
        flag->clear();
}

void RowEntryForm::checkShownRow()
{
    if (m_session.controlOff())
        return;
    const RowOnlineCheck::Outcome outcome = m_session.checkRow(m_row, false);
    for (int n = 1; n <= m_flags.size(); ++n)
        m_flags[n - 1]->setText(outcome.flags[size_t(n - 1)]);
}

bool RowEntryForm::storeRow()
{
    if (m_row < 0 || m_row >= m_session.entryRows().size())
        return false;
    EntryRow row = m_session.entryRows()[m_row];
    for (int n = 1; n <= m_values.size(); ++n) {
        // Only what the user changed is read back: a field left as shown keeps its value
        // exactly, with the places its picture does not show.
        if (n <= m_shown.size() && m_values[n - 1]->text() == m_shown[n - 1])
            continue;
        const auto value =
            pictureOf(m_session.columns().at(n)).parseNumber(m_values[n - 1]->text());
        if (!value) {
            m_prompter.beep();
            m_values[n - 1]->setFocus();
            m_values[n - 1]->selectAll();
            return false;
        }
        row.values[size_t(n - 1)] = *value;
    }
    m_session.putRow(m_row, row);
    showRow(m_row);
    checkShownRow();
    return true;
}

void RowEntryForm::acceptRowCode()
{
    const QString code = m_rowCode->text().trimmed();
    if (code == m_rememberedCode)
        return;
    int found = m_session.findRowByCode(code);
    if (found < 0)
        found = RowListWindow::choose(m_session, m_row, this);
    if (found >= 0)
        showRow(found);
    else
        showRow(m_row); // nothing picked: the row stays, its code shown again
    checkShownRow();
}

void RowEntryForm::acceptTableCode()
{
    bool ok = false;
    const qint64 code = m_tableCode->text().trimmed().toLongLong(&ok);
    if (ok && code == m_session.currentTable().code)
        return;
    pickTable();
}

void RowEntryForm::pickRow()
{
    const int picked = RowListWindow::choose(m_session, m_row, this);
    if (picked >= 0)
        showRow(picked);
    checkShownRow();
    m_rowCode->setFocus();
}

void RowEntryForm::pickTable()
{
    m_session.syncReportQueue();
    const int picked =
        TableListWindow::choose(m_session.tables(), m_session.currentTableIndex(), this);
    if (picked >= 0 && m_session.stepToTable(picked))
        changedTable();
    else
        m_tableCode->setText(QString::number(m_session.currentTable().code));
    m_rowCode->setFocus();
}

void RowEntryForm::changedTable()
{
    if (m_session.entryRows().isEmpty()) {
        // A table without rows has nothing to show here; the main window ends the entry.
        reject();
        return;
    }
    buildFields();
    m_row = 0;
    showRow(0);
    checkShownRow();
}

int RowEntryForm::valueField(QObject *watched) const
{
    for (int i = 0; i < m_values.size(); ++i) {
        if (m_values[i] == watched)
            return i + 1;
    }
    return 0;
}

bool RowEntryForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool forward = (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier)) ||
                         key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                         key->key() == Qt::Key_Down;
    const bool back = key->key() == Qt::Key_Up || key->key() == Qt::Key_Backtab;

    if (watched == m_rowCode && forward) {
        acceptRowCode();
        if (!m_values.isEmpty())
            m_values.first()->setFocus();
        return true;
    }
    if (watched == m_tableCode && forward) {
        acceptTableCode();
        m_rowCode->setFocus();
        return true;
    }
    const int n = valueField(watched);
    if (n == 0)
        return QDialog::eventFilter(watched, event);
    if (forward) {
        if (n == m_values.size()) {
            // Leaving the last value forward stores the row, ready for the next one.
            if (storeRow())
                m_rowCode->setFocus();
        } else {
            m_values[n]->setFocus();
        }
        return true;
    }
    if (back) {
        if (n == 1)
            m_rowCode->setFocus();
        else
            m_values[n - 2]->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void RowEntryForm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_F2:
        if (storeRow())
            m_rowCode->setFocus();
        return;
    case Qt::Key_F5:
        pickRow();
        return;
    case Qt::Key_F4:
        pickTable();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return; // never the dialog's default button
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace zemor::entry::ui
