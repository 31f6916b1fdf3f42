// Institution sets: which institutions are candidates, marking by district, kind and
// city/village, and saving sets (ids, refusals, a set gone meanwhile).

#include "IndicatorFixture.h"
#include "analysis/ratings/InstitutionSets.h"
#include "data/DataContext.h"
#include "data/records/BolnRecord.h"
#include "data/records/NaborRecord.h"
#include "data/records/ViduchRecord.h"
#include "support/WriteFailures.h"

#include <QFile>

#include <QTest>

using namespace zemor;
using namespace zemor::analysis;
using namespace zemor::test;
using namespace Qt::StringLiterals;

namespace {

SetCandidate candidate(qint32 code, int district, int kind, int place, int subordination = 0)
{
    SetCandidate c;
    c.code = code;
    c.district = district;
    c.kind = kind;
    c.place = place;
    c.subordination = subordination;
    return c;
}

// A 5/1 city, B 5/2 village, C 7/1 village, D 150/2 city regional, E 9/2 city municipal.
SetEditor editor()
{
    return SetEditor({candidate(1, 5, 1, 1), candidate(2, 5, 2, 2), candidate(3, 7, 1, 2),
                      candidate(4, 150, 2, 1, 1), candidate(5, 9, 2, 1, 3)},
                     {{5, u"Пятый"_s}, {7, u"Седьмой"_s}}, {{1, u"Больница"_s}, {2, u"ФАП"_s}});
}

QList<qint32> marked(const SetEditor &e)
{
    return e.markedCodes();
}

qsizetype kindIndex(const SetEditor &e, int code)
{
    for (qsizetype i = 0; i < e.kinds().size(); ++i)
        if (e.kinds()[i].code == code)
            return i;
    return -1;
}

} // namespace

class TestInstitutionSets : public QObject
{
    Q_OBJECT
    std::unique_ptr<IndicatorFixture> m_fx;

    bool sets(const QList<std::pair<int, QList<qint32>>> &list)
    {
        return m_fx->write(u"NABOR.TPS"_s, data::FileId::NABOR, int(list.size()),
                           [&](runtime::store::KeyedFile &f, int i) {
                               data::NaborRecord r(f.record());
                               r.setId(list[i].first);
                               r.setName(u"Набор %1"_s.arg(list[i].first));
                               bool ok = true;
                               for (qsizetype k = 0; k < list[i].second.size(); ++k)
                                   ok = ok && r.setIdLpu(int(k + 1), list[i].second[k]);
                               return ok;
                           });
    }

    QList<qint32> storedIds()
    {
        data::DataContext context;
        InstitutionSets fresh(context);
        if (!fresh.load())
            return {-1};
        QList<qint32> ids;
        for (const InstitutionSet &s : fresh.sets())
            ids.append(s.id);
        return ids;
    }

private Q_SLOTS:
    void init()
    {
        m_fx = std::make_unique<IndicatorFixture>();
        QVERIFY(m_fx->isValid());
    }

    void candidates_data()
    {
        QTest::addColumn<int>("place");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("closeYear");
        QTest::addColumn<bool>("expected");
        QTest::newRow("closed 1999") << 1 << 10 << 1999 << false;
        QTest::newRow("closed 2000") << 1 << 10 << 2000 << true;
        QTest::newRow("open") << 2 << 10 << 0 << true;
        QTest::newRow("attached village") << 3 << 10 << 0 << false;
        QTest::newRow("code 7000") << 1 << 7000 << 0 << true;
        QTest::newRow("code 7001") << 1 << 7001 << 0 << false;
    }
    void candidates()
    {
        QFETCH(int, place);
        QFETCH(int, code);
        QFETCH(int, closeYear);
        QFETCH(bool, expected);
        QCOMPARE(isSetCandidate(place, code, closeYear), expected);
    }

