// The choices of report entry before a report opens: the institution of a district choice,
// the period word of a given report, the window title.

#include "entry/EntryChoices.h"

#include <QTest>

using namespace zemor::entry;
using namespace Qt::StringLiterals;

class TestEntryChoices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void institutionOfDistrict_data();
    void institutionOfDistrict();
    void texts();
};

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
