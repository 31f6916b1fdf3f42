// The shell's logic without windows: the year bounds and the year the frame opens with, the
// settings start-up and the settings editor's rules, and both pick lists.

#include "ShellFixture.h"

#include "data/Codes.h"
#include "data/Period.h"
#include "data/records/BolnRecord.h"
#include "data/records/FormaRecord.h"
#include "data/records/NameProgRecord.h"
#include "data/records/Region1Record.h"
#include "data/records/User1Record.h"
#include "runtime/text/Cp1251.h"
#include "shell/AppState.h"
#include "shell/PickFromList.h"
#include "shell/PickInstitution.h"
#include "shell/Picked.h"
#include "shell/SettingsEditor.h"
#include "shell/UserSettings.h"

#include <QFile>
#include <QTest>

#include <sqlite3.h>

using namespace zemor;
using namespace zemor::shell;
using data::FileId;
using test::ScriptedPrompter;
using test::WorkDir;

namespace {

// Answers the list with a fixed line (or closes it) and records what it was shown.
class ScriptedListChooser : public ListChooser
{
public:
    std::optional<int> answer;
    int calls = 0;
    QString title;
    QList<PickEntry> shown;
    std::optional<int> choose(const QString &t, int, const QList<PickEntry> &entries) override
    {
        ++calls;
        title = t;
        shown = entries;
        return answer;
    }
};

class ScriptedInstitutionChooser : public InstitutionChooser
{
public:
    Answer answer;
    int calls = 0;
    bool offered = false;
    QList<InstitutionEntry> shown;
    Answer choose(const QString &, bool districtTotalOffered,
                  const QList<InstitutionEntry> &entries) override
    {
        ++calls;
        offered = districtTotalOffered;
        shown = entries;
        return answer;
    }
};

// The picks of "Выбор ЛПУ", answered from its fields.
struct ScriptedPicker
{
    std::optional<PickedEntry> district;
    std::optional<PickedEntry> institution;
    qint64 askedDistrict = -1;
    SettingsEditor::InstitutionPick institutionPick()
    {
        return [this](qint64 d) {
            askedDistrict = d;
            return institution;
        };
    }
};

void addInstitution(data::DataContext &data, qint32 code, qint64 district, qint64 vid,
                    const QString &name, qint16 sYear = 1990, qint16 eYear = 0, quint8 sel = 1,
                    const QString &s = {})
{
    test::addRecord(data, FileId::boln, [&](QByteArray &bytes) {
        data::BolnRecord r(bytes);
        r.setUnicod(code);
        QVERIFY(r.setCodReg(district));
        QVERIFY(r.setVid(vid));
        r.setNazv(name);
        r.setSYear(sYear);
        r.setEYear(eYear);
        r.setSel(sel);
        r.setS(s);
    });
}

void addForm(data::DataContext &data, qint64 code, const QString &name, quint8 tip, quint8 vkl)
{
    test::addRecord(data, FileId::forma, [&](QByteArray &bytes) {
        data::FormaRecord r(bytes);
        QVERIFY(r.setUnicod(code));
        r.setName(name);
        r.setCod(QStringLiteral("Ф%1").arg(code));
        r.setTip(tip);
        r.setVkl(vkl);
    });
}

// Cuts the stored bytes of every record of a keyed file short behind the program's back, as a
// damaged disk would: the file still opens, but no record of it can be read.
void damageRecords(const QString &path)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, "UPDATE records SET data = X'00'", nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

QList<qint64> codesOf(const QList<PickEntry> &entries)
{
    QList<qint64> codes;
    for (const PickEntry &e : entries)
        codes.append(e.code);
    return codes;
}

QList<qint32> codesOf(const QList<InstitutionEntry> &entries)
{
    QList<qint32> codes;
    for (const InstitutionEntry &e : entries)
        codes.append(e.code);
    return codes;
}

} // namespace

class ShellLogicTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clampedYear_data();
    void clampedYear();
    void heldYear_data();
    void heldYear();
    void yearScan_data();
    void yearScan();
    void startUpOfNewInstallation();
    void startUpOfDemo();
    void applyFillsBlankFolders();

    void newInstallationSaves();
    void typeChangeClears();
    void chooseInstitution_data();
    void chooseInstitution();
    void saveRefusesFolderWithoutSeparator();
    void failedSaveIsNotApplied();
    void unreadableSettingsDoNotOpen();
    void blankWorkFolderCanBeSaved();
    void unreadableRecordsAreReported();

    void formsWithDeadlines();
    void formsWithoutDeadlineFile();
    void districtLists();
    void pickResults();
    void formExtrasOnlyWhereGiven();

    void institutionListed_data();
    void institutionListed();
    void institutionsOfOneDistrict();
    void institutionResults();
};

// ---- years ----------------------------------------------------------------------------------

void ShellLogicTest::clampedYear_data()
{
    QTest::addColumn<int>("today");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("year");
    QTest::newRow("directories end before today") << 2016 << 2010 << 2014 << 2014;
    QTest::newRow("directories begin after today") << 2016 << 2017 << 2019 << 2017;
    QTest::newRow("today within") << 2016 << 2010 << 2019 << 2016;
    QTest::newRow("crossed bounds: the lower wins") << 2016 << 2020 << 2010 << 2020;
    QTest::newRow("no year directory") << 2016 << 0 << 0 << 0;
}

void ShellLogicTest::clampedYear()
{
    QFETCH(int, today);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, year);
    QCOMPARE(AppState::clampedYear(today, first, last), year);
}

void ShellLogicTest::heldYear_data()
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

// A procedure's year held within the year directories, told when it moved.
void ShellLogicTest::heldYear()
{
    QFETCH(int, year);
    QFETCH(int, expected);
    QFETCH(bool, told);
    AppState state;
    state.globYear = qint16(year);
    state.globYearS = 2005;
    state.globYearE = 2012;
    QCOMPARE(state.holdYear(), told);
    QCOMPARE(state.globYear, qint16(expected));
}

void ShellLogicTest::yearScan_data()
{
    QTest::addColumn<QStringList>("directories");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("mixed names") << QStringList{u"2015"_qs, u"1998"_qs,  u"2099"_qs, u"2100"_qs,
                                                u"2x15"_qs, u"20155"_qs, u"1989"_qs, u"2016.OLD"_qs}
                                 << true << 1998 << 2099;
    QTest::newRow("one year") << QStringList{u"2025"_qs, u"temp1"_qs} << true << 2025 << 2025;
    QTest::newRow("none") << QStringList{u"temp1"_qs, u"1989"_qs} << false << 0 << 0;
}

void ShellLogicTest::yearScan()
{
    QFETCH(QStringList, directories);
    QFETCH(bool, found);
    QFETCH(int, first);
    QFETCH(int, last);
    WorkDir dir;
    for (const QString &name : directories)
        dir.makeDir(name);
    dir.writeFile(u"2016"_qs, "a file, not a year"); // files never count
    AppState state;
    state.globYearS = 1;
    state.globYearE = 1;
    const auto scanned = UserSettings::scanYears(dir.path(), state);
    QVERIFY(scanned);
    QCOMPARE(*scanned, found);
    QCOMPARE(int(state.globYearS), first);
    QCOMPARE(int(state.globYearE), last);
}

// ---- settings at start ----------------------------------------------------------------------

void ShellLogicTest::startUpOfNewInstallation()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globKodUser = 77; // whatever was there is replaced by the (empty) record
    const UserSettings::StartUp started = UserSettings::startUp(data, state, prompter, dir.path());
    QCOMPARE(prompter.texts(),
             (QStringList{UserSettings::noYearDirectoryText(), UserSettings::noOwnCodeText()}));
    QCOMPARE(state.globKodUser, 0);
    QCOMPARE(state.globYearS, qint16(0));
    QCOMPARE(state.globYearE, qint16(0));
    state.clampYear(2026);
    QCOMPARE(state.globYear, qint16(0));
    QByteArray nameProg = started.nameProg;
    QCOMPARE(data::NameProgRecord(nameProg).proga(), QString());
}

