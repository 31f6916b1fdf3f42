// The indicator windows, driven by their controls' names with scripted answers, on a small
// working directory.

#include "IndicatorFixture.h"

#include "analysis/ui/IndicatorListWindow.h"
#include "support/ScriptedPrompter.h"

#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::analysis::ui;
using namespace Qt::StringLiterals;

namespace {

struct Def
{
    qint32 id;
    int form;
    QString name;
    QString years; // TAB:NAMEL
    int table = 0; // TAB:CODTABL (the list's order within a form)
    int kind = 0;
};

bool writeDefinitions(test::IndicatorFixture &fx, const QList<Def> &defs)
{
    return fx.write(u"TablP.DAT"_s, data::FileId::tabl, int(defs.size()),
                    [&](runtime::store::KeyedFile &f, int i) {
                        const Def &d = defs.at(i);
                        data::TablRecord r(f.record());
                        r.setUnicodT(d.id);
                        r.setName(d.name);
                        r.setNameL(d.years);
                        r.setType(0);
                        return r.setCodForm(d.form).has_value() &&
                               r.setCodTabl(d.table).has_value() && r.setSm(d.kind).has_value() &&
                               r.setA(3).has_value();
                    });
}

// Saves a picture of a window for a person to look at, when the run names a folder for it.
void shoot(QWidget &w, const QString &name)
{
    const QString dir = qEnvironmentVariable("ZEMOR_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w.grab().save(QDir(dir).filePath(name + u".png"_s));
}

IndicatorListContext context(int year, int form)
{
    IndicatorListContext c;
    c.year = year;
    c.form = form;
    c.period = {3, 5};
    c.districtFilter = 300;
    c.selection = {7101, 7123};
    c.title = u"за март - май 2025 г. Отчеты: 2"_s;
    c.wholeYear = [](int f) { return f == 62 ? MonthRange{1, 4} : MonthRange{1, 12}; };
    return c;
}

QStringList shownNames(QListWidget *list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

} // namespace

class TestIndicatorWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listOfTheFormAndOfAllForms();
    void openingKeepsTheCallersValues();
    void damagedTablesFileIsNamed();
};

void TestIndicatorWindows::listOfTheFormAndOfAllForms()
{
    test::IndicatorFixture fx;
    QVERIFY(writeDefinitions(fx, {{5, 62, u"Заболеваемость на 1000"_s, u"2020 2030"_s, 2},
                                  {6, 62, u"Старый показатель"_s, u"2010 2019"_s, 1},
                                  {7, 62, u"Смертность"_s, u"2025 2025"_s, 3},
                                  {8, 30, u"Койки"_s, u"2024 2026"_s, 1},
                                  {9, 30, u"Без лет"_s, u"abcd efgh"_s, 2}}));
    test::ScriptedPrompter prompter;
    IndicatorListWindow window(context(2025, 62), {}, prompter);
    QCOMPARE(window.objectName(), u"P1$SCRY"_s);
    QCOMPARE(window.windowTitle(), u"Список показателей"_s);
    auto *list = window.findChild<QListWidget *>(u"?LIST1"_s);
    auto *all = window.findChild<QCheckBox *>(u"?CHECK_1"_s);
    QVERIFY(list && all && window.findChild<QPushButton *>(u"?OK_1"_s));
    QCOMPARE(window.findChild<QPushButton *>(u"?HELP_1"_s)->text(), u"Help"_s);
    QCOMPARE(all->text(), u"по всем формам"_s);

    // The year must lie within the years of the definition; table order, the form's own only.
    QCOMPARE(shownNames(list), (QStringList{u"Заболеваемость на 1000"_s, u"Смертность"_s}));
    QCOMPARE(list->currentRow(), 0);
    window.show();
    shoot(window, u"indicator-list"_s);

    all->setChecked(true);
    QCOMPARE(shownNames(list),
             (QStringList{u"Койки"_s, u"Заболеваемость на 1000"_s, u"Смертность"_s}));
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(window.entries().at(0).id, 8);

    // Closing empties the list.
    window.reject();
    QCOMPARE(list->count(), 0);
    QVERIFY(window.entries().isEmpty());
    QVERIFY(prompter.messages.isEmpty());
}

void TestIndicatorWindows::openingKeepsTheCallersValues()
{
    test::IndicatorFixture fx;
    QVERIFY(writeDefinitions(fx, {{5, 62, u"Заболеваемость"_s, u"2020 2030"_s, 1, 0},
                                  {6, 62, u"За год"_s, u"2020 2030"_s, 2, 1}}));
    test::ScriptedPrompter prompter;
    const IndicatorListContext given = context(2025, 62);
    QList<std::pair<qint32, IndicatorRequest>> opened;
    IndicatorListWindow window(
        given,
        [&](const IndicatorDefinition &d, const IndicatorRequest &r) {
            opened.append({d.id, r});
        },
        prompter);
    auto *list = window.findChild<QListWidget *>(u"?LIST1"_s);
    auto *ok = window.findChild<QPushButton *>(u"?OK_1"_s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // "OK", then Enter on the second line, then "OK" again on the first: the window stays open
    // and each opening gets the same title, filter and selection.
    ok->click();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    list->setCurrentRow(0);
    ok->click();
    QCOMPARE(opened.size(), 3);
    QVERIFY(window.isVisible());
    QCOMPARE(opened.at(0).first, 5);
    QCOMPARE(opened.at(1).first, 6);
    for (const auto &[id, r] : opened) {
        QCOMPARE(r.year, 2025);
        QCOMPARE(r.title, given.title);
        QCOMPARE(r.districtFilter, 300);
        QCOMPARE(r.selection, (QList<qint32>{7101, 7123}));
        // A definition of kind 1 takes the whole year of its form.
        QCOMPARE(r.period, id == 6 ? (MonthRange{1, 4}) : (MonthRange{3, 5}));
    }
    window.accept();
}

void TestIndicatorWindows::damagedTablesFileIsNamed()
{
    test::IndicatorFixture fx;
    QFile f(fx.path(u"TablP.DAT"_s));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '\x5a'));
    f.close();
    test::ScriptedPrompter prompter;
    IndicatorListWindow window(context(2025, 62), {}, prompter);
    QCOMPARE(window.findChild<QListWidget *>(u"?LIST1"_s)->count(), 0);
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.messages.at(0).text.startsWith(u"TablP.dat: "_s),
             qPrintable(prompter.messages.at(0).text));
}

QTEST_MAIN(TestIndicatorWindows)
#include "test_indicatorwindows.moc"
