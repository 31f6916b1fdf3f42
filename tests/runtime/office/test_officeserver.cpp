#include "runtime/fs/Paths.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/SystemDesktopOpener.h"
#include "runtime/office/XlsxReader.h"

#include "XlsxFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace zemor::runtime;
using namespace zemor::runtime::office;

using namespace Qt::StringLiterals;

namespace {

class RecordingOpener final : public DesktopOpener
{
public:
    Status open(const QString &path) override
    {
        opened.append(path);
        return {};
    }
    QStringList opened;
};

// The working directory as the program finds it: templates under "XLS", the work folder
// "temp1", a blank form under "doc".
struct WorkDir
{
    QTemporaryDir dir;

    WorkDir()
    {
        QDir(dir.path()).mkpath(QStringLiteral("XLS"));
        QDir(dir.path()).mkpath(QStringLiteral("temp1"));
        QDir(dir.path()).mkpath(QStringLiteral("doc"));
        if (!zemor::test::writeTemplate(path(QStringLiteral("XLS/ras1.xls"))))
            qFatal("cannot write the template");
        QFile blank(path(QStringLiteral("doc/f12.doc")));
        if (!blank.open(QIODevice::WriteOnly) || blank.write("a word document") < 0)
            qFatal("cannot write the blank form");
        fs::setWorkDir(dir.path());
    }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    // The name as the program builds it: the short form of the working directory, then a
    // DOS-style tail.
    QString dosName(const QString &tail) const { return fs::shortForm(dir.path()) + tail; }
};

// Sets environment variables for one test and puts them back as they were, also when the test
// stops early.
class EnvironmentGuard
{
public:
    explicit EnvironmentGuard(const QByteArrayList &names)
    {
        for (const QByteArray &name : names) {
            m_saved.append({name, qEnvironmentVariableIsSet(name.constData())
                                      ? std::optional<QByteArray>(qgetenv(name.constData()))
                                      : std::nullopt});
            qunsetenv(name.constData());
        }
    }
    ~EnvironmentGuard()
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name.constData(), *value);
            else
                qunsetenv(name.constData());
        }
    }
    EnvironmentGuard(const EnvironmentGuard &) = delete;
    EnvironmentGuard &operator=(const EnvironmentGuard &) = delete;

private:
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

QString message(const Status &status)
{
    return status ? QString()
                  : status.error().message + QStringLiteral(" [") + status.error().where + u']';
}

#define CHECK_OK(expr)                                                                             \
    do {                                                                                           \
        const Status status_ = (expr);                                                             \
        QVERIFY2(status_, qPrintable(message(status_)));                                           \
    } while (false)

Workbook readBack(const QString &path)
{
    auto book = XlsxReader::read(path);
    if (!book)
        qFatal("cannot read back %s: %s", qPrintable(path), qPrintable(book.error().message));
    return *book;
}

// The launcher's way: the template opened on the system topic and saved under a work name,
// then the work workbook's own topic. Returns its channel.
int openWorkbook(OfficeServer &server, const WorkDir &work, const QString &saveAs)
{
    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    if (system == 0)
        return 0;
    if (!server.execute(system, QStringLiteral("[OPEN.TEXT(\"") +
                                    work.dosName(QStringLiteral("\\xls\\RAS1.XLS")) +
                                    QStringLiteral("\")]")) ||
        !server.execute(system, QStringLiteral("[Save.As(\"") + work.dosName(saveAs) +
                                    QStringLiteral("\")]")) ||
        !server.close(system))
        return 0;
    return server.open(QStringLiteral("Excel"), work.dosName(saveAs));
}

} // namespace

class OfficeServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportFillsTheTemplateAndIsShownWhenClosed();
    void pokedBlocksFillSeveralCells();
    void unknownCommandsAreRecordedAndIgnored();
    void unreachableConversationsGiveChannelZero();
    void failuresAreReported_data();
    void failuresAreReported();
    void saveIntoMissingFolderFailsAndKeepsTheWorkbook();
    void aFailedSaveAtTheEndIsReportedAndNothingIsLost();
    void anOpenWorkbookWithChangesIsNotSavedOver();
    void unsavedTemplateIsShownAsACopy();
    void blankFormsAreShownAsTheyAre();
    void windowsTempFolderNamesTheSameWorkbook();
    void desktopIsLeftAloneWhereNobodySeesIt_data();
    void desktopIsLeftAloneWhereNobodySeesIt();
    void openerOutcome_data();
    void openerOutcome();
};

void OfficeServerTest::exportFillsTheTemplateAndIsShownWhenClosed()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);

    const int channel = openWorkbook(server, work, QStringLiteral("\\temp1\\1.XLS"));
    QVERIFY(channel != 0);
    const QString saved = work.path(QStringLiteral("temp1/1.XLS"));
    QVERIFY(QFile::exists(saved));
    QVERIFY(opener.opened.isEmpty()); // not before the program is done with it

    CHECK_OK(server.poke(channel, QStringLiteral("R2C1"), QStringLiteral("2015 год.")));
    CHECK_OK(server.poke(channel, QStringLiteral("R9C1"), QStringLiteral("N")));
    CHECK_OK(server.poke(channel, QStringLiteral("R11C1"), QStringLiteral("1")));
    CHECK_OK(server.poke(channel, QStringLiteral("r11c2"), QStringLiteral("1234,5")));
    CHECK_OK(server.poke(channel, QStringLiteral("R11C3"), QStringLiteral("ЦРБ")));
    CHECK_OK(server.poke(channel, QStringLiteral("R11C4"), QStringLiteral("007")));
    CHECK_OK(server.poke(channel, QStringLiteral("R12C2"), QStringLiteral("-0,125")));
    CHECK_OK(server.execute(channel, QStringLiteral("[SELECT(\"R9C1:R12C4\")]")));
    CHECK_OK(server.execute(channel, QStringLiteral("[BORDER(1,1,1,1,1,0,0,0,0,0,0)]")));
    CHECK_OK(server.close(channel));

    QCOMPARE(opener.opened, QStringList({saved}));
    QCOMPARE(server.shownDocuments(), opener.opened);
    const Workbook book = readBack(saved);
    // The template's cells stay beneath the poked ones.
    QCOMPARE(book.cell(1, 1)->text, QStringLiteral("Список ЛПУ"));
    QCOMPARE(book.cell(12, 5)->text, QStringLiteral("итого"));
    QCOMPARE(book.mergedRanges().size(), 1);
    QCOMPARE(book.columnWidths().value(2), 20.0);
    // A poke over a template cell replaces its value and keeps its format.
    QCOMPARE(book.cell(9, 1)->text, QStringLiteral("N"));
    QVERIFY(book.cell(9, 1)->format.bold);
    QCOMPARE(book.cell(12, 2)->number, -0.125);
    QVERIFY(book.cell(12, 3)->formula == QStringLiteral("B12*2"));

    QCOMPARE(book.cell(2, 1)->text, QStringLiteral("2015 год."));
    QCOMPARE(book.cell(11, 1)->kind, Cell::Kind::Number);
    QCOMPARE(book.cell(11, 1)->number, 1.0);
    QCOMPARE(book.cell(11, 2)->kind, Cell::Kind::Number);
    QCOMPARE(book.cell(11, 2)->number, 1234.5);
    QCOMPARE(book.cell(11, 3)->text, QStringLiteral("ЦРБ"));
    QCOMPARE(book.cell(11, 4)->kind, Cell::Kind::Text);
    QCOMPARE(book.cell(11, 4)->text, QStringLiteral("007"));

    // Every cell of the selection is framed on all four sides, including empty ones; the
    // cells around it are not.
    for (int row = 9; row <= 12; ++row) {
        for (int column = 1; column <= 4; ++column) {
            const Cell *cell = book.cell(row, column);
            QVERIFY2(cell, qPrintable(CellRange::single(row, column).toR1C1()));
            QCOMPARE(cell->format.left, BorderStyle::Thin);
            QCOMPARE(cell->format.right, BorderStyle::Thin);
            QCOMPARE(cell->format.top, BorderStyle::Thin);
            QCOMPARE(cell->format.bottom, BorderStyle::Thin);
        }
    }
    QVERIFY(!book.cell(13, 1));
    QCOMPARE(book.cell(12, 5)->format.left, BorderStyle::None);

    // The workbook is done with: its topic is gone.
    QCOMPARE(server.open(QStringLiteral("Excel"), work.dosName(QStringLiteral("\\temp1\\1.XLS"))),
             0);
    QVERIFY(server.unknownCommands().isEmpty());
}