void ShellLogicTest::startUpOfDemo()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    const UserSettings::StartUp started = UserSettings::startUp(data, state, prompter, dir.path());
    QCOMPARE(prompter.messages.size(), 0);
    QCOMPARE(state.globTipUser, quint8(1));
    QCOMPARE(state.globCodReg, qint64(3));
    QCOMPARE(state.globKodUser, 3);
    QCOMPARE(state.globNameObl, u"Каменский"_qs);
    QCOMPARE(state.globYearS, qint16(2025));
    QCOMPARE(state.globYearE, qint16(2026));
    QByteArray nameProg = started.nameProg;
    QCOMPARE(data::NameProgRecord(nameProg).proga(),
             u"Мониторинг системы здравоохранения Таргинской области"_qs);
    QCOMPARE(data::NameProgRecord(nameProg).mail(), u"stat@miac.targin.example"_qs);
}

void ShellLogicTest::applyFillsBlankFolders()
{
    QByteArray record;
    data::User1Record user(record);
    user.clear();
    user.setKodUser(123);
    user.setTipUser(2);
    QVERIFY(user.setCodReg(5));
    user.setNameObl(u"Озёрская ЦРБ"_qs);
    AppState state;
    UserSettings::apply(record, state);
    QCOMPARE(user.temp(), UserSettings::defaultTemp());
    QCOMPARE(user.office(), UserSettings::defaultOffice());
    QCOMPARE(state.globKodUser, 123);
    QCOMPARE(state.globTipUser, quint8(2));
    QCOMPARE(state.globCodReg, qint64(5));
    QCOMPARE(state.globNameObl, u"Озёрская ЦРБ"_qs);

    user.setTemp(u"\\WORK\\"_qs);
    UserSettings::apply(record, state);
    QCOMPARE(user.temp(), u"\\WORK\\"_qs); // a folder that is set stays
}

// ---- the settings editor --------------------------------------------------------------------

void ShellLogicTest::newInstallationSaves()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    QVERIFY(editor.isNew());
    QCOMPARE(editor.userType(), 2);
    QVERIFY(editor.institutionChoiceOffered());
    editor.user().setKodUser(301);
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Saved);
    QCOMPARE(prompter.texts(), QStringList{SettingsEditor::savedText()});
    QCOMPARE(state.globKodUser, 301);
    QCOMPARE(state.globTipUser, quint8(2));

    // Stored with the default folders, and a second save updates the one record.
    editor.user().setKodUser(302);
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Saved);
    SettingsEditor again(data, state, prompter);
    QVERIFY(again.load());
    QVERIFY(!again.isNew());
    QCOMPARE(again.user().kodUser(), 302);
    QCOMPARE(again.user().temp(), UserSettings::defaultTemp());
    QCOMPARE(again.user().office(), UserSettings::defaultOffice());
    QVERIFY(data.open(FileId::USER1));
    QCOMPARE(data.file(FileId::USER1).records().value_or(-1), 1);
    data.close(FileId::USER1);
}

void ShellLogicTest::typeChangeClears()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    QCOMPARE(editor.userType(), 1);

    editor.changeUserType(1); // the type it already has: nothing changes
    QCOMPARE(editor.user().kodUser(), 3);
    QCOMPARE(editor.user().nameObl(), u"Каменский"_qs);

    editor.changeUserType(0);
    QVERIFY(!editor.institutionChoiceOffered());
    QCOMPARE(editor.user().kodUser(), 0);
    QCOMPARE(editor.user().codReg(), qint64(0));
    QCOMPARE(editor.user().nameObl(), QString());
    QCOMPARE(editor.user().s1(), u"\\export\\"_qs); // the folders are not touched
    editor.changeUserType(2);
    QVERIFY(editor.institutionChoiceOffered());
    QCOMPARE(editor.userType(), 2);
}

