// The names of districts and institution kinds by code: read in stored order, the caller's text
// for a code that is not there, nothing for a file that does not exist when it is read by name,
// and a file whose records cannot be read refused with a message instead of taken for an empty
// one.

#include "data/DataContext.h"
#include "data/ReferenceNames.h"
#include "data/records/Region1Record.h"
#include "data/records/ViduchRecord.h"
#include "runtime/fs/Paths.h"
#include "runtime/store/KeyedFile.h"
#include "support/ScriptedPrompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace zemor;
using namespace Qt::StringLiterals;
using data::DataContext;
using data::FileId;
using data::ReferenceNames;
using test::ScriptedPrompter;

class TestReferenceNames : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;

    // Adds records of `region1` or `viduch` with the codes and names given, in that order.
    void add(DataContext &context, FileId id, const QList<std::pair<int, QString>> &names)
    {
        QVERIFY(context.open(id));
        runtime::store::KeyedFile &file = context.file(id);
        for (const auto &[code, name] : names) {
            file.clearRecord();
            if (id == FileId::region1) {
                data::Region1Record r(file.record());
                QVERIFY(r.setCodReg(code));
                r.setName(name);
            } else {
                data::ViduchRecord r(file.record());
                QVERIFY(r.setCodVid(code));
                r.setNameUch(name);
            }
            QVERIFY(file.add());
        }
        context.close(id);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        runtime::fs::setWorkDir(m_dir->path());
    }
    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void namesByCodeInStoredOrder()
    {
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        add(context, FileId::region1, {{12, u"Северный"_s}, {3, u"Южный"_s}});
        add(context, FileId::viduch, {{5, u"ЦРБ"_s}});

        const auto names = ReferenceNames::read(context, ReferenceNames::DistrictsAndKinds);
        QVERIFY(names);
        QCOMPARE(names->districts().size(), 2);
        QCOMPARE(names->districts().at(0).code, 12);
        QCOMPARE(names->districts().at(1).code, 3);
        QCOMPARE(names->district(3).trimmed(), u"Южный"_s);
        QCOMPARE(names->kind(5).trimmed(), u"ЦРБ"_s);
        QVERIFY(names->hasDistrict(12));
        QVERIFY(!names->hasDistrict(5));
        QCOMPARE(names->district(5, u"?reg-5"_s), u"?reg-5"_s);
        QCOMPARE(names->kind(3), QString());
        QCOMPARE(prompter.messages.size(), 0);

        // Only the files asked for are read.
        const auto districts = ReferenceNames::read(context, ReferenceNames::Districts);
        QVERIFY(districts);
        QVERIFY(districts->kinds().isEmpty());
        QCOMPARE(districts->districts().size(), 2);
    }

    void missingFileReadByNameHasNoNames()
    {
        const data::FileNames fileNames;
        const auto names =
            ReferenceNames::readExisting(fileNames, ReferenceNames::DistrictsAndKinds);
        QVERIFY(names);
        QVERIFY(names->districts().isEmpty());
        QVERIFY(names->kinds().isEmpty());
        QVERIFY(!QFile::exists(m_dir->filePath(u"region1.DAT"_s)));
    }

    void unreadableFileIsRefused()
    {
        ScriptedPrompter prompter;
        DataContext context(&prompter);
        add(context, FileId::region1, {{1, u"Первый"_s}});
        const auto path = runtime::fs::resolve(u"region1.DAT"_s);
        QVERIFY(path);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(*path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "UPDATE records SET data = X'00'", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);

        const auto names = ReferenceNames::read(context, ReferenceNames::Districts);
        QVERIFY(!names);
        QCOMPARE(prompter.messages.size(), 1);
        QVERIFY(prompter.lastText().contains(u"region1"_s, Qt::CaseInsensitive));

        const auto byName =
            ReferenceNames::readExisting(data::FileNames(), ReferenceNames::Districts);
        QVERIFY(!byName);
    }
};

QTEST_GUILESS_MAIN(TestReferenceNames)
#include "test_referencenames.moc"