void OfficeServerTest::pokedBlocksFillSeveralCells()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const int channel = openWorkbook(server, work, QStringLiteral("\\temp1\\2.XLS"));
    QVERIFY(channel != 0);

    // A block from a single cell spreads right and down; a range takes only what fits in it
    // and empties the rest of it.
    CHECK_OK(server.poke(channel, QStringLiteral("R20C1"), QStringLiteral("a\t1,5\r\nb\t2\r\n")));
    CHECK_OK(server.poke(channel, QStringLiteral("R30C1:R31C2"), QStringLiteral("x\ty\tz\r\n")));
    CHECK_OK(server.poke(channel, QStringLiteral("R11C5"), QStringLiteral("single\r\n")));
    CHECK_OK(server.poke(channel, QStringLiteral("R12C2"), QString()));
    const Workbook *book = server.workbook(channel);
    QVERIFY(book);
    QCOMPARE(book->cell(20, 1)->text, QStringLiteral("a"));
    QCOMPARE(book->cell(20, 2)->number, 1.5);
    QCOMPARE(book->cell(21, 1)->text, QStringLiteral("b"));
    QCOMPARE(book->cell(21, 2)->number, 2.0);
    QVERIFY(!book->cell(22, 1));
    QCOMPARE(book->cell(30, 2)->text, QStringLiteral("y"));
    QVERIFY(!book->cell(30, 3));
    QVERIFY(!book->cell(31, 1));
    QCOMPARE(book->cell(11, 5)->text, QStringLiteral("single"));
    QVERIFY(!book->cell(12, 2)); // an empty poke empties the template's cell
    // A range over most of the sheet is refused at once instead of emptying it cell by cell.
    const Status huge =
        server.poke(channel, QStringLiteral("R1C1:R1048576C16384"), QStringLiteral("x"));
    QVERIFY(!huge);
    QCOMPARE(huge.error().code, ErrorCode::Overflow);
    QCOMPARE(book->cell(20, 1)->text, QStringLiteral("a"));
    CHECK_OK(server.close(channel));
}

void OfficeServerTest::unknownCommandsAreRecordedAndIgnored()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const int system = server.open(QStringLiteral("EXCEL"), QStringLiteral("system"));
    QVERIFY(system != 0);
    CHECK_OK(server.execute(system, QStringLiteral("[APP.MAXIMIZE()][QUIT()]")));
    // FONT.PROPERTIES with a number where the font name goes is taken and changes nothing.
    CHECK_OK(server.execute(system, QStringLiteral("[OPEN(\"\\XLS\\ras1.xls\")]"
                                                   "[SELECT(\"R9C2:R9C2\")][FONT.PROPERTIES(1)]")));
    QCOMPARE(server.workbook(system)->cell(9, 2)->format, CellFormat{});
    const int word = server.open(QStringLiteral("WinWord"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(word, QStringLiteral("[FilePrintDefault]")));

    auto malformed = server.execute(system, QStringLiteral("OPEN(\"x\")"));
    QVERIFY(!malformed);
    QCOMPARE(malformed.error().code, ErrorCode::InvalidArgument);

    QCOMPARE(server.unknownCommands(), QStringList({QStringLiteral("Excel: [APP.MAXIMIZE()]"),
                                                    QStringLiteral("Excel: [QUIT()]"),
                                                    QStringLiteral("WinWord: [FilePrintDefault]"),
                                                    QStringLiteral("Excel: OPEN(\"x\")")}));
}

