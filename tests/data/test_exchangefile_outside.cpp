// Exchange files between us and a program written from the published record layout alone (a
// Python script that shares no code with ours): our reader accepts the file it writes, and it
// reads ours to the same values, in both record layouts.

#include "data/ExchangeFile.h"
#include "data/records/ExchangeRecord.h"
#include "runtime/fs/Paths.h"
#include "test_exchangefile_rows.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor::data;
using namespace zemor::data::testing;
using zemor::runtime::Decimal;

Q_DECLARE_METATYPE(zemor::data::ExchangeFormat)

namespace {

constexpr int rowCount = 40;

QJsonObject toJson(const QByteArray &record, ExchangeFormat format)
{
    QByteArray bytes = record;
    const ExchangeRecord row(bytes, format);
    QJsonObject object;
    if (format == ExchangeFormat::Current)
        object[u"CODFORM"_s] = qint64(row.codForm());
    object[u"CODREG"_s] = row.codReg();
    object[u"CODUCH"_s] = row.codUch();
    object[u"CODTAB"_s] = qint64(row.codTab());
    object[u"MES"_s] = row.mes();
    object[u"TIP"_s] = row.tip();
    object[u"UNICODSTR"_s] = row.unicodStr();
    QJsonArray data;
    for (int n = 1; n <= ExchangeRecord::valueCount; ++n)
        data.append(row.data(n).toString());
    object[u"DATA"_s] = data;
    return object;
}

// Runs the outside program; its standard output, or a failure with what it said.
QByteArray runOutside(const QStringList &arguments, const QByteArray &input, bool *ok)
{
    QProcess process;
    process.start(QStringLiteral(PYTHON3), QStringList{QStringLiteral(OUTSIDE_SCRIPT)} + arguments);
    *ok = process.waitForStarted(30000);
    if (*ok) {
        process.write(input);
        process.closeWriteChannel();
        *ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
              process.exitCode() == 0;
    }
    if (!*ok)
        qWarning("outside program %s: %s %s", qPrintable(arguments.join(u' ')),
                 qPrintable(process.errorString()), process.readAllStandardError().constData());
    return process.readAllStandardOutput();
}

QStringList formatArguments(const QString &command, const QString &path, ExchangeFormat format)
{
    QStringList arguments{command, path};
    if (format == ExchangeFormat::Old)
        arguments << u"--old"_s;
    return arguments;
}

void addFormats()
{
    QTest::addColumn<ExchangeFormat>("format");
    QTest::newRow("332 bytes") << ExchangeFormat::Current;
    QTest::newRow("330 bytes") << ExchangeFormat::Old;
}

} // namespace

class TestExchangeFileOutside : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work;

private Q_SLOTS:
    void init()
    {
        m_dir = QTemporaryDir();
        QVERIFY(m_dir.isValid());
        m_work = QDir(m_dir.path()).canonicalPath();
        zemor::runtime::fs::setWorkDir(m_work);
    }

    void theirFileReadByUs_data() { addFormats(); }

    // Their writer puts negative values with another sign half-byte than ours; every value
    // reads the same.
    void theirFileReadByUs()
    {
        QFETCH(ExchangeFormat, format);
        QJsonArray rows;
        for (int i = 0; i < rowCount; ++i)
            rows.append(toJson(exchangeRow(i, format), format));
        const QString path = m_work + u"/u284m10F111.dat"_s;
        bool ok = false;
        runOutside(formatArguments(u"write"_s, path, format), QJsonDocument(rows).toJson(), &ok);
        QVERIFY(ok);

        auto file = ExchangeFile::read(path, format);
        QVERIFY2(file, file ? "" : qPrintable(file.error().message));
        QCOMPARE(file->count(), rowCount);
        for (int i = 0; i < rowCount; ++i) {
            QByteArray theirs = file->record(i);
            QByteArray ours = exchangeRow(i, format);
            QCOMPARE(toJson(theirs, format), toJson(ours, format));
            // The only bytes that differ are the sign half-bytes of negative values.
            QCOMPARE(ExchangeRecord(theirs, format).data(2), decimal("-99999999999999.999"));
            QCOMPARE(quint8(theirs[theirs.size() - 9]) >> 4, 0xD);
        }
    }

    void ourFileReadByThem_data() { addFormats(); }

    void ourFileReadByThem()
    {
        QFETCH(ExchangeFormat, format);
        const QString path = m_work + u"/r5_2011F12m3F111.dat"_s;
        auto writer = ExchangeFileWriter::create(path, format);
        QVERIFY(writer);
        QJsonArray expected;
        for (int i = 0; i < rowCount; ++i) {
            QVERIFY(writer->append(exchangeRow(i, format)));
            expected.append(toJson(exchangeRow(i, format), format));
        }
        QVERIFY(writer->commit());

        bool ok = false;
        const QByteArray output =
            runOutside(formatArguments(u"read"_s, path, format), QByteArray(), &ok);
        QVERIFY(ok);
        const QJsonArray theirs = QJsonDocument::fromJson(output).array();
        QCOMPARE(theirs.size(), rowCount);
        for (int i = 0; i < rowCount; ++i) {
            QJsonObject row = theirs[i].toObject();
            QJsonObject want = expected[i].toObject();
            // Decimals compared by value: their text keeps every place ("1.500").
            const QJsonArray data = row.take(u"DATA"_s).toArray();
            const QJsonArray wantData = want.take(u"DATA"_s).toArray();
            QCOMPARE(row, want);
            QCOMPARE(data.size(), ExchangeRecord::valueCount);
            for (int n = 0; n < ExchangeRecord::valueCount; ++n)
                QCOMPARE(Decimal::fromString(data[n].toString()).value(),
                         Decimal::fromString(wantData[n].toString()).value());
        }

        // And they refuse ours in the other layout, as we refuse theirs.
        const ExchangeFormat other =
            format == ExchangeFormat::Current ? ExchangeFormat::Old : ExchangeFormat::Current;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^outside program read .*"
                                                              u"records of 3(30|32) bytes"_s));
        runOutside(formatArguments(u"read"_s, path, other), QByteArray(), &ok);
        QVERIFY(!ok);
    }
};

QTEST_GUILESS_MAIN(TestExchangeFileOutside)
#include "test_exchangefile_outside.moc"