void ShellLogicTest::chooseInstitution_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("districtChosen");
    QTest::addColumn<bool>("institutionChosen");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<qint64>("codReg");
    QTest::addColumn<int>("kodUser");
    QTest::addColumn<QString>("name");
    const QString before = u"Прежнее имя"_qs;
    QTest::newRow("district installation")
        << 1 << true << false << true << qint64(5) << 5 << u"Озёрский"_qs;
    QTest::newRow("institution installation")
        << 2 << true << true << true << qint64(5) << 501
        << (u"Озёрский Озёрская ЦРБ с длинным названием, которое не помещается в семьдесят "
            u"знаков"_qs)
               .left(SettingsEditor::nameLength);
    QTest::newRow("district list closed")
        << 2 << false << true << false << qint64(9) << 99 << before;
    QTest::newRow("institution list closed")
        << 2 << true << false << false << qint64(9) << 99 << before;
    QTest::newRow("region installation") << 0 << true << true << false << qint64(9) << 99 << before;
}

void ShellLogicTest::chooseInstitution()
{
    QFETCH(int, type);
    QFETCH(bool, districtChosen);
    QFETCH(bool, institutionChosen);
    QFETCH(bool, changed);
    QFETCH(qint64, codReg);
    QFETCH(int, kodUser);
    QFETCH(QString, name);

    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    editor.changeUserType(type);
    QVERIFY(editor.user().setCodReg(9));
    editor.user().setKodUser(99);
    editor.user().setNameObl(u"Прежнее имя"_qs);

    ScriptedPicker picker;
    if (districtChosen)
        picker.district = PickedEntry{5, u"Озёрский"_qs};
    if (institutionChosen)
        picker.institution = PickedEntry{
            501, u"Озёрская ЦРБ с длинным названием, которое не помещается в семьдесят знаков"_qs};
    QCOMPARE(editor.chooseInstitution(picker.district, picker.institutionPick()), changed);
    QCOMPARE(editor.user().codReg(), codReg);
    QCOMPARE(editor.user().kodUser(), kodUser);
    QCOMPARE(editor.user().nameObl(), name);
    QVERIFY(editor.user().nameObl().size() <= SettingsEditor::nameLength);
    if (type == 2 && districtChosen)
        QCOMPARE(picker.askedDistrict, qint64(5));
}

void ShellLogicTest::saveRefusesFolderWithoutSeparator()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    editor.user().setTemp(u"\\TEMP1"_qs);
    editor.user().setKodUser(1234);
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Refused);
    QCOMPARE(prompter.texts(), QStringList{SettingsEditor::pathRefusedText()});
    QCOMPARE(state.globKodUser, 0);

    editor.user().setTemp(u"\\TEMP1\\"_qs);
    editor.user().setS1(u"/home/stat/export"_qs);
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Refused);
    editor.user().setS1(u"/home/stat/export/"_qs);
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Saved);
    QCOMPARE(state.globKodUser, 1234);
}

void ShellLogicTest::failedSaveIsNotApplied()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globKodUser = 3;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    editor.user().setKodUser(4321);
    // The file is damaged between reading and saving.
    dir.writeFile(u"USER1.DAT"_qs, QByteArray(4096, 'x'));
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Failed);
    QVERIFY(!prompter.texts().contains(SettingsEditor::savedText()));
    QCOMPARE(prompter.messages.size(), 1); // the error, shown by the error manager
    QCOMPARE(state.globKodUser, 3);
}

void ShellLogicTest::unreadableSettingsDoNotOpen()
{
    WorkDir dir;
    dir.writeFile(u"USER1.DAT"_qs, QByteArray(4096, 'x'));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(!editor.load());
    QCOMPARE(prompter.messages.size(), 1);
    // Nothing was added beside the damaged file.
    QFile file(dir.filePath(u"USER1.DAT"_qs));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(4096, 'x'));
}

void ShellLogicTest::blankWorkFolderCanBeSaved()
{
    // A stored record without a work folder: the window does not show that folder, so the save
    // must not be refused for it.
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    test::addRecord(data, FileId::USER1, [](QByteArray &bytes) {
        data::User1Record r(bytes);
        r.setTipUser(2);
        r.setKodUser(17);
    });
    AppState state;
    SettingsEditor editor(data, state, prompter);
    QVERIFY(editor.load());
    QVERIFY(!editor.isNew());
    QCOMPARE(editor.save(), SettingsEditor::SaveOutcome::Saved);
    QCOMPARE(prompter.texts(), QStringList{SettingsEditor::savedText()});
    QCOMPARE(state.globKodUser, 17);
    QByteArray stored =
        UserSettings::readRecord(data).value_or(std::nullopt).value_or(QByteArray());
    QCOMPARE(data::User1Record(stored).temp(), UserSettings::defaultTemp());
}

