#include "entry/ui/EntryWindow.h"

#include "data/DataContext.h"
#include "data/Period.h"
#include "entry/EntryChoices.h"
#include "entry/TableExport.h"
#include "entry/ui/EnterReports.h"
#include "entry/ui/ReportTablePrintWindow.h"
#include "entry/ui/RowEntryForm.h"
#include "entry/ui/SavingWindow.h"
#include "entry/ui/TableListWindow.h"
#include "entry/ui/WindowControlCheck.h"
#include "runtime/core/Progress.h"
#include "runtime/core/Prompter.h"
#include "runtime/fs/Paths.h"
#include "runtime/picture/Picture.h"
#include "runtime/report/PageSink.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListCellDelegate.h"
#include "runtime/ui/QueueModel.h"
#include "runtime/ui/WaitCursor.h"
#include "shell/AppState.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace zemor::entry::ui {

using runtime::ui::createControl;

namespace {

// The entry list's fields: row code, error mark, name, sex mark and codes, then the values.
constexpr int fixedFields = 4;

const QString yesNo = QStringLiteral("&Да|&Нет");

QLabel *valueLabel(QWidget *parent, const QString &equate)
{
    auto *label = createControl<QLabel>(parent, equate);
    label->setFrameShape(QFrame::StyledPanel);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

EntryWindow::EntryWindow(data::DataContext &context, const shell::ui::Services &services,
                         EntryReport report, QWidget *parent)
    : QDialog(parent), m_context(context), m_prompter(services.prompter), m_state(services.state),
      m_choices(services.choices), m_report(std::move(report)),
      m_session(context, &services.prompter), m_pages(services.pages), m_office(services.office)
{
    setObjectName(QStringLiteral("P1$SCRL"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    buildWindow();
}

EntryWindow::~EntryWindow() = default;

void EntryWindow::buildWindow()
{
    auto *layout = new QVBoxLayout(this);

    // The report's particulars.
    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Год"), this), 0, 0);
    m_year = valueLabel(this, QStringLiteral("?LOCGLOBYEAR"));
    top->addWidget(m_year, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Форма"), this), 0, 2);
    m_formCode = valueLabel(this, QStringLiteral("?FORCOD"));
    top->addWidget(m_formCode, 0, 3);
    m_periodWord = createControl<QLabel>(this, QStringLiteral("?MESS:2"));
    top->addWidget(m_periodWord, 0, 4);
    m_period = createControl<QLineEdit>(this, QStringLiteral("?MES:2"));
    m_period->setReadOnly(true);
    m_period->setFocusPolicy(Qt::NoFocus);
    m_period->setFixedWidth(m_period->fontMetrics().horizontalAdvance(u'0') * 10 + 12);
    top->addWidget(m_period, 0, 5);
    m_periodText = valueLabel(this, QStringLiteral("?NAMEMES"));
    top->addWidget(m_periodText, 0, 6);
    top->addWidget(new QLabel(QStringLiteral("Код ЛПУ"), this), 0, 7);
    m_institution = valueLabel(this, QStringLiteral("?LOCCODUCH"));
    top->addWidget(m_institution, 0, 8);
    top->setColumnStretch(9, 1);
    layout->addLayout(top);
    m_formText = createControl<QLabel>(this, QStringLiteral("?STRING2"));
    m_formText->setWordWrap(true);
    layout->addWidget(m_formText);
    m_tableText = createControl<QLabel>(this, QStringLiteral("?STRING1"));
    m_tableText->setWordWrap(true);
    QFont bold = m_tableText->font();
    bold.setBold(true);
    m_tableText->setFont(bold);
    layout->addWidget(m_tableText);

    auto *middle = new QHBoxLayout;
    m_list = createControl<QTableView>(this, QStringLiteral("?BROWSE:1"));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    middle->addWidget(m_list, 1);

    // The commands.
    auto *commands = new QVBoxLayout;
    auto button = [this, commands](const QString &equate, const QString &text,
                                   void (EntryWindow::*action)()) {
        auto *b = createControl<QPushButton>(this, equate, text);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::ClickFocus);
        commands->addWidget(b);
        if (action)
            connect(b, &QPushButton::clicked, this, action);
        return b;
    };
    button(QStringLiteral("?PUTTABL"), QStringLiteral("СохранитьТаблицу"), &EntryWindow::saveTable);
    button(QStringLiteral("?SAVEOTH"), QStringLiteral("Сохранить отчет"), &EntryWindow::saveReport);
    button(QStringLiteral("?SAVEOTHNUL"), QStringLiteral("Сохранить пустой отчет и выйти"),
           &EntryWindow::saveEmptyReport);
    button(QStringLiteral("?CLEARTABL"), QStringLiteral("Очистить таблицу"),
           &EntryWindow::clearTable);
    button(QStringLiteral("?DEL1"), QStringLiteral("Удалить отчет"), &EntryWindow::deleteReport);
    commands->addSpacing(8);
    m_calc = button(QStringLiteral("?RT"), QStringLiteral("Расчет таблиц"),
                    &EntryWindow::calculateTotals);
    m_calc->setToolTip(QStringLiteral("Расчет итоговых строк и граф"));
    button(QStringLiteral("?CONTRS"), QStringLiteral("Контроль"), &EntryWindow::checkReport);
    button(QStringLiteral("?PRNT1"), QStringLiteral("Печать"), &EntryWindow::printTables);
    m_excel = button(QStringLiteral("?EXCEL"), QStringLiteral("Выгрузка таблицы в Excel"),
                     &EntryWindow::exportTable);
    m_excel->setEnabled(m_office != nullptr);
    m_carry = button(QStringLiteral("?F342_OCT"),
                     QStringLiteral("Перенос  остатков(задолж.)  с прошлого месяца"),
                     &EntryWindow::carryOver);
    m_carry->setVisible(false);
    commands->addSpacing(8);
    auto *tables = new QHBoxLayout;
    auto *tableButton =
        createControl<QPushButton>(this, QStringLiteral("?NEWTABL"), QStringLiteral("Таблица"));
    m_previous = createControl<QPushButton>(this, QStringLiteral("?UPTABL"), QStringLiteral("◄"));
    m_next = createControl<QPushButton>(this, QStringLiteral("?DNTABL"), QStringLiteral("►"));
    m_previous->setToolTip(QStringLiteral("Предыдущая таблица"));
    m_next->setToolTip(QStringLiteral("Следующая таблица"));
    for (QPushButton *b : {m_previous, tableButton, m_next}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::ClickFocus);
        tables->addWidget(b);
    }
    m_previous->setMaximumWidth(m_previous->sizeHint().height() * 2);
    m_next->setMaximumWidth(m_next->sizeHint().height() * 2);
    commands->addLayout(tables);
    connect(tableButton, &QPushButton::clicked, this, &EntryWindow::chooseTable);
    connect(m_previous, &QPushButton::clicked, this, [this] { stepTable(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { stepTable(1); });
    m_newForm =
        button(QStringLiteral("?NEWFORM"), QStringLiteral("Форма"), &EntryWindow::changeForm);
    m_newInstitution =
        button(QStringLiteral("?LPU"), QStringLiteral("ЛПУ"), &EntryWindow::changeInstitution);
    commands->addSpacing(8);
    m_columnWise = createControl<QCheckBox>(this, QStringLiteral("?WWODCOL"),
                                            QStringLiteral("Ввод по колонкам"));
    commands->addWidget(m_columnWise);
    m_controlOff = createControl<QCheckBox>(this, QStringLiteral("?LOCCONTR"),
                                            QStringLiteral("ОтключитьКонтроль при вводе данных"));
    commands->addWidget(m_controlOff);
    commands->addStretch();
    button(QStringLiteral("?HELP_"), QStringLiteral("Справка"), nullptr);
    connect(findChild<QPushButton *>(QStringLiteral("?HELP_")), &QPushButton::clicked, this,
            [this] {
                if (m_choices)
                    m_choices->showHelp(1, this);
            });
    connect(m_columnWise, &QCheckBox::toggled, this, &EntryWindow::setColumnWise);
    connect(m_controlOff, &QCheckBox::toggled, this, [this](bool off) {
        if (!m_filling)
            m_session.setControlOff(off);
    });
    middle->addLayout(commands);
    layout->addLayout(middle, 1);

    m_rowName = createControl<QLabel>(this, QStringLiteral("?QT:S"));
    m_rowName->setWordWrap(true);
    m_rowSexCodes = createControl<QLabel>(this, QStringLiteral("?QT:POL"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_rowName, 1);
    bottom->addWidget(m_rowSexCodes);
    layout->addLayout(bottom);

    m_model = new runtime::ui::QueueModel(fixedFields + valueCount, this);
    m_binding = new runtime::ui::ListBinding(m_list, m_model);
    m_binding->setDoubleClickAction(runtime::ui::ListBinding::DoubleClick::None);
    m_list->installEventFilter(this);
    connect(m_list, &QTableView::doubleClicked, this, &EntryWindow::listDoubleClicked);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &from, const QModelIndex &) { valueEdited(from); });
    connect(m_binding->delegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget *, QAbstractItemDelegate::EndEditHint hint) {
                const int column = m_editColumn;
                const EditStep step = m_editStep;
                m_editColumn = -1;
                m_editStep = EditStep::Down;
                if (column < 0 || hint != QAbstractItemDelegate::SubmitModelCache)
                    return;
                // Enter or Down stored the value: on down the same column; Tab and Backtab:
                // on along the row.
                const int row = m_binding->currentRow();
                int nextRow = row + 1;
                int nextColumn = column;
                if (step == EditStep::Next) {
                    nextRow = row;
                    nextColumn = column + 1;
                    if (nextColumn > m_session.currentTable().entry().valueColumns()) {
                        nextRow = row + 1;
                        nextColumn = 1;
                    }
                } else if (step == EditStep::Previous) {
                    nextRow = row;
                    nextColumn = column - 1;
                }
                if (nextRow < m_model->rowCount() && nextColumn >= 1)
                    QMetaObject::invokeMethod(
                        this, [this, nextRow, nextColumn] { editInPlace(nextRow, nextColumn); },
                        Qt::QueuedConnection);
                else
                    m_list->setFocus();
            });
    // Text the column's picture cannot read is refused with a beep; the edit stays open.
    connect(m_binding, &runtime::ui::ListBinding::inputRefused, this, [this] {
        m_editStep = EditStep::Down;
        m_prompter.beep();
    });
    // The row's full name and its sex mark and codes follow the selected line.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showRowText(current.row()); });
    resize(1100, 640);
}

bool EntryWindow::openReport()
{
    {
        runtime::ui::WaitCursor wait;
        const auto opened = m_session.open(m_report.id);
        if (!opened) {
            m_prompter.message(QStringLiteral("Отчет не открыт|") + opened.error().message, {}, {},
                               runtime::MessageIcon::Error);
            end();
            return false;
        }
        if (*opened == ReportSession::Opening::Refused) {
            end();
            return false;
        }
    }
    if (m_session.entryRows().isEmpty()) {
        // A table without rows: nothing to enter, the closing sequence ends the procedure.
        (void)m_session.leave();
        end();
        return false;
    }
    // Every opening, the first and one after a change of form or institution, starts with
    // row-wise entry.
    m_columnWise->setChecked(false);
    showParticulars();
    loadTableView();
    return true;
}

void EntryWindow::showParticulars()
{
    setWindowTitle(m_report.title.trimmed());
    m_year->setText(QString::number(m_report.id.year));
    m_formCode->setText(m_report.formCodeText.trimmed());
    m_periodWord->setText(m_report.periodWord.trimmed());
    if (m_report.id.periodKind == 5) {
        // A daily form's period number is a day number, shown as a date.
        const auto picture = runtime::Picture::parse(u"@d5.");
        m_period->setText(picture ? picture->formatDate(m_report.id.period).trimmed() : QString());
    } else {
        m_period->setText(QString::number(m_report.id.period));
    }
    m_periodText->setText(m_report.periodText.trimmed());
    m_periodText->setVisible(!m_periodText->text().isEmpty()); // an annual report has none
    m_institution->setText(QString::number(m_report.id.institution));
    m_formText->setText(QString::number(m_report.id.form) + u' ' + m_report.formName.trimmed());
    m_newForm->setEnabled(!m_report.given);
    m_newInstitution->setEnabled(!m_report.given);
    m_carry->setVisible(m_session.carryOverAvailable());
}

void EntryWindow::loadTableView()
{
    m_filling = true;
    const FormTable &table = m_session.currentTable();
    m_tableText->setText(QString::number(table.code) + u' ' + table.name.trimmed());
    const auto format = runtime::ui::ListFormat::parse(m_session.listFormat());
    if (!format)
        m_prompter.message(format.error().message, {}, {}, runtime::MessageIcon::Error);
    m_binding->setFormat(format ? *format : runtime::ui::ListFormat());
    if (QTableView *fixed = m_binding->fixedView()) {
        connect(fixed, &QTableView::doubleClicked, this, &EntryWindow::listDoubleClicked,
                Qt::UniqueConnection);
        fixed->removeEventFilter(this);
        fixed->installEventFilter(this);
    }
    for (int f = 0; f < m_model->fieldCount(); ++f)
        m_model->setEditable(f, f >= fixedFields && f < fixedFields + table.entry().valueColumns());
    m_calc->setEnabled(m_session.hasCalculations());
    const int index = m_session.currentTableIndex();
    m_previous->setEnabled(index > 0);
    m_next->setEnabled(index + 1 < m_session.tables().size());
    m_controlOff->setChecked(m_session.controlOff());
    m_filling = false;
    refreshValues();
    placeFixedColumns();
    m_binding->selectRow(m_session.entryRows().isEmpty() ? -1 : 0);
    if (m_columnWise->isChecked())
        m_list->setCurrentIndex(m_model->index(0, fixedFields));
    showRowText(0);
}

void EntryWindow::placeFixedColumns()
{
    // The fixed columns' view takes the height of the list's headings only once the list has
    // been laid out; a layout request after that lines the two up again.
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::postEvent(m_list, new QEvent(QEvent::LayoutRequest));
    });
}

void EntryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    placeFixedColumns();
}

