// Exchange files: both record layouts field by field, the record view over them, the names of
// exchange, summary, work and old-format files, files written and read back byte for byte, and
// the files the reader refuses as a whole with their name and the reason.

#include "data/ExchangeFile.h"
#include "data/ExchangeFileName.h"
#include "data/records/ExchangeRecord.h"
#include "data/records/OtchetRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/FlatFile.h"
#include "test_exchangefile_rows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace zemor::data;
using namespace zemor::data::testing;
using zemor::runtime::Decimal;
using zemor::runtime::ErrorCode;
using zemor::runtime::Status;
using zemor::runtime::store::FieldType;
using zemor::runtime::store::FlatFile;
namespace fs = zemor::runtime::fs;

Q_DECLARE_METATYPE(zemor::runtime::ErrorCode)
Q_DECLARE_METATYPE(zemor::data::ExchangeFormat)
Q_DECLARE_METATYPE(zemor::data::UserType)

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

Status writeExchange(const QString &name, ExchangeFormat format, int count)
{
    auto writer = ExchangeFileWriter::create(name, format);
    if (!writer)
        return std::unexpected(writer.error());
    for (int i = 0; i < count; ++i) {
        if (auto added = writer->append(exchangeRow(i, format)); !added)
            return added;
    }
    return writer->commit();
}

// A container that holds whatever records it is given: how a file from elsewhere can look.
Status writeRaw(const QString &name, const QList<QByteArray> &records, int length)
{
    auto writer = FlatFile::Writer::create(name, length);
    if (!writer)
        return std::unexpected(writer.error());
    for (const QByteArray &record : records) {
        if (auto added = writer->append(record); !added)
            return added;
    }
    return writer->commit();
}

// A form taking part in a name: code, periodicity, period.
struct NamePart
{
    int form, periodicity, period;
};

} // namespace

Q_DECLARE_METATYPE(QList<NamePart>)

class TestExchangeFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work;

    QString at(const QString &name) const { return m_work + u'/' + name; }