void ShellLogicTest::unreadableRecordsAreReported()
{
    // Files that open but whose records cannot be read are reported, never taken for empty.
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    for (const char16_t *name : {u"USER1.DAT", u"region1.DAT", u"boln.DAT"}) {
        const auto path = runtime::fs::resolve(QString::fromUtf16(name));
        QVERIFY(path);
        damageRecords(*path);
    }

    AppState state;
    UserSettings::startUp(data, state, prompter, dir.path());
    QCOMPARE(prompter.messages.size(), 2); // the damaged file, then the missing own code
    QVERIFY(prompter.texts().first().contains(u"USER1"_qs, Qt::CaseInsensitive));
    QCOMPARE(prompter.texts().last(), UserSettings::noOwnCodeText());

    prompter.messages.clear();
    SettingsEditor editor(data, state, prompter);
    QVERIFY(!editor.load());
    QCOMPARE(prompter.messages.size(), 1);

    prompter.messages.clear();
    PickFromList pick(data, state, prompter);
    ScriptedListChooser lists;
    qint64 code = 7;
    PickFromList::Request request;
    request.code = &code;
    QCOMPARE(pick.run(PickFromList::DistrictsWithRegion, request, lists),
             PickFromList::Outcome::Failed);
    QCOMPARE(lists.calls, 0);
    QCOMPARE(code, 7);
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(prompter.texts().first().contains(u"region1"_qs, Qt::CaseInsensitive));

    prompter.messages.clear();
    PickInstitution institutions(data, state);
    ScriptedInstitutionChooser chooser;
    qint32 institution = 7;
    QString name = u"как было"_qs;
    PickInstitution::Request which;
    which.code = &institution;
    which.name = &name;
    QCOMPARE(institutions.run(which, chooser), PickInstitution::Outcome::Failed);
    QCOMPARE(chooser.calls, 0);
    QCOMPARE(institution, 7);
    QCOMPARE(prompter.messages.size(), 1);
    QVERIFY(prompter.texts().first().contains(u"boln"_qs, Qt::CaseInsensitive));
}

// ---- the generic pick list ------------------------------------------------------------------

void ShellLogicTest::formsWithDeadlines()
{
    WorkDir dir;
    dir.makeDir(u"2025"_qs);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    data.names().setYearFileNames(2025);
    addForm(data, 62, u"Форма 62"_qs, 1, 0);
    addForm(data, 12, u"Форма 12"_qs, 0, 1); // switched off
    addForm(data, 7, u"Форма 7"_qs, 2, 0);
    addForm(data, 30, u"Форма 30"_qs, 9, 0); // a periodicity without a text
    dir.writeFile(u"2025/SROKI.TXT"_qs, runtime::text::toCp1251(u"  62 до 20 числа\r\n"
                                                                u"0012 до 25 января\r\n"
                                                                u"0030до 1 марта\r\n"
                                                                u"abcd не форма\r\n"
                                                                u"0099 нет такой формы\r\n"));
    AppState state;
    state.globYear = 2025;
    PickFromList pick(data, state, prompter);
    const auto entries = pick.entries(PickFromList::Forms);
    QVERIFY(entries);
    QCOMPARE(codesOf(*entries), (QList<qint64>{7, 30, 62}));
    QCOMPARE(entries->at(0).nameTip, u"ежеквартально"_qs);
    QCOMPARE(entries->at(1).nameTip, u" до 1 марта"_qs);
    QCOMPARE(entries->at(2).nameTip, u"ежемесячно  до 20 числа"_qs);
    QCOMPARE(entries->at(2).tip, quint8(1));
    QCOMPARE(entries->at(2).formCode, u"Ф62"_qs);
    QCOMPARE(PickFromList::title(PickFromList::Forms), u"ФОРМЫ"_qs);
}

