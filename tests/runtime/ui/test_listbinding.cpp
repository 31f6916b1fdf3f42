#include "runtime/decimal/Decimal.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/ListCellDelegate.h"
#include "runtime/ui/QueueModel.h"

#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using zemor::runtime::ui::ListBinding;
using zemor::runtime::ui::ListCellDelegate;
using zemor::runtime::ui::ListColumn;
using zemor::runtime::ui::ListFormat;
using zemor::runtime::ui::QueueModel;
using namespace Qt::StringLiterals;

namespace {

ListFormat format(const QString &text)
{
    auto f = ListFormat::parse(text);
    if (!f)
        qFatal("bad format in test: %s", qPrintable(f.error().message));
    return *f;
}

QVariant dec(const QString &text)
{
    return QVariant::fromValue(*Decimal::fromString(text));
}

QPoint cellCenter(const QTableView &view, int row, int column)
{
    return view.visualRect(view.model()->index(row, column)).center();
}

// The institution set window's candidates, cut down: N, code, mark text, name; the mark byte
// is the last field and is not shown.
const QString membersFormat =
    u"12L|M~N~L(1)@n_3@?16L|M~код~L(1)@s7@E(0808080H,,,)?9C|M@s1@E(0C4H,0CCFFFFH,,)145L(1)|M~учреждение~@s50@E(,0F0FFF0H,,)"_s;

void fillMembers(QueueModel &model)
{
    model.setLines({{1, u"120"_s, QString(), u"Больница 3"_s, 0},
                    {2, u"5"_s, QString(), u"Поликлиника"_s, 1},
                    {3, u"12"_s, QString(), u"Аптека"_s, 0},
                    {4, u"13"_s, QString(), u"Больница 1"_s, 0}});
    model.setMarkColumn(2, 4);
}

} // namespace

class ListBindingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout();
    void cellText_data();
    void cellText();
    void doubleClickTogglesMark();
    void clickTogglesMark();
    void doubleClickAndEnterChoose();
    void headingDoubleClickSorts();
    void typingFindsLocatorLine();
    void fixedColumnsStayInView();
    void viewBeingDestroyed();
    void typedInput_data();
    void typedInput();
    void refusedInputKeepsTheValue();
    void editBesideFixedColumns();
};

void ListBindingTest::layout()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model);
    ListBinding binding(&view, &model, format(membersFormat));

    // Widths are quarters of the average character: 145 is about 36 characters.
    const double average = QFontMetricsF(view.font()).averageCharWidth();
    QCOMPARE(view.columnWidth(3), int(std::lround(145 * average / 4)));
    QCOMPARE(view.columnWidth(2), int(std::lround(9 * average / 4)));
    QVERIFY(view.isColumnHidden(4)); // the mark byte has no column
    QVERIFY(!view.isColumnHidden(3));
    QCOMPARE(view.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), u"код"_s);
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString());
    QVERIFY(!view.horizontalHeader()->isHidden());

    // A format set later replaces the layout: no headings, no header row; no 'M', fixed widths.
    binding.setFormat(format(u"20L(2)@s17@40L@s7@"_s));
    QVERIFY(view.horizontalHeader()->isHidden());
    QVERIFY(view.isColumnHidden(2));
    QCOMPARE(view.horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(view.columnWidth(1), int(std::lround(40 * average / 4)));
}

