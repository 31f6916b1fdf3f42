// The choices of report entry before a report opens: the year held within the available years,
// the institution of a district choice, the period word of a given report, the window title.

#include "entry/EntryChoices.h"

#include <QTest>

using namespace zemor::entry;
using namespace Qt::StringLiterals;

class TestEntryChoices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clampYear_data();
    void clampYear();
    void institutionOfDistrict_data();
    void institutionOfDistrict();
    void texts();
};

void TestEntryChoices::clampYear_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("told");
    QTest::newRow("below") << 2000 << 2005 << true;
    QTest::newRow("first") << 2005 << 2005 << false;
    QTest::newRow("inside") << 2009 << 2009 << false;
    QTest::newRow("last") << 2012 << 2012 << false;
    QTest::newRow("above") << 2013 << 2012 << true;
}

void TestEntryChoices::clampYear()
{
    QFETCH(int, year);
    QFETCH(int, expected);
    QFETCH(bool, told);
    const EntryChoices::Year y = EntryChoices::clampYear(year, 2005, 2012);
    QCOMPARE(y.year, expected);
    QCOMPARE(y.message, told ? u"Возможный период с 2005г. по 2012г."_s : QString());
}

void TestEntryChoices::institutionOfDistrict_data()
{
    QTest::addColumn<int>("district");
    QTest::addColumn<int>("institution"); // -1: picked from the list
    QTest::newRow("rural district") << 3 << -1;
    QTest::newRow("city") << 101 << -1;
    QTest::newRow("249") << 249 << -1;
    QTest::newRow("region") << 250 << 20000;
    QTest::newRow("districts") << 251 << 20001;
    QTest::newRow("group") << 300 << 0;
}

void TestEntryChoices::institutionOfDistrict()
{
    QFETCH(int, district);
    QFETCH(int, institution);
    const auto got = EntryChoices::institutionOfDistrict(district);
    QCOMPARE(got.has_value() ? int(*got) : -1, institution);
}

void TestEntryChoices::texts()
{
    QCOMPARE(EntryChoices::givenReportKindWord(0), u"год"_s);
    QCOMPARE(EntryChoices::givenReportKindWord(3), u"полугодие"_s);
    QCOMPARE(EntryChoices::givenReportKindWord(4), QString());
    QCOMPARE(EntryChoices::givenReportKindWord(5), QString());
    QCOMPARE(EntryChoices::titleWithDistrict(3, u"Каменский   "_s, u"ЦРБ"_s),
             u"Каменский р-н, ЦРБ"_s);
    QCOMPARE(EntryChoices::titleWithDistrict(101, u"Таргин"_s, u"ГБ № 1"_s), u"Таргин, ГБ № 1"_s);
}

QTEST_GUILESS_MAIN(TestEntryChoices)
#include "test_entrychoices.moc"