void ShellLogicTest::formsWithoutDeadlineFile()
{
    WorkDir dir(true);
    QFile::remove(dir.filePath(u"2026/sroki.txt"_qs));
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globYear = 2026;
    PickFromList pick(data, state, prompter);
    const auto entries = pick.entries(PickFromList::Forms); // the frame's year names the file
    QVERIFY(entries);
    QVERIFY(!entries->isEmpty());
    for (const PickEntry &e : *entries) {
        const auto kind = data::periodKindFromByte(e.tip);
        QCOMPARE(e.nameTip, kind ? data::periodicityText(*kind) : QString());
    }
    QCOMPARE(prompter.messages.size(), 0);
}

void ShellLogicTest::districtLists()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globYear = 2025;
    PickFromList pick(data, state, prompter);

    const auto all = pick.entries(PickFromList::DistrictsWithRegion);
    QVERIFY(all);
    QVERIFY(all->size() > 2);
    QCOMPARE(all->at(all->size() - 2).code, PickFromList::RegionEntryCode);
    QCOMPARE(all->at(all->size() - 2).name, u"Таргинская область"_qs);
    QCOMPARE(all->last().code, PickFromList::DistrictsEntryCode);
    QCOMPARE(all->last().name, u"Районы Таргинской области"_qs);

    state.globTipUser = 0;
    const auto region = pick.entries(PickFromList::Districts);
    QCOMPARE(region->size(), all->size() - 2);

    state.globTipUser = 1;
    state.globCodReg = 3;
    QCOMPARE(codesOf(pick.entries(PickFromList::Districts).value()), QList<qint64>{3});
    // Without a code reference every district is listed.
    QCOMPARE(pick.entries(PickFromList::Districts, false)->size(), region->size());

    // The own district is returned at once, without the window.
    ScriptedListChooser chooser;
    qint64 code = -1;
    QString name;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    QCOMPARE(pick.run(PickFromList::Districts, request, chooser), PickFromList::Outcome::Chosen);
    QCOMPARE(chooser.calls, 0);
    QCOMPARE(code, qint64(3));
    QVERIFY(!name.isEmpty());
}

void ShellLogicTest::pickResults()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globYear = 2025;
    PickFromList pick(data, state, prompter);
    ScriptedListChooser chooser;

    qint64 code = -1;
    QString name = u"старое"_qs;
    PickFromList::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 12;

    chooser.answer = 1;
    QCOMPARE(pick.run(PickFromList::DistrictsWithRegion, request, chooser),
             PickFromList::Outcome::Chosen);
    QCOMPARE(chooser.title, u"Список"_qs);
    QCOMPARE(code, chooser.shown.at(1).code);
    QCOMPARE(name, chooser.shown.at(1).name.left(12).leftJustified(12, u' '));

    chooser.answer.reset();
    QCOMPARE(pick.run(PickFromList::DistrictsWithRegion, request, chooser),
             PickFromList::Outcome::Closed);
    QCOMPARE(code, qint64(0));
    QCOMPARE(name, QString(12, u' '));

    // An unknown kind lists nothing: the message, and the results stay.
    code = 42;
    name = u"прежнее"_qs;
    request.nameLength = 0;
    const int calls = chooser.calls;
    QCOMPARE(pick.run(77, request, chooser), PickFromList::Outcome::Empty);
    QCOMPARE(prompter.lastText(), u"Данные в справочнике 2025 отсутствуют"_qs);
    QCOMPARE(chooser.calls, calls);
    QCOMPARE(code, qint64(42));
    QCOMPARE(name, u"прежнее"_qs);

    // Without a code reference the list is shown and nothing is returned.
    PickFromList::Request nothing;
    nothing.name = &name;
    chooser.answer = 0;
    QCOMPARE(pick.run(PickFromList::DistrictsWithRegion, nothing, chooser),
             PickFromList::Outcome::Chosen);
    QCOMPARE(chooser.calls, calls + 1);
    QCOMPARE(name, u"прежнее"_qs);
}