void ListBindingTest::cellText_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    const qlonglong day = QDate(2012, 1, 24).toJulianDay();
    // Left-aligned number columns keep the picture's padding, which lines the numbers up.
    QTest::newRow("decimal, left") << u"20L@n_6.2@"_s << dec(u"12.5"_s) << u" 12.50"_s;
    QTest::newRow("decimal, right") << u"20R@n_6.2@"_s << dec(u"12.5"_s) << u"12.50"_s;
    QTest::newRow("decimal, centred") << u"20C@n_6.2@"_s << dec(u"-3"_s) << u"-3.00"_s;
    QTest::newRow("integer") << u"20L@n_3@"_s << QVariant(7) << u"  7"_s;
    QTest::newRow("too wide") << u"20L@n_3@"_s << QVariant(12345) << u"###"_s;
    QTest::newRow("REAL rounded half away from zero")
        << u"20R@n_6.2@"_s << QVariant(0.125) << u"0.13"_s;
    QTest::newRow("REAL beyond every decimal") << u"20R@n_6.2@"_s << QVariant(1e300) << u"######"_s;
    QTest::newRow("text cut to the picture")
        << u"20L@s5@"_s << QVariant(u"абвгдеж"_s) << u"абвгд"_s;
    QTest::newRow("text without its blanks") << u"20C@s5@"_s << QVariant(u"ab   "_s) << u"ab"_s;
    QTest::newRow("date") << u"20L@d5.@"_s << QVariant(day) << u"24.01.12"_s;
    QTest::newRow("no date") << u"20L@d5.@"_s << QVariant(qlonglong(0)) << u"        "_s;
    QTest::newRow("empty value") << u"20L@n_6.2@"_s << QVariant() << QString();
    QTest::newRow("no picture, decimal") << u"20L"_s << dec(u"2.50"_s) << u"2.5"_s;
    QTest::newRow("no picture, text") << u"20L"_s << QVariant(u"as is  "_s) << u"as is  "_s;
}

void ListBindingTest::cellText()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    QCOMPARE(ListCellDelegate::cellText(format(column).column(0), value), text);
}

void ListBindingTest::doubleClickTogglesMark()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model);
    ListBinding binding(&view, &model, format(membersFormat));
    binding.setDoubleClickAction(ListBinding::DoubleClick::ToggleMark);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy toggled(&binding, &ListBinding::markToggled);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 2, 3));
    QVERIFY(model.isMarked(2));
    QCOMPARE(binding.cellText(2, 2), u"o"_s);
    QCOMPARE(toggled.size(), 1);
    QCOMPARE(toggled.at(0).at(0).toInt(), 2);
    QCOMPARE(toggled.at(0).at(1).toBool(), true);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 2, 0));
    QVERIFY(!model.isMarked(2));
    QCOMPARE(binding.cellText(2, 2), QString());

    // Another button does not toggle; neither does a click below the last line.
    QTest::mouseDClick(view.viewport(), Qt::RightButton, {}, cellCenter(view, 1, 3));
    QVERIFY(model.isMarked(1));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {},
                       QPoint(20, view.viewport()->height() - 5));
    QCOMPARE(model.markedRows(), QList<int>{1});
    QCOMPARE(toggled.size(), 2);
}

void ListBindingTest::clickTogglesMark()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model);
    ListBinding binding(&view, &model, format(membersFormat));
    binding.setDoubleClickAction(ListBinding::DoubleClick::ToggleMark);
    binding.setClickMarks(true);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy toggled(&binding, &ListBinding::markToggled);

    // A click marks and selects the line; a second click unmarks it.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 2, 0));
    QVERIFY(model.isMarked(2));
    QCOMPARE(binding.currentRow(), 2);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 2, 3));
    QVERIFY(!model.isMarked(2));
    // A double click, as the window system delivers it (a press, then the double click),
    // toggles once.
    QTest::mouseDClick(view.windowHandle(), Qt::LeftButton, {},
                       view.viewport()->mapTo(&view, cellCenter(view, 0, 1)));
    QVERIFY(model.isMarked(0));
    // Another button, or a click below the last line, toggles nothing; the keys move the line
    // without marking.
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, cellCenter(view, 3, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                      QPoint(20, view.viewport()->height() - 5));
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(model.markedRows(), (QList<int>{0, 1}));
    QCOMPARE(toggled.size(), 3);
}

void ListBindingTest::doubleClickAndEnterChoose()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model);
    ListBinding binding(&view, &model, format(membersFormat));
    binding.setDoubleClickAction(ListBinding::DoubleClick::Choose);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy chosen(&binding, &ListBinding::chosen);

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cellCenter(view, 3, 1));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 3);
    QCOMPARE(model.markedRows(), QList<int>{1}); // choosing is not marking

    binding.selectRow(1);
    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(1).at(0).toInt(), 1);
}

