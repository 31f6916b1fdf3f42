// The shell's services without windows: paging of the preview, the help index, the forms on/off
// list and the rebuilding of keys, on the demo working directory.

#include "ShellFixture.h"

#include "data/DataContext.h"
#include "data/FileNames.h"
#include "data/records/BolnRecord.h"
#include "data/records/FormaRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/image/ImageLoader.h"
#include "runtime/store/KeyedFile.h"
#include "runtime/store/SqliteDatabase.h"
#include "runtime/text/Cp1251.h"
#include "shell/FormAccess.h"
#include "shell/HelpIndex.h"
#include "shell/KeyRebuild.h"
#include "shell/PagePreview.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>

#include <sqlite3.h>

using namespace zemor;
using namespace zemor::shell;
using runtime::ErrorCode;
using runtime::store::Access;
using runtime::store::KeyedFile;
using runtime::store::Share;
using test::ScriptedPrompter;
using test::WorkDir;

namespace {

const QString done = QStringLiteral("Готово");
const QString formFailed = QStringLiteral("Форма ?");

QString onDisk(const QString &name, const QString &extension = QStringLiteral(".DAT"))
{
    const auto path = runtime::fs::resolve(name, extension);
    return path ? *path : QString();
}

// Spoils the first key of every record of a keyed file behind the program's back, as a crash
// in the middle of an index update would: a lookup by that key then finds nothing until the
// keys are rebuilt.
void spoilKeys(const QString &path)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const QByteArray sql = "UPDATE records SET " + runtime::store::SqliteDatabase::keyColumn(0) +
                           " = CAST('spoiled' || id AS BLOB)";
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// Whether the form `code` is found by its key in the year's `forma`.
bool formFound(int year, qint64 code)
{
    KeyedFile file(data::declaration(data::FileId::forma).layout);
    if (!file.open(onDisk(FormAccess::formaFileName(year)), Access::ReadOnly))
        return false;
    data::FormaRecord form(file.record());
    form.clear();
    if (!form.setUnicod(code))
        return false;
    return bool(file.get(data::FormaRecord::KeyUnicod));
}

// The stored flag of every form of a year, by code.
QMap<qint64, int> storedFlags(int year)
{
    QMap<qint64, int> flags;
    KeyedFile file(data::declaration(data::FileId::forma).layout);
    if (!file.open(onDisk(FormAccess::formaFileName(year)), Access::ReadOnly) ||
        !file.setPhysical())
        return flags;
    while (file.next()) {
        const data::FormaRecord form(file.record());
        flags.insert(form.unicod(), form.vkl());
    }
    return flags;
}

// Finds a record of a report data file by its first key (any record: the key is compared with
// the one the record's own bytes give).
bool firstRecordFoundByKey(const QString &path, data::FileId id)
{
    KeyedFile file(data::declaration(id).layout);
    if (!file.open(path, Access::ReadOnly) || !file.setPhysical() || !file.next())
        return false;
    return bool(file.get(0));
}

// Whether a keyed file is whole: SQLite finds nothing wrong with it, it opens with its
// declaration and every record reads.
bool wholeAndOpenable(const QString &path, data::FileId id)
{
    sqlite3 *db = nullptr;
    bool whole = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY,
                                 nullptr) == SQLITE_OK;
    sqlite3_stmt *check = nullptr;
    whole = whole &&
            sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW &&
            QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(check, 0))) == "ok";
    sqlite3_finalize(check);
    sqlite3_close(db);
    if (!whole)
        return false;

    KeyedFile file(data::declaration(id).layout);
    if (!file.open(path, Access::ReadOnly) || !file.setPhysical())
        return false;
    const auto records = file.records();
    qint64 read = 0;
    runtime::Status status;
    while ((status = file.next()))
        ++read;
    return status.error().code == ErrorCode::EndOfFile && records && read == *records;
}

// Cancels a run once it has reached half of its steps.
class CancelHalfWay : public runtime::Progress
{
public:
    qint64 total = 0;
    qint64 done = 0;
    QStringList texts;
    void setTotal(qint64 t) override { total = t; }
    void step(qint64 d, const QString &text) override
    {
        done = d;
        if (!text.isEmpty())
            texts.append(text);
    }
    bool cancelled() const override { return total > 0 && done >= total / 2; }
};

} // namespace