void ShellLogicTest::formExtrasOnlyWhereGiven()
{
    WorkDir dir(true);
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    AppState state;
    state.globYear = 2025;
    PickFromList pick(data, state, prompter);
    ScriptedListChooser chooser;
    chooser.answer = 0;

    qint64 code = 0;
    QString formCode;
    PickFromList::Request entry; // the form code without the periodicity (report entry)
    entry.code = &code;
    entry.formCode = &formCode;
    QCOMPARE(pick.run(PickFromList::Forms, entry, chooser), PickFromList::Outcome::Chosen);
    QCOMPARE(formCode, chooser.shown.first().formCode);
    QCOMPARE(code, chooser.shown.first().code);

    QString nameTip;
    PickFromList::Request section; // the periodicity without the form code
    section.code = &code;
    section.nameTip = &nameTip;
    QCOMPARE(pick.run(PickFromList::Forms, section, chooser), PickFromList::Outcome::Chosen);
    QCOMPARE(nameTip, chooser.shown.first().nameTip);
    QVERIFY(!nameTip.isEmpty());
}

// ---- the institution pick list --------------------------------------------------------------

void ShellLogicTest::institutionListed_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("sYear");
    QTest::addColumn<int>("eYear");
    QTest::addColumn<int>("sel");
    QTest::addColumn<QString>("s");
    QTest::addColumn<bool>("formCodeGiven");
    QTest::addColumn<bool>("listed");
    // The year is 2025; the installation's own code is 123.
    QTest::newRow("open") << 1 << 150 << 1990 << 0 << 1 << QString() << true << true;
    QTest::newRow("closed last year")
        << 1 << 150 << 1990 << 2024 << 1 << QString() << true << false;
    QTest::newRow("closed this year") << 1 << 150 << 1990 << 2025 << 1 << QString() << true << true;
    QTest::newRow("opens next year") << 1 << 150 << 2026 << 0 << 1 << QString() << true << false;
    QTest::newRow("opens this year") << 1 << 150 << 2025 << 0 << 1 << QString() << true << true;
    QTest::newRow("left out (sel 3)") << 0 << 150 << 1990 << 0 << 3 << QString() << true << false;
    QTest::newRow("own institution") << 2 << 123 << 1990 << 0 << 1 << QString() << true << true;
    QTest::newRow("attached to own") << 2 << 150 << 1990 << 0 << 1 << u"  123"_qs << true << true;
    QTest::newRow("attached elsewhere")
        << 2 << 150 << 1990 << 0 << 1 << u"  124"_qs << true << false;
    QTest::newRow("another institution")
        << 2 << 150 << 1990 << 0 << 1 << QString() << false << false;
    QTest::newRow("own unit, form given")
        << 2 << 7123 << 1990 << 0 << 1 << QString() << true << true;
    QTest::newRow("other unit, form given")
        << 2 << 7200 << 1990 << 0 << 1 << QString() << true << false;
    QTest::newRow("other unit, no form")
        << 2 << 7200 << 1990 << 0 << 1 << QString() << false << true;
}

void ShellLogicTest::institutionListed()
{
    QFETCH(int, userType);
    QFETCH(int, code);
    QFETCH(int, sYear);
    QFETCH(int, eYear);
    QFETCH(int, sel);
    QFETCH(QString, s);
    QFETCH(bool, formCodeGiven);
    QFETCH(bool, listed);
    QByteArray bytes;
    data::BolnRecord r(bytes);
    r.clear();
    r.setUnicod(code);
    r.setSYear(qint16(sYear));
    r.setEYear(qint16(eYear));
    r.setSel(quint8(sel));
    r.setS(s);
    AppState state;
    state.globYear = 2025;
    state.globTipUser = quint8(userType);
    state.globKodUser = 123;
    QCOMPARE(PickInstitution::isListed(r, state, formCodeGiven), listed);
}