void ListBindingTest::headingDoubleClickSorts()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model);
    ListBinding binding(&view, &model, format(membersFormat));
    binding.setHeadingSort(true);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    binding.selectRow(0); // "Больница 3"

    QHeaderView *header = view.horizontalHeader();
    const QPoint heading(header->sectionViewportPosition(3) + 10, header->height() / 2);
    auto names = [&] {
        QStringList result;
        for (int r = 0; r < model.rowCount(); ++r)
            result.append(model.value(r, 3).toString());
        return result;
    };

    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, heading);
    QCOMPARE(names(),
             (QStringList{u"Аптека"_s, u"Больница 1"_s, u"Больница 3"_s, u"Поликлиника"_s}));
    QCOMPARE(binding.currentRow(), 2); // still "Больница 3"

    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, heading);
    QCOMPARE(names(),
             (QStringList{u"Поликлиника"_s, u"Больница 3"_s, u"Больница 1"_s, u"Аптека"_s}));
    QCOMPARE(binding.currentRow(), 1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // The mark column sorts by the marks.
    binding.sortByHeading(2);
    QCOMPARE(model.markedRows(), QList<int>{3});
}

void ListBindingTest::typingFindsLocatorLine()
{
    QTableView view;
    QueueModel model(5);
    fillMembers(model); // codes 120, 5, 12, 13
    ListBinding binding(&view, &model, format(membersFormat));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // The code column is the current column and a locator.
    view.setCurrentIndex(model.index(0, 1));
    QVERIFY(binding.locate(u"1"_s));
    QCOMPARE(binding.currentRow(), 2); // from the line after the current one
    QVERIFY(binding.locate(u"1"_s));
    QCOMPARE(binding.currentRow(), 3);
    QVERIFY(binding.locate(u"1"_s));
    QCOMPARE(binding.currentRow(), 0); // round past the end
    QVERIFY(!binding.locate(u"7"_s));
    QCOMPARE(binding.currentRow(), 0);

    // Keys typed in quick succession extend the text, found from the current line on.
    binding.selectRow(1);
    QTest::keyClicks(&view, u"13"_s);
    QCOMPARE(binding.currentRow(), 3);

    // A column that is no locator searches the first locator column (N).
    view.setCurrentIndex(model.index(0, 3));
    QVERIFY(binding.locate(u"3"_s));
    QCOMPARE(binding.currentRow(), 2);
}

