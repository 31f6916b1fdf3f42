// The keys of the real declarations, on real files: what the program relies on when it reads a
// table's rows in display order, looks a row up by its printed number, and finds the rows of a
// report (also a summary report) by period and institution.

#include "data/Dictionary.h"
#include "data/records/OtchetRecord.h"
#include "data/records/StrokaRecord.h"
#include "runtime/store/KeyedFile.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace zemor;
using runtime::ErrorCode;
using runtime::store::KeyedFile;

namespace {

struct Row
{
    qint16 unicod;
    qint64 form;
    qint64 table;
    quint8 number;
    const char16_t *codStr;
};

} // namespace

class TestKeys : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static runtime::Status addRow(KeyedFile &file, const Row &row)
    {
        data::StrokaRecord rec(file.record());
        rec.clear();
        rec.setUnicod(row.unicod);
        if (auto s = rec.setCodForm(row.form); !s)
            return s;
        if (auto s = rec.setCodTabl(row.table); !s)
            return s;
        rec.setNumber(row.number);
        rec.setCodStr(QStringView(row.codStr));
        return file.add();
    }

    static runtime::Status addReportRow(KeyedFile &file, qint32 institution, qint32 period,
                                        qint16 row, qint64 table = 1000)
    {
        data::OtchetRecord rec(file.record());
        rec.clear();
        rec.setCodReg(3);
        rec.setCodUch(institution);
        rec.setMes(period);
        rec.setTip(1);
        rec.setUnicodStr(row);
        if (auto s = rec.setCodTab(table); !s)
            return s;
        if (auto s = rec.setData(1, runtime::Decimal(period * 100 + row)); !s)
            return s;
        return file.add();
    }

    // The rows of one report, read as the program reads them: period and institution as the
    // scope of `OTC:KEYCODUCH`.
    static QList<qint16> reportRows(KeyedFile &file, qint32 institution, qint32 period)
    {
        QList<qint16> rows;
        data::OtchetRecord rec(file.record());
        rec.clear();
        rec.setMes(period);
        rec.setCodUch(institution);
        if (!file.set(data::OtchetRecord::KeyCodUch, 2))
            return rows;
        while (file.next())
            rows.append(rec.unicodStr());
        return rows;
    }

private Q_SLOTS:
    void rowKeys()
    {
        const auto &layout = data::declaration(data::FileId::stroka).layout;
        QVERIFY(KeyedFile::create(path("Stroka.dat"), layout));
        KeyedFile file(layout);
        QVERIFY(file.open(path("Stroka.dat")));

        QVERIFY(addRow(file, {1, 62, 1000, 1, u"1.0"}));
        QVERIFY(addRow(file, {2, 62, 1000, 2, u"1.1а"}));
        // Another row under the same display number of the same table is refused.
        const auto clash = addRow(file, {3, 62, 1000, 2, u"1.2"});
        QVERIFY(!clash);
        QCOMPARE(clash.error().code, ErrorCode::DuplicateKey);
        QCOMPARE(clash.error().number(), 40);
        // The printed number compares without regard to case: "1.1А" is "1.1а".
        const auto caseClash = addRow(file, {4, 62, 1000, 3, u"1.1А"});
        QVERIFY(!caseClash);
        QCOMPARE(caseClash.error().code, ErrorCode::DuplicateKey);
        // A row with form, table and number 0 is left out of the display order, so two of them
        // do not clash there.
        QVERIFY(addRow(file, {5, 0, 0, 0, u"x1"}));
        QVERIFY(addRow(file, {6, 0, 0, 0, u"x2"}));

        // Display order of table 1000 of form 62: exactly the two rows, in number order.
        data::StrokaRecord rec(file.record());
        rec.clear();
        QVERIFY(rec.setCodForm(62));
        QVERIFY(rec.setCodTabl(1000));
        QVERIFY(file.set(data::StrokaRecord::KeyStrNum, 2));
        QList<qint16> order;
        while (file.next())
            order.append(rec.unicod());
        QCOMPARE(order, (QList<qint16>{1, 2}));

        // Every record of the file in display order: the blank ones are not in that key.
        rec.clear();
        QVERIFY(file.set(data::StrokaRecord::KeyStrNum));
        int inKey = 0;
        while (file.next())
            ++inKey;
        QCOMPARE(inKey, 2);
        QCOMPARE(*file.records(), 4);

        // Looked up by printed number in the other case.
        rec.clear();
        QVERIFY(rec.setCodForm(62));
        QVERIFY(rec.setCodTabl(1000));
        rec.setCodStr(u"1.1А");
        QVERIFY(file.get(data::StrokaRecord::KeyStr1));
        QCOMPARE(rec.unicod(), 2);
    }

    void reportKeys()
    {
        const auto &layout = data::declaration(data::FileId::otchet).layout;
        QVERIFY(KeyedFile::create(path("F0007.dat"), layout));
        KeyedFile file(layout);
        QVERIFY(file.open(path("F0007.dat")));

        // Months 3 and 4 of one institution, and a regional summary of month 3.
        for (qint16 row : {10, 11, 12})
            QVERIFY(addReportRow(file, 301, 3, row));
        for (qint16 row : {10, 12})
            QVERIFY(addReportRow(file, 301, 4, row));
        for (qint16 row : {10, 11})
            QVERIFY(addReportRow(file, 20000, 3, row));

        // (period, institution, row) is unique.
        const auto again = addReportRow(file, 301, 3, 11);
        QVERIFY(!again);
        QCOMPARE(again.error().code, ErrorCode::DuplicateKey);

        QCOMPARE(reportRows(file, 301, 3), (QList<qint16>{10, 11, 12}));
        QCOMPARE(reportRows(file, 301, 4), (QList<qint16>{10, 12}));
        QCOMPARE(reportRows(file, 20000, 3), (QList<qint16>{10, 11}));
        QVERIFY(reportRows(file, 301, 5).isEmpty());

        // One institution's table over all periods, told apart by the period.
        data::OtchetRecord rec(file.record());
        rec.clear();
        rec.setCodUch(301);
        QVERIFY(rec.setCodTab(1000));
        QVERIFY(file.set(data::OtchetRecord::KeyCodTab, 2));
        QList<std::pair<qint16, qint32>> seen;
        while (file.next())
            seen.append({rec.unicodStr(), rec.mes()});
        QCOMPARE(seen.size(), 5);
        QCOMPARE(seen.count({10, 3}) + seen.count({10, 4}), 2);

        // The summary report is found by its row over all periods as well.
        rec.clear();
        rec.setUnicodStr(11);
        QVERIFY(file.set(data::OtchetRecord::KeyCodStr, 1));
        QList<qint32> institutions;
        while (file.next())
            institutions.append(rec.codUch());
        std::sort(institutions.begin(), institutions.end());
        QCOMPARE(institutions, (QList<qint32>{301, 20000}));
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "test_keys.moc"