class ServicesATest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void paging_data();
    void paging();
    void countText_data();
    void countText();

    void helpLines_data();
    void helpLines();
    void helpInitialSection_data();
    void helpInitialSection();
    void helpIndexFile();
    void demoHelp();

    void formAccessReadToggleSave();
    void formAccessSaveRefusedWhileHeld();
    void formAccessSavesToTheYearItRead();
    void formAccessSkipsRemovedForm();
    void formAccessUnreadableIsReported();

    void rebuildOneForm_data();
    void rebuildOneForm();
    void rebuildGroups();
    void rebuildGroupsNamesFilesInUse();
    void rebuildNothingTicked();
    void rebuildCancelledHalfWay();
    void rebuildDamagedKeylessFile_data();
    void rebuildDamagedKeylessFile();
};

void ServicesATest::initTestCase()
{
    // Files held elsewhere are given up on quickly here; the program waits its usual time.
    KeyedFile::setShareWait(std::chrono::milliseconds(50));
}

// ops: 'n' next, 'p' previous, a digit string after 't' a typed page ("t5").
void ServicesATest::paging_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("ops");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("changed"); // per move, '1' when the page changed

    QTest::newRow("opens on page 1") << 3 << QString() << 1 << QString();
    QTest::newRow("next to the last") << 3 << "n n" << 3 << "11";
    QTest::newRow("next on the last keeps it") << 3 << "n n n" << 3 << "110";
    QTest::newRow("previous on the first keeps it") << 3 << "p" << 1 << "0";
    QTest::newRow("back and forth") << 3 << "n p n n p" << 2 << "11111";
    QTest::newRow("typed page counts") << 300 << "t250 n" << 251 << "1";
    QTest::newRow("typed page, previous") << 300 << "t250 p" << 249 << "1";
    QTest::newRow("typed beyond the end") << 300 << "t999 n" << 300 << "1";
    QTest::newRow("typed below 1") << 5 << "n n t0 p" << 1 << "111";
    QTest::newRow("typed last then next") << 3 << "t3 n" << 3 << "1";
    QTest::newRow("far beyond a byte") << 300 << "t299 n n" << 300 << "10";
    QTest::newRow("one page") << 1 << "n p" << 1 << "00";
}

void ServicesATest::paging()
{
    QFETCH(int, count);
    QFETCH(QString, ops);
    QFETCH(int, page);
    QFETCH(QString, changed);

    PagePreview preview(count);
    QString moves;
    for (const QString &op : ops.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (op == u"n")
            moves += preview.next() ? u'1' : u'0';
        else if (op == u"p")
            moves += preview.previous() ? u'1' : u'0';
        else
            preview.setTypedPage(op.mid(1).toInt());
    }
    QCOMPARE(preview.currentPage(), page);
    QCOMPARE(moves, changed);
    QCOMPARE(preview.showsPaging(), count >= 2);
}

void ServicesATest::countText_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("0страниц");
    QTest::newRow("1") << 1 << QStringLiteral("1страниц");
    QTest::newRow("3") << 3 << QStringLiteral("3страниц");
    QTest::newRow("300") << 300 << QStringLiteral("300страниц");
    QTest::newRow("cut to 10") << 12345 << QStringLiteral("12345стран");
}

void ServicesATest::countText()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(PagePreview(count).countText(), text);
    QCOMPARE(PagePreview(count).isEmpty(), count == 0);
}

void ServicesATest::helpLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");

    const QString pad20 = QStringLiteral("help1.png").leftJustified(20, u' ');
    QTest::newRow("file and title")
        << pad20 + QStringLiteral("Ввод отчетов  ") << QStringLiteral("help1.png")
        << QStringLiteral("Ввод отчетов");
    QTest::newRow("title only up to 70") << pad20 + QString(50, u'А') + QStringLiteral("хвост")
                                         << QStringLiteral("help1.png") << QString(50, u'А');
    QTest::newRow("no title") << QStringLiteral("pic.png") << QStringLiteral("pic.png")
                              << QString();
    QTest::newRow("empty line") << QString() << QString() << QString();
    QTest::newRow("name filling 20 characters")
        << QStringLiteral("abcdefghijklmnop.png") + QStringLiteral("Раздел")
        << QStringLiteral("abcdefghijklmnop.png") << QStringLiteral("Раздел");
    QTest::newRow("leading blanks of the title kept")
        << pad20 + QStringLiteral("  Отступ") << QStringLiteral("help1.png")
        << QStringLiteral("  Отступ");
}