void OfficeServerTest::unreachableConversationsGiveChannelZero()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    QCOMPARE(server.open(QStringLiteral("Lotus"), QStringLiteral("SYSTEM")), 0);
    QCOMPARE(server.open(QStringLiteral("Excel"), QStringLiteral("C:\\nothing\\open.XLS")), 0);
    QCOMPARE(server.open(QStringLiteral("WinWord"), QStringLiteral("document.doc")), 0);
    server.setServiceAvailable(QStringLiteral("excel"), false);
    QCOMPARE(server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM")), 0);
    server.setServiceAvailable(QStringLiteral("Excel"), true);
    QVERIFY(server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM")) != 0);

    // Nothing is written through a channel that is not there.
    for (const int channel : {0, 99}) {
        auto executed = server.execute(channel, QStringLiteral("[SAVE()]"));
        QVERIFY(!executed);
        QCOMPARE(executed.error().code, ErrorCode::FileNotOpen);
        auto poked = server.poke(channel, QStringLiteral("R1C1"), QStringLiteral("1"));
        QVERIFY(!poked);
        QCOMPARE(poked.error().code, ErrorCode::FileNotOpen);
        CHECK_OK(server.close(channel));
    }
}

void OfficeServerTest::failuresAreReported_data()
{
    QTest::addColumn<QString>("commands"); // on the system topic; "%1" is the working directory
    QTest::addColumn<QString>("pokeItem"); // poked on the system topic when not empty
    QTest::addColumn<ErrorCode>("code");

    QTest::newRow("missing template") << QStringLiteral("[OPEN.TEXT(\"%1\\XLS\\nothing.xls\")]")
                                      << QString() << ErrorCode::FileNotFound;
    QTest::newRow("damaged template")
        << QStringLiteral("[OPEN(\"%1\\XLS\\broken.xls\")]") << QString() << ErrorCode::DamagedFile;
    QTest::newRow("no file name") << QStringLiteral("[OPEN()]") << QString()
                                  << ErrorCode::InvalidArgument;
    QTest::newRow("formatting before any workbook")
        << QStringLiteral("[SELECT(\"R1C1\")]") << QString() << ErrorCode::FileNotOpen;
    QTest::newRow("bad selection")
        << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")][SELECT(\"A1\")]") << QString()
        << ErrorCode::InvalidArgument;
    QTest::newRow("line style out of range")
        << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")][BORDER(9)]") << QString()
        << ErrorCode::InvalidArgument;
    QTest::newRow("border over too many cells")
        << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")][SELECT(\"R1C1:R1048576C100\")][BORDER(1)]")
        << QString() << ErrorCode::InvalidArgument;
    QTest::newRow("formula") << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")][FORMULA(\"=1+1\")]")
                             << QString() << ErrorCode::InvalidArgument;
    QTest::newRow("close with changes and no answer")
        << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")][FORMULA(\"x\")][CLOSE()]") << QString()
        << ErrorCode::AccessDenied;
    QTest::newRow("poke into the system topic")
        << QStringLiteral("[OPEN(\"%1\\XLS\\ras1.xls\")]") << QStringLiteral("R1C1")
        << ErrorCode::InvalidArgument;
    QTest::newRow("word document missing") << QStringLiteral("word:[FileOpen(\"%1\\doc\\x.doc\")]")
                                           << QString() << ErrorCode::FileNotFound;
}