void EntryWindow::refreshValues()
{
    m_filling = true;
    const int current = m_binding->currentRow();
    const int column = m_list->currentIndex().column();
    const QList<EntryRow> &rows = m_session.entryRows();
    QList<QVariantList> lines;
    lines.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const EntryRow &r = rows[i];
        const EntryRowText &text = m_session.rowText(i);
        QVariantList line{r.code, r.error, text.name.left(100), text.sexCodes};
        for (int n = 1; n <= valueCount; ++n)
            line.append(QVariant::fromValue(r.value(n)));
        lines.append(line);
    }
    m_model->setLines(lines);
    if (current >= 0 && current < rows.size()) {
        m_binding->selectRow(current);
        if (column >= 0)
            m_list->setCurrentIndex(m_model->index(current, column));
    }
    m_controlOff->setChecked(m_session.controlOff());
    m_filling = false;
}

void EntryWindow::showRowText(int row)
{
    if (row < 0 || row >= m_session.entryRows().size()) {
        m_rowName->clear();
        m_rowSexCodes->clear();
        return;
    }
    m_rowName->setText(m_session.rowText(row).name.trimmed());
    m_rowSexCodes->setText(m_session.rowText(row).sexCodes.trimmed());
}

void EntryWindow::valueEdited(const QModelIndex &index)
{
    if (m_filling || !index.isValid() || index.column() < fixedFields)
        return;
    const QVariant value = m_model->value(index.row(), index.column());
    if (value.metaType() != QMetaType::fromType<runtime::Decimal>())
        return;
    m_session.storeValue(index.row(), index.column() - fixedFields + 1,
                         value.value<runtime::Decimal>());
}