void ServicesATest::helpLines()
{
    QFETCH(QString, line);
    QFETCH(QString, file);
    QFETCH(QString, title);
    const HelpSection section = HelpIndex::parseLine(line);
    QCOMPARE(section.file, file);
    QCOMPARE(section.title, title);
}

void ServicesATest::helpInitialSection_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("section");
    QTest::addColumn<bool>("preselect");
    QTest::addColumn<int>("shown");

    QTest::newRow("empty index") << 0 << 1 << true << -1;
    QTest::newRow("no preselection") << 4 << 3 << false << 0;
    QTest::newRow("given section") << 4 << 3 << true << 2;
    QTest::newRow("last section") << 4 << 4 << true << 3;
    QTest::newRow("beyond the last") << 4 << 5 << true << 0;
    QTest::newRow("section 0") << 4 << 0 << true << 0;
}

void ServicesATest::helpInitialSection()
{
    QFETCH(int, count);
    QFETCH(int, section);
    QFETCH(bool, preselect);
    QFETCH(int, shown);
    QCOMPARE(HelpIndex::initialSection(count, section, preselect), shown);
}

void ServicesATest::helpIndexFile()
{
    WorkDir dir;
    // Missing: an error, which the window shows as an empty list.
    const auto missing = HelpIndex::readWorkDir();
    QVERIFY(!missing);
    QCOMPARE(missing.error().code, ErrorCode::FileNotFound);

    // Windows-1251 text, CR LF line ends, a picture named in another letter case than on disk.
    QByteArray content;
    content += runtime::text::toCp1251(u"HELP1.PNG           Первый раздел\r\n");
    content += runtime::text::toCp1251(u"Pics\\two.png        Второй\r\n");
    dir.writeFile(QStringLiteral("HELP.txt"), content);
    dir.writeFile(QStringLiteral("help1.png"), QByteArray("x"));
    dir.makeDir(QStringLiteral("pics"));
    dir.writeFile(QStringLiteral("pics/Two.PNG"), QByteArray("x"));

    const auto sections = HelpIndex::readWorkDir();
    QVERIFY(sections);
    QCOMPARE(sections->size(), 2);
    QCOMPARE(sections->at(0).title, QStringLiteral("Первый раздел"));
    QCOMPARE(sections->at(1).title, QStringLiteral("Второй"));
    QCOMPARE(HelpIndex::picturePath(sections->at(0)), dir.filePath(QStringLiteral("help1.png")));
    QCOMPARE(HelpIndex::picturePath(sections->at(1)), dir.filePath(QStringLiteral("pics/Two.PNG")));
    QCOMPARE(HelpIndex::picturePath(HelpSection{QStringLiteral("x"), QStringLiteral("   ")}),
             QString());

    dir.writeFile(QStringLiteral("HELP.txt"), QByteArray());
    const auto empty = HelpIndex::readWorkDir();
    QVERIFY(empty);
    QVERIFY(empty->isEmpty());
}

void ServicesATest::demoHelp()
{
    WorkDir dir(true);
    const auto sections = HelpIndex::readWorkDir();
    QVERIFY(sections);
    // The callers open sections 1 to 4 of their own.
    QVERIFY(sections->size() >= 4);
    for (const HelpSection &section : *sections) {
        QVERIFY(!section.title.isEmpty());
        QCOMPARE(HelpIndex::parseLine(HelpIndex::formatLine(section)).file, section.file);
        const auto picture = runtime::image::ImageLoader::load(HelpIndex::picturePath(section));
        QVERIFY2(picture, qPrintable(section.file));
        QVERIFY(picture->width() >= 400 && picture->height() >= 300);
    }
}