void OfficeServerTest::failuresAreReported()
{
    QFETCH(QString, commands);
    QFETCH(QString, pokeItem);
    QFETCH(ErrorCode, code);
    WorkDir work;
    {
        QFile broken(work.path(QStringLiteral("XLS/broken.xls")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("PK\x03\x04 but nothing of a workbook");
    }
    RecordingOpener opener;
    OfficeServer server(&opener);
    const bool word = commands.startsWith(QStringLiteral("word:"));
    const int system = server.open(word ? QStringLiteral("WinWord") : QStringLiteral("Excel"),
                                   QStringLiteral("SYSTEM"));
    QVERIFY(system != 0);
    QString text = word ? commands.mid(5) : commands;
    text.replace(QStringLiteral("%1"), fs::shortForm(work.dir.path()));
    Status result = server.execute(system, text);
    if (result && !pokeItem.isEmpty())
        result = server.poke(system, pokeItem, QStringLiteral("1"));
    QVERIFY(!result);
    QCOMPARE(result.error().code, code);
    QVERIFY(opener.opened.isEmpty());
}

void OfficeServerTest::saveIntoMissingFolderFailsAndKeepsTheWorkbook()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(system, QStringLiteral("[OPEN.TEXT(\"\\XLS\\ras1.xls\")]")));

    auto refused = server.execute(system, QStringLiteral("[Save.As(\"\\temp2\\1.XLS\")]"));
    QVERIFY(!refused);
    QCOMPARE(refused.error().code, ErrorCode::FileNotFound);
    QVERIFY(!QDir(work.path(QStringLiteral("temp2"))).exists());
    QCOMPARE(server.open(QStringLiteral("Excel"), work.dosName(QStringLiteral("\\temp2\\1.XLS"))),
             0);

    // The workbook is still open and can be saved where the folder exists.
    CHECK_OK(server.execute(system, QStringLiteral("[Save.As(\"\\temp1\\1.XLS\")]")));
    QVERIFY(QFile::exists(work.path(QStringLiteral("temp1/1.XLS"))));
    CHECK_OK(server.close(system));
}

void OfficeServerTest::aFailedSaveAtTheEndIsReportedAndNothingIsLost()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const int channel = openWorkbook(server, work, QStringLiteral("\\temp1\\3.XLS"));
    QVERIFY(channel != 0);
    CHECK_OK(server.poke(channel, QStringLiteral("R11C1"), QStringLiteral("5")));

    // The work folder disappears before the program is done with the workbook.
    QVERIFY(QDir(work.path(QStringLiteral("temp1"))).removeRecursively());
    auto closed = server.close(channel);
    QVERIFY(!closed);
    QVERIFY(opener.opened.isEmpty());

    // The workbook, with the poke, is still there to be saved elsewhere.
    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    QCOMPARE(server.workbook(system)->cell(11, 1)->number, 5.0);
    CHECK_OK(server.execute(system, QStringLiteral("[Save.As(\"\\doc\\3.xlsx\")]")));
    QCOMPARE(readBack(work.path(QStringLiteral("doc/3.xlsx"))).cell(11, 1)->number, 5.0);
}

void OfficeServerTest::anOpenWorkbookWithChangesIsNotSavedOver()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const int first = openWorkbook(server, work, QStringLiteral("\\temp1\\10.XLS"));
    QVERIFY(first != 0);
    CHECK_OK(server.poke(first, QStringLiteral("R11C1"), QStringLiteral("first export")));

    // A second export chooses the same name while the first is still being written.
    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(system, QStringLiteral("[OPEN.TEXT(\"\\XLS\\ras1.xls\")]")));
    auto refused = server.execute(system, QStringLiteral("[Save.As(\"\\temp1\\10.XLS\")]"));
    QVERIFY(!refused);
    QCOMPARE(refused.error().code, ErrorCode::AccessDenied);
    CHECK_OK(server.close(system));

    CHECK_OK(server.close(first));
    QCOMPARE(readBack(work.path(QStringLiteral("temp1/10.XLS"))).cell(11, 1)->text,
             QStringLiteral("first export"));
}

