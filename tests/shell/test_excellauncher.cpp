// The Excel launcher (work folder, workbook numbers, the conversation and how an export ends),
// the list of institutions with its workbook, and the demo templates.

#include "ShellFixture.h"

#include "data/records/BolnRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/ViduchRecord.h"
#include "runtime/office/OfficeServer.h"
#include "runtime/office/XlsxReader.h"
#include "shell/ExcelLauncher.h"
#include "shell/InstitutionList.h"
#include "tools/DemoTemplates.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace zemor;
using namespace Qt::StringLiterals;
using runtime::ErrorCode;
using runtime::Status;
using runtime::office::Cell;
using runtime::office::OfficeServer;
using runtime::office::Workbook;
using runtime::office::XlsxReader;
using shell::ExcelLauncher;
using shell::InstitutionList;
using shell::InstitutionListEntry;
using test::ScriptedPrompter;
using test::WorkDir;

namespace {

// Shows nothing; keeps what it was asked to show.
class NoDesktop final : public runtime::office::DesktopOpener
{
public:
    QStringList opened;
    Status open(const QString &path) override
    {
        opened.append(path);
        return {};
    }
};

// The office server with chosen refusals, as when the disk is full or the workbook is locked.
class RefusingOffice final : public runtime::office::Conversation
{
public:
    explicit RefusingOffice(OfficeServer &server) : m_server(server) {}
    std::function<bool(const QString &)> refuseCommand = [](const QString &) { return false; };
    bool refusePokes = false;
    bool refuseClose = false; // on workbook conversations

    int open(const QString &service, const QString &topic) override
    {
        const int channel = m_server.open(service, topic);
        if (topic.compare(QStringLiteral("SYSTEM"), Qt::CaseInsensitive) != 0)
            m_workbooks.insert(channel);
        return channel;
    }
    Status execute(int channel, const QString &command) override
    {
        if (refuseCommand(command))
            return runtime::fail(runtime::ErrorCode::DiskFull, command);
        return m_server.execute(channel, command);
    }
    Status poke(int channel, const QString &item, const QString &value) override
    {
        if (refusePokes)
            return runtime::fail(runtime::ErrorCode::AccessDenied, item);
        return m_server.poke(channel, item, value);
    }
    Status close(int channel) override
    {
        const Status closed = m_server.close(channel);
        if (refuseClose && m_workbooks.contains(channel))
            return runtime::fail(runtime::ErrorCode::DiskFull, QStringLiteral("close"));
        return closed;
    }

private:
    OfficeServer &m_server;
    QSet<int> m_workbooks;
};

// A working directory with the templates in "XLS/".
struct ExcelDir
{
    WorkDir dir;
    ExcelDir() { QVERIFY(tools::DemoTemplates::write(dir.filePath(QStringLiteral("XLS")))); }
    QString work(const QString &name = {}) const
    {
        return dir.filePath(QStringLiteral("temp1/") + name);
    }
};

QStringList workFiles(const ExcelDir &x)
{
    return QDir(x.work()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                    QDir::Name | QDir::IgnoreCase);
}

QString text(const Workbook &book, int row, int column)
{
    const Cell *cell = book.cell(row, column);
    return cell ? cell->displayText() : QString();
}

bool hasValue(const Workbook &book, int row, int column)
{
    const Cell *cell = book.cell(row, column);
    return cell && cell->kind != Cell::Kind::Empty;
}

void addDistrict(data::DataContext &data, qint64 code, const QString &name)
{
    test::addRecord(data, data::FileId::region1, [&](QByteArray &record) {
        data::Region1Record r(record);
        QVERIFY(r.setCodReg(code));
        r.setName(name);
    });
}

void addKind(data::DataContext &data, qint64 code, const QString &name)
{
    test::addRecord(data, data::FileId::viduch, [&](QByteArray &record) {
        data::ViduchRecord r(record);
        QVERIFY(r.setCodVid(code));
        r.setNameUch(name);
    });
}

struct Institution
{
    qint32 code;
    qint64 district;
    qint64 kind;
    QString name;
    quint8 sel;
    qint16 opened = 0;
    qint16 closed = 0;
    QString s = {};
};

void addInstitution(data::DataContext &data, const Institution &i)
{
    test::addRecord(data, data::FileId::boln, [&](QByteArray &record) {
        data::BolnRecord r(record);
        r.setUnicod(i.code);
        QVERIFY(r.setCodReg(i.district));
        QVERIFY(r.setVid(i.kind));
        r.setNazv(i.name);
        r.setSel(i.sel);
        r.setSYear(i.opened);
        r.setEYear(i.closed);
        r.setS(i.s);
    });
}

constexpr int kYear = 2024;

// Institutions that show each rule of the list: who is left out, what a missing district or
// kind shows, and the order.
void writeInstitutions(data::DataContext &data)
{
    addDistrict(data, 1, QStringLiteral("Альфинский"));
    addDistrict(data, 2, QStringLiteral("Бетинский"));
    addKind(data, 1, QStringLiteral("Центральная районная больница"));
    addKind(data, 2, QStringLiteral("Амбулатория"));
    const QList<Institution> institutions{
        {101, 2, 1, QStringLiteral("Бетинская ЦРБ"), 1},
        {110, 2, 2, QStringLiteral("'Ромашка', амбулатория"), 2},
        {102, 1, 2, QStringLiteral("Вторая амбулатория"), 2},
        {103, 1, 2, QStringLiteral("Альфинская амбулатория"), 0},
        {104, 1, 1, QStringLiteral("Закрыта в прошлом году"), 1, 0, kYear - 1},
        {105, 1, 1, QStringLiteral("Откроется в будущем году"), 1, kYear + 1, 0},
        {106, 1, 1, QStringLiteral("Альфинская ЦРБ"), 1, kYear, kYear},
        {107, 1, 1, QStringLiteral("Не для списка"), 3},
        {998, 1, 1, QStringLiteral("Служебная 998"), 1},
        {999, 1, 1, QStringLiteral("Служебная 999"), 1, 2000, 2100},
        {7101, 7, 9, QStringLiteral("Без района и вида"), 2, 0, 0, QStringLiteral("  00101")},
    };
    for (const Institution &i : institutions)
        addInstitution(data, i);
}

} // namespace

class ServicesBTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workbookNumber_data();
    void workbookNumber();
    void numberOfName_data();
    void numberOfName();
    void exportWritesTemplateAndPokes();
    void openExportKeepsItsWorkbook();
    void unreachableExcel();
    void excelStartedWhenAsked();
    void noWorkbookNoSuccess_data();
    void noWorkbookNoSuccess();
    void templatesOpenByAnySpelling();
    void institutionListRows();
    void institutionListWorkbook();
    void institutionListUnreachableExcel();
    void workbookNotShownSaysWhere();
};

void ServicesBTest::workbookNumber_data()
{
    QTest::addColumn<QStringList>("files");   // in temp1 before the export
    QTest::addColumn<QStringList>("open");    // those the desktop has open
    QTest::addColumn<QStringList>("folders"); // sub-folders in temp1
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("kept"); // besides the new workbook and the lock files

    const QStringList none;
    QTest::newRow("no work folder yet") << none << none << none << 1 << none;
    QTest::newRow("earlier exports are removed")
        << QStringList{u"1.XLS"_s, u"2.XLS"_s, u"7.xls"_s} << none << none << 1 << none;
    QTest::newRow("open workbook 3 stays, next is 4")
        << QStringList{u"1.XLS"_s, u"3.XLS"_s} << QStringList{u"3.XLS"_s} << none << 4
        << QStringList{u"3.XLS"_s};
    QTest::newRow("largest number, not the last listed")
        << QStringList{u"9.XLS"_s, u"10.XLS"_s} << QStringList{u"9.XLS"_s, u"10.XLS"_s} << none
        << 11 << QStringList{u"10.XLS"_s, u"9.XLS"_s};
    QTest::newRow("a name without a number counts as 0")
        << QStringList{u"abc.XLS"_s} << QStringList{u"abc.XLS"_s} << none << 1
        << QStringList{u"abc.XLS"_s};
    QTest::newRow("folders are neither removed nor counted")
        << none << none << QStringList{u"5.XLS"_s} << 1 << QStringList{u"5.XLS"_s};
    QTest::newRow("a folder holding the next number is skipped")
        << QStringList{u"3.XLS"_s} << QStringList{u"3.XLS"_s} << QStringList{u"4.xls"_s} << 5
        << QStringList{u"3.XLS"_s, u"4.xls"_s};
    QTest::newRow("other files stay") << QStringList{u"notes.txt"_s, u"2.XLS"_s} << none << none
                                      << 1 << QStringList{u"notes.txt"_s};
}