void ServicesATest::formAccessReadToggleSave()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);

    FormAccess forms(data);
    QVERIFY(forms.load(2026));
    QCOMPARE(data.names().formaFileName(), FormAccess::formaFileName(2026));
    const QList<FormAccessEntry> before = forms.entries();
    QVERIFY(before.size() >= 3);
    const QMap<qint64, int> stored = storedFlags(2026);
    QCOMPARE(before.size(), stored.size());
    for (const FormAccessEntry &entry : before) {
        QCOMPARE(entry.vkl, stored.value(entry.unicod));
        QVERIFY(!entry.name.isEmpty());
        QVERIFY(entry.name.size() <= 100);
    }

    // Two toggles of one form leave it as it was; one toggle switches it.
    forms.toggle(0);
    forms.toggle(0);
    QCOMPARE(forms.entries().at(0).vkl, before.at(0).vkl);
    forms.toggle(1);
    QCOMPARE(forms.entries().at(1).vkl, quint8(before.at(1).vkl == 0 ? 1 : 0));
    forms.toggle(-1);
    forms.toggle(int(before.size()));

    // Unsaved toggles are not in the file: a new list reads the old flags.
    {
        FormAccess again(data);
        QVERIFY(again.load(2026));
        QCOMPARE(again.entries().at(1).vkl, before.at(1).vkl);
    }

    const auto saved = forms.save();
    QVERIFY2(saved, qPrintable(saved ? QString() : saved.error().message));
    QCOMPARE(*saved, int(before.size()));
    QMap<qint64, int> after = storedFlags(2026);
    QCOMPARE(after.value(before.at(1).unicod), before.at(1).vkl == 0 ? 1 : 0);
    for (int i = 0; i < before.size(); ++i) {
        if (i != 1)
            QCOMPARE(after.value(before.at(i).unicod), int(before.at(i).vkl));
    }
    // Saving twice writes the same flags again.
    QVERIFY(forms.save());
    QCOMPARE(storedFlags(2026), after);
    // The other year is untouched.
    QCOMPARE(storedFlags(2025).value(before.at(1).unicod), int(before.at(1).vkl));
    QVERIFY(prompter.messages.isEmpty());
}

void ServicesATest::formAccessSaveRefusedWhileHeld()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    FormAccess forms(data);
    QVERIFY(forms.load(2026));
    forms.toggle(0);
    const QMap<qint64, int> before = storedFlags(2026);

    // Another window (report entry on its own) has the year's forms open for writing.
    data::DataContext other;
    other.names().setFormaFileName(FormAccess::formaFileName(2026));
    QVERIFY(other.open(data::FileId::forma));
    const auto refused = forms.save();
    QVERIFY(!refused);
    QCOMPARE(refused.error().code, ErrorCode::AccessDenied);
    other.close(data::FileId::forma);
    QCOMPARE(storedFlags(2026), before);

    // Once it is closed, the same list saves.
    QVERIFY(forms.save());
    QCOMPARE(storedFlags(2026).value(forms.entries().at(0).unicod), int(forms.entries().at(0).vkl));

    // A file that has gone away is reported, never created anew.
    QVERIFY(QFile::remove(onDisk(FormAccess::formaFileName(2026))));
    const auto gone = forms.save();
    QVERIFY(!gone);
    QCOMPARE(gone.error().code, ErrorCode::FileNotFound);
    QVERIFY(onDisk(FormAccess::formaFileName(2026)).isEmpty() ||
            !QFile::exists(onDisk(FormAccess::formaFileName(2026))));
}

void ServicesATest::formAccessSavesToTheYearItRead()
{
    WorkDir dir(true);
    data::DataContext data;
    FormAccess forms(data);
    QVERIFY(forms.load(2025));
    forms.toggle(0);
    const qint64 code = forms.entries().at(0).unicod;
    const int flag = forms.entries().at(0).vkl;
    const QMap<qint64, int> year2026 = storedFlags(2026);

    // Meanwhile the window family's name is set for another year.
    data.names().setYearFileNames(2026);
    QVERIFY(forms.save());
    QCOMPARE(storedFlags(2025).value(code), flag);
    QCOMPARE(storedFlags(2026), year2026);

    // A year without a form file gives an empty list.
    dir.makeDir(QStringLiteral("2030"));
    FormAccess empty(data);
    QVERIFY(empty.load(2030));
    QVERIFY(empty.entries().isEmpty());
}

