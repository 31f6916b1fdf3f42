#include "analysis/common/ui/RankTableWindow.h"

#include "analysis/common/RankTableExcel.h"
#include "analysis/common/ui/MapWindow.h"
#include "runtime/core/Prompter.h"
#include "runtime/office/SystemDesktopOpener.h"
#include "runtime/picture/Picture.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListFormat.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ExcelLauncher.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace zemor::analysis::ui {

using namespace Qt::StringLiterals;
using runtime::Decimal;
using runtime::ui::createControl;

namespace {

constexpr int kBoundCount = 2 * RankTable::maxRangeCount;

const QString &listFormat()
{
    static const QString format =
        u"16L|_M~Стр~@S10@148L(2)|_M~Название~L(0)@S70@49L|_M~Данные~@S12@26L|_M~Ранг~@S10@"
        "43L|_M~Диапазон~@S12@43L|_M~рег~@S12@"_s;
    return format;
}

runtime::Picture picture(QStringView text)
{
    auto parsed = runtime::Picture::parse(text);
    Q_ASSERT(parsed);
    return parsed ? *parsed : runtime::Picture();
}

// The minimum and the maximum ("n15.3"), the step ("n_15.3") and the bounds. The bounds are
// shown with the 3 places the table assigns and the map draws with, so that what the window
// shows is what the legend shows.
const runtime::Picture &limitPicture()
{
    static const runtime::Picture p = picture(u"n15.3");
    return p;
}

const runtime::Picture &stepPicture()
{
    static const runtime::Picture p = picture(u"n_15.3");
    return p;
}

const runtime::Picture &boundPicture()
{
    static const runtime::Picture p = picture(u"n_14.3");
    return p;
}

QString shownDouble(const runtime::Picture &p, double value)
{
    if (!std::isfinite(value))
        return QString(p.width(), u'#');
    const auto d = Decimal::fromDouble(value, p.places());
    return d ? p.format(*d).trimmed() : QString(p.width(), u'#');
}

// What the user typed, as the number it spells: blanks dropped, a comma read as the point; blank
// (or a lone sign) is 0. Nothing is rounded here.
std::optional<Decimal> typedNumber(const QString &text)
{
    QString compact;
    for (QChar c : text) {
        if (c == u',')
            compact += u'.';
        else if (!c.isSpace())
            compact += c;
    }
    if (compact.isEmpty() || compact == u"-"_s || compact == u"+"_s)
        return Decimal();
    if (compact.startsWith(u'+'))
        compact.remove(0, 1);
    auto value = Decimal::fromString(compact);
    if (!value)
        return std::nullopt;
    return *value;
}

QLineEdit *shownText(QWidget *parent, const QString &equate, const QString &text)
{
    auto *field = createControl<QLineEdit>(parent, equate, text);
    field->setReadOnly(true);
    field->setCursorPosition(0);
    return field;
}

} // namespace