void EntryWindow::listDoubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (index.column() < fixedFields) {
        m_binding->selectRow(index.row());
        openRowForm();
    } else {
        editInPlace(index.row(), index.column() - fixedFields + 1);
    }
}

void EntryWindow::editInPlace(int row, int valueNumber)
{
    if (m_ended || !m_session.isOpen() || row < 0 || row >= m_model->rowCount() ||
        valueNumber < 1 || valueNumber > m_session.currentTable().entry().valueColumns())
        return;
    const QModelIndex index = m_model->index(row, fixedFields + valueNumber - 1);
    m_list->setCurrentIndex(index);
    m_editColumn = valueNumber;
    m_list->edit(index);
    if (QWidget *editor = m_list->indexWidget(index))
        editor->installEventFilter(this);
    showRowText(row);
}

void EntryWindow::openRowForm()
{
    // A value still in its edit field reaches the row first: the form shows what was typed.
    if (editing() && !finishEdit())
        return;
    const int row = m_binding->currentRow();
    if (row < 0 || row >= m_session.entryRows().size())
        return;
    const int table = m_session.currentTableIndex();
    RowEntryForm::run(m_session, row,
                      QString::number(m_report.id.form) + u' ' + m_report.formName.trimmed(),
                      m_prompter, this);
    if (m_session.currentTableIndex() != table) {
        loadTableView();
        if (endWhenNoRows())
            return;
    } else {
        refreshValues();
    }
    m_list->setFocus();
}