void ServicesATest::formAccessSkipsRemovedForm()
{
    WorkDir dir(true);
    data::DataContext data;
    FormAccess forms(data);
    QVERIFY(forms.load(2026));
    const qint64 removed = forms.entries().at(0).unicod;
    const qint64 kept = forms.entries().at(1).unicod;
    forms.toggle(0);
    forms.toggle(1);
    {
        KeyedFile file(data::declaration(data::FileId::forma).layout);
        QVERIFY(file.open(onDisk(FormAccess::formaFileName(2026))));
        data::FormaRecord form(file.record());
        form.clear();
        QVERIFY(form.setUnicod(removed));
        QVERIFY(file.get(data::FormaRecord::KeyUnicod));
        QVERIFY(file.erase());
    }
    const auto saved = forms.save();
    QVERIFY(saved);
    QCOMPARE(*saved, int(forms.entries().size()) - 1);
    const QMap<qint64, int> after = storedFlags(2026);
    QVERIFY(!after.contains(removed));
    QCOMPARE(after.value(kept), int(forms.entries().at(1).vkl));
}

void ServicesATest::formAccessUnreadableIsReported()
{
    WorkDir dir(true);
    {
        // The records are cut short behind the program's back: the file opens, nothing reads.
        sqlite3 *db = nullptr;
        const QString path = onDisk(FormAccess::formaFileName(2026));
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        const int rc =
            sqlite3_exec(db, "UPDATE records SET data = X'00'", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(rc, SQLITE_OK);
    }
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    FormAccess forms(data);
    QVERIFY(!forms.load(2026));
    QVERIFY(forms.entries().isEmpty());
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(prompter.texts().first().contains(QStringLiteral("forma"), Qt::CaseInsensitive));
}

// A form code the demo has no data file of in any year.
constexpr int formWithoutFile = 555;

void ServicesATest::rebuildOneForm_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("rebuilt");

    QTest::newRow("form 0") << 0 << false << formFailed << false;
    QTest::newRow("existing form") << 14 << false << done << true;
    QTest::newRow("form without a data file") << formWithoutFile << false << formFailed << false;
    QTest::newRow("data file open elsewhere") << 14 << true << formFailed << false;
}

void ServicesATest::rebuildOneForm()
{
    QFETCH(int, form);
    QFETCH(bool, held);
    QFETCH(QString, message);
    QFETCH(bool, rebuilt);

    WorkDir dir(true);
    const QString path = onDisk(data::FileNames::otchetFileName(2026, 14));
    spoilKeys(path);
    QVERIFY(!firstRecordFoundByKey(path, data::FileId::otchet));

    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    KeyedFile holder(data::declaration(data::FileId::otchet).layout);
    if (held)
        QVERIFY(holder.open(path));

    QCOMPARE(KeyRebuild(data, prompter).rebuildForm(2026, form), rebuilt);
    holder.close();
    QCOMPARE(prompter.texts(), QStringList{message});
    QCOMPARE(firstRecordFoundByKey(path, data::FileId::otchet), rebuilt);
    // No file is made for a form that has none.
    QVERIFY(onDisk(data::FileNames::otchetFileName(2026, formWithoutFile)).isEmpty() ||
            !QFile::exists(onDisk(data::FileNames::otchetFileName(2026, formWithoutFile))));
}

void ServicesATest::rebuildGroups()
{
    WorkDir dir(true);
    // Damaged keys in a report data file, the forms and the institutions.
    const QString report = onDisk(data::FileNames::otchetFileName(2026, 14));
    spoilKeys(report);
    spoilKeys(onDisk(FormAccess::formaFileName(2026)));
    spoilKeys(onDisk(QStringLiteral("BOLN")));
    QVERIFY(!formFound(2026, 12));
    // A form whose data file is missing is skipped without a word and not counted.
    QVERIFY(QFile::remove(onDisk(data::FileNames::otchetFileName(2026, 16))));

    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    data.names().setTablFileName(QStringLiteral("stale"));
    QList<int> counters;
    QList<qint64> forms;
    KeyRebuild::Progress progress;
    progress.counter = [&](int n) { counters.append(n); };
    progress.form = [&](qint64 code) { forms.append(code); };

    const KeyRebuild::RunResult run =
        KeyRebuild(data, prompter).rebuildGroups(2026, {true, true, true}, progress);

    QVERIFY(firstRecordFoundByKey(report, data::FileId::otchet));
    QVERIFY(formFound(2026, 12));
    QVERIFY(firstRecordFoundByKey(onDisk(QStringLiteral("BOLN")), data::FileId::boln));
    QVERIFY(!QFile::exists(onDisk(data::FileNames::otchetFileName(2026, 16))));

    QCOMPARE(forms.size(), storedFlags(2026).size());
    // 4 report data files, 1 + 1 + 7 for the catalogue group (forma counted before and after),
    // 5 for the reference group.
    QCOMPARE(run.counter, 4 + 9 + 5);
    QCOMPARE(counters.first(), 0);
    QCOMPARE(counters.last(), run.counter);
    QVERIFY(run.notRebuilt.isEmpty());
    // The demo's indicator copies of the catalogue are rebuilt with the rest: "Готово" only.
    QCOMPARE(prompter.texts(), QStringList{done});
    // The indicator names are not left behind in the window family.
    QVERIFY(!data.names().tablFileName().contains(u"TablP", Qt::CaseInsensitive));
    QVERIFY(!data.names().grafaFileName().contains(u"GrafaP", Qt::CaseInsensitive));
    QVERIFY(data.names().formaFileName().contains(u"2026"));
}