RankTableWindow::RankTableWindow(const shell::ui::Services &services, const RankTableSource &source,
                                 QWidget *parent)
    : QDialog(parent), m_prompter(services.prompter, this),
      m_services(services.askingWith(m_prompter)), m_table(source)
{
    setObjectName(u"P1$SCRL"_s);
    setWindowTitle(title());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *titles = new QHBoxLayout;
    auto *year = shownText(this, u"?PYEAR"_s, picture(u"@n_4").format(Decimal(m_table.year())));
    year->setMaximumWidth(year->fontMetrics().horizontalAdvance(u"000000"_s) + 12);
    titles->addWidget(year);
    auto *names = new QVBoxLayout;
    names->addWidget(shownText(this, u"?PNAME"_s, m_table.title().left(100)));
    names->addWidget(shownText(this, u"?PNAMEGR"_s, m_table.subtitle().left(100)));
    titles->addLayout(names, 1);
    layout->addLayout(titles);

    auto *buttons = new QHBoxLayout;
    auto *print = createControl<QPushButton>(this, u"?PRNT1"_s, u"Печать"_s);
    print->setEnabled(false); // the rank table has nothing to print
    auto *excel = createControl<QPushButton>(this, u"?EXCEL"_s, u"Excel"_s);
    auto *map = createControl<QPushButton>(this, u"?KARTA"_s, u"Карта"_s);
    map->setVisible(m_table.mapAvailable());
    for (QPushButton *b : {print, excel, map}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    auto *middle = new QHBoxLayout;
    auto *view = createControl<QTableView>(this, u"?BROWSE:1"_s);
    m_model = new runtime::ui::QueueModel(RankTable::FieldCount, this);
    const auto format = runtime::ui::ListFormat::parse(listFormat());
    Q_ASSERT(format);
    m_binding =
        new runtime::ui::ListBinding(view, m_model, format.value_or(runtime::ui::ListFormat()));
    middle->addWidget(view, 1);

    auto *groups = new QGroupBox(u"Группы"_s, this);
    auto *grid = new QGridLayout(groups);
    m_minimum = numberField(u"?LOCMIN:2"_s, limitPicture().width());
    m_maximum = numberField(u"?LOCMAX:2"_s, limitPicture().width());
    m_step = numberField(u"?DI:2"_s, stepPicture().width());
    m_count = createControl<QSpinBox>(this, u"?KOLDIAP"_s);
    m_count->setRange(0, 255); // typed counts are clamped when accepted
    grid->addWidget(new QLabel(u"Min"_s, groups), 0, 0);
    grid->addWidget(m_minimum, 0, 1, 1, 2);
    grid->addWidget(new QLabel(u"Max"_s, groups), 1, 0);
    grid->addWidget(m_maximum, 1, 1, 1, 2);
    grid->addWidget(new QLabel(u"Число диапазонов"_s, groups), 2, 0);
    grid->addWidget(m_count, 2, 1, 1, 2);
    grid->addWidget(new QLabel(u"Шаг диапазона"_s, groups), 3, 0);
    grid->addWidget(m_step, 3, 1, 1, 2);
    grid->addWidget(new QLabel(u"от"_s, groups), 4, 1);
    grid->addWidget(new QLabel(u"до"_s, groups), 4, 2);
    for (int i = 1; i <= RankTable::maxRangeCount; ++i) {
        QLineEdit *lower = numberField(u"?D1_%1"_s.arg(i), boundPicture().width());
        QLineEdit *upper = numberField(u"?D2_%1"_s.arg(i), boundPicture().width());
        m_bounds[size_t(i - 1)] = lower;
        m_bounds[size_t(RankTable::maxRangeCount + i - 1)] = upper;
        grid->addWidget(new QLabel(QString::number(i), groups), 4 + i, 0);
        grid->addWidget(lower, 4 + i, 1);
        grid->addWidget(upper, 4 + i, 2);
    }
    auto *calculate = createControl<QPushButton>(this, u"?RASH1"_s, u"Расчет "_s);
    auto *assign = createControl<QPushButton>(this, u"?RASHDIAP"_s, u"Распределить"_s);
    for (QPushButton *b : {calculate, assign})
        b->setAutoDefault(false);
    grid->addWidget(calculate, 10, 1);
    grid->addWidget(assign, 10, 2);
    grid->setRowStretch(11, 1);
    middle->addWidget(groups);
    layout->addLayout(middle, 1);

    for (int b = 0; b < kBoundCount; ++b) {
        connect(m_bounds[size_t(b)], &QLineEdit::textEdited, this,
                [this, b] { typedInto(Typed::Bound, b); });
    }
    connect(m_minimum, &QLineEdit::textEdited, this, [this] { typedInto(Typed::Minimum); });
    connect(m_maximum, &QLineEdit::textEdited, this, [this] { typedInto(Typed::Maximum); });
    connect(m_step, &QLineEdit::textEdited, this, [this] { typedInto(Typed::Step); });
    // The window sets the count with its signals blocked: every change seen here is the user's.
    connect(m_count, &QSpinBox::valueChanged, this, [this] { typedInto(Typed::Count); });
    for (QLineEdit *field : {m_minimum, m_maximum, m_step})
        connect(field, &QLineEdit::editingFinished, this, &RankTableWindow::acceptTyped);
    for (QLineEdit *field : m_bounds)
        connect(field, &QLineEdit::editingFinished, this, &RankTableWindow::acceptTyped);
    connect(m_count, &QSpinBox::editingFinished, this, &RankTableWindow::acceptTyped);
    connect(calculate, &QPushButton::clicked, this, &RankTableWindow::calculate);
    connect(assign, &QPushButton::clicked, this, &RankTableWindow::assign);
    connect(map, &QPushButton::clicked, this, &RankTableWindow::openMap);
    connect(excel, &QPushButton::clicked, this, &RankTableWindow::exportToExcel);

    showFigures();
    showBounds();
    showRows();
    m_binding->widenToContents({RankTable::Data, RankTable::Rank, RankTable::Range});
    resize(1000, 560);
}

RankTableWindow::~RankTableWindow() = default;

void RankTableWindow::run(const shell::ui::Services &services, const RankTableSource &source,
                          QWidget *parent)
{
    runtime::office::SystemDesktopOpener system;
    shell::ui::Services own = services;
    if (!own.desktop)
        own.desktop = &system;
    RankTableWindow window(own, source, parent);
    window.exec();
}

QLineEdit *RankTableWindow::numberField(const QString &equate, int width)
{
    auto *field = createControl<QLineEdit>(this, equate);
    static const QRegularExpression number(u"[-+]?[0-9 ]*([.,][0-9]*)?"_s);
    field->setValidator(new QRegularExpressionValidator(number, field));
    field->setMaxLength(width);
    field->setAlignment(Qt::AlignRight);
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(width, u'0')) / 2 + 12);
    return field;
}

