// The rating windows over a small working directory: the first window's indicators and
// defaults, a run of each calculation type with what the rating window shows, the tabs and
// their charts, sorting by a header and back by "N", the rank table handed the right source from
// each tab (district codes only for a per-district indicator), each tab's workbook with every
// member, a missing set, and the procedure on the menu.

#include "analysis/ratings/RatingData.h"
#include "analysis/ratings/ui/RatingOutputWindow.h"
#include "analysis/ratings/ui/RatingWindow.h"
#include "app/ProcedureTable.h"
#include "data/records/BolnRecord.h"
#include "data/records/IndikRecord.h"
#include "data/records/NaborRecord.h"
#include "runtime/core/Progress.h"
#include "runtime/ini/IniFile.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/DrawingSurface.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "shell/ExcelLauncher.h"
#include "support/RecordingOffice.h"
#include "tests/analysis/IndicatorFixture.h"
#include "tests/analysis/ui/WindowTestSupport.h"
#include "tools/DemoTemplates.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::RankTableSource;
using analysis::ui::RatingOutputWindow;
using analysis::ui::RatingWindow;
using runtime::ui::findControl;

namespace {

constexpr int year = 2025;
constexpr int byInstitution = 1;
constexpr int byDistrict = 2;
constexpr int withoutSet = 3;

// The texts a list shows in `column`, line by line.
QStringList columnTexts(runtime::ui::ListBinding *list, int column)
{
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out.append(list->cellText(r, column).trimmed());
    return out;
}

QStringList lineNames(const RankTableSource &source)
{
    QStringList out;
    for (const analysis::RankLine &line : source.lines)
        out.append(u"%1=%2/%3"_s.arg(line.name.trimmed(), line.value.toString()).arg(line.codReg));
    return out;
}

} // namespace

class TestRatingWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::IndicatorFixture> m_fx;
    test::NoDesktop m_desktop;
    test::RecordingOffice m_office;
    test::ScriptedPrompter m_prompter;
    shell::AppState m_state;
    std::unique_ptr<data::DataContext> m_context;
    QList<RankTableSource> m_ranked;

    shell::ui::Services services()
    {
        return {m_state, m_prompter, &m_office, std::make_shared<test::ScriptedChoices>(), nullptr};
    }
    analysis::ui::OpenRankTable recorder()
    {
        return [this](const RankTableSource &source, QWidget *) { m_ranked.append(source); };
    }

    bool indicators()
    {
        struct Indik
        {
            int id, tip, set;
        };
        const QList<Indik> list{
            {byInstitution, 0, 7}, {byDistrict, 1, 8}, {withoutSet, 0, 9}, {4, 11, 7}};
        return m_fx->write(u"INDIK.TPS"_s, data::FileId::indik, int(list.size()),
                           [&](runtime::store::KeyedFile &f, int i) {
                               data::IndikRecord r(f.record());
                               r.setName(u"Качество %1"_s.arg(list[i].id));
                               r.setTip(quint8(list[i].tip));
                               return r.setId(list[i].id) && r.setCodForm(62) &&
                                      r.setTipInd(20, quint8(list[i].set)) && r.setCodTabl(1, 1) &&
                                      r.setCodPok(1, 5);
                           });
    }

    // Members 11 and 12 in district 1, 13 in district 2; numbered by district, kind and name:
    // 12 "Больница А" 1, 11 "Больница Б" 2, 13 "Больница В" 3. Set 8 names the districts.
    bool institutions()
    {
        const QList<std::tuple<int, int, QString>> list{{11, 1, u"Больница Б"_s},
                                                        {12, 1, u"Больница А"_s},
                                                        {13, 2, u"Больница В"_s},
                                                        {1, 1, u"Район один"_s},
                                                        {2, 2, u"Район два"_s}};
        if (!m_fx->write(u"BOLN.DAT"_s, data::FileId::boln, int(list.size()),
                         [&](runtime::store::KeyedFile &f, int i) {
                             data::BolnRecord r(f.record());
                             r.setUnicod(std::get<0>(list[i]));
                             r.setNazv(std::get<2>(list[i]));
                             return r.setCodReg(std::get<1>(list[i])) && r.setVid(2);
                         }))
            return false;
        const QList<std::pair<int, QList<qint32>>> sets{{7, {11, 12, 13}}, {8, {1, 2}}};
        return m_fx->write(u"NABOR.TPS"_s, data::FileId::NABOR, int(sets.size()),
                           [&](runtime::store::KeyedFile &f, int i) {
                               data::NaborRecord r(f.record());
                               r.setId(sets[i].first);
                               bool ok = true;
                               for (qsizetype k = 0; k < sets[i].second.size(); ++k)
                                   ok = ok && r.setIdLpu(int(k + 1), sets[i].second[k]);
                               return ok;
                           });
    }

    std::unique_ptr<RatingWindow> firstWindow()
    {
        auto window = std::make_unique<RatingWindow>(*m_context, services(), recorder());
        if (!window->load())
            return nullptr;
        return window;
    }

    // Chooses indicator `id`, the fixture's year, months 1 to 12 and `type` in the first
    // window, by its controls.
    static void choose(RatingWindow &window, int id, int type)
    {
        findControl<QSpinBox>(&window, u"?YEAR1")->setValue(year);
        for (int r = 0; r < window.indicators().size(); ++r)
            if (window.indicators()[r].id == id)
                window.binding()->selectRow(r);
        findControl<QSpinBox>(&window, u"?MES1")->setValue(1);
        findControl<QSpinBox>(&window, u"?MES2")->setValue(12);
        findControl<QRadioButton>(&window, u"?TIP_RASH_QI:2:RADIO%1"_s.arg(type))->click();
    }

    std::unique_ptr<RatingOutputWindow> outputOf(int id, int type)
    {
        auto first = firstWindow();
        if (!first)
            return nullptr;
        choose(*first, id, type);
        auto run = first->compute();
        if (!run)
            return nullptr;
        QHash<int, QString> districts{{1, u"район 1"_s}, {2, u"район 2"_s}};
        return std::make_unique<RatingOutputWindow>(std::move(*run), districts, services(),
                                                    recorder());
    }