private Q_SLOTS:
    void init()
    {
        m_dir = QTemporaryDir();
        QVERIFY(m_dir.isValid());
        m_work = QDir(m_dir.path()).canonicalPath();
        fs::setWorkDir(m_work);
    }

    // The layouts as the exchange record is published, field by field; the old record and the
    // report record are the same bytes.
    void layouts()
    {
        struct Field
        {
            const char16_t *name;
            int offset;
            FieldType type;
            int size, places, dim;
        };
        const QList<Field> table = {
            {u"OT2:CODFORM", 0, FieldType::Decimal, 2, 0, 1},
            {u"OT2:CODREG", 2, FieldType::Byte, 1, 0, 1},
            {u"OT2:CODUCH", 3, FieldType::Long, 4, 0, 1},
            {u"OT2:CODTAB", 7, FieldType::Decimal, 3, 0, 1},
            {u"OT2:MES", 10, FieldType::Long, 4, 0, 1},
            {u"OT2:TIP", 14, FieldType::Byte, 1, 0, 1},
            {u"OT2:UNICODSTR", 15, FieldType::Short, 2, 0, 1},
            {u"OT2:DATA", 17, FieldType::Decimal, 9, 3, 35},
        };
        for (ExchangeFormat format : {ExchangeFormat::Current, ExchangeFormat::Old}) {
            const auto &layout = exchangeLayout(format);
            const bool old = format == ExchangeFormat::Old;
            QCOMPARE(layout.size, old ? 330 : 332);
            QCOMPARE(exchangeRecordSize(format), layout.size);
            QCOMPARE(layout.prefix, u"OT2"_s);
            QCOMPARE(layout.label, old ? u"OldReportExchangeFile"_s : u"ReportExchangeFile"_s);
            QVERIFY2(layout.validate().isEmpty(), qPrintable(layout.validate()));
            QVERIFY(layout.keys.isEmpty());
            QCOMPARE(layout.fields.size(), old ? table.size() - 1 : table.size());
            for (const Field &want : table) {
                const QString name = QString::fromUtf16(want.name);
                const int index = layout.fieldIndex(name);
                if (old && name == u"OT2:CODFORM"_s) {
                    QCOMPARE(index, -1);
                    continue;
                }
                QVERIFY2(index >= 0, qPrintable(name));
                const auto &f = layout.fields[index];
                QCOMPARE(f.offset, old ? want.offset - 2 : want.offset);
                QCOMPARE(f.type, want.type);
                QCOMPARE(f.size, want.size);
                QCOMPARE(f.places, want.places);
                QCOMPARE(f.dim, want.dim);
            }
        }
        ExchangeRecord::bind();
        QCOMPARE(declaration(FileId::otchet).layout.size, ExchangeRecord::oldRecordSize);
    }

    // The view writes the fields where the layout puts them; the report record inside an
    // exchange row is the report row byte for byte, and reads the same through its own view.
    void recordView()
    {
        QByteArray report;
        OtchetRecord otchet(report);
        otchet.clear();
        otchet.setCodReg(101);
        otchet.setCodUch(21101);
        QVERIFY(otchet.setCodTab(99999));
        otchet.setMes(-7);
        otchet.setTip(3);
        otchet.setUnicodStr(-32768);
        QVERIFY(otchet.setData(1, decimal("-12345678901234.567")));
        QVERIFY(otchet.setData(35, decimal("0.001")));

        QByteArray bytes;
        ExchangeRecord row(bytes);
        QVERIFY(row.setReport(999, report));
        QCOMPARE(bytes.size(), 332);
        QCOMPARE(bytes.left(2), QByteArray::fromHex("0999"));
        QCOMPARE(bytes.mid(2), report);
        QCOMPARE(row.reportRecord(), report);
        QCOMPARE(row.codForm(), 999);
        QCOMPARE(row.codReg(), 101);
        QCOMPARE(row.codUch(), 21101);
        QCOMPARE(row.codTab(), 99999);
        QCOMPARE(row.mes(), -7);
        QCOMPARE(row.tip(), 3);
        QCOMPARE(row.unicodStr(), -32768);
        QCOMPARE(row.data(1), decimal("-12345678901234.567"));
        QCOMPARE(row.data(35), decimal("0.001"));
        QVERIFY(row.checkDecimals());

        // A form code that does not fit, or a report record of another length, leaves the
        // row as it was.
        const QByteArray before = bytes;
        QCOMPARE(row.setReport(1000, report).error().code, ErrorCode::Overflow);
        QCOMPARE(row.setReport(1, report.left(329)).error().code, ErrorCode::InvalidArgument);
        QCOMPARE(bytes, before);

        // The old record is the report record; it has no form code to read or write.
        QByteArray oldBytes;
        ExchangeRecord oldRow(oldBytes, ExchangeFormat::Old);
        QVERIFY(oldRow.setReport(111, report));
        QCOMPARE(oldBytes, report);
        QCOMPARE(oldRow.codForm(), 0);
        QVERIFY(!oldRow.setCodForm(111));
        QCOMPARE(oldRow.codUch(), 21101);
        QCOMPARE(oldRow.data(1), decimal("-12345678901234.567"));
        QCOMPARE(oldRow.reportRecord(), report);
    }

    void names_data()
    {
        QTest::addColumn<UserType>("userType");
        QTest::addColumn<int>("ownCode");
        QTest::addColumn<int>("year");
        QTest::addColumn<QList<NamePart>>("forms");
        QTest::addColumn<QString>("expected");

        using P = QList<NamePart>;
        QTest::newRow("institution, two monthly forms")
            << UserType::Institution << 284 << 2011 << P{{111, 1, 10}, {112, 1, 10}}
            << u"u284m10F111F112.dat"_s;
        QTest::newRow("district, annual then monthly")
            << UserType::District << 5 << 2011 << P{{12, 0, 0}, {111, 1, 3}}
            << u"r5_2011F12m3F111.dat"_s;
        QTest::newRow("region, every period kind")
            << UserType::WholeRegion << 0 << 2015
            << P{{1, 0, 0}, {2, 0, 0}, {30, 1, 4}, {40, 2, 2}, {41, 2, 2}, {50, 3, 1}}
            << u"v_2015F1F2m4F30k2F40F41p1F50.dat"_s;
        QTest::newRow("a periodicity met again gets its part again")
            << UserType::Institution << 7 << 2011 << P{{1, 1, 3}, {2, 2, 1}, {3, 1, 3}}
            << u"u7m3F1k1F2m3F3.dat"_s;
        QTest::newRow("weekly, daily and unknown kinds add nothing")
            << UserType::Institution << 7 << 2011
            << P{{1, 1, 12}, {2, 4, 12}, {3, 5, 12}, {4, 9, 12}, {5, 1, 12}} << u"u7m12F1F5.dat"_s;
        QTest::newRow("no form with rows")
            << UserType::Institution << 284 << 2011 << P{} << u"u284.dat"_s;
        QTest::newRow("early year in four digits")
            << UserType::District << 101 << 999 << P{{62, 0, 0}} << u"r101_0999F62.dat"_s;
    }

    void names()
    {
        QFETCH(UserType, userType);
        QFETCH(int, ownCode);
        QFETCH(int, year);
        QFETCH(QList<NamePart>, forms);
        QFETCH(QString, expected);
        ExchangeFileName name(userType, ownCode, year);
        for (const NamePart &part : forms)
            name.addForm(part.form, part.periodicity, part.period);
        QCOMPARE(name.fileName(), expected);
        QCOMPARE(name.base() + u".dat"_s, expected);
        QCOMPARE(name.hasForms(), expected.contains(u'F'));
    }

    void summaryAndWorkFileNames()
    {
        QCOMPARE(ExchangeFileName::summaryFileName(284, 111), u"ssw284F111.dat"_s);
        QCOMPARE(ExchangeFileName::summaryFileName(0, 62), u"ssw0F62.dat"_s);
        QCOMPARE(ExchangeFileName::exportWorkFileName(284), u"export\\W0284.dat"_s);
        QCOMPARE(ExchangeFileName::exportWorkFileName(0), u"export\\W0000.dat"_s);
        QCOMPARE(ExchangeFileName::exportWorkFileName(12345), u"export\\W12345.dat"_s);
    }

    void summaryFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("summary");
        QTest::newRow("summary file") << u"ssw284F111.dat"_s << true;
        QTest::newRow("with its path") << u"/mnt/stick/imp/ssw284m10F111.dat"_s << true;
        QTest::newRow("DOS path") << u"F:\\imp\\ssw21005F12.dat"_s << true;
        QTest::newRow("inside the name") << u"copy-of-ssw284F111.dat"_s << true;
        QTest::newRow("exchange file") << u"u284m10F111.dat"_s << false;
        QTest::newRow("upper case only") << u"SSW284F111.dat"_s << false;
        QTest::newRow("in a folder name only") << u"/home/x/ussw/u284m10F111.dat"_s << false;
        QTest::newRow("in a DOS folder name only") << u"D:\\ssw\\u284m10F111.dat"_s << false;
    }

    void summaryFiles()
    {
        QFETCH(QString, path);
        QFETCH(bool, summary);
        QCOMPARE(ExchangeFileName::isSummaryFile(path), summary);
    }

    void oldFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("form"); // -1: not an old-format file
        QTest::addColumn<int>("period");
        QTest::newRow("form 111, period 5") << u"W0111x05.dat"_s << 111 << 5;
        QTest::newRow("lower case w, any sixth character") << u"w0062_12.DAT"_s << 62 << 12;
        QTest::newRow("no extension") << u"W0111x05"_s << 111 << 5;
        QTest::newRow("the export's work file") << u"W0284.dat"_s << -1 << 0;
        QTest::newRow("another first letter") << u"X0111x05.dat"_s << -1 << 0;
        QTest::newRow("a letter in the form code") << u"W01a1x05.dat"_s << -1 << 0;
        QTest::newRow("a letter in the period") << u"W0111x0a.dat"_s << -1 << 0;
        QTest::newRow("a long name") << u"W0111x05abc.dat"_s << -1 << 0;
        QTest::newRow("a long extension") << u"W0111x05.data"_s << -1 << 0;
        QTest::newRow("signs are not digits") << u"W+111x-5.dat"_s << -1 << 0;
    }

    void oldFileNames()
    {
        QFETCH(QString, name);
        QFETCH(int, form);
        QFETCH(int, period);
        const auto parsed = ExchangeFileName::parseOldFileName(name);
        QCOMPARE(parsed.has_value(), form >= 0);
        if (parsed) {
            QCOMPARE(parsed->formCode, form);
            QCOMPARE(parsed->period, period);
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<ExchangeFormat>("format");
        QTest::addColumn<int>("count");
        QTest::newRow("current, no rows") << ExchangeFormat::Current << 0;
        QTest::newRow("current, one row") << ExchangeFormat::Current << 1;
        QTest::newRow("current, many buffers") << ExchangeFormat::Current << 700;
        QTest::newRow("old, rows") << ExchangeFormat::Old << 250;
    }

    // Rows come back byte for byte and in order; the report record goes in and out unchanged.
    void roundTrip()
    {
        QFETCH(ExchangeFormat, format);
        QFETCH(int, count);
        QVERIFY(writeExchange(u"\\u284m10F111.dat"_s, format, count));
        QCOMPARE(QFileInfo(at(u"u284m10F111.dat"_s)).size(),
                 FlatFile::headerSize + qint64(count) * exchangeRecordSize(format));

        auto file = ExchangeFile::read(u"U284M10F111.DAT"_s, format);
        QVERIFY2(file, file ? "" : qPrintable(file.error().message));
        QCOMPARE(file->path(), at(u"u284m10F111.dat"_s));
        QCOMPARE(file->format(), format);
        QCOMPARE(file->count(), count);
        QCOMPARE(file->isEmpty(), count == 0);
        for (int i = 0; i < count; ++i)
            QVERIFY2(file->record(i) == exchangeRow(i, format), qPrintable(QString::number(i)));
        QVERIFY(file->record(count).isEmpty());
        QVERIFY(file->record(-1).isEmpty());

        // Written from report rows: the same file.
        auto writer = ExchangeFileWriter::create(u"again.dat"_s, format);
        QVERIFY(writer);
        for (int i = 0; i < count; ++i) {
            QByteArray row = exchangeRow(i, format);
            const ExchangeRecord view(row, format);
            QVERIFY(writer->appendReport(view.codForm(), view.reportRecord()));
        }
        QCOMPARE(writer->count(), count);
        QVERIFY(writer->commit());
        QCOMPARE(readFile(at(u"again.dat"_s)), readFile(at(u"u284m10F111.dat"_s)));
    }

    // The values of a file from elsewhere: any non-zero sign half-byte is a minus, and a
    // negative zero is zero.
    void signHalfBytes()
    {
        QByteArray row = exchangeRow(0);
        const int data1 = 17, data2 = 26, data3 = 35;
        row.replace(data1, 9, QByteArray::fromHex("D00000000000012345"));
        row.replace(data2, 9, QByteArray::fromHex("100000000000000001"));
        row.replace(data3, 9, QByteArray::fromHex("F00000000000000000"));
        QVERIFY(writeRaw(u"elsewhere.dat"_s, {row}, 332));

        auto file = ExchangeFile::read(u"elsewhere.dat"_s);
        QVERIFY2(file, file ? "" : qPrintable(file.error().message));
        QByteArray read = file->record(0);
        QCOMPARE(read, row); // kept as it came
        const ExchangeRecord view(read);
        QCOMPARE(view.data(1), decimal("-12.345"));
        QCOMPARE(view.data(2), decimal("-0.001"));
        QCOMPARE(view.data(3), Decimal(0));
        QVERIFY(!view.data(3).isNegative());
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("content"); // how the file is made
        QTest::addColumn<ExchangeFormat>("readAs");
        QTest::addColumn<ErrorCode>("code");
        QTest::addColumn<QString>("reason");

        QTest::newRow("empty") << u"empty"_s << ExchangeFormat::Current << ErrorCode::DamagedFile
                               << u"пуст"_s;
        QTest::newRow("truncated")
            << u"truncated"_s << ExchangeFormat::Current << ErrorCode::DamagedFile << u"обрезан"_s;
        QTest::newRow("one byte altered") << u"altered"_s << ExchangeFormat::Current
                                          << ErrorCode::DamagedFile << u"контрольная сумма"_s;
        QTest::newRow("a count above the records")
            << u"count+1"_s << ExchangeFormat::Current << ErrorCode::DamagedFile << u"обрезан"_s;
        QTest::newRow("a count below the records")
            << u"count-1"_s << ExchangeFormat::Current << ErrorCode::DamagedFile << u"лишние"_s;
        QTest::newRow("330 bytes offered as 332")
            << u"old"_s << ExchangeFormat::Current << ErrorCode::DamagedFile
            << u"в файле 330 байт, ожидалось 332"_s;
        QTest::newRow("332 bytes offered as 330")
            << u"current"_s << ExchangeFormat::Old << ErrorCode::DamagedFile
            << u"в файле 332 байт, ожидалось 330"_s;
        QTest::newRow("a digit half-byte above 9")
            << u"digit"_s << ExchangeFormat::Current << ErrorCode::DamagedFile
            << u"запись 3 из 4: в упакованном числе OT2:DATA7 цифра больше 9"_s;
        QTest::newRow("a digit half-byte above 9 in the form code")
            << u"form digit"_s << ExchangeFormat::Current << ErrorCode::DamagedFile
            << u"запись 1 из 4: в упакованном числе OT2:CODFORM цифра больше 9"_s;
        QTest::newRow("a digit half-byte above 9, old format")
            << u"old digit"_s << ExchangeFormat::Old << ErrorCode::DamagedFile
            << u"запись 2 из 2: в упакованном числе OT2:CODTAB цифра больше 9"_s;
        QTest::newRow("a dBase file named .dat") << u"dbase"_s << ExchangeFormat::Current
                                                 << ErrorCode::DamagedFile << u"не файл записей"_s;
        QTest::newRow("a folder named .dat") << u"folder"_s << ExchangeFormat::Current
                                             << ErrorCode::DamagedFile << u"не обычный файл"_s;
        QTest::newRow("missing") << u"missing"_s << ExchangeFormat::Current
                                 << ErrorCode::FileNotFound << u""_s;
    }

    // Each file is refused as a whole, with its name and the reason, and left as it was.
    void refusedFiles()
    {
        QFETCH(QString, content);
        QFETCH(ExchangeFormat, readAs);
        QFETCH(ErrorCode, code);
        QFETCH(QString, reason);

        const QString name = u"u284m10F111.dat"_s;
        const QString path = at(name);
        QVERIFY(writeExchange(name, ExchangeFormat::Current, 4));
        QByteArray bytes = readFile(path);
        auto setCount = [&](qint64 count) {
            qToLittleEndian<quint64>(quint64(count), bytes.data() + 16);
        };
        if (content == u"empty"_s) {
            bytes.clear();
        } else if (content == u"truncated"_s) {
            bytes.chop(100);
        } else if (content == u"altered"_s) {
            const int inCodUch = FlatFile::headerSize + 332 + 4; // still a sound value
            bytes[inCodUch] = char(bytes[inCodUch] ^ 0x40);
        } else if (content == u"count+1"_s) {
            setCount(5);
        } else if (content == u"count-1"_s) {
            setCount(3);
        } else if (content == u"old"_s) {
            QVERIFY(writeExchange(name, ExchangeFormat::Old, 4));
            bytes = readFile(path);
        } else if (content == u"digit"_s || content == u"form digit"_s) {
            QList<QByteArray> rows;
            for (int i = 0; i < 4; ++i)
                rows.append(exchangeRow(i));
            if (content == u"digit"_s)
                rows[2][17 + 6 * 9 + 4] = char(0x3A); // OT2:DATA7, a low half-byte of 10
            else
                rows[0][1] = char(0xF1); // OT2:CODFORM, a high half-byte of 15
            QVERIFY(writeRaw(name, rows, 332));
            bytes = readFile(path);
        } else if (content == u"old digit"_s) {
            QList<QByteArray> rows{exchangeRow(0, ExchangeFormat::Old),
                                   exchangeRow(1, ExchangeFormat::Old)};
            rows[1][5 + 2] = char(0xB0); // OT2:CODTAB of the old record
            QVERIFY(writeRaw(name, rows, 330));
            bytes = readFile(path);
        } else if (content == u"dbase"_s) {
            // A dBase IV header: version, date, 1 record, header and record length.
            bytes = QByteArray::fromHex("037a0c0a0100000041000b00") + QByteArray(20, '\0') +
                    "CODE" + QByteArray(7, '\0') + "N" + QByteArray(4, '\0') +
                    QByteArray::fromHex("0a00") + QByteArray(14, '\0') + "\r 0000000111\x1a";
        }
        if (content == u"folder"_s) {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir(m_work).mkdir(name));
        } else if (content == u"missing"_s) {
            QVERIFY(QFile::remove(path));
        } else {
            QVERIFY(writeFile(path, bytes));
        }

        auto file = ExchangeFile::read(name, readAs);
        QVERIFY(!file);
        QCOMPARE(file.error().code, code);
        QCOMPARE(file.error().where, path);
        if (code == ErrorCode::DamagedFile)
            QVERIFY2(file.error().message.contains(path), qPrintable(file.error().message));
        QVERIFY2(file.error().message.contains(reason), qPrintable(file.error().message));
        if (QFileInfo(path).isFile())
            QCOMPARE(readFile(path), bytes);
    }

    // The writer never puts a file that its reader would refuse under the name: a record of
    // another length, or with a digit above 9, spoils it and the old file stays.
    void writerRefusesBadRows()
    {
        const QString name = u"u284m10F111.dat"_s;
        QVERIFY(writeExchange(name, ExchangeFormat::Current, 2));
        const QByteArray before = readFile(at(name));

        QByteArray badDigit = exchangeRow(5);
        badDigit[17 + 8] = char(0x0C);
        const struct
        {
            const char *what;
            QByteArray record;
            ErrorCode code;
        } cases[] = {
            {"short record", exchangeRow(5, ExchangeFormat::Old), ErrorCode::InvalidArgument},
            {"digit above 9", badDigit, ErrorCode::InvalidData},
        };
        for (const auto &c : cases) {
            auto writer = ExchangeFileWriter::create(name);
            QVERIFY(writer);
            QVERIFY(writer->append(exchangeRow(0)));
            auto added = writer->append(c.record);
            QVERIFY2(!added, c.what);
            QCOMPARE(added.error().code, c.code);
            QVERIFY(!writer->append(exchangeRow(1))); // spoilt for good
            QVERIFY(!writer->commit());
            QCOMPARE(readFile(at(name)), before);
        }
        {
            auto writer = ExchangeFileWriter::create(name);
            QVERIFY(writer);
            QByteArray report(330, '\0');
            auto added = writer->appendReport(1000, report);
            QCOMPARE(added.error().code, ErrorCode::Overflow);
            QVERIFY(!writer->commit());
        }
        {
            // Dropped without commit: nothing changes and no temporary is left behind.
            auto writer = ExchangeFileWriter::create(name);
            QVERIFY(writer);
            QVERIFY(writer->append(exchangeRow(3)));
        }
        QCOMPARE(readFile(at(name)), before);
        QCOMPARE(QDir(m_work).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }
};

QTEST_GUILESS_MAIN(TestExchangeFile)
#include "test_exchangefile.moc"