    void districtGroups_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QList<qint32>>("expected");
        QTest::newRow("whole region") << 0 << QList<qint32>{1, 2, 3, 4, 5};
        QTest::newRow("rural") << 251 << QList<qint32>{1, 2, 3, 5};
        QTest::newRow("cities") << 400 << QList<qint32>{4};
        QTest::newRow("municipal") << 500 << QList<qint32>{5};
        QTest::newRow("regional") << 600 << QList<qint32>{4};
        QTest::newRow("one district") << 7 << QList<qint32>{3};
    }
    void districtGroups()
    {
        QFETCH(int, filter);
        QFETCH(QList<qint32>, expected);
        SetEditor e = editor();
        e.chooseDistrict(filter);
        QCOMPARE(marked(e), expected);
    }

    void choices()
    {
        const SetEditor e = editor();
        QStringList districts;
        for (const SetDistrictChoice &d : e.districts())
            districts << u"%1:%2"_s.arg(d.code).arg(d.name);
        QCOMPARE(districts,
                 (QStringList{u"0:Таргинская область"_s, u"5:Пятый"_s, u"7:Седьмой"_s,
                              u"251:Районы"_s, u"400:Таргин+Сарвенск"_s, u"500:Муниципальные"_s}));
        QCOMPARE(e.kinds().size(), 3);
        QCOMPARE(e.kinds()[2].name, u"ФАП"_s);
    }

    // Districts add up; marked kinds replace the district part; city and village switches.
    void filtering()
    {
        SetEditor e = editor();
        e.chooseDistrict(5);
        QCOMPARE(marked(e), (QList<qint32>{1, 2}));
        e.chooseDistrict(7);
        QCOMPARE(marked(e), (QList<qint32>{1, 2, 3}));

        e.toggleKind(kindIndex(e, 1));
        e.chooseKinds(kindIndex(e, 1));
        QCOMPARE(e.kindText(), u",Больница"_s);
        QCOMPARE(marked(e), (QList<qint32>{1, 3}));
        e.chooseDistrict(9);
        QCOMPARE(marked(e), (QList<qint32>{1, 3}));

        e.setVillage(false);
        QCOMPARE(marked(e), (QList<qint32>{1}));
        e.setVillage(true);
        QCOMPARE(marked(e), (QList<qint32>{1, 3}));
        e.setCity(false);
        QCOMPARE(marked(e), (QList<qint32>{3}));

        // "Все виды ЛПУ" marked and accepted: the kind filter is off.
        e.setCity(true);
        e.toggleKind(kindIndex(e, 0));
        e.chooseKinds(kindIndex(e, 0));
        QCOMPARE(e.kindText(), QString());
        QCOMPARE(marked(e), (QList<qint32>{1, 3, 5}));

        e.reset();
        QCOMPARE(e.markedCount(), 0);
        QCOMPARE(e.kindText(), SetEditor::allKindsName());
        QCOMPARE(e.districtFilter(), 0);
    }

    void openedSetAndSortByMark()
    {
        SetEditor e = editor();
        e.open({.id = 1, .members = {4, 2, 99}});
        QCOMPARE(e.markedCount(), 2);
        e.sortByMark();
        QCOMPARE(e.candidates()[0].code, 2);
        QCOMPARE(e.candidates()[1].code, 4);
        QCOMPARE(e.candidates()[0].mark(), u"o"_s);
        e.toggle(0);
        QCOMPARE(marked(e), (QList<qint32>{4}));
    }

    // Candidates from `boln`: a missing district is "???", the parent's kind and place.
    void readCandidates()
    {
        QVERIFY(m_fx->districts({5}));
        QVERIFY(m_fx->write(u"VIDUCH.DAT"_s, data::FileId::viduch, 1,
                            [](runtime::store::KeyedFile &f, int) {
                                data::ViduchRecord r(f.record());
                                r.setNameUch(u"Больница"_s);
                                return r.setCodVid(1).has_value();
                            }));
        struct B
        {
            qint32 code;
            int district, kind, place, closeYear;
            QString s;
        };
        const QList<B> boln{{20, 8, 3, 2, 0, u"0300010"_s},
                            {10, 5, 1, 1, 0, u"01"_s},
                            {30, 5, 1, 1, 1999, {}},
                            {40, 5, 1, 3, 0, {}}};
        QVERIFY(m_fx->write(u"BOLN.DAT"_s, data::FileId::boln, int(boln.size()),
                            [&](runtime::store::KeyedFile &f, int i) {
                                data::BolnRecord r(f.record());
                                r.setUnicod(boln[i].code);
                                r.setNazv(u"ЛПУ %1"_s.arg(boln[i].code));
                                r.setSel(quint8(boln[i].place));
                                r.setEYear(qint16(boln[i].closeYear));
                                r.setS(boln[i].s);
                                return r.setCodReg(boln[i].district) && r.setVid(boln[i].kind);
                            }));
        data::DataContext context;
        const auto read = InstitutionSets(context).readCandidates();
        QVERIFY(read);
        QStringList got;
        for (const SetCandidate &c : read->candidates)
            got << u"%1:%2:%3:%4:%5/%6:%7:%8"_s.arg(c.position)
                       .arg(c.code)
                       .arg(c.districtName)
                       .arg(c.kindName)
                       .arg(c.parent)
                       .arg(c.parentKind)
                       .arg(c.subordination)
                       .arg(c.placeName);
        QCOMPARE(got,
                 (QStringList{u"1:10:район 5:Больница:0/0:1:город"_s, u"2:20:???::10/1:3:село"_s}));
    }

    // Two saves of a new set give consecutive ids and the same members; an empty file starts
    // at 1.
    void savingNewSets()
    {
        QVERIFY(sets({}));
        data::DataContext context;
        InstitutionSets store(context);
        QVERIFY(store.load());
        qint32 id = 0;
        QCOMPARE(store.addSet(u"Первый"_s, {3, 1}, &id), QString());
        QCOMPARE(id, 1);
        QCOMPARE(store.addSet(u"Первый"_s, {3, 1}, &id), QString());
        QCOMPARE(id, 2);
        QCOMPARE(storedIds(), (QList<qint32>{1, 2}));
        InstitutionSets fresh(context);
        QVERIFY(fresh.load());
        QCOMPARE(fresh.sets()[1].members, (QList<qint32>{3, 1}));
        QCOMPARE(store.sets().size(), 2);
    }

    // Refused saves and a set gone meanwhile: a message, the file and the list unchanged.
    void refusedSaves()
    {
        QVERIFY(sets({{255, {1}}, {7, {2}}}));
        data::DataContext context;
        InstitutionSets store(context);
        QVERIFY(store.load());
        QCOMPARE(store.addSet(u"Новый"_s, {1}), InstitutionSets::idTooLargeMessage());
        QList<qint32> many;
        for (int i = 1; i <= 251; ++i)
            many.append(i);
        QCOMPARE(store.updateSet(7, u"Много"_s, many), InstitutionSets::tooManyMessage());
        QCOMPARE(store.updateSet(7, u"Другой"_s, many.mid(0, 250)), QString());
        QCOMPARE(store.sets()[0].members.size(), 250);

        InstitutionSets other(context);
        QVERIFY(other.load());
        QVERIFY(other.removeSet(7));
        QCOMPARE(other.sets().size(), 1);
        QVERIFY(store.updateSet(7, u"Третий"_s, {5})
                    .startsWith(InstitutionSets::notSavedMessage() + u'|'));
        QCOMPARE(store.sets()[0].name, u"Другой"_s);
        QCOMPARE(storedIds(), (QList<qint32>{255}));
    }

    // A file that refuses the write: "not saved", the list as the file holds it.
    void failedWrite()
    {
        QVERIFY(sets({{1, {1}}}));
        data::DataContext context;
        InstitutionSets store(context);
        QVERIFY(store.load());
        const QString path = m_fx->path(u"NABOR.TPS"_s);
        const auto permissions = QFile::permissions(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        QString added, updated;
        {
            test::PermissionsBind bind;
            added = store.addSet(u"Новый"_s, {2});
            updated = store.updateSet(1, u"Другой"_s, {3});
        }
        QFile::setPermissions(path, permissions);
        // Not saved, and why.
        QVERIFY2(added.startsWith(InstitutionSets::notSavedMessage() + u"|Access Denied"_s),
                 qPrintable(added));
        QVERIFY2(updated.startsWith(InstitutionSets::notSavedMessage() + u"|Access Denied"_s),
                 qPrintable(updated));
        QCOMPARE(store.sets().size(), 1);
        QCOMPARE(store.sets()[0].members, QList<qint32>{1});
        QCOMPARE(storedIds(), QList<qint32>{1});
    }

    // A disk that fills up while sets are added: the set that did not fit is told as not saved
    // because the disk is full; the sets saved before it stay, in the file and in the list.
    void fullDisk()
    {
        QVERIFY(sets({{1, {1}}}));
        data::DataContext context;
        InstitutionSets store(context);
        QVERIFY(store.load());
        QVERIFY(context.open(data::FileId::NABOR));
        QVERIFY(context.file(data::FileId::NABOR).setMaxPageCount(1)); // no page more than now
        QList<qint32> members;
        for (qint32 code = 1; code <= InstitutionSet::maxMembers; ++code)
            members.append(code);
        QString refused;
        for (int i = 0; i < 100 && refused.isEmpty(); ++i)
            refused = store.addSet(u"Набор %1"_s.arg(i), members);
        context.close(data::FileId::NABOR);
        QVERIFY2(refused.startsWith(InstitutionSets::notSavedMessage() + u"|Нет места на диске"_s),
                 qPrintable(refused));
        QList<qint32> ids;
        for (const InstitutionSet &set : store.sets())
            ids.append(set.id);
        QCOMPARE(storedIds(), ids);
    }
};

QTEST_GUILESS_MAIN(TestInstitutionSets)
#include "test_institutionsets.moc"