void ServicesBTest::workbookNumber()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, open);
    QFETCH(QStringList, folders);
    QFETCH(int, expected);
    QFETCH(QStringList, kept);

    ExcelDir x;
    if (!files.isEmpty() || !folders.isEmpty())
        x.dir.makeDir(QStringLiteral("temp1"));
    for (const QString &name : files)
        x.dir.writeFile(QStringLiteral("temp1/") + name, "earlier export " + name.toUtf8());
    for (const QString &name : open)
        x.dir.writeFile(QStringLiteral("temp1/.~lock.") + name + u'#', "open");
    for (const QString &name : folders)
        x.dir.makeDir(QStringLiteral("temp1/") + name);

    NoDesktop desktop;
    OfficeServer office(&desktop);
    ScriptedPrompter prompter;
    ExcelLauncher excel(office, prompter);
    QVERIFY(excel.launch(QStringLiteral("ras1.xls")) > 0);
    QCOMPARE(excel.number(), QString::number(expected));
    const QString name = QString::number(expected) + QStringLiteral(".XLS");
    QCOMPARE(excel.workbookPath(), x.work(name));
    QVERIFY(excel.finish());

    QStringList left;
    for (const QString &file : workFiles(x)) {
        if (!file.startsWith(QStringLiteral(".~lock.")))
            left.append(file);
    }
    kept.append(name);
    std::sort(kept.begin(), kept.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(left, kept);
    // A workbook left open keeps what it holds.
    for (const QString &file : open) {
        QFile workbook(x.work(file));
        QVERIFY(workbook.open(QIODevice::ReadOnly));
        QCOMPARE(workbook.readAll(), "earlier export " + file.toUtf8());
    }
}

void ServicesBTest::numberOfName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("number");
    QTest::newRow("plain") << u"12.XLS"_s << qint64(12);
    QTest::newRow("leading zeros") << u"007.XLS"_s << qint64(7);
    QTest::newRow("up to the first dot") << u"3.bak.XLS"_s << qint64(3);
    QTest::newRow("letters") << u"a1.XLS"_s << qint64(0);
    QTest::newRow("digits then letters") << u"12b.XLS"_s << qint64(0);
    QTest::newRow("sign") << u"-4.XLS"_s << qint64(0);
    QTest::newRow("nothing before the dot") << u".XLS"_s << qint64(0);
    QTest::newRow("too large to count on") << u"99999999999999999999.XLS"_s << qint64(0);
}

void ServicesBTest::numberOfName()
{
    QFETCH(QString, name);
    QFETCH(qint64, number);
    QCOMPARE(ExcelLauncher::numberOf(name), number);
}