void OfficeServerTest::unsavedTemplateIsShownAsACopy()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    const QString templatePath = work.path(QStringLiteral("XLS/ras1.xls"));
    QFile original(templatePath);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(system, QStringLiteral("[OPEN(\"\\XLS\\ras1.xls\")]")));
    const int channel = server.open(QStringLiteral("Excel"), QStringLiteral("[RAS1.XLS]Лист1"));
    QVERIFY(channel != 0);
    CHECK_OK(server.close(system)); // a conversation on its topic keeps it open
    QVERIFY(opener.opened.isEmpty());
    CHECK_OK(server.poke(channel, QStringLiteral("R11C1"), QStringLiteral("42")));
    CHECK_OK(server.close(channel));

    QCOMPARE(opener.opened.size(), 1);
    const QString shown = opener.opened.front();
    QVERIFY(shown != templatePath);
    QCOMPARE(QFileInfo(shown).fileName(), QStringLiteral("ras1.xls"));
    QCOMPARE(readBack(shown).cell(11, 1)->number, 42.0);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), before);
    QDir(QFileInfo(shown).absolutePath()).removeRecursively();
}

void OfficeServerTest::blankFormsAreShownAsTheyAre()
{
    WorkDir work;
    RecordingOpener opener;
    OfficeServer server(&opener);
    QVERIFY(QFile::copy(work.path(QStringLiteral("XLS/ras1.xls")),
                        work.path(QStringLiteral("temp1/f30.xls"))));

    const int excel = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(excel, QStringLiteral("[OPEN.TEXT(\"") +
                                       work.dosName(QStringLiteral("\\temp1\\f30.xls")) +
                                       QStringLiteral("\")]")));
    QVERIFY(opener.opened.isEmpty());
    CHECK_OK(server.close(excel));

    const int word = server.open(QStringLiteral("WinWord"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(word, QStringLiteral("[FileOpen (\"") +
                                      work.dosName(QStringLiteral("\\DOC\\F12.DOC")) +
                                      QStringLiteral("\")]")));
    CHECK_OK(server.close(word));

    // A file that is not a workbook file (an older binary kind) is shown as it is too.
    const QString binary = work.path(QStringLiteral("temp1/old.xls"));
    {
        QFile file(binary);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\xd0\xcf\x11\xe0 binary workbook");
    }
    const int second = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(second, QStringLiteral("[OPEN.TEXT(\"\\temp1\\old.xls\")]")));
    auto poke = server.execute(second, QStringLiteral("[BORDER(1)]"));
    QVERIFY(!poke);
    QCOMPARE(poke.error().code, ErrorCode::AccessDenied);
    CHECK_OK(server.close(second));

    QCOMPARE(opener.opened, QStringList({work.path(QStringLiteral("temp1/f30.xls")),
                                         work.path(QStringLiteral("doc/f12.doc")), binary}));
}

void OfficeServerTest::windowsTempFolderNamesTheSameWorkbook()
{
    WorkDir work;
    QTemporaryDir temp;
    EnvironmentGuard environment({"TMPDIR"});
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    RecordingOpener opener;
    OfficeServer server(&opener);

    const int system = server.open(QStringLiteral("Excel"), QStringLiteral("SYSTEM"));
    CHECK_OK(server.execute(system, QStringLiteral("[OPEN.TEXT(\"\\XLS\\ras1.xls\")]")));
    CHECK_OK(server.execute(system, QStringLiteral("[Save.As(\"C:\\WINDOWS\\TEMP\\1.XL\")]")));
    CHECK_OK(server.close(system));
    const int channel =
        server.open(QStringLiteral("Excel"), QStringLiteral("c:\\windows\\temp\\1.xl"));
    QVERIFY(channel != 0);
    CHECK_OK(server.poke(channel, QStringLiteral("R11C3"), QStringLiteral("1234,5")));
    CHECK_OK(server.close(channel));

    const QString saved = QDir(temp.path()).filePath(QStringLiteral("1.XL"));
    QCOMPARE(opener.opened, QStringList({saved}));
    QCOMPARE(readBack(saved).cell(11, 3)->number, 1234.5);
}