void ServicesATest::rebuildGroupsNamesFilesInUse()
{
    WorkDir dir(true);
    const QString report = onDisk(data::FileNames::otchetFileName(2026, 14));
    const QString stroka =
        onDisk(data::FileNames::workDirPrefix() + QStringLiteral("\\2026\\Stroka"));
    QVERIFY(QFile::exists(stroka));
    spoilKeys(report);

    // Another window keeps a form's data file and the row catalogue open.
    KeyedFile reportHolder(data::declaration(data::FileId::otchet).layout);
    QVERIFY(reportHolder.open(report));
    KeyedFile strokaHolder(data::declaration(data::FileId::stroka).layout);
    QVERIFY(strokaHolder.open(stroka, Access::ReadOnly));

    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    const KeyRebuild::RunResult run =
        KeyRebuild(data, prompter).rebuildGroups(2026, {true, true, false});
    reportHolder.close();
    strokaHolder.close();

    QCOMPARE(run.notRebuilt.size(), 2);
    QCOMPARE(run.notRebuilt.at(0).path, report);
    QCOMPARE(run.notRebuilt.at(0).error.code, ErrorCode::AccessDenied);
    QCOMPARE(run.notRebuilt.at(1).path, stroka);
    QVERIFY(!firstRecordFoundByKey(report, data::FileId::otchet));

    // The row catalogue's own message; then one message naming both files; then "Готово".
    const QStringList texts = prompter.texts();
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.at(0), QStringLiteral("stroka ?"));
    QVERIFY(texts.at(1).contains(u"F0014.dat"));
    QVERIFY(texts.at(1).contains(QFileInfo(stroka).fileName()));
    QVERIFY(!texts.at(1).contains(u"F0007.dat"));
    QCOMPARE(texts.at(2), done);
    // 4 of 5 report data files, and the catalogue group counts every file it tried.
    QCOMPARE(run.counter, 4 + 9);
}

void ServicesATest::rebuildNothingTicked()
{
    WorkDir dir(true);
    const QString report = onDisk(data::FileNames::otchetFileName(2026, 14));
    spoilKeys(report);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    const KeyRebuild::RunResult run = KeyRebuild(data, prompter).rebuildGroups(2026, {});
    QCOMPARE(run.counter, 0);
    QCOMPARE(prompter.texts(), QStringList{done});
    QVERIFY(!firstRecordFoundByKey(report, data::FileId::otchet));
}