private Q_SLOTS:
    void init()
    {
        m_context.reset(); // its files belong to the working directory of the last case
        m_fx = std::make_unique<test::IndicatorFixture>();
        m_context = std::make_unique<data::DataContext>();
        QVERIFY(m_fx->isValid());
        QVERIFY(m_fx->districts({1, 2}));
        QVERIFY(m_fx->forms(year, {{62, 0}}));
        QVERIFY(m_fx->formRows(year, {{62, 1, 5, 1, 0, u"Коек на 10 тыс."_s, u"5"_s, {}},
                                      {62, 1, 6, 2, 0, u"Летальность"_s, u"6"_s, {}},
                                      {62, 1, 8, 3, 0, u"Охват осмотрами"_s, u"8"_s, {}},
                                      {62, 2, 7, 1, 0, u"Строка 7"_s, u"7"_s, {}}}));
        QVERIFY(m_fx->write(u"%1/Tabl.dat"_s.arg(year), data::FileId::tabl, 2,
                            [](runtime::store::KeyedFile &f, int i) {
                                data::TablRecord r(f.record());
                                r.setName(i == 0 ? u"Структура"_s : u"Процесс"_s);
                                return r.setCodForm(62) && r.setCodTabl(i + 1);
                            }));
        // Row 5: 20, 10, 30 against the norm 15, weight 2; row 6 inverse without a norm (its
        // mean 5): 0, 6, 9; row 8 equal for everyone.
        QVERIFY(m_fx->reports(year, 62,
                              {{11, 1, 5, {{1, 10}}},
                               {12, 1, 5, {{1, 20}}},
                               {13, 2, 5, {{1, 30}}},
                               {11, 1, 6, {{1, 6}}},
                               {13, 2, 6, {{1, 9}}},
                               {11, 1, 8, {{1, 7}}},
                               {12, 1, 8, {{1, 7}}},
                               {13, 2, 8, {{1, 7}}},
                               {analysis::RatingData::normsInstitution, 0, 5, {{1, 15}, {5, 2}}},
                               {analysis::RatingData::normsInstitution, 0, 6, {{4, 1}}}}));
        QVERIFY(m_fx->definition(5, 62, 3, 0));
        QVERIFY(m_fx->cells({{62, 1, 5, 1, 1}, {62, 1, 6, 1, 2}, {62, 1, 8, 1, 3}}));
        QVERIFY(institutions());
        QVERIFY(indicators());
        m_state.globYear = year + 1; // the process's year; the runs are for the year typed
        m_prompter.reset();
        m_office.reset();
        m_ranked.clear();
    }

    // The first window: the usable indicators, the year of the process, months 0 and 0, type 3
    // and "скорректированный" on.
    void firstWindowOpens()
    {
        auto window = firstWindow();
        QVERIFY(window);
        QCOMPARE(window->objectName(), u"P1$SCRY"_s);
        QCOMPARE(window->windowTitle(), u"Формирование  индикаторов"_s);
        QCOMPARE(columnTexts(window->binding(), 0), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(columnTexts(window->binding(), 3),
                 (QStringList{u"Качество 1"_s, u"Качество 2"_s, u"Качество 3"_s}));
        QCOMPARE(findControl<QSpinBox>(window.get(), u"?YEAR1")->value(), year + 1);
        QCOMPARE(findControl<QSpinBox>(window.get(), u"?MES1")->value(), 0);
        QCOMPARE(findControl<QSpinBox>(window.get(), u"?MES2")->value(), 0);
        QVERIFY(findControl<QCheckBox>(window.get(), u"?NORMA_2")->isChecked());
        QVERIFY(findControl<QRadioButton>(window.get(), u"?TIP_RASH_QI:2:RADIO3")->isChecked());
        QCOMPARE(window->request()->type, 3);
        QCOMPARE(window->findChildren<QRadioButton *>().size(), 6);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        test::grabWindow(window.get(), u"rating-first"_s);
    }

    // Each calculation type on the same values: the ranking and ratings the list shows, and
    // the year and months typed reach the run (the process's year stays).
    void eachTypeRates_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("ratings");
        const QString a = u"Больница А"_s, b = u"Больница Б"_s, c = u"Больница В"_s;
        QTest::newRow("1") << 1 << QStringList{a, c, b}
                           << QStringList{u"5.77"_s, u"4.75"_s, u"3.33"_s};
        QTest::newRow("2") << 2 << QStringList{c, a, b}
                           << QStringList{u"5.56"_s, u"3.67"_s, u"3.16"_s};
        QTest::newRow("3") << 3 << QStringList{c, a, b}
                           << QStringList{u"4.53"_s, u"3.50"_s, u"1.96"_s};
        QTest::newRow("4") << 4 << QStringList{c, a, b}
                           << QStringList{u"4.20"_s, u"3.67"_s, u"2.13"_s};
        QTest::newRow("5") << 5 << QStringList{a, c, b}
                           << QStringList{u"3.67"_s, u"3.20"_s, u"1.13"_s};
        QTest::newRow("6") << 6 << QStringList{c, a, b}
                           << QStringList{u"3.73"_s, u"3.00"_s, u"1.26"_s};
    }
    void eachTypeRates()
    {
        QFETCH(int, type);
        QFETCH(QStringList, names);
        QFETCH(QStringList, ratings);
        auto window = outputOf(byInstitution, type);
        QVERIFY(window);
        QCOMPARE(window->run().type, type);
        QCOMPARE(window->run().year, year);
        QCOMPARE(window->objectName(), u"P1$SCRL"_s);
        QCOMPARE(window->windowTitle(), u"Оценка качества работы ЛПУ"_s);
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?LOCNAME")->text(), u"2025г."_s);
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?QST:NAME")->text(), u"Качество 1"_s);
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?KOLUCH")->text(), u"3"_s);
        QCOMPARE(window->currentTab(), 1);
        QCOMPARE(columnTexts(window->ratingList(), 0), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(columnTexts(window->ratingList(), 1), names);
        QCOMPARE(columnTexts(window->ratingList(), 2), ratings);
        QCOMPARE(m_state.globYear, qint16(year + 1));
        QVERIFY(m_prompter.messages.isEmpty());
    }

    // The lists' columns: the tables after "N", "Учреждение" and "Рейтинг"; the members in
    // number order on the goal-index and value lists; per district the districts and the
    // direction column.
    void listColumns()
    {
        auto window = outputOf(byInstitution, 2);
        QVERIFY(window);
        const auto headings = [](runtime::ui::ListBinding *list) {
            QStringList out;
            for (const auto &c : list->format().columns())
                out.append(c.heading);
            return out;
        };
        QCOMPARE(headings(window->ratingList()), (QStringList{u"N"_s, u"Учреждение"_s, u"Рейтинг"_s,
                                                              u"Структура"_s, u"Процесс"_s}));
        QCOMPARE(headings(window->goalList()),
                 (QStringList{u"КодСтроки"_s, u"Наименование"_s, u"Больница А"_s, u"Больница Б"_s,
                              u"Больница В"_s}));
        QCOMPARE(headings(window->valueList()).mid(3),
                 (QStringList{u"Норма"_s, u"Больница А"_s, u"Больница Б"_s, u"Больница В"_s}));
        // The value of row 5 for each member, its norm and its sum text.
        QCOMPARE(window->valueList()->cellText(1, 2).trimmed(), u"Коек на 10 тыс."_s);
        QCOMPARE(window->valueList()->cellText(1, 3).trimmed(), u"15.00"_s);
        QCOMPARE(columnTexts(window->valueList(), 4).mid(1, 3),
                 (QStringList{u"20.00"_s, u"0.00"_s, u"7.00"_s}));
        QCOMPARE(columnTexts(window->valueList(), 5).mid(1, 3),
                 (QStringList{u"10.00"_s, u"6.00"_s, u"7.00"_s}));
        QCOMPARE(columnTexts(window->goalList(), 2).mid(1, 2),
                 (QStringList{u"2.666"_s, u"0.000"_s}));

        auto districts = outputOf(byDistrict, 2);
        QVERIFY(districts);
        QCOMPARE(headings(districts->goalList()).mid(2), (QStringList{u"район 1"_s, u"район 2"_s}));
        QCOMPARE(
            headings(districts->valueList()).mid(4),
            (QStringList{u"район 1"_s, u"район 2"_s, u"1max (норма/факт),0min(факт/норма)"_s}));
        // District 1 holds institutions 11 and 12, district 2 institution 13.
        QCOMPARE(columnTexts(districts->valueList(), 4).mid(1, 3),
                 (QStringList{u"30.00"_s, u"6.00"_s, u"14.00"_s}));
        QCOMPARE(columnTexts(districts->valueList(), 6).mid(1, 2), (QStringList{u"0"_s, u"1"_s}));
        districts->show();
        districts->setCurrentTab(RatingOutputWindow::ValueTab);
        findControl<QCheckBox>(districts.get(), u"?GRAFIK")->click();
        districts->chooseLine(RatingOutputWindow::ValueTab, 1);
        QVERIFY(districts->chart(RatingOutputWindow::ValueTab).drawn);
        test::grabWindow(districts.get(), u"rating-districts-tab3"_s);
    }

    // A click on "Рейтинг" sorts lowest first, on "N" the rating order comes back; a column
    // after the ninth does nothing.
    void headerSorting()
    {
        auto window = outputOf(byInstitution, 2);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QHeaderView *header = findControl<QTableView>(window.get(), u"?LISTQR")->horizontalHeader();
        const auto clickHeader = [&](QHeaderView *h, int section) {
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                              QPoint(h->sectionViewportPosition(section) + 4, h->height() / 2));
        };
        clickHeader(header, 2);
        QCOMPARE(columnTexts(window->ratingList(), 2),
                 (QStringList{u"3.16"_s, u"3.67"_s, u"5.56"_s}));
        QCOMPARE(columnTexts(window->ratingList(), 0), (QStringList{u"3"_s, u"2"_s, u"1"_s}));
        QCOMPARE(window->ratingRows().first().name, u"Больница Б"_s);
        QTableView *fixed = window->ratingList()->fixedView();
        clickHeader(fixed ? fixed->horizontalHeader() : header, 0);
        QCOMPARE(columnTexts(window->ratingList(), 0), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(columnTexts(window->ratingList(), 2),
                 (QStringList{u"5.56"_s, u"3.67"_s, u"3.16"_s}));
        window->clickRatingHeader(3); // the first table's column, the total: sortable
        QCOMPARE(columnTexts(window->ratingList(), 1).first(), u"Больница Б"_s);
        const QList<analysis::RatingRow> before = window->ratingRows();
        window->clickRatingHeader(9); // the tenth column: nothing
        QCOMPARE(window->ratingRows().size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            QCOMPARE(window->ratingRows()[i].name, before[i].name);
    }

    // The charts: off when the window opens; on, the list gives up a third of its height to
    // the chart of the current line, the mark's value beside it; a line of zeros draws nothing;
    // equal values lie on a flat line in the middle; changing the tab blanks the other chart.
    void tabsAndCharts()
    {
        auto window = outputOf(byInstitution, 2);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        test::grabWindow(window.get(), u"rating-tab1"_s);

        window->setCurrentTab(RatingOutputWindow::GoalTab);
        auto *box = findControl<QCheckBox>(window.get(), u"?GRAFIKQC");
        QVERIFY(!box->isChecked());
        QTableView *list = findControl<QTableView>(window.get(), u"?LISTQC");
        const int fullHeight = list->height();
        window->chooseLine(RatingOutputWindow::GoalTab, 1);
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?QC:NAME")->text(), u"Коек на 10 тыс."_s);
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?QC:KOEF")->text(), u"2"_s);
        box->click();
        QTRY_VERIFY(list->height() < fullHeight * 3 / 4);
        const analysis::LineChart &goal = window->chart(RatingOutputWindow::GoalTab);
        QVERIFY(goal.drawn);
        QCOMPARE(goal.points.size(), 3);
        QCOMPARE(goal.names, (QStringList{u"Боль"_s, u"Боль"_s, u"Боль"_s}));
        QCOMPARE(goal.valueTexts, (QStringList{u"2.666"_s, u"1.334"_s, u"4"_s}));
        QVERIFY(!window->goalSurface()->items().isEmpty());
        auto *mark = findControl<QLabel>(window.get(), u"?STR_C");
        QVERIFY(mark->isVisible());
        QCOMPARE(mark->text(), goal.markText);
        test::grabWindow(window.get(), u"rating-tab2"_s);

        // The heading line: all zeros, nothing drawn.
        window->chooseLine(RatingOutputWindow::GoalTab, 0);
        QVERIFY(!window->chart(RatingOutputWindow::GoalTab).drawn);
        QVERIFY(window->goalSurface()->items().isEmpty());
        QVERIFY(!mark->isVisible());

        window->setCurrentTab(RatingOutputWindow::ValueTab);
        QVERIFY(window->goalSurface()->items().isEmpty());
        findControl<QCheckBox>(window.get(), u"?GRAFIK")->click();
        window->chooseLine(RatingOutputWindow::ValueTab, 3); // row 8: 7 for everyone
        QCOMPARE(findControl<QLineEdit>(window.get(), u"?QI:UNICOD")->text(), u"8"_s);
        const analysis::LineChart &flat = window->chart(RatingOutputWindow::ValueTab);
        QVERIFY(flat.drawn);
        const double top = flat.points.first().y();
        for (const QPointF &p : flat.points)
            QCOMPARE(p.y(), top);
        QVERIFY(top < flat.baseline);
        QCOMPARE(flat.markY, top); // the norm (the mean, 7) on the same line
        QCOMPARE(findControl<QLabel>(window.get(), u"?STR_I")->text(), u"7"_s);
        test::grabWindow(window.get(), u"rating-tab3-flat"_s);
        window->chooseLine(RatingOutputWindow::ValueTab, 1);
        QVERIFY(window->chart(RatingOutputWindow::ValueTab).drawn);
        QCOMPARE(findControl<QLabel>(window.get(), u"?STR_I")->text(), u"15"_s);
        test::grabWindow(window.get(), u"rating-tab3"_s);

        // Off: the list has its height back and the label is hidden.
        findControl<QCheckBox>(window.get(), u"?GRAFIK")->click();
        QVERIFY(!findControl<QLabel>(window.get(), u"?STR_I")->isVisible());
        QVERIFY(window->valueSurface()->items().isEmpty());
    }

    // ?RANG from each tab: the rating by institution without codes and the text line "Рейтинг
    // ЦРБ"; a goal-index line with its mean and a value line, each named by the indicator and
    // the line, the text line then empty; per district the codes go with every tab.
    void rankTableFromEachTab()
    {
        auto window = outputOf(byInstitution, 2);
        QVERIFY(window);
        auto *text = findControl<QLineEdit>(window.get(), u"?LOCNAME");
        test::clickControl(window.get(), u"?RANG");
        QCOMPARE(m_ranked.size(), 1);
        QCOMPARE(text->text(), u"Рейтинг ЦРБ"_s);
        QVERIFY(!m_ranked[0].districtCodes);
        QCOMPARE(m_ranked[0].title, u"Рейтинг ЦРБ"_s);
        QCOMPARE(m_ranked[0].year, year);
        QCOMPARE(
            lineNames(m_ranked[0]),
            (QStringList{u"Больница В=5.56/0"_s, u"Больница А=3.67/0"_s, u"Больница Б=3.16/0"_s}));

        window->setCurrentTab(RatingOutputWindow::GoalTab);
        window->chooseLine(RatingOutputWindow::GoalTab, 1);
        test::clickControl(window.get(), u"?RANG");
        QCOMPARE(m_ranked.size(), 2);
        QCOMPARE(text->text(), QString());
        QVERIFY(!m_ranked[1].districtCodes);
        QCOMPARE(m_ranked[1].title, u"Качество 1;Коек на 10 тыс."_s);
        QVERIFY(m_ranked[1].mean);
        QCOMPARE(m_ranked[1].mean->toString(), u"2.667"_s);
        QCOMPARE(
            lineNames(m_ranked[1]),
            (QStringList{u"Больница А=2.67/0"_s, u"Больница Б=1.33/0"_s, u"Больница В=4/0"_s}));

        window->setCurrentTab(RatingOutputWindow::ValueTab);
        window->chooseLine(RatingOutputWindow::ValueTab, 2);
        test::clickControl(window.get(), u"?RANG");
        QCOMPARE(m_ranked.size(), 3);
        QVERIFY(!m_ranked[2].mean);
        QCOMPARE(m_ranked[2].title, u"Качество 1;Летальность"_s);
        QCOMPARE(lineNames(m_ranked[2]),
                 (QStringList{u"Больница А=0/0"_s, u"Больница Б=6/0"_s, u"Больница В=9/0"_s}));

        auto districts = outputOf(byDistrict, 2);
        QVERIFY(districts);
        m_ranked.clear();
        for (int tab = 1; tab <= 3; ++tab) {
            districts->setCurrentTab(tab);
            districts->chooseLine(tab, 1);
            test::clickControl(districts.get(), u"?RANG");
        }
        QCOMPARE(m_ranked.size(), 3);
        for (const RankTableSource &source : std::as_const(m_ranked)) {
            QVERIFY(source.districtCodes);
            QList<int> codes;
            for (const analysis::RankLine &line : source.lines)
                codes.append(line.codReg);
            std::sort(codes.begin(), codes.end());
            QCOMPARE(codes, (QList<int>{1, 2}));
        }

        // Without a rank table to open, ?RANG is disabled.
        RatingOutputWindow none(window->run(), {}, services(), {});
        QVERIFY(!findControl<QPushButton>(&none, u"?RANG")->isEnabled());
    }

    // Each tab's workbook with every member, and the closing message.
    void workbooks()
    {
        auto window = outputOf(byInstitution, 2);
        QVERIFY(window);
        QVERIFY(window->exportToExcel());
        QVERIFY(m_office.commands.join(u' ').contains(u"i1.XLS"_s));
        // Texts are poked as texts (a leading apostrophe), values as they are.
        QCOMPARE(m_office.cells.value(u"R2C1"_s), u"'Качество 1 за 2025 год"_s);
        QCOMPARE(m_office.cells.value(u"R10C2"_s), u"'Больница В"_s);
        QCOMPARE(m_office.cells.value(u"R12C2"_s), u"'Больница Б"_s);
        QCOMPARE(m_office.cells.value(u"R10C3"_s), u"5,56"_s);
        QVERIFY(m_office.commands.contains(u"Excel: [SELECT(\"R10C1:R12C12\")]"_s));
        QCOMPARE(m_prompter.lastText(), shell::ExcelLauncher::doneText());

        m_office.reset();
        window->setCurrentTab(RatingOutputWindow::GoalTab);
        test::clickControl(window.get(), u"?EXCEL");
        QVERIFY(m_office.commands.join(u' ').contains(u"i2.XLS"_s));
        QCOMPARE(m_office.cells.value(u"R9C3"_s), u"'Больница А"_s);
        QCOMPARE(m_office.cells.value(u"R9C5"_s), u"'Больница В"_s);
        QCOMPARE(m_office.cells.value(u"R11C2"_s), u"'Коек на 10 тыс."_s);
        QCOMPARE(m_office.cells.value(u"R11C5"_s), u"4"_s);

        m_office.reset();
        window->setCurrentTab(RatingOutputWindow::ValueTab);
        test::clickControl(window.get(), u"?EXCEL");
        QVERIFY(m_office.commands.join(u' ').contains(u"i3.XLS"_s));
        QCOMPARE(m_office.cells.value(u"R9C5"_s), u"'Больница А"_s);
        QCOMPARE(m_office.cells.value(u"R9C7"_s), u"'Больница В"_s);
        QCOMPARE(m_office.cells.value(u"R11C4"_s), u"15"_s);
        QCOMPARE(m_office.cells.value(u"R11C5"_s), u"20"_s);
        QCOMPARE(m_office.cells.value(u"R11C7"_s), u"30"_s);
        QCOMPARE(m_prompter.lastText(), shell::ExcelLauncher::doneText());
    }

    // The same through the spreadsheet program's own service, from the blank workbooks: each
    // tab's workbook is written (and kept beside the test for reading back).
    void workbooksWritten()
    {
        auto recorded = outputOf(byInstitution, 2);
        QVERIFY(recorded);
        QVERIFY(tools::DemoTemplates::write(m_fx->path(u"XLS"_s)));
        runtime::office::OfficeServer office(&m_desktop);
        RatingOutputWindow window(recorded->run(), {},
                                  {m_state, m_prompter, &office, nullptr, nullptr}, {});
        const QDir work(m_fx->path(shell::ExcelLauncher::workFolderName()));
        for (int tab = 1; tab <= 3; ++tab) {
            window.setCurrentTab(tab);
            m_prompter.reset();
            QVERIFY(window.exportToExcel());
            QCOMPARE(m_prompter.texts(), QStringList{shell::ExcelLauncher::doneText()});
            const QStringList made = work.entryList({u"*.XLS"_s}, QDir::Files, QDir::Time);
            QVERIFY(!made.isEmpty());
            test::keepFile(work.filePath(made.first()), u"rating-i%1.xlsx"_s.arg(tab));
        }
    }

    // A set that is not in the file: its message, nothing computed, no rating window.
    void missingSetTold()
    {
        auto window = firstWindow();
        QVERIFY(window);
        choose(*window, withoutSet, 2);
        QVERIFY(!window->compute());
        QCOMPARE(m_prompter.texts(), QStringList{u"Создайте список ЛПУ для данного индикатора"_s});
        QCOMPARE(m_prompter.messages.first().caption, QString());
    }

    // A run called off stops before its next definition with nothing computed.
    void runCalledOff()
    {
        struct CalledOff final : runtime::Progress
        {
            void setTotal(qint64) override {}
            void step(qint64, const QString &) override {}
            bool cancelled() const override { return true; }
        } progress;
        auto window = firstWindow();
        QVERIFY(window);
        choose(*window, byInstitution, 2);
        const auto outcome = analysis::RatingData(*m_context, &progress).rate(*window->request());
        QVERIFY(!outcome);
        QCOMPARE(outcome.error().code, runtime::ErrorCode::Cancelled);
    }

    // "OK" runs the indicator and opens the rating window over the first one; "Индикатор" has
    // its procedure on the menu.
    void okOpensTheRatingWindow()
    {
        auto window = firstWindow();
        QVERIFY(window);
        window->show();
        choose(*window, byInstitution, 5);
        QString shown;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, [&] {
            auto *output = qobject_cast<RatingOutputWindow *>(QApplication::activeModalWidget());
            if (!output)
                return;
            watch.stop();
            shown = columnTexts(output->ratingList(), 1).join(u',');
            output->reject();
        });
        watch.start();
        test::clickControl(window.get(), u"?OK_1");
        QCOMPARE(shown, u"Больница А,Больница В,Больница Б"_s);

        runtime::ini::IniFile ini(m_fx->path(u"zemor.INI"_s));
        runtime::office::OfficeServer office(&m_desktop);
        const auto table = app::procedureTable({m_state, m_prompter, &office});
        QVERIFY(table.contains(u"RateInstitutions"_s));
    }
};

QTEST_MAIN(TestRatingWindows)
#include "test_ratingwindows.moc"