void ListBindingTest::fixedColumnsStayInView()
{
    // Row code and name fixed, then value columns far wider than the view.
    QString text = u"16L|FM~N~@s9@80L|F_M~Название~@S100@"_s;
    for (int k = 1; k <= 10; ++k)
        text += u"43R|_M~%1~L@n_12@"_s.arg(k);
    QTableView view;
    QueueModel model(12);
    for (int r = 0; r < 100; ++r) {
        QVariantList line{QString::number(r + 1), u"строка %1"_s.arg(r + 1)};
        for (int k = 1; k <= 10; ++k)
            line.append(dec(QString::number(r * k)));
        model.appendLine(line);
    }
    ListBinding binding(&view, &model, format(text));
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QTableView *fixed = binding.fixedView();
    QVERIFY(fixed);
    QVERIFY(fixed->isVisible());
    QVERIFY(!fixed->isColumnHidden(0) && !fixed->isColumnHidden(1));
    for (int col = 2; col < 12; ++col)
        QVERIFY(fixed->isColumnHidden(col));
    QCOMPARE(fixed->width(), view.columnWidth(0) + view.columnWidth(1));
    QCOMPARE(view.columnWidth(5), binding.pixelWidth(43)); // the scrolling columns keep theirs
    const QPoint where = fixed->pos();

    QTRY_VERIFY(view.horizontalScrollBar()->maximum() > 0);
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    QVERIFY(view.horizontalScrollBar()->value() > 0);
    QCOMPARE(fixed->pos(), where);
    QVERIFY(fixed->isVisible());

    // A cell made current after scrolling is brought out from under the fixed columns.
    view.setCurrentIndex(model.index(0, 3));
    QVERIFY(view.visualRect(model.index(0, 3)).left() >= fixed->width());
    QVERIFY(view.visualRect(model.index(0, 3)).left() < view.viewport()->width());

    view.verticalScrollBar()->setValue(40);
    QCOMPARE(fixed->verticalScrollBar()->value(), 40);

    // The fixed cells answer a double click like the others.
    int chosenRow = -1;
    binding.setDoubleClickAction(ListBinding::DoubleClick::Choose);
    connect(&binding, &ListBinding::chosen, this, [&](int row) { chosenRow = row; });
    const QModelIndex top = fixed->indexAt(QPoint(5, 5));
    QVERIFY(top.isValid());
    QTest::mouseDClick(fixed->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(chosenRow, top.row());

    // A format without fixed columns needs no second view.
    binding.setFormat(format(u"16L|M~N~@s9@80L|_M~Название~@S100@"_s));
    QVERIFY(!binding.fixedView());
}

// A view takes its viewport and the second view down while it is no longer a QTableView, and
// they send the binding events on their way: the binding no longer takes it for a view then
// (the sanitizer's downcast check catches what it would do with one).
void ListBindingTest::viewBeingDestroyed()
{
    auto *view = new QTableView;
    QueueModel model(3);
    model.setLines({{u"1"_s, u"первая"_s, dec(u"1"_s)}, {u"2"_s, u"вторая"_s, dec(u"2"_s)}});
    QPointer<ListBinding> binding =
        new ListBinding(view, &model, format(u"16L|FM~N~@s9@80L|M~Название~@S100@43R|M@n_12@"_s));
    view->resize(300, 200);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    QVERIFY(binding->fixedView());

    // What the binding answers for the view while events reach it from the view's viewport.
    struct Watcher : QObject
    {
        QPointer<ListBinding> binding;
        QList<bool> viewSeen;
        bool eventFilter(QObject *, QEvent *) override
        {
            if (binding)
                viewSeen.append(binding->view() != nullptr);
            return false;
        }
    } watcher;
    view->viewport()->installEventFilter(&watcher);
    watcher.binding = binding;

    delete view;
    QVERIFY(!binding);
    QVERIFY(!watcher.viewSeen.isEmpty());
    QVERIFY(!watcher.viewSeen.contains(true));
}

void ListBindingTest::typedInput_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("current");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored"); // invalid: refused
    QTest::addColumn<int>("error");

    const int none = 0;
    const int invalid = int(ErrorCode::InvalidData);
    const int overflow = int(ErrorCode::Overflow);
    QTest::newRow("decimal with comma")
        << u"20R@n_8.2@"_s << dec(u"1"_s) << u"12,5"_s << dec(u"12.5"_s) << none;
    QTest::newRow("decimal rounded to the places")
        << u"20R@n_8.2@"_s << QVariant() << u"0.125"_s << dec(u"0.13"_s) << none;
    QTest::newRow("not a number") << u"20R@n_8.2@"_s << dec(u"1"_s) << u"12a"_s << QVariant()
                                  << invalid;
    QTest::newRow("too many digits")
        << u"20R@n_4@"_s << dec(u"1"_s) << u"123456"_s << QVariant() << overflow;
    QTest::newRow("integer field")
        << u"20R@n_4@"_s << QVariant(qlonglong(3)) << u"17"_s << QVariant(qlonglong(17)) << none;
    QTest::newRow("integer field, fraction")
        << u"20R@n_6.2@"_s << QVariant(qlonglong(3)) << u"1.5"_s << QVariant() << invalid;
    QTest::newRow("date") << u"20L@d5.@"_s << QVariant(qlonglong(0)) << u"24.01.2012"_s
                          << QVariant(qlonglong(QDate(2012, 1, 24).toJulianDay())) << none;
    QTest::newRow("no such day") << u"20L@d5.@"_s << QVariant() << u"31.02.12"_s << QVariant()
                                 << invalid;
    QTest::newRow("text cut to the picture")
        << u"20L@s3@"_s << QVariant(u""_s) << u"abcdef"_s << QVariant(u"abc"_s) << none;
    QTest::newRow("time") << u"20L@t4@"_s << QVariant() << u"9:05"_s << QVariant(QTime(9, 5))
                          << none;
    QTest::newRow("no such time") << u"20L@t4@"_s << QVariant() << u"25:00"_s << QVariant()
                                  << invalid;
}