void ServicesATest::rebuildCancelledHalfWay()
{
    WorkDir dir(true);
    const QList<qint64> forms = storedFlags(2026).keys();
    QVERIFY(forms.size() >= 2);
    struct File
    {
        data::FileId id;
        QString path;
    };
    // Every file the run goes through, in its order.
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    data::FileNames &names = data.names();
    names.setYearFileNames(2026, data::YearNameSet::KeyRebuilding);
    QList<File> files;
    // A form with no reports for the year has no data file.
    for (const qint64 code : forms) {
        const QString report = onDisk(data::FileNames::otchetFileName(2026, code));
        if (QFile::exists(report))
            files.append({data::FileId::otchet, report});
    }
    for (const data::FileId id :
         {data::FileId::forma, data::FileId::tabl, data::FileId::stroka, data::FileId::grafa,
          data::FileId::ContrGr, data::FileId::ContrStr, data::FileId::ContrTab, data::FileId::Rash,
          data::FileId::boln, data::FileId::region1, data::FileId::Pokas})
        files.append({id, onDisk(names.fileName(id))});
    for (const File &file : files) {
        QVERIFY2(!file.path.isEmpty() && QFile::exists(file.path), qPrintable(file.path));
        spoilKeys(file.path);
    }

    CancelHalfWay cancel;
    KeyRebuild::Progress progress;
    progress.run = &cancel;
    const KeyRebuild::RunResult run =
        KeyRebuild(data, prompter).rebuildGroups(2026, {true, true, true}, progress);

    // The report data files, 8 catalogue and rule files, 5 reference files; it stopped at half.
    QCOMPARE(cancel.total, forms.size() + 8 + 5);
    QCOMPARE(cancel.done, cancel.total / 2);
    QCOMPARE(cancel.texts.size(), cancel.total / 2 + 1); // the file it did not go on to too
    QVERIFY(run.cancelled);
    QVERIFY(run.notRebuilt.isEmpty());
    // It says that it was cancelled, not that it is done.
    QCOMPARE(prompter.texts(), QStringList{KeyRebuild::cancelledText()});

    // Every file is whole and opens: those before the stop with their keys rebuilt, the others
    // with their old keys.
    for (const File &file : files)
        QVERIFY2(wholeAndOpenable(file.path, file.id), qPrintable(file.path));
    QVERIFY(firstRecordFoundByKey(files.first().path, data::FileId::otchet));
    QVERIFY(formFound(2026, 12));
    QVERIFY(!firstRecordFoundByKey(onDisk(QStringLiteral("BOLN")), data::FileId::boln));
    QCOMPARE(QDir(QFileInfo(files.first().path).absolutePath())
                 .entryList(QDir::Hidden | QDir::Files)
                 .filter(QStringLiteral(".rebuild-")),
             QStringList());
}

void ServicesATest::rebuildDamagedKeylessFile_data()
{
    QTest::addColumn<QByteArray>("damage");
    QTest::newRow("a record cut short")
        << QByteArray("UPDATE records SET data = substr(data, 1, 10)");
    QTest::newRow("a record too long") << QByteArray("UPDATE records SET data = data || x'00'");
    QTest::newRow("the records' page overwritten") << QByteArray("page");
}

// A file whose declaration has no keys has nothing to recompute, but its rebuilding still reads
// it whole: a damaged one is reported, never counted as rebuilt.
void ServicesATest::rebuildDamagedKeylessFile()
{
    QFETCH(QByteArray, damage);
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    const QString name = data.names().fileName(data::FileId::USER1);
    const QString path = onDisk(name);
    QVERIFY(QFile::exists(path));
    QVERIFY(data::declaration(data::FileId::USER1).layout.keys.isEmpty());
    QCOMPARE(KeyRebuild::rebuildFile(data::FileId::USER1, name).outcome,
             KeyRebuild::Outcome::Rebuilt);

    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    if (damage == "page") {
        sqlite3_stmt *root = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db,
                                    "SELECT rootpage, (SELECT page_size FROM pragma_page_size) "
                                    "FROM sqlite_master WHERE name = 'records'",
                                    -1, &root, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(root), SQLITE_ROW);
        const qint64 page = sqlite3_column_int64(root, 0);
        const qint64 pageSize = sqlite3_column_int64(root, 1);
        sqlite3_finalize(root);
        sqlite3_close(db);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek((page - 1) * pageSize));
        QCOMPARE(file.write(QByteArray(int(pageSize), '\x5A')), pageSize);
    } else {
        QCOMPARE(sqlite3_exec(db, damage.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_changes(db), 1);
        sqlite3_close(db);
    }

    const KeyRebuild::FileResult result = KeyRebuild::rebuildFile(data::FileId::USER1, name);
    QCOMPARE(result.outcome, KeyRebuild::Outcome::Failed);
    QCOMPARE(result.error.code, ErrorCode::DamagedFile);
}

QTEST_GUILESS_MAIN(ServicesATest)
#include "test_shellservices.moc"
