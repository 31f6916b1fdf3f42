// A rating run over a small working directory: the indicators offered, the set's members named
// and numbered, the value rows with their headings and norms, each definition's results in its
// own table's rows, and what the user is told. Nothing is written by a run.

#include "IndicatorFixture.h"
#include "analysis/ratings/RatingData.h"
#include "data/DataContext.h"
#include "data/records/BolnRecord.h"
#include "data/records/IndikRecord.h"
#include "data/records/NaborRecord.h"

#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::test;
using namespace Qt::StringLiterals;

namespace {

constexpr int year = 2025;

struct Indik
{
    int id = 0;
    int tip = 0;
    int set = 7;
    QList<std::pair<int, int>> definitions; // (table, definition)
};

} // namespace

class TestRatingData : public QObject
{
    Q_OBJECT
    std::unique_ptr<IndicatorFixture> m_fx;

    bool indicators(const QList<Indik> &list)
    {
        return m_fx->write(u"INDIK.TPS"_s, data::FileId::indik, int(list.size()),
                           [&](runtime::store::KeyedFile &f, int i) {
                               const Indik &x = list[i];
                               data::IndikRecord r(f.record());
                               r.setName(u"Показатель %1"_s.arg(x.id));
                               r.setTip(quint8(x.tip));
                               bool ok = r.setId(x.id) && r.setCodForm(62) &&
                                         r.setTipInd(20, quint8(x.set));
                               for (qsizetype k = 0; k < x.definitions.size(); ++k)
                                   ok = ok && r.setCodTabl(int(k + 1), x.definitions[k].first) &&
                                        r.setCodPok(int(k + 1), x.definitions[k].second);
                               return ok;
                           });
    }

    bool sets(const QList<std::pair<int, QList<qint32>>> &list)
    {
        return m_fx->write(u"NABOR.TPS"_s, data::FileId::NABOR, int(list.size()),
                           [&](runtime::store::KeyedFile &f, int i) {
                               data::NaborRecord r(f.record());
                               r.setId(list[i].first);
                               bool ok = true;
                               for (qsizetype k = 0; k < list[i].second.size(); ++k)
                                   ok = ok && r.setIdLpu(int(k + 1), list[i].second[k]);
                               return ok;
                           });
    }

    RatingRequest request(int id, int type)
    {
        data::DataContext context;
        auto list = RatingData(context).indicators();
        RatingRequest r;
        for (const RatingIndicator &i : *list)
            if (i.id == id)
                r.indicator = i;
        r.year = year;
        r.firstMonth = 1;
        r.lastMonth = 12;
        r.type = type;
        return r;
    }

private Q_SLOTS:
    void init()
    {
        m_fx = std::make_unique<IndicatorFixture>();
        QVERIFY(m_fx->isValid());
        QVERIFY(m_fx->districts({1, 2}));
        QVERIFY(m_fx->forms(year, {{62, 0}}));
        QVERIFY(m_fx->formRows(year, {{62, 1, 5, 1, 0, u"Строка 5"_s, u"5"_s, {}},
                                      {62, 1, 6, 2, 0, u"Строка 6"_s, u"6"_s, {}},
                                      {62, 2, 7, 1, 0, u"Строка 7"_s, u"7"_s, {}}}));
        QVERIFY(m_fx->write(u"%1/Tabl.dat"_s.arg(year), data::FileId::tabl, 1,
                            [](runtime::store::KeyedFile &f, int) {
                                data::TablRecord r(f.record());
                                r.setName(u"Структура"_s);
                                return r.setCodForm(62) && r.setCodTabl(1);
                            }));
        // Members 11 and 12 of district 1; the norms report of the region for row 5.
        QVERIFY(m_fx->reports(year, 62,
                              {{11, 1, 5, {{1, 10}}},
                               {12, 1, 5, {{1, 20}}},
                               {11, 1, 6, {{1, 4}}},
                               {RatingData::normsInstitution, 0, 5, {{1, 15}, {5, 2}}}}));
        QVERIFY(m_fx->definition(5, 62, 2, 0));
        QVERIFY(m_fx->cells({{62, 1, 5, 1, 1}, {62, 1, 6, 1, 2}}));
        QVERIFY(m_fx->write(u"BOLN.DAT"_s, data::FileId::boln, 2,
                            [](runtime::store::KeyedFile &f, int i) {
                                data::BolnRecord r(f.record());
                                r.setUnicod(11 + i);
                                r.setNazv(i == 0 ? u"Больница Б"_s : u"Больница А"_s);
                                return r.setCodReg(1) && r.setVid(2);
                            }));
        QVERIFY(sets({{9, {12}}, {7, {11, 12, 99}}}));
        QVERIFY(indicators({{1, 0, 7, {{1, 5}}},
                            {2, 11, 7, {{1, 5}}},
                            {3, 0, 8, {{1, 5}}},
                            {4, 0, 7, {{2, 5}, {9, 5}}}}));
    }