bool EntryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Keys the edit field leaves unused come up to the list; they belong to the edit.
        if ((watched == m_list || watched == m_binding->fixedView()) && !editing()) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                openRowForm();
                return true;
            }
            if (key->key() == Qt::Key_F4) {
                chooseTable();
                return true;
            }
        } else if (m_editColumn > 0 && watched != m_list && watched != m_binding->fixedView()) {
            // Down stores the value like Enter does and goes on down; Tab and Backtab store it
            // and go on along the row. The value is read as Enter reads it, so text that does
            // not read keeps the edit open.
            EditStep step = EditStep::Down;
            switch (key->key()) {
            case Qt::Key_Down:
                break;
            case Qt::Key_Tab:
                step = EditStep::Next;
                break;
            case Qt::Key_Backtab:
                step = EditStep::Previous;
                break;
            default:
                return QDialog::eventFilter(watched, event);
            }
            m_editStep = step;
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(watched, &enter);
            return true;
        }
    }
    if (watched == m_list && event->type() == QEvent::FocusIn)
        showRowText(m_binding->currentRow());
    return QDialog::eventFilter(watched, event);
}

bool EntryWindow::editing() const
{
    return m_editColumn > 0 || m_list->indexWidget(m_list->currentIndex());
}

bool EntryWindow::finishEdit()
{
    QWidget *editor = m_list->indexWidget(m_list->currentIndex());
    if (!editor) {
        m_editColumn = -1;
        return true;
    }
    // Accepted as Enter accepts it: text that does not read is refused (with the beep) and
    // the edit stays.
    if (!m_binding->delegate()->acceptable(editor)) {
        editor->setFocus();
        return false;
    }
    m_editColumn = -1;
    Q_EMIT m_binding->delegate()->commitData(editor);
    Q_EMIT m_binding->delegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void EntryWindow::saveTable()
{
    m_session.syncReportQueue();
    if (m_session.saveTable())
        m_prompter.message(tableSavedText());
}

void EntryWindow::saveReport()
{
    // The saving window shows the row id of each record written, which the save gives as the
    // text of its step.
    struct ShownRows final : runtime::Progress
    {
        explicit ShownRows(SavingWindow &w) : window(w) {}
        void setTotal(qint64) override {}
        void step(qint64, const QString &text) override { window.showRow(text.toInt()); }
        bool cancelled() const override { return false; }
        SavingWindow &window;
    };
    SavingWindow saving(this);
    ShownRows shown(saving);
    const bool whole = m_session.tables().size() > 1;
    if (whole) {
        saving.show();
        saving.repaint();
        m_session.setSaveProgress(&shown);
    }
    runtime::Result<int> saved;
    {
        runtime::ui::WaitCursor wait;
        saved = m_session.saveReport();
    }
    m_session.setSaveProgress(nullptr);
    saving.close();
    if (saved)
        m_prompter.message(savedText());
    refreshValues();
}

void EntryWindow::saveEmptyReport()
{
    if (m_session.entryRows().isEmpty()) {
        // The empty report is the first row of the table shown, and this table has none.
        m_prompter.message(
            QStringLiteral(
                "Пустой отчет не сохранен|В таблице нет строк обратитесь к разработчику"),
            {}, {}, runtime::MessageIcon::Error);
        return;
    }
    if (m_session.hasData() &&
        m_prompter.message(QStringLiteral("В отчете есть данные.|Сохранить пустой отчет ?"), {},
                           QStringLiteral("&Да|&Отменить"), runtime::MessageIcon::Question) != 1)
        return;
    runtime::Status saved;
    {
        runtime::ui::WaitCursor wait;
        saved = m_session.saveEmptyReport();
    }
    if (!saved)
        return;
    m_prompter.message(savedText());
    if (const runtime::Status left = m_session.leave(); !left) {
        if (m_session.isOpen())
            return;
        tellMarkerLeft(left.error());
    }
    end();
}

void EntryWindow::clearTable()
{
    const QString text = QStringLiteral("Очистить таблицу %1?").arg(m_session.currentTable().code);
    if (m_prompter.message(text, {}, QStringLiteral("&Нет|&Да"), runtime::MessageIcon::Question) !=
        2)
        return;
    if (m_session.clearTable())
        loadTableView();
}

void EntryWindow::deleteReport()
{
    if (m_prompter.message(QStringLiteral("УДАЛИТЬ ОТЧЕТ ?"), {}, QStringLiteral("&НЕТ|&ДА"),
                           runtime::MessageIcon::Question) != 2)
        return;
    if (const runtime::Status deleted = m_session.deleteReport(); !deleted) {
        if (m_session.isOpen())
            return;                      // reported; the report is still there and stays open
        tellMarkerLeft(deleted.error()); // deleted, only its marker stayed
    }
    m_deleted = true;
    end();
}

void EntryWindow::calculateTotals()
{
    (void)m_session.calculateTotals();
    refreshValues();
}

void EntryWindow::printTables()
{
    m_session.syncReportQueue();
    TablePrintRequest request;
    request.catalogue = &m_session.form();
    request.formName = m_report.formName;
    request.rows = &m_session.reportRows();
    request.currentTable = m_session.currentTable().code;
    request.title = m_report.title;
    if (!m_report.periodText.trimmed().isEmpty())
        request.periodText = m_report.periodText;
    request.year = m_report.id.year;
    printReportTables(request, *m_pages, m_prompter, this);
    m_list->setFocus();
}

void EntryWindow::exportTable()
{
    if (!m_office)
        return;
    m_session.syncReportQueue();
    TableExportRequest request;
    request.catalogue = &m_session.form();
    request.table = m_session.currentTable().code;
    request.rows = m_session.entryRows();
    request.institutionTitle = m_report.title;
    const auto templates = runtime::fs::resolve(QStringLiteral("\\XLS"));
    request.templateFolder =
        templates ? *templates : runtime::fs::join(runtime::fs::workDir(), QStringLiteral("XLS"));
    TableExport(*m_office, m_prompter).run(request);
    m_list->setFocus();
}

void EntryWindow::checkReport()
{
    m_session.syncReportQueue();
    FormTables tables;
    for (const FormTable &t : m_session.tables())
        tables.append(t.entry());
    WindowControlCheck check(m_context, m_prompter, m_pages->printing(), this);
    int counter = 0;
    (void)check.run(m_report.id.year, m_report.id.form, m_session.reportRows(), tables, counter);
    m_list->setFocus();
}

void EntryWindow::carryOver()
{
    if (m_session.carryOverBalances())
        refreshValues();
}

void EntryWindow::chooseTable()
{
    const int picked =
        TableListWindow::choose(m_session.tables(), m_session.currentTableIndex(), this);
    if (picked < 0)
        return;
    if (m_session.stepToTable(picked)) {
        loadTableView();
        endWhenNoRows();
    }
}

void EntryWindow::stepTable(int step)
{
    const int index = m_session.currentTableIndex() + step;
    if (index < 0 || index >= m_session.tables().size())
        return;
    if (m_session.stepToTable(index)) {
        loadTableView();
        endWhenNoRows();
    }
}

bool EntryWindow::endWhenNoRows()
{
    if (m_ended || !m_session.entryRows().isEmpty())
        return false;
    // A table without rows (its message has been shown): nothing to enter, so the window
    // ends through the closing sequence.
    if (!leaveReport())
        return false;
    end();
    return true;
}

bool EntryWindow::leaveReport()
{
    if (const runtime::Status left = m_session.leave(); !left) {
        if (m_session.isOpen())
            return false; // the save failed and was reported: nothing typed is lost
        tellMarkerLeft(left.error());
    }
    return true;
}

bool EntryWindow::saveBeforeChange()
{
    if (m_prompter.message(saveQuestion(), {}, yesNo, runtime::MessageIcon::Question) != 1)
        return true;
    // A save that failed keeps the report open here rather than dropping what was typed.
    return bool(m_session.saveReport());
}

bool EntryWindow::reopen()
{
    const auto again = m_session.relock();
    if (!again || *again == ReportSession::Opening::Refused) {
        (void)m_session.close();
        end();
        return false;
    }
    return true;
}

void EntryWindow::changeForm()
{
    if (m_report.given || !m_choices || !saveBeforeChange())
        return;
    if (!m_session.releaseMarker())
        return;
    const std::optional<shell::ui::FormChoice> chosen =
        EnterReports::chooseForm(*m_choices, m_report.id.year, this);
    if (!chosen) {
        reopen();
        return;
    }
    const shell::ui::FormChoice &form = *chosen;
    const shell::ui::PeriodChoice periodChoice = m_choices->choosePeriod(form.periodKind, this);
    const QString word = periodChoice.kindWord;
    const qint32 period = periodChoice.number;
    if (form.periodKind > 0 && period == 0) {
        (void)m_session.close();
        end();
        return;
    }
    m_report.id.form = form.form;
    m_report.id.periodKind = form.periodKind;
    m_report.id.period = form.periodKind == 0 ? 0 : period;
    m_report.formName = form.name;
    m_report.formCodeText = form.codeText;
    m_report.periodWord = word;
    m_report.periodText = data::periodLabel(data::PeriodKind(form.periodKind), m_report.id.period);
    openReport();
}

void EntryWindow::changeInstitution()
{
    if (m_report.given || !m_choices || !saveBeforeChange())
        return;
    if (!m_session.releaseMarker())
        return;
    const DistrictName district =
        EnterReports::chooseDistrict(*m_choices, shell::ui::Choices::districts, this);
    if (district.district == 0) {
        (void)m_session.close();
        end();
        return;
    }
    const auto [institution, title] = EnterReports::chooseInstitution(
        *m_choices, district.district, m_report.id.form, district.name, 0, this);
    if (institution == 0) {
        (void)m_session.close();
        end();
        return;
    }
    m_report.id.institution = institution;
    m_report.id.district = int(district.district);
    m_report.districtName = district.name;
    m_report.title = title;
    if (m_state.globTipUser != 2)
        m_report.title =
            EntryChoices::titleWithDistrict(int(district.district), district.name, title.trimmed());
    openReport();
}

void EntryWindow::setColumnWise(bool on)
{
    m_binding->setCellSelection(on);
    const int row = std::max(0, m_binding->currentRow());
    if (on && m_model->rowCount() > 0)
        m_list->setCurrentIndex(m_model->index(row, fixedFields));
    else
        m_binding->selectRow(m_model->rowCount() > 0 ? row : -1);
    m_list->setFocus();
}

void EntryWindow::tellMarkerLeft(const runtime::Error &error)
{
    QString text = QStringLiteral("Отметка о занятости отчета не снята|") + error.message;
    if (!error.where.isEmpty())
        text += u'|' + error.where;
    m_prompter.message(text, {}, {}, runtime::MessageIcon::Error);
}

void EntryWindow::end()
{
    m_ended = true;
    if (isVisible())
        close();
}

void EntryWindow::reject()
{
    close();
}

void EntryWindow::closeEvent(QCloseEvent *event)
{
    if (m_ended) {
        event->accept();
        return;
    }
    if (editing()) {
        // Closing while a value is edited in place only ends the edit.
        if (finishEdit())
            m_list->setFocus();
        event->ignore();
        return;
    }
    if (!leaveReport()) {
        event->ignore();
        return;
    }
    m_ended = true;
    event->accept();
}

} // namespace zemor::entry::ui