void ListBindingTest::typedInput()
{
    QFETCH(QString, column);
    QFETCH(QVariant, current);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(int, error);

    const auto value = ListCellDelegate::readTyped(format(column).column(0), typed, current);
    if (error != 0) {
        QVERIFY(!value.has_value());
        QCOMPARE(int(value.error().code), error);
        return;
    }
    QVERIFY2(value.has_value(), qPrintable(value ? QString() : value.error().message));
    QCOMPARE(value->metaType(), stored.metaType());
    QCOMPARE(*value, stored);
}

void ListBindingTest::refusedInputKeepsTheValue()
{
    QTableView view;
    QueueModel model(2);
    model.appendLine({1, dec(u"2.5"_s)});
    model.setEditable(1, true);
    ListBinding binding(&view, &model, format(u"20L@n_3@40R@n_8.2@"_s));
    QSignalSpy refused(&binding, &ListBinding::inputRefused);

    const QModelIndex cell = model.index(0, 1);
    QLineEdit edit;
    binding.delegate()->setEditorData(&edit, cell);
    QCOMPARE(edit.text(), u"2.50"_s);

    edit.setText(u"x1"_s);
    binding.delegate()->setModelData(&edit, &model, cell);
    QCOMPARE(model.value(0, 1).value<Decimal>(), *Decimal::fromString(u"2.5"));
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.at(0).at(1).toInt(), 1);

    edit.setText(u"3,25"_s);
    binding.delegate()->setModelData(&edit, &model, cell);
    QCOMPARE(model.value(0, 1).value<Decimal>(), *Decimal::fromString(u"3.25"));
    QCOMPARE(refused.size(), 1);
}

// A list with fixed columns has two views over one model: an edit in either ends once, in the
// view that opened it, with no view told of an editor that is not its own.
void ListBindingTest::editBesideFixedColumns()
{
    QTest::failOnWarning(QRegularExpression(u"does not belong to this view"_s));
    QTableView view;
    QueueModel model(3);
    model.setLines({{u"1"_s, u"первая"_s, dec(u"1"_s)}, {u"2"_s, u"вторая"_s, dec(u"2"_s)}});
    model.setEditable(2, true);
    ListBinding binding(&view, &model,
                        format(u"16L|FM~N~@s9@80L|FM~Название~@S100@43R|M@n_12.2@"_s));
    view.setEditTriggers(QAbstractItemView::DoubleClicked);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(binding.fixedView());

    for (const auto &[row, typed, stored] :
         {std::tuple{0, u"12,5"_s, u"12.5"_s}, std::tuple{1, u"7"_s, u"7"_s}}) {
        const QModelIndex cell = model.index(row, 2);
        view.setCurrentIndex(cell);
        view.edit(cell);
        auto *editor = qobject_cast<QLineEdit *>(view.indexWidget(cell));
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!view.indexWidget(cell));
        QCOMPARE(model.value(row, 2).value<Decimal>(), *Decimal::fromString(stored));
    }
    // The fixed columns still show their cells through a delegate of the same format.
    QCOMPARE(binding.cellText(1, 1), u"вторая"_s);
}

QTEST_MAIN(ListBindingTest)
#include "test_listbinding.moc"