void ServicesBTest::exportWritesTemplateAndPokes()
{
    ExcelDir x;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    ScriptedPrompter prompter;
    int waits = 0;
    ExcelLauncher excel(office, prompter, [&waits] { ++waits; });
    const int channel = excel.launch(QStringLiteral("RAS1.XLS   "));
    QVERIFY(channel > 0);
    QCOMPARE(excel.channel(), channel);
    excel.poke(1, 1, QStringLiteral("Заголовок"));
    excel.poke(9, 1, QStringLiteral("N"));
    excel.poke(10, 1, QStringLiteral("1"));
    excel.poke(10, 2, QStringLiteral("Первая"));
    excel.poke(11, 1, QStringLiteral("2"));
    excel.poke(11, 2, QStringLiteral("Вторая"));
    excel.frame(9, 1, 11, 2);
    QVERIFY(excel.ok());
    QVERIFY(excel.finish());

    // Excel was running: nobody waited and nobody was asked to start it.
    QCOMPARE(waits, 0);
    QCOMPARE(prompter.texts(), QStringList{ExcelLauncher::doneText()});
    QCOMPARE(office.unknownCommands(), QStringList());
    QCOMPARE(desktop.opened, QStringList{x.work(QStringLiteral("1.XLS"))});

    const auto book = XlsxReader::read(x.work(QStringLiteral("1.XLS")));
    QVERIFY2(book, qPrintable(book ? QString() : book.error().message));
    QCOMPARE(text(*book, 1, 1), QStringLiteral("Заголовок"));
    QVERIFY(book->cell(1, 1)->format.bold); // the template's title format stays under the poke
    QCOMPARE(book->cell(10, 1)->kind, Cell::Kind::Number);
    QCOMPARE(text(*book, 11, 2), QStringLiteral("Вторая"));
    for (int row = 9; row <= 11; ++row) {
        for (int column = 1; column <= 2; ++column) {
            const auto &format = book->cell(row, column)->format;
            QCOMPARE(int(format.left), int(runtime::office::BorderStyle::Thin));
            QCOMPARE(int(format.bottom), int(runtime::office::BorderStyle::Thin));
        }
    }
    QVERIFY(book->cell(12, 1) == nullptr ||
            book->cell(12, 1)->format.top == runtime::office::BorderStyle::None);
}

void ServicesBTest::openExportKeepsItsWorkbook()
{
    // Two windows export at once: the second export neither removes nor reuses the workbook
    // the first one is still writing.
    ExcelDir x;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    ScriptedPrompter prompter;
    ExcelLauncher first(office, prompter);
    QVERIFY(first.launch(QStringLiteral("ras1.xls")) > 0);
    first.poke(11, 1, QStringLiteral("первая выгрузка"));

    ExcelLauncher second(office, prompter);
    QVERIFY(second.launch(QStringLiteral("ras1.xls")) > 0);
    QCOMPARE(first.number(), QStringLiteral("1"));
    QCOMPARE(second.number(), QStringLiteral("2"));
    second.poke(11, 1, QStringLiteral("вторая выгрузка"));
    QVERIFY(second.finish());
    QVERIFY(first.finish());

    const auto one = XlsxReader::read(x.work(QStringLiteral("1.XLS")));
    const auto two = XlsxReader::read(x.work(QStringLiteral("2.XLS")));
    QVERIFY(one && two);
    QCOMPARE(text(*one, 11, 1), QStringLiteral("первая выгрузка"));
    QCOMPARE(text(*two, 11, 1), QStringLiteral("вторая выгрузка"));

    // Once both are done, the next export clears them away.
    ExcelLauncher third(office, prompter);
    QVERIFY(third.launch(QStringLiteral("ras1.xls")) > 0);
    QCOMPARE(third.number(), QStringLiteral("1"));
    QCOMPARE(workFiles(x), QStringList{u"1.XLS"_s});
}

void ServicesBTest::unreachableExcel()
{
    ExcelDir x;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    office.setServiceAvailable(QStringLiteral("Excel"), false);
    ScriptedPrompter prompter;
    int waits = 0;
    ExcelLauncher excel(office, prompter, [&waits] { ++waits; });

    QCOMPARE(excel.launch(QStringLiteral("ras1.xls")), 0);
    QCOMPARE(excel.channel(), 0);
    QCOMPARE(excel.number(), QString());
    QCOMPARE(waits, 1);
    QCOMPARE(prompter.messages.size(), 2);
    QCOMPARE(prompter.messages.at(0).text, ExcelLauncher::startExcelText());
    QVERIFY(prompter.messages.at(1).text.contains(QStringLiteral("Excel")));
    QVERIFY(prompter.messages.at(1).text.endsWith(ExcelLauncher::notDoneText()));

    // What the caller goes on to send changes nothing and ends without a success message.
    excel.poke(9, 1, QStringLiteral("N"));
    QVERIFY(!excel.ok());
    QVERIFY(!excel.finish());
    QCOMPARE(prompter.messages.size(), 2);
    QVERIFY(!prompter.texts().contains(ExcelLauncher::doneText()));
    // The work folder was made, and nothing is left in it.
    QVERIFY(QFileInfo(x.work()).isDir());
    QCOMPARE(workFiles(x), QStringList());
    QVERIFY(desktop.opened.isEmpty());
}