    void offeredIndicators()
    {
        data::DataContext context;
        const auto list = RatingData(context).indicators();
        QVERIFY(list);
        QList<int> ids;
        for (const RatingIndicator &i : *list)
            ids.append(i.id);
        QCOMPARE(ids, (QList<int>{1, 3, 4})); // type 11 is not offered
        QCOMPARE(list->first().setId, 7);
        QCOMPARE(list->first().definitions[0], 5);
        QCOMPARE(list->first().tables[0], 1);
    }

    // Set 7, after another in the file; 99 is not in `boln`: no name, first by district 0.
    void membersNamedAndNumbered()
    {
        data::DataContext context;
        const auto members = RatingData(context).members(7);
        QVERIFY(members);
        QStringList got;
        for (const RatingMember &m : *members)
            got << u"%1:%2:%3"_s.arg(m.code).arg(m.number).arg(m.name);
        QCOMPARE(got.join(u' '), u"11:3:Больница Б 12:2:Больница А 99:1:"_s);
    }

    void wholeRun()
    {
        data::DataContext context;
        const auto outcome = RatingData(context).rate(request(1, 2));
        QVERIFY2(outcome, qPrintable(outcome ? QString() : outcome.error().message));
        QVERIFY(!outcome->missingSet);
        QCOMPARE(outcome->messages, QStringList{u"2нет таблицы Qi:codTabl errorcode()=101"_s});
        const RatingRun &run = outcome->run;
        QCOMPARE(run.periodText, u"2025г. "_s);
        QStringList rows;
        for (const ValueRow &r : run.values)
            rows << u"%1/%2:%3:%4|%5,%6,%7"_s.arg(r.table)
                        .arg(r.rowId)
                        .arg(r.name)
                        .arg(r.norm)
                        .arg(r.value(1))
                        .arg(r.value(2))
                        .arg(r.value(3));
        QCOMPARE(rows, (QStringList{u"1/0:Структура:0|0,0,0"_s, u"1/5:Строка 5:15|0,20,10"_s,
                                    u"1/6:Строка 6:1.33|0,0,4"_s, u"1/30000::0|0,0,0"_s,
                                    u"2/0::0|0,0,0"_s, u"2/7:Строка 7:0|0,0,0"_s,
                                    u"2/30000::0|0,0,0"_s}));
        QCOMPARE(run.values[1].weight, 2.0);
        QCOMPARE(run.goals[1].value(2), 2.666);
        QCOMPARE(run.goals[2].value(3), 3.008);
        QStringList ratings;
        QList<RatingRow> ranked = run.ratings;
        rankRatingRows(ranked);
        for (const RatingRow &r : ranked)
            ratings << u"%1:%2:%3"_s.arg(r.place).arg(r.code).arg(r.rating);
        QCOMPARE(ratings, (QStringList{u"1:11:4.34"_s, u"2:12:2.67"_s, u"3:99:0"_s}));
    }

    // Two results into a table of one row store one; a table the form lacks stores nothing.
    void resultsOnlyIntoTheirTable()
    {
        data::DataContext context;
        const auto outcome = RatingData(context).rate(request(4, 2));
        QVERIFY(outcome);
        const RatingRun &run = outcome->run;
        QCOMPARE(run.values[5].rowId, 7);
        QCOMPARE(run.values[5].value(2), 20.0);
        QCOMPARE(run.values[6].value(2), 0.0); // the table end
        for (int i = 0; i < 4; ++i)
            QCOMPARE(run.values[i].value(2), 0.0);
    }

    void missingSet()
    {
        data::DataContext context;
        const auto outcome = RatingData(context).rate(request(3, 2));
        QVERIFY(outcome);
        QVERIFY(outcome->missingSet);
        QCOMPARE(outcome->messages, QStringList{RatingData::missingSetMessage()});
        QVERIFY(outcome->run.values.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRatingData)
#include "test_ratingdata.moc"
