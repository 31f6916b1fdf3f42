// Period labels, the numbers the period choice accepts, and the classes of place and
// institution codes.

#include "data/Codes.h"
#include "data/Period.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor::data;

Q_DECLARE_METATYPE(zemor::data::PeriodKind)
Q_DECLARE_METATYPE(zemor::data::CodeKind)

class TestPeriodCodes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
    void labels_data();
    void labels();
    void monthLabels();
    void acceptedNumbers_data();
    void acceptedNumbers();
    void codes_data();
    void codes();
    void districts();
    void groupsAndUserTypes();
};

void TestPeriodCodes::kinds_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("listText");

    QTest::newRow("year") << 0 << u"год"_s << u"за год"_s;
    QTest::newRow("month") << 1 << u"месяц"_s << u"ежемесячно"_s;
    QTest::newRow("quarter") << 2 << u"квартал"_s << u"ежеквартально"_s;
    QTest::newRow("half-year") << 3 << u"полугодие"_s << u"за полугодие"_s;
    QTest::newRow("week") << 4 << u"неделя"_s << u"за неделя"_s;
    QTest::newRow("date") << 5 << u"дата"_s << u"за день"_s;
}

void TestPeriodCodes::kinds()
{
    QFETCH(int, byte);
    QFETCH(QString, word);
    QFETCH(QString, listText);

    const std::optional<PeriodKind> kind = periodKindFromByte(byte);
    QVERIFY(kind);
    QCOMPARE(kindWord(*kind), word);
    QCOMPARE(paddedKindWord(*kind), word.leftJustified(kindWordWidth));
    QCOMPARE(periodicityText(*kind), listText);
}

void TestPeriodCodes::labels_data()
{
    QTest::addColumn<PeriodKind>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("label");

    QTest::newRow("January") << PeriodKind::Month << 1 << u"январь"_s;
    QTest::newRow("December") << PeriodKind::Month << 12 << u"декабрь"_s;
    // A month number without a name gets a label of its own, never the one shown before.
    QTest::newRow("month 13") << PeriodKind::Month << 13 << u"13 месяц     "_s;
    QTest::newRow("month 0") << PeriodKind::Month << 0 << u"0 месяц     "_s;
    QTest::newRow("quarter 2") << PeriodKind::Quarter << 2 << u"2 квартал   "_s;
    QTest::newRow("half-year 1") << PeriodKind::HalfYear << 1 << u"1 полугодие "_s;
    QTest::newRow("week 52") << PeriodKind::Week << 52 << u"52 неделя    "_s;
    QTest::newRow("date") << PeriodKind::Date << 81234 << u"81234 дата      "_s;
    QTest::newRow("year") << PeriodKind::Year << 0 << QString();
    QTest::newRow("year with a number") << PeriodKind::Year << 3 << QString();
    QTest::newRow("unknown kind") << static_cast<PeriodKind>(9) << 4 << u"4           "_s;
}

void TestPeriodCodes::labels()
{
    QFETCH(PeriodKind, kind);
    QFETCH(int, number);
    QFETCH(QString, label);

    QCOMPARE(periodLabel(kind, number), label);
}

void TestPeriodCodes::monthLabels()
{
    QCOMPARE(monthLabel(3), u"март"_s);
    QCOMPARE(monthLabel(13), u"13"_s);
    QCOMPARE(monthLabel(0), u"0"_s);
    QCOMPARE(monthName(5), u"май"_s);
    QCOMPARE(monthName(13), QString());
}

void TestPeriodCodes::acceptedNumbers_data()
{
    QTest::addColumn<PeriodKind>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("year 0") << PeriodKind::Year << 0 << true;
    QTest::newRow("year 1") << PeriodKind::Year << 1 << false;
    QTest::newRow("month 0") << PeriodKind::Month << 0 << false;
    QTest::newRow("month 1") << PeriodKind::Month << 1 << true;
    QTest::newRow("month 13") << PeriodKind::Month << 13 << true;
    QTest::newRow("month 14") << PeriodKind::Month << 14 << false;
    QTest::newRow("quarter 5") << PeriodKind::Quarter << 5 << true;
    QTest::newRow("quarter 6") << PeriodKind::Quarter << 6 << false;
    QTest::newRow("half-year 3") << PeriodKind::HalfYear << 3 << true;
    QTest::newRow("half-year 4") << PeriodKind::HalfYear << 4 << false;
    QTest::newRow("week -1") << PeriodKind::Week << -1 << false;
    QTest::newRow("week 1000") << PeriodKind::Week << 1000 << true;
    QTest::newRow("date far") << PeriodKind::Date << 2147483647 << true;
    QTest::newRow("date 0") << PeriodKind::Date << 0 << false;
}