void ServicesBTest::excelStartedWhenAsked()
{
    // The user starts Excel when told to: the export goes on.
    struct StartingPrompter : ScriptedPrompter
    {
        OfficeServer *office = nullptr;
        int message(const QString &text, const QString &caption, const QString &buttons,
                    runtime::MessageIcon icon, int defaultButton) override
        {
            if (text == ExcelLauncher::startExcelText())
                office->setServiceAvailable(QStringLiteral("Excel"), true);
            return ScriptedPrompter::message(text, caption, buttons, icon, defaultButton);
        }
    };
    ExcelDir x;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    office.setServiceAvailable(QStringLiteral("Excel"), false);
    StartingPrompter prompter;
    prompter.office = &office;
    ExcelLauncher excel(office, prompter);
    QVERIFY(excel.launch(QStringLiteral("ras1.xls")) > 0);
    excel.poke(11, 1, QStringLiteral("x"));
    QVERIFY(excel.finish());
    QCOMPARE(prompter.texts(),
             (QStringList{ExcelLauncher::startExcelText(), ExcelLauncher::doneText()}));
    QVERIFY(QFileInfo::exists(x.work(QStringLiteral("1.XLS"))));
}

void ServicesBTest::noWorkbookNoSuccess_data()
{
    QTest::addColumn<QString>("templateName");
    QTest::addColumn<QString>("refusedCommand"); // refused commands start with this
    QTest::addColumn<bool>("refusePokes");
    QTest::addColumn<bool>("refuseClose");
    QTest::addColumn<bool>("launched");
    QTest::addColumn<QString>("said"); // part of the failure message

    QTest::newRow("template missing")
        << u"nosuch.xls"_s << QString() << false << false << false << u"nosuch.xls"_s;
    QTest::newRow("copy cannot be saved")
        << u"ras1.xls"_s << u"[Save.As"_s << false << false << false << u"1.XLS"_s;
    QTest::newRow("cells refused")
        << u"ras1.xls"_s << QString() << true << false << true << u"заполнена не полностью"_s;
    QTest::newRow("workbook not written at the end")
        << u"ras1.xls"_s << QString() << false << true << true << u"не записана"_s;
    QTest::newRow("frame refused")
        << u"ras1.xls"_s << u"[BORDER"_s << false << false << true << u"заполнена не полностью"_s;
}

void ServicesBTest::noWorkbookNoSuccess()
{
    QFETCH(QString, templateName);
    QFETCH(QString, refusedCommand);
    QFETCH(bool, refusePokes);
    QFETCH(bool, refuseClose);
    QFETCH(bool, launched);
    QFETCH(QString, said);

    ExcelDir x;
    NoDesktop desktop;
    OfficeServer server(&desktop);
    RefusingOffice office(server);
    if (!refusedCommand.isEmpty())
        office.refuseCommand = [refusedCommand](const QString &command) {
            return command.startsWith(refusedCommand);
        };
    office.refusePokes = refusePokes;
    office.refuseClose = refuseClose;
    ScriptedPrompter prompter;
    ExcelLauncher excel(office, prompter);

    QCOMPARE(excel.launch(templateName) != 0, launched);
    excel.poke(11, 1, QStringLiteral("x"));
    excel.frame(11, 1, 11, 1);
    QVERIFY(!excel.finish());

    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY2(prompter.lastText().contains(said), qPrintable(prompter.lastText()));
    QVERIFY(prompter.lastText().endsWith(ExcelLauncher::notDoneText()));
    if (!launched)
        QCOMPARE(workFiles(x), QStringList()); // the reserved name was given back
}

