// The data context with its file and relation managers: opening groups, creating missing
// files, refusing blank names, counting nested openings, separate handles for a second name,
// and independent contexts.

#include "data/DataContext.h"
#include "data/Dictionary.h"
#include "data/FileManager.h"
#include "data/FileNames.h"
#include "data/OpenedFile.h"
#include "data/RelationManager.h"
#include "data/records/Region1Record.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

using namespace zemor;
using namespace Qt::StringLiterals;
using data::DataContext;
using data::FileId;
using data::NameVariable;
using runtime::ErrorCode;
using runtime::store::KeyedFile;
using test::ScriptedPrompter;

Q_DECLARE_METATYPE(zemor::data::FileId)

namespace {

QList<FileId> openFiles(DataContext &context)
{
    QList<FileId> open;
    for (const data::FileDecl &decl : data::dictionary()) {
        if (context.fileManager(decl.id).isOpen())
            open.append(decl.id);
    }
    return open;
}

QStringList labels(const QList<FileId> &ids)
{
    QStringList result;
    for (FileId id : ids)
        result.append(data::declaration(id).label);
    result.sort();
    return result;
}

bool exists(const QString &dir, const QString &name)
{
    return QFile::exists(QDir(dir).filePath(name));
}

} // namespace

class TestManagers : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    QString work() const { return m_dir->path(); }

    // Every name of the year 2025, also the form data file, the headers and the text file.
    void setAllNames(DataContext &context)
    {
        context.names().setYearFileNames(2025);
        context.names().setOtchetFileName(2025, 62);
        context.names().setSapkiFileName(QStringLiteral("2025\\Sapki.tps"));
        context.names().setTxtFileName(QStringLiteral("2025\\Rash.txt"));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir(work()).mkdir(QStringLiteral("2025")));
        runtime::fs::setWorkDir(work());
    }
    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void groupOpensAndClosesTogether_data()
    {
        QTest::addColumn<FileId>("file");
        QTest::addColumn<QStringList>("group");
        const QStringList catalogue{QStringLiteral("ContrGr"), QStringLiteral("Pokas"),
                                    QStringLiteral("Rash"),    QStringLiteral("forma"),
                                    QStringLiteral("grafa"),   QStringLiteral("indik"),
                                    QStringLiteral("stroka"),  QStringLiteral("tabl")};
        QTest::newRow("forma") << FileId::forma << catalogue;
        QTest::newRow("tabl") << FileId::tabl << catalogue;
        QTest::newRow("Pokas") << FileId::Pokas << catalogue;
        QTest::newRow("boln") << FileId::boln
                              << QStringList{QStringLiteral("boln"), QStringLiteral("region1"),
                                             QStringLiteral("viduch")};
        QTest::newRow("spravoh") << FileId::spravoh
                                 << QStringList{QStringLiteral("Docum"), QStringLiteral("spravoh")};
        QTest::newRow("otchet alone") << FileId::otchet << QStringList{QStringLiteral("otchet")};
        QTest::newRow("USER1 alone") << FileId::USER1 << QStringList{QStringLiteral("USER1")};
        QTest::newRow("Sapki alone") << FileId::Sapki << QStringList{QStringLiteral("Sapki")};
    }
    void groupOpensAndClosesTogether()
    {
        QFETCH(FileId, file);
        QFETCH(QStringList, group);
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        setAllNames(context);

        QVERIFY(context.open(file));
        QCOMPARE(labels(openFiles(context)), group);
        for (FileId id : openFiles(context)) {
            // Each member is open under its current name, which resolves to a file on disk.
            const data::FileManager &manager = context.fileManager(id);
            QCOMPARE(manager.name(), context.names().fileName(id));
            QVERIFY2(QFile::exists(manager.path()), qPrintable(manager.path()));
        }
        context.close(file);
        QVERIFY(openFiles(context).isEmpty());
        QVERIFY(prompter.messages.isEmpty());
    }

    // A missing catalogue file of an existing year directory is created, under the spelling of
    // its name with the extension rule's extension, and an existing file is taken whatever the
    // case of its name (no second file beside it).
    void missingFileIsCreatedOnce()
    {
        QVERIFY(KeyedFile::create(QDir(work()).filePath(QStringLiteral("2025/GRAFA.DAT")),
                                  data::declaration(FileId::grafa).layout));
        ScriptedPrompter prompter;
        {
            DataContext context(&prompter);
            context.names().setYearFileNames(2025);
            QVERIFY(context.open(FileId::forma));
        }
        QVERIFY(exists(work(), QStringLiteral("2025/Tabl.dat")));
        QVERIFY(exists(work(), QStringLiteral("2025/Forma.DAT")));
        QVERIFY(exists(work(), QStringLiteral("2025/Stroka.dat")));
        QVERIFY(exists(work(), QStringLiteral("INDIK.TPS")));
        QVERIFY(exists(work(), QStringLiteral("POKAS.DAT")));
        const QStringList grafa = QDir(work() + QStringLiteral("/2025"))
                                      .entryList({QStringLiteral("grafa*")}, QDir::Files);
        QCOMPARE(grafa, QStringList{QStringLiteral("GRAFA.DAT")});
        QVERIFY(prompter.messages.isEmpty());
    }

    // A record written through one opening is there at the next: the created file is kept, not
    // made again.
    void createdFileKeepsItsRecords()
    {
        DataContext context;
        context.names().setYearFileNames(2025);
        QVERIFY(context.open(FileId::tabl));
        KeyedFile &tabl = context.file(FileId::tabl);
        tabl.clearRecord();
        tabl.record()[0] = 7; // TAB:UNICODT
        QVERIFY(tabl.add());
        context.close(FileId::tabl);

        QVERIFY(context.open(FileId::tabl));
        QCOMPARE(context.file(FileId::tabl).records().value_or(-1), 1);
        context.close(FileId::tabl);
    }

    // A year without its directory, and a blank name: nothing is created, the failure is shown
    // with the file and the platform's message and returned to the caller.
    void failedOpenCreatesNothingAndIsReported_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing year directory")
            << 2030 << int(ErrorCode::FileNotFound) << QStringLiteral("File Not Found");
        QTest::newRow("blank name")
            << 0 << int(ErrorCode::InvalidName) << QStringLiteral("Недопустимое имя файла");
    }
    void failedOpenCreatesNothingAndIsReported()
    {
        QFETCH(int, year);
        QFETCH(int, code);
        QFETCH(QString, shown);
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        if (year != 0)
            context.names().setYearFileNames(year);

        const runtime::Status opened = context.open(FileId::forma);
        QVERIFY(!opened);
        QCOMPARE(opened.error().number(), code);
        QVERIFY(openFiles(context).isEmpty());
        QCOMPARE(QDir(work()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("2025")});

        QCOMPARE(prompter.messages.size(), 1);
        const QString text = prompter.lastText();
        QVERIFY2(text.contains(QStringLiteral("File Access Error")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("forma")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Ошибка %1: %2").arg(code).arg(shown)),
                 qPrintable(text));
        QCOMPARE(context.errors().status().label, QStringLiteral("forma"));
        QCOMPARE(context.errors().status().error.number(), code);
        // The file stays unusable: operations answer "not open", never "not found".
        QCOMPARE(context.file(FileId::forma).get(0).error().code, ErrorCode::FileNotOpen);
    }

    // Only the form file's name is set: the related catalogue files stay closed without a word;
    // the working-directory files of the group open under their fixed names.
    void blankRelatedNamesStayClosed()
    {
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        context.names().setFormaFileName(QStringLiteral("\\2025\\Forma"));
        QVERIFY(context.open(FileId::forma));
        QCOMPARE(labels(openFiles(context)),
                 (QStringList{QStringLiteral("Pokas"), QStringLiteral("forma"),
                              QStringLiteral("indik")}));
        QVERIFY(prompter.messages.isEmpty());
        QVERIFY(!exists(work(), QStringLiteral(".DAT")));
        QCOMPARE(QDir(work() + QStringLiteral("/2025")).entryList(QDir::Files),
                 QStringList{QStringLiteral("Forma.DAT")});
        context.close(FileId::forma);
        QVERIFY(openFiles(context).isEmpty());
    }

    // The group opens completely or not at all: a related file that cannot be opened undoes the
    // openings already made.
    void groupFailureUndoesTheGroup()
    {
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        context.names().setYearFileNames(2025);
        context.names().setTablFileName(QStringLiteral("\\1999\\Tabl.dat")); // no such directory
        const runtime::Status opened = context.open(FileId::forma);
        QVERIFY(!opened);
        QCOMPARE(opened.error().code, ErrorCode::FileNotFound);
        QVERIFY(openFiles(context).isEmpty());
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.lastText().contains(QStringLiteral("tabl")));
        QCOMPARE(context.relationManager(FileId::forma).openCount(), 0);
    }

    // dBase files come from the user and are never made; one that exists opens.
    void dbaseFilesAreNeverCreated_data()
    {
        QTest::addColumn<FileId>("file");
        QTest::newRow("import1") << FileId::import1;
        QTest::newRow("VOV4000") << FileId::VOV4000;
    }
    void dbaseFilesAreNeverCreated()
    {
        QFETCH(FileId, file);
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        QVERIFY(!context.fileManager(file).mayCreate());
        QVERIFY(QDir(work()).mkdir(QStringLiteral("import")));
        context.names().setImportFileName(QStringLiteral("\\import\\lpu284.dbf"));

        const runtime::Status opened = context.open(file);
        QVERIFY(!opened);
        QCOMPARE(opened.error().code, ErrorCode::FileNotFound);
        QVERIFY(QDir(work() + QStringLiteral("/import")).isEmpty());
        QCOMPARE(prompter.messages.size(), 1);

        QFile dbf(work() + QStringLiteral("/import/LPU284.DBF"));
        QVERIFY(dbf.open(QIODevice::WriteOnly));
        dbf.write("\x03");
        dbf.close();
        QVERIFY(context.open(file));
        QCOMPARE(context.fileManager(file).path(), dbf.fileName());
        context.close(file);
        QCOMPARE(dbf.size(), 1);
    }

    // The shared text file is made empty when missing and never truncated when present.
    void textFileCreatedWhenMissingOnly()
    {
        DataContext context;
        context.names().setTxtFileName(QStringLiteral("\\2025\\Rash.txt"));
        QVERIFY(context.open(FileId::TxtFile));
        QVERIFY(exists(work(), QStringLiteral("2025/Rash.txt")));
        context.close(FileId::TxtFile);

        QFile text(work() + QStringLiteral("/2025/Rash.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("  62  1000 g    1\r\n");
        text.close();
        QVERIFY(context.open(FileId::TxtFile));
        context.close(FileId::TxtFile);
        QCOMPARE(text.size(), 19);
    }

    void nestedOpeningsAreCounted()
    {
        DataContext context;
        context.names().setYearFileNames(2025);
        data::FileManager &tabl = context.fileManager(FileId::tabl);

        QVERIFY(context.open(FileId::forma));
        QVERIFY(context.open(FileId::forma));
        QVERIFY(context.open(FileId::tabl)); // its own group: forma again, among others
        QCOMPARE(tabl.openCount(), 3);
        QCOMPARE(tabl.handleCount(), 1);
        QCOMPARE(context.fileManager(FileId::forma).openCount(), 3);

        context.close(FileId::forma);
        context.close(FileId::forma);
        QVERIFY(tabl.isOpen());
        QVERIFY(context.fileManager(FileId::forma).isOpen()); // opened with tabl's group
        context.close(FileId::tabl);
        QVERIFY(openFiles(context).isEmpty());
        context.close(FileId::tabl); // one close too many does nothing
        QVERIFY(openFiles(context).isEmpty());
    }

    // A file keeps the name it was opened with; a new name opens the named file on a handle of
    // its own, and the same file under another spelling is only counted.
    void secondNameOpensItsOwnHandle()
    {
        QVERIFY(QDir(work()).mkdir(QStringLiteral("2026")));
        DataContext context;
        context.names().setYearFileNames(2025);
        data::FileManager &tabl = context.fileManager(FileId::tabl);
        QVERIFY(context.open(FileId::forma));
        const QString first = tabl.path();
        const QString firstName = tabl.name();
        KeyedFile *firstHandle = &tabl.keyed();

        context.names().setYearFileNames(2026);
        QCOMPARE(tabl.name(), firstName); // unchanged by the new names
        QCOMPARE(tabl.path(), first);

        context.names().setTablFileName(QStringLiteral("TablP.dat"));
        QVERIFY(tabl.open());
        QCOMPARE(tabl.handleCount(), 2);
        QCOMPARE(tabl.path(), QDir(work()).filePath(QStringLiteral("TablP.dat")));
        QVERIFY(&tabl.keyed() != firstHandle);
        QVERIFY(tabl.keyed().isOpen() && firstHandle->isOpen());

        context.names().setTablFileName(QStringLiteral("\\2025\\TABL.DAT"));
        QVERIFY(tabl.open()); // the first file again: counted, no third handle
        QCOMPARE(tabl.handleCount(), 2);
        QCOMPARE(&tabl.keyed(), firstHandle);
        tabl.close();

        tabl.close(); // TablP.dat closes, the first handle is current again
        QCOMPARE(tabl.handleCount(), 1);
        QCOMPARE(tabl.path(), first);
        QCOMPARE(&tabl.keyed(), firstHandle);

        // Closing the group undoes its own openings although the names now say 2026.
        context.close(FileId::forma);
        QVERIFY(openFiles(context).isEmpty());
        QVERIFY(QDir(work() + QStringLiteral("/2026")).isEmpty());
    }

    void contextsAreIndependent()
    {
        QVERIFY(QDir(work()).mkdir(QStringLiteral("2026")));
        ScriptedPrompter prompter;
        auto a = std::make_unique<DataContext>(&prompter);
        DataContext b(&prompter);
        a->names().setYearFileNames(2025);
        QVERIFY(b.names().formaFileName().isEmpty());
        b.names().setYearFileNames(2026);

        QVERIFY(a->open(FileId::forma));
        QVERIFY(b.open(FileId::forma));
        QVERIFY(a->fileManager(FileId::forma).path().contains(QStringLiteral("/2025/")));
        QVERIFY(b.fileManager(FileId::forma).path().contains(QStringLiteral("/2026/")));
        QVERIFY(&a->file(FileId::forma) != &b.file(FileId::forma));

        // A record read into one context's buffer is not in the other's.
        QByteArray &recordA = a->record(FileId::forma);
        recordA[0] = 0x01;
        QCOMPARE(b.record(FileId::forma).at(0), char(0));

        // Both open the same working-directory file on their own handles.
        QVERIFY(a->open(FileId::boln));
        QVERIFY(b.open(FileId::boln));
        a->close(FileId::boln);
        QVERIFY(b.fileManager(FileId::boln).isOpen());
        QVERIFY(!a->fileManager(FileId::boln).isOpen());

        a.reset(); // ending one context leaves the other's files open and usable
        QVERIFY(b.fileManager(FileId::forma).isOpen());
        QCOMPARE(b.file(FileId::boln).records().value_or(-1), 0);
        QVERIFY(prompter.messages.isEmpty());
    }

    // A file held exclusively by another holder: the open waits, then fails with 5 and leaves
    // the holder's lock alone.
    void lockedFileFailsWithAccessDenied()
    {
        const auto savedWait = KeyedFile::shareWait();
        KeyedFile::setShareWait(std::chrono::milliseconds(200));
        const QString path = work() + QStringLiteral("/USER1.DAT");
        QVERIFY(KeyedFile::create(path, data::declaration(FileId::USER1).layout));
        KeyedFile holder(data::declaration(FileId::USER1).layout);
        QVERIFY(
            holder.open(path, runtime::store::Access::ReadWrite, runtime::store::Share::Exclusive));

        ScriptedPrompter prompter;
        DataContext context(&prompter);
        const runtime::Status opened = context.open(FileId::USER1);
        KeyedFile::setShareWait(savedWait);
        QVERIFY(!opened);
        QCOMPARE(opened.error().code, ErrorCode::AccessDenied);
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.lastText().contains(QStringLiteral("Ошибка 5: Access Denied")));

        holder.clearRecord();
        QVERIFY(holder.add());
        QCOMPARE(holder.records().value_or(-1), 1);
    }

    // The message names the template, the file, the key and the error; the procedure name
    // follows the procedures as they nest.
    void errorManagerReportsTheFailure_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("caption");
        QTest::newRow("open") << int(data::FileOperation::Open)
                              << QStringLiteral("File Access Error");
        QTest::newRow("create") << int(data::FileOperation::Create)
                                << QStringLiteral("File Access Error");
        QTest::newRow("add") << int(data::FileOperation::Add)
                             << QStringLiteral("Record Was Not Added");
        QTest::newRow("update") << int(data::FileOperation::Update)
                                << QStringLiteral("Record Was Not Updated");
        QTest::newRow("delete") << int(data::FileOperation::Delete)
                                << QStringLiteral("Record Was Not Deleted");
    }
    void errorManagerReportsTheFailure()
    {
        QFETCH(int, operation);
        QFETCH(QString, caption);
        ScriptedPrompter prompter;
        data::ErrorManager errors(&prompter);
        errors.setProcedureName(QStringLiteral("Main"));
        errors.setProcedureName(QStringLiteral("EnterReports"));
        errors.removeProcedureName();
        const runtime::Error error = runtime::fail(ErrorCode::DuplicateKey).error();
        errors.report(data::FileOperation(operation), QStringLiteral("otchet"),
                      QStringLiteral("/w/2025/F0062.dat"), error, QStringLiteral("OTC:KEYCODUCH"));

        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(prompter.messages[0].caption, caption);
        QCOMPARE(prompter.messages[0].icon, runtime::MessageIcon::Error);
        QCOMPARE(prompter.lastText(),
                 QStringList({caption, QStringLiteral("Файл: otchet (/w/2025/F0062.dat)"),
                              QStringLiteral("Ключ: OTC:KEYCODUCH"),
                              QStringLiteral("Ошибка 40: Creates Duplicate Key"),
                              QStringLiteral("Процедура: Main")})
                     .join(QLatin1Char('|')));
        QCOMPARE(errors.status().key, QStringLiteral("OTC:KEYCODUCH"));
        QVERIFY(errors.status().failed());
        errors.clear();
        QVERIFY(!errors.status().failed());
    }

    // A file opened for one operation is read one way: the walk of a key range, a failure of
    // the file reported like a failed opening and returned, a failure of the taker only
    // returned; the file is closed however the operation ends.
    void openedFileReadsAndReports_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("taken");
        QTest::addColumn<int>("code"); // 0: read to the end
        QTest::addColumn<int>("messages");
        QTest::newRow("whole file") << u"all"_s << 3 << 0 << 0;
        QTest::newRow("stopped by the taker") << u"stop"_s << 1 << 0 << 0;
        QTest::newRow("taker fails") << u"fail"_s << 2 << int(ErrorCode::Cancelled) << 0;
        QTest::newRow("file fails") << u"badkey"_s << 0 << int(ErrorCode::InvalidArgument) << 1;
    }

    void openedFileReadsAndReports()
    {
        QFETCH(QString, how);
        QFETCH(int, taken);
        QFETCH(int, code);
        QFETCH(int, messages);
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        {
            data::OpenedFile region(context, FileId::region1);
            QVERIFY(region.status());
            KeyedFile &file = region.file();
            for (int i = 1; i <= 3; ++i) {
                data::Region1Record record(file.record());
                record.clear();
                QVERIFY(record.setCodReg(i));
                QVERIFY(file.add());
            }
        }
        QVERIFY(openFiles(context).isEmpty());

        int seen = 0;
        runtime::Status read;
        {
            data::OpenedFile region(context, FileId::region1);
            QVERIFY(region.status());
            region.file().clearRecord();
            const int key = how == u"badkey" ? 99 : int(data::Region1Record::KeyCodReg);
            if (how == u"fail") {
                read = region.scan(key, -1, [&]() -> runtime::Status {
                    if (++seen == 2)
                        return runtime::fail(ErrorCode::Cancelled);
                    return {};
                });
            } else {
                read = region.scan(key, -1, [&] { return ++seen != 1 || how != u"stop"; });
            }
            QVERIFY(openFiles(context).contains(FileId::region1));
        }
        QVERIFY(openFiles(context).isEmpty());
        QCOMPARE(seen, taken);
        QCOMPARE(read.has_value(), code == 0);
        if (!read)
            QCOMPARE(int(read.error().code), code);
        QCOMPARE(prompter.messages.size(), messages);
        if (messages > 0)
            QVERIFY(prompter.lastText().contains(u"File Access Error"_s));
    }

    // A file written with another layout is refused and left as it is, never made again.
    void foreignLayoutIsRefusedNotReplaced()
    {
        const QString path = work() + QStringLiteral("/2025/Forma.DAT");
        QVERIFY(KeyedFile::create(path, data::declaration(FileId::tabl).layout));
        const qint64 size = QFileInfo(path).size();
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        context.names().setFormaFileName(QStringLiteral("\\2025\\Forma"));
        const runtime::Status opened = context.open(FileId::forma);
        QVERIFY(!opened);
        QCOMPARE(opened.error().code, ErrorCode::LayoutMismatch);
        QCOMPARE(prompter.messages.size(), 1);
        QCOMPARE(QFileInfo(path).size(), size);
    }
};

QTEST_GUILESS_MAIN(TestManagers)
#include "test_managers.moc"