void TestPeriodCodes::acceptedNumbers()
{
    QFETCH(PeriodKind, kind);
    QFETCH(int, number);
    QFETCH(bool, accepted);

    QCOMPARE(acceptsPeriodNumber(kind, number), accepted);
    QCOMPARE(choosesPeriodNumber(kind), kind != PeriodKind::Year);
    QCOMPARE(periodNumberError(), u"Ошибка"_s);
}

void TestPeriodCodes::codes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<CodeKind>("kind");

    QTest::newRow("0") << 0 << CodeKind::None;
    QTest::newRow("negative") << -5 << CodeKind::None;
    QTest::newRow("first institution") << 1 << CodeKind::Institution;
    QTest::newRow("last institution") << 6999 << CodeKind::Institution;
    QTest::newRow("first attached unit") << 7000 << CodeKind::AttachedUnit;
    QTest::newRow("last attached unit") << 19999 << CodeKind::AttachedUnit;
    QTest::newRow("region") << 20000 << CodeKind::RegionTotal;
    QTest::newRow("districts") << 20001 << CodeKind::DistrictsTotal;
    QTest::newRow("between") << 20002 << CodeKind::None;
    QTest::newRow("district base") << 21000 << CodeKind::None;
    QTest::newRow("district 12") << 21012 << CodeKind::DistrictTotal;
    QTest::newRow("city 101") << 21101 << CodeKind::DistrictTotal;
    QTest::newRow("last district") << 21999 << CodeKind::DistrictTotal;
    QTest::newRow("past the districts") << 22000 << CodeKind::None;
}

void TestPeriodCodes::codes()
{
    QFETCH(int, code);
    QFETCH(CodeKind, kind);

    QCOMPARE(classifyCode(code), kind);
    QCOMPARE(isPseudoInstitution(code), kind == CodeKind::RegionTotal ||
                                            kind == CodeKind::DistrictsTotal ||
                                            kind == CodeKind::DistrictTotal);
}

void TestPeriodCodes::districts()
{
    QCOMPARE(districtTotalCode(12), std::optional<int>(21012));
    QCOMPARE(districtTotalCode(101), std::optional<int>(21101));
    QCOMPARE(districtTotalCode(0), std::nullopt);
    QCOMPARE(districtTotalCode(1000), std::nullopt);
    QCOMPARE(districtOfTotalCode(21012), std::optional<int>(12));
    QCOMPARE(districtOfTotalCode(20000), std::nullopt);

    QVERIFY(isRuralDistrict(1) && isRuralDistrict(99));
    QVERIFY(!isRuralDistrict(0) && !isRuralDistrict(100));
    QVERIFY(isCity(100) && isCity(199) && !isCity(201));
    QVERIFY(isLargeCity(101) && isLargeCity(102) && !isLargeCity(103));
    QCOMPARE(districtTotalSuffix(12), u" район"_s);
    QCOMPARE(districtTotalSuffix(99), u" район"_s);
    QCOMPARE(districtTotalSuffix(100), u" город"_s);
    QCOMPARE(districtTotalSuffix(201), u" город"_s);
}

void TestPeriodCodes::groupsAndUserTypes()
{
    QCOMPARE(districtGroupName(DistrictGroupDistricts), u"Районы"_s);
    QCOMPARE(districtGroupName(DistrictGroupCities), u"Таргин+Сарвенск"_s);
    QCOMPARE(districtGroupName(DistrictGroupMunicipal), u"Муниципальные"_s);
    QVERIFY(!isDistrictGroup(201));
    QCOMPARE(districtGroupName(201), QString());

    QCOMPARE(userTypeText(*userTypeFromByte(0)), u"ДЗО (вся область)"_s);
    QCOMPARE(userTypeText(*userTypeFromByte(1)), u"Регион"_s);
    QCOMPARE(userTypeText(*userTypeFromByte(2)), u"ЛПУ"_s);
    QCOMPARE(userTypeFromByte(3), std::nullopt);
}

QTEST_GUILESS_MAIN(TestPeriodCodes)
#include "test_period_codes.moc"