void ServicesBTest::templatesOpenByAnySpelling()
{
    // Every template the exports name opens through the conversation, whatever its spelling.
    ExcelDir x;
    NoDesktop desktop;
    OfficeServer office(&desktop);
    ScriptedPrompter prompter;
    QStringList asked = tools::DemoTemplates::names();
    asked << QStringLiteral("RAS1.XLS") << QStringLiteral("ras.xls") << QStringLiteral("I1.xls");
    for (const QString &name : asked) {
        ExcelLauncher excel(office, prompter);
        QVERIFY2(excel.launch(name) > 0, qPrintable(name));
        QVERIFY(excel.finish());
        QVERIFY(XlsxReader::read(excel.workbookPath()));
    }
    QCOMPARE(prompter.texts(), QStringList(asked.size(), ExcelLauncher::doneText()));
    QCOMPARE(QDir(x.dir.filePath(QStringLiteral("XLS"))).entryList(QDir::Files).size(),
             tools::DemoTemplates::names().size());
}

void ServicesBTest::institutionListRows()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    writeInstitutions(data);

    const auto list = InstitutionList(data, kYear).fill();
    QVERIFY(list);
    QCOMPARE(prompter.messages.size(), 0);

    struct Expected
    {
        qint32 cod;
        QString district;
        QString kind;
        QString village;
        qint32 whod;
    };
    // By district, kind, then name; 104, 105, 107, 998 and 999 are left out.
    const QList<Expected> expected{
        {106, u"Альфинский"_s, u"Центральная районная больница"_s, u"город"_s, 0},
        {103, u"Альфинский"_s, u"Амбулатория"_s, QString(), 0},
        {102, u"Альфинский"_s, u"Амбулатория"_s, u"село"_s, 0},
        {101, u"Бетинский"_s, u"Центральная районная больница"_s, u"город"_s, 0},
        {110, u"Бетинский"_s, u"Амбулатория"_s, u"село"_s, 0},
        {7101, QString(), QString(), u"село"_s, 101},
    };
    QCOMPARE(list->size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const InstitutionListEntry &entry = list->at(i);
        QCOMPARE(entry.n, qint16(i + 1));
        QCOMPARE(entry.cod, expected.at(i).cod);
        QCOMPARE(entry.nameR, expected.at(i).district);
        QCOMPARE(entry.nameU, expected.at(i).kind);
        QCOMPARE(entry.nameSel, expected.at(i).village);
        QCOMPARE(entry.whod, expected.at(i).whod);
    }
    QCOMPARE(list->at(5).codReg, qint64(7));
    QCOMPARE(list->at(1).name, QStringLiteral("Альфинская амбулатория"));

    // In another year other institutions exist.
    const auto earlier = InstitutionList(data, kYear - 1).fill();
    QVERIFY(earlier);
    QList<qint32> codes;
    for (const InstitutionListEntry &entry : *earlier)
        codes.append(entry.cod);
    QCOMPARE(codes, (QList<qint32>{104, 103, 102, 101, 110, 7101}));
}