void OfficeServerTest::desktopIsLeftAloneWhereNobodySeesIt_data()
{
    QTest::addColumn<QByteArrayList>("set"); // NAME=value
    QTest::addColumn<bool>("wanted");

    const QByteArray display = "DISPLAY=:0";
    QTest::newRow("a desktop session") << QByteArrayList{display, "QT_QPA_PLATFORM=xcb"} << true;
    QTest::newRow("offscreen") << QByteArrayList{display, "QT_QPA_PLATFORM=offscreen"} << false;
    QTest::newRow("minimal") << QByteArrayList{display, "QT_QPA_PLATFORM=minimal"} << false;
    QTest::newRow("no display") << QByteArrayList{"QT_QPA_PLATFORM=xcb"} << false;
    QTest::newRow("switched off") << QByteArrayList{display, "ZEMOR_NO_DESKTOP=1"} << false;
    QTest::newRow("test runner") << QByteArrayList{display, "ZEMOR_TEST_BINARY_DIR=/x"} << false;
}

void OfficeServerTest::desktopIsLeftAloneWhereNobodySeesIt()
{
    QFETCH(QByteArrayList, set);
    QFETCH(bool, wanted);
    bool result = false;
    {
        EnvironmentGuard environment({"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                      "ZEMOR_NO_DESKTOP", "ZEMOR_TEST_BINARY_DIR"});
        for (const QByteArray &assignment : set) {
            const qsizetype equals = assignment.indexOf('=');
            qputenv(assignment.left(equals).constData(), assignment.mid(equals + 1));
        }
        result = SystemDesktopOpener::desktopWanted();
    }
    QCOMPARE(result, wanted);

    SystemDesktopOpener opener;
    auto missing = opener.open(QStringLiteral("/no/such/workbook.xls"));
    QVERIFY(!missing);
    QCOMPARE(missing.error().code, ErrorCode::FileNotFound);
}

// What the desktop's opener does decides whether a document counts as shown: one that ends in
// failure (xdg-open's 3 when no program is there for the kind) is reported, one that ends well
// or is still running (it runs the program itself) is not.
void OfficeServerTest::openerOutcome_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("message");
    QTest::newRow("no program for the kind")
        << QByteArray("echo \"xdg-open: no method available for opening '$1'\" >&2; exit 3")
        << false << u"Нет программы, которая открывает этот документ"_s;
    QTest::newRow("program failed")
        << QByteArray("exit 4") << false << u"Программа не смогла открыть документ"_s;
    QTest::newRow("opened") << QByteArray("test -f \"$1\"") << true << QString();
    QTest::newRow("program still running") << QByteArray("sleep 30") << true << QString();
}

void OfficeServerTest::openerOutcome()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, shown);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString opener = dir.filePath(u"opener"_s);
    {
        QFile file(opener);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + script + "\n");
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }
    const QString book = dir.filePath(u"1.XLS"_s);
    {
        QFile file(book);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QElapsedTimer timer;
    timer.start();
    SystemDesktopOpener desktop(opener, 3000);
    const auto opened = desktop.open(book);
    QCOMPARE(bool(opened), shown);
    if (!shown) {
        QCOMPARE(opened.error().code, ErrorCode::NotOpened);
        QCOMPARE(opened.error().message, message);
        QCOMPARE(opened.error().where, book);
    }
    // A running opener is waited for a moment only.
    QVERIFY(timer.elapsed() < 15000);
}

QTEST_GUILESS_MAIN(OfficeServerTest)
#include "test_officeserver.moc"
