// The one model of which institutions a list shows, for the pick list and for the list of
// institutions side by side: what they share, and where stored data has always been read
// differently by each.

#include "data/records/BolnRecord.h"
#include "shell/AppState.h"
#include "shell/InstitutionList.h"
#include "shell/InstitutionListing.h"
#include "shell/PickInstitution.h"

#include <QTest>

using namespace zemor;
using namespace zemor::shell;

class InstitutionListingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listed_data();
    void listed();
    void attachedTo_data();
    void attachedTo();
};

void InstitutionListingTest::listed_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("sYear");
    QTest::addColumn<int>("eYear");
    QTest::addColumn<int>("sel");
    QTest::addColumn<bool>("picked"); // in the pick list of a whole-region installation
    QTest::addColumn<bool>("inList"); // in the list of institutions
    // The year is 2025.
    QTest::newRow("open") << 150 << 1990 << 0 << 1 << true << true;
    QTest::newRow("closed this year") << 150 << 1990 << 2025 << 1 << true << true;
    QTest::newRow("closed last year") << 150 << 1990 << 2024 << 1 << false << false;
    QTest::newRow("opens next year") << 150 << 2026 << 0 << 1 << false << false;
    QTest::newRow("left out of lists") << 150 << 1990 << 0 << 3 << false << false;
    QTest::newRow("program's own code 998") << 998 << 1990 << 0 << 1 << true << false;
    QTest::newRow("program's own code 999") << 999 << 1990 << 0 << 1 << true << false;
    QTest::newRow("negative closing year") << 150 << 1990 << -1 << 1 << false << true;
}

void InstitutionListingTest::listed()
{
    QFETCH(int, code);
    QFETCH(int, sYear);
    QFETCH(int, eYear);
    QFETCH(int, sel);
    QFETCH(bool, picked);
    QFETCH(bool, inList);
    QByteArray bytes;
    data::BolnRecord r(bytes);
    r.clear();
    r.setUnicod(code);
    r.setSYear(qint16(sYear));
    r.setEYear(qint16(eYear));
    r.setSel(quint8(sel));
    AppState state;
    state.globYear = 2025;
    state.globTipUser = 0;
    QCOMPARE(InstitutionListing::forPicking(state, false).isListed(r), picked);
    QCOMPARE(PickInstitution::isListed(r, state, false), picked);
    QCOMPARE(InstitutionListing::forList(2025).isListed(r), inList);
    QCOMPARE(InstitutionList::isListed(r, 2025), inList);
}

void InstitutionListingTest::attachedTo_data()
{
    QTest::addColumn<QString>("s");
    QTest::addColumn<int>("parent");      // -1: none
    QTest::addColumn<bool>("seenByZero"); // listed for an installation whose own code is 0
    QTest::newRow("attached") << QStringLiteral("  123") << 123 << false;
    QTest::newRow("padded") << QStringLiteral("xx 45 ") << 45 << false;
    QTest::newRow("not a number") << QStringLiteral("  abc") << -1 << false;
    QTest::newRow("blank") << QString() << -1 << false;
    QTest::newRow("zero") << QStringLiteral("  0") << 0 << true;
}

void InstitutionListingTest::attachedTo()
{
    QFETCH(QString, s);
    QFETCH(int, parent);
    QFETCH(bool, seenByZero);
    QByteArray bytes;
    data::BolnRecord r(bytes);
    r.clear();
    r.setUnicod(150);
    r.setSYear(1990);
    r.setSel(1);
    r.setS(s);
    const auto found = InstitutionListing::attachedTo(r);
    QCOMPARE(found.has_value(), parent >= 0);
    if (found)
        QCOMPARE(*found, parent);
    AppState state;
    state.globYear = 2025;
    state.globTipUser = 2; // an installation of one institution
    state.globKodUser = 0;
    QCOMPARE(InstitutionListing::forPicking(state, true).isListed(r), seenByZero);
}

QTEST_APPLESS_MAIN(InstitutionListingTest)
#include "test_institutionlisting.moc"