void RankTableWindow::typedInto(Typed field, int bound)
{
    // Kept in the order typed: a count accepted after a typed step recomputes that step, as
    // leaving the fields one after another would.
    m_pending.removeIf([&](const Pending &p) { return p.field == field && p.bound == bound; });
    m_pending.append(Pending{field, bound});
}

void RankTableWindow::acceptTyped()
{
    const QList<Pending> pending = std::exchange(m_pending, {});
    bool countChanged = false;
    for (const Pending &p : pending) {
        if (p.field == Typed::Count) {
            m_table.setRangeCount(m_count->value());
            countChanged = true;
            continue;
        }
        QLineEdit *field = p.field == Typed::Minimum   ? m_minimum
                           : p.field == Typed::Maximum ? m_maximum
                           : p.field == Typed::Step    ? m_step
                                                       : m_bounds[size_t(p.bound)];
        const std::optional<Decimal> value = typedNumber(field->text());
        if (!value) {
            QApplication::beep(); // the field shows the table's value again below
            continue;
        }
        switch (p.field) {
        case Typed::Minimum:
            m_table.setMinimum(value->toDouble());
            break;
        case Typed::Maximum:
            m_table.setMaximum(value->toDouble());
            break;
        case Typed::Step:
            m_table.setStep(value->toDouble());
            break;
        case Typed::Bound: {
            const int range = p.bound % RankTable::maxRangeCount + 1;
            if (p.bound < RankTable::maxRangeCount)
                m_table.setBounds(range, *value, m_table.upperBound(range));
            else
                m_table.setBounds(range, m_table.lowerBound(range), *value);
            break;
        }
        case Typed::Count:
        case Typed::None:
            break;
        }
    }
    if (pending.isEmpty())
        return;
    // Only the fields that were typed into are shown anew (with the count, the step it gave);
    // the others keep what they show.
    for (const Pending &p : pending) {
        switch (p.field) {
        case Typed::Minimum:
            m_minimum->setText(shownDouble(limitPicture(), m_table.minimum()));
            break;
        case Typed::Maximum:
            m_maximum->setText(shownDouble(limitPicture(), m_table.maximum()));
            break;
        case Typed::Step:
            m_step->setText(shownDouble(stepPicture(), m_table.step()));
            break;
        case Typed::Bound: {
            const int range = p.bound % RankTable::maxRangeCount + 1;
            const Decimal &b = p.bound < RankTable::maxRangeCount ? m_table.lowerBound(range)
                                                                  : m_table.upperBound(range);
            m_bounds[size_t(p.bound)]->setText(boundPicture().format(b).trimmed());
            break;
        }
        case Typed::Count:
        case Typed::None:
            break;
        }
    }
    if (countChanged) {
        const QSignalBlocker blocker(m_count);
        m_count->setValue(m_table.rangeCount());
        m_step->setText(shownDouble(stepPicture(), m_table.step()));
    }
}

void RankTableWindow::showFigures()
{
    m_minimum->setText(shownDouble(limitPicture(), m_table.minimum()));
    m_maximum->setText(shownDouble(limitPicture(), m_table.maximum()));
    m_step->setText(shownDouble(stepPicture(), m_table.step()));
    const QSignalBlocker blocker(m_count);
    m_count->setValue(m_table.rangeCount());
}

void RankTableWindow::showBounds()
{
    for (int i = 1; i <= RankTable::maxRangeCount; ++i) {
        m_bounds[size_t(i - 1)]->setText(boundPicture().format(m_table.lowerBound(i)).trimmed());
        m_bounds[size_t(RankTable::maxRangeCount + i - 1)]->setText(
            boundPicture().format(m_table.upperBound(i)).trimmed());
    }
}

void RankTableWindow::showRows()
{
    const int current = m_binding->currentRow();
    m_model->setLines(m_table.listLines());
    if (m_model->rowCount() > 0)
        m_binding->selectRow(std::clamp(current, 0, m_model->rowCount() - 1));
}

void RankTableWindow::calculate()
{
    acceptTyped();
    m_table.splitRangesEvenly();
    m_table.assignRanges();
    showFigures();
    showBounds();
    showRows();
}

void RankTableWindow::assign()
{
    acceptTyped();
    m_table.assignRanges();
    showRows();
}

void RankTableWindow::openMap()
{
    acceptTyped();
    MapWindow::run(m_table.mapSource(), m_services.prompter, m_services.desktop, this);
}

void RankTableWindow::exportToExcel()
{
    acceptTyped();
    shell::ExcelLauncher excel(*m_services.office, m_services.prompter);
    RankTableExcel::exportRanks(m_table, excel);
}

} // namespace zemor::analysis::ui