void ServicesBTest::institutionListWorkbook()
{
    ExcelDir x;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    writeInstitutions(data);
    // Names that look like numbers.
    addDistrict(data, 3, QStringLiteral("3.20"));
    addInstitution(data, {111, 3, 1, QStringLiteral("2.10"), 1});
    const auto list = InstitutionList(data, kYear).fill();
    QVERIFY(list);

    NoDesktop desktop;
    OfficeServer office(&desktop);
    ExcelLauncher excel(office, prompter);
    QVERIFY(InstitutionList::exportToExcel(*list, excel));
    QCOMPARE(prompter.texts(), QStringList{ExcelLauncher::doneText()});
    QCOMPARE(desktop.opened.size(), 1);

    const auto book = XlsxReader::read(desktop.opened.first());
    QVERIFY(book);
    QCOMPARE((QStringList{text(*book, 9, 1), text(*book, 9, 2), text(*book, 9, 3),
                          text(*book, 9, 4), text(*book, 9, 5), text(*book, 9, 6)}),
             InstitutionList::excelHeadings());
    for (int column = 1; column <= 6; ++column)
        QVERIFY(!hasValue(*book, 10, column)); // row 10 stays empty
    for (int i = 0; i < list->size(); ++i) {
        const InstitutionListEntry &entry = list->at(i);
        const int row = 11 + i;
        QCOMPARE(text(*book, row, 1), QString::number(i + 1));
        QCOMPARE(text(*book, row, 2), QString::number(entry.cod));
        QCOMPARE(text(*book, row, 3), entry.nameR);
        QCOMPARE(text(*book, row, 4), entry.nameU);
        QCOMPARE(text(*book, row, 5), entry.nameSel);
        QCOMPARE(text(*book, row, 6), entry.name); // a leading apostrophe too
        // The number and the code are numbers, the names texts.
        for (int column = 1; column <= 6; ++column) {
            const Cell *cell = book->cell(row, column);
            const Cell::Kind kind = cell ? cell->kind : Cell::Kind::Empty;
            if (column <= 2)
                QCOMPARE(kind, Cell::Kind::Number);
            else if (!text(*book, row, column).isEmpty())
                QCOMPARE(kind, Cell::Kind::Text);
        }
    }
    const auto named = std::find_if(list->cbegin(), list->cend(),
                                    [](const InstitutionListEntry &e) { return e.cod == 111; });
    QVERIFY(named != list->cend());
    QCOMPARE(named->nameR, QStringLiteral("3.20"));
    QCOMPARE(named->name, QStringLiteral("2.10"));
    QVERIFY(!hasValue(*book, 11 + int(list->size()), 1));
    QCOMPARE(book->lastColumn() <= 7, true); // nothing beyond the template's columns
}

// No program can show the workbook ("Список ЛПУ" → "Excel" on a desktop without a spreadsheet
// program): the export is finished, and the message says why nothing opened and where the
// workbook is.
void ServicesBTest::workbookNotShownSaysWhere()
{
    ExcelDir x;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    writeInstitutions(data);
    const auto list = InstitutionList(data, kYear).fill();
    QVERIFY(list);

    struct NoProgram final : runtime::office::DesktopOpener
    {
        Status open(const QString &path) override
        {
            return runtime::fail(ErrorCode::NotOpened, path,
                                 QStringLiteral("Нет программы, которая открывает этот документ"));
        }
    } desktop;
    OfficeServer office(&desktop);
    ExcelLauncher excel(office, prompter);
    QVERIFY(InstitutionList::exportToExcel(*list, excel));
    QCOMPARE(prompter.texts().size(), 1);
    const QString path = QFileInfo(excel.workbookPath()).absoluteFilePath();
    QCOMPARE(prompter.texts().first().split(u'|'),
             (QStringList{ExcelLauncher::doneText(),
                          QStringLiteral("Нет программы, которая открывает этот документ"),
                          QStringLiteral("Книга записана в файл ") + path}));
    QVERIFY(XlsxReader::read(path));
}

void ServicesBTest::institutionListUnreachableExcel()
{
    ExcelDir x;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    writeInstitutions(data);
    const auto list = InstitutionList(data, kYear).fill();
    QVERIFY(list);

    NoDesktop desktop;
    OfficeServer office(&desktop);
    office.setServiceAvailable(QStringLiteral("excel"), false);
    ExcelLauncher excel(office, prompter);
    QVERIFY(!InstitutionList::exportToExcel(*list, excel));
    QVERIFY(!prompter.texts().contains(ExcelLauncher::doneText()));
    QVERIFY(prompter.lastText().endsWith(ExcelLauncher::notDoneText()));
    QVERIFY(desktop.opened.isEmpty());
}

QTEST_GUILESS_MAIN(ServicesBTest)
#include "test_excellauncher.moc"