void ShellLogicTest::institutionsOfOneDistrict()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    addInstitution(data, 503, 5, 3, u"Амбулатория"_qs);
    addInstitution(data, 401, 4, 1, u"ЦРБ четвёртого"_qs);
    addInstitution(data, 502, 5, 2, u"Больница Б"_qs);
    addInstitution(data, 501, 5, 1, u"ЦРБ"_qs);
    addInstitution(data, 505, 5, 2, u"Больница А"_qs);
    addInstitution(data, 504, 5, 2, u"Закрыта"_qs, 1990, 2020);
    addInstitution(data, 601, 6, 1, u"ЦРБ шестого"_qs);
    AppState state;
    state.globYear = 2025;
    PickInstitution pick(data, state);

    QList<qint32> filled;
    QVERIFY(
        pick.fill({5, std::nullopt}, [&](const InstitutionEntry &e) { filled.append(e.code); }));
    QCOMPARE(filled, (QList<qint32>{503, 502, 501, 505})); // key order: duplicates as added

    auto list = pick.read({std::nullopt, std::nullopt});
    QVERIFY(list);
    QCOMPARE(list->size(), 6);
    PickInstitution::sortForList(*list);
    QCOMPARE(codesOf(*list), (QList<qint32>{501, 401, 601, 505, 502, 503}));
}

void ShellLogicTest::institutionResults()
{
    WorkDir dir;
    ScriptedPrompter prompter;
    data::DataContext data(&prompter);
    addInstitution(data, 501, 5, 1, u"ЦРБ"_qs);
    addInstitution(data, 502, 5, 2, u"Больница"_qs);
    AppState state;
    state.globYear = 2025;
    PickInstitution pick(data, state);
    ScriptedInstitutionChooser chooser;

    qint32 code = -1;
    QString name = u"Прежнее"_qs;
    PickInstitution::Request request;
    request.code = &code;
    request.name = &name;
    request.nameLength = 50;
    request.filter = {5, 900};

    chooser.answer = {InstitutionChooser::Answer::Kind::DistrictTotal, -1};
    QCOMPARE(pick.run(request, chooser), PickInstitution::Outcome::DistrictTotal);
    QVERIFY(chooser.offered);
    QCOMPARE(code, 21005);
    QCOMPARE(name, QString(50, u' '));

    chooser.answer = {InstitutionChooser::Answer::Kind::Institution, 1};
    QCOMPARE(pick.run(request, chooser), PickInstitution::Outcome::Chosen);
    QCOMPARE(code, 502);
    QCOMPARE(name.trimmed(), u"Больница"_qs);

    chooser.answer = {};
    QCOMPARE(pick.run(request, chooser), PickInstitution::Outcome::Closed);
    QCOMPARE(code, 0);
    QCOMPARE(name.trimmed(), QString());

    // A district without institutions shows nothing and leaves the results.
    code = 7;
    request.filter = {8, std::nullopt};
    const int calls = chooser.calls;
    QCOMPARE(pick.run(request, chooser), PickInstitution::Outcome::Empty);
    QCOMPARE(chooser.calls, calls);
    QCOMPARE(code, 7);

    // Without a name reference the list is shown and nothing is returned.
    PickInstitution::Request nothing;
    nothing.code = &code;
    nothing.filter = {5, std::nullopt};
    chooser.answer = {InstitutionChooser::Answer::Kind::Institution, 0};
    QCOMPARE(pick.run(nothing, chooser), PickInstitution::Outcome::Chosen);
    QCOMPARE(chooser.calls, calls + 1);
    QCOMPARE(code, 7);

    // "Ввод по району" is hidden for a form below 900 only.
    QVERIFY(PickInstitution::districtTotalOffered({5, std::nullopt}));
    QVERIFY(PickInstitution::districtTotalOffered({5, 900}));
    QVERIFY(!PickInstitution::districtTotalOffered({5, 899}));
    QVERIFY(PickInstitution::districtTotalOffered({std::nullopt, 900}));
    QVERIFY(PickInstitution::districtTotalOffered({std::nullopt, std::nullopt}));
    QVERIFY(!PickInstitution::districtTotalOffered({std::nullopt, 899}));
}

QTEST_GUILESS_MAIN(ShellLogicTest)
#include "test_shell.moc"
