// Saved cross-sections: new names and their ids, saving that replaces the cells as a whole and
// leaves them when it fails, loading with the year and period of the moment (the year's
// periods 0..0 for an annual form), and rows and columns the loaded year does not have.

#include "analysis/crosssections/CrossSectionBuild.h"
#include "analysis/crosssections/SavedCrossSections.h"
#include "data/DataContext.h"
#include "support/WriteFailures.h"
#include "tests/analysis/CrossSectionFixture.h"

#include <QMutex>
#include <QSet>
#include <QTest>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::CrossSectionBuild;
using analysis::CrossSectionGrouping;
using analysis::CrossSectionMark;
using analysis::SavedCrossSectionChoice;
using analysis::SavedCrossSections;
using test::demoYear;

namespace {

CrossSectionMark mark(qint64 form, int rowId, int n, qint32 nn = 0)
{
    CrossSectionMark m;
    m.nn = nn;
    m.year = demoYear;
    m.periodFrom = 3;
    m.periodTo = 5;
    m.form = form;
    m.rowId = rowId;
    m.dataColumn = n;
    return m;
}

// "form:row:column" of each mark.
QString cellsText(const QList<CrossSectionMark> &marks)
{
    QStringList out;
    for (const CrossSectionMark &m : marks)
        out << u"%1:%2:%3"_s.arg(m.form).arg(m.rowId).arg(m.dataColumn);
    return out.join(u' ');
}

} // namespace

class TestSavedCrossSections : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        const QString failed = test::buildCrossSectionDemo(m_dir);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    // Ids from 1; two windows that both saw the same next id still add two names.
    void namesAndIds()
    {
        data::DataContext first;
        data::DataContext second;
        SavedCrossSections a(first);
        SavedCrossSections b(second);
        QCOMPARE(*a.nextId(), 1);
        QCOMPARE(*b.nextId(), 1);
        QCOMPARE(*a.addName(u"Заболевания"_s, 7), 1);
        QCOMPARE(*b.addName(u"Заболевания"_s, 12), 2);
        QCOMPARE(*a.nextId(), 3);
        const auto names = a.names();
        QVERIFY(names);
        QCOMPARE(names->size(), 2);
        QCOMPARE(names->at(0).id, 1);
        QCOMPARE(names->at(1).id, 2);
        QCOMPARE(names->at(1).name.trimmed(), u"Заболевания"_s);
        // The list shows 120 characters of a name.
        QCOMPARE(*a.addName(QString(150, u'я'), 7), 3);
        QCOMPARE(a.names()->at(2).name, QString(120, u'я'));
        // An add that cannot be written answers no id and leaves the names as they were.
        {
            test::FileSizeLimit limit(512);
            QVERIFY(!b.addName(u"Не записан"_s, 7));
        }
        QCOMPARE(a.names()->size(), 3);
        QCOMPARE(*a.nextId(), 4);
    }

    // Two windows adding names at the same time, each with its own files: every name gets an
    // id of its own.
    void concurrentNames()
    {
        constexpr int perWindow = 25;
        QList<qint32> ids[2];
        QList<QString> failures;
        QMutex lock;
        auto window = [&](int w) {
            data::DataContext context;
            SavedCrossSections saved(context);
            for (int i = 0; i < perWindow; ++i) {
                const auto id = saved.addName(u"Окно %1 / %2"_s.arg(w).arg(i), 7);
                if (!id) {
                    QMutexLocker locked(&lock);
                    failures.append(id.error().message);
                    continue;
                }
                ids[w].append(*id);
            }
        };
        std::unique_ptr<QThread> other(QThread::create(window, 1));
        other->start();
        window(0);
        other->wait();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'|')));
        QSet<qint32> distinct;
        for (const auto &list : ids)
            for (qint32 id : list)
                distinct.insert(id);
        QCOMPARE(distinct.size(), 2 * perWindow);
        data::DataContext context;
        const auto names = SavedCrossSections(context).names();
        QVERIFY(names);
        QSet<qint32> stored;
        for (const SavedCrossSectionChoice &choice : *names)
            stored.insert(choice.id);
        QVERIFY(stored.contains(distinct));
    }

    // The second save replaces the first; an empty set empties the marks on load; a save that
    // fails half-way leaves the cells of the save before.
    void savingReplaces()
    {
        data::DataContext context;
        SavedCrossSections saved(context);
        const qint32 id = *saved.addName(u"Разрез"_s, 7);
        const qint32 other = *saved.addName(u"Другой"_s, 7);
        QVERIFY(saved.save(other, {mark(7, 4, 4, 1)}));
        QVERIFY(saved.save(id, {mark(7, 1, 1, 1), mark(7, 2, 2, 2), mark(7, 3, 3, 3)}));
        QVERIFY(saved.save(id, {mark(7, 3, 1, 1), mark(12, 2, 4, 2)}));
        QCOMPARE(cellsText(*saved.load(id, demoYear, 1, 1)), u"7:3:1 12:2:4"_s);

        CrossSectionMark unstorable = mark(7, 1, 1, 3);
        unstorable.rowId = 40000; // beyond the stored row id's range: the third add fails
        const auto failed = saved.save(id, {mark(7, 1, 2, 1), mark(7, 1, 3, 2), unstorable});
        QVERIFY(!failed);
        QCOMPARE(cellsText(*saved.load(id, demoYear, 1, 1)), u"7:3:1 12:2:4"_s);

        // A list longer than the stored position's byte keeps its order.
        QList<CrossSectionMark> many;
        for (int k = 1; k <= 300; ++k)
            many.append(mark(7, 1 + k % 4, 1 + k % 35, k));
        QVERIFY(saved.save(id, many));
        const auto back = saved.load(id, demoYear, 1, 1);
        QCOMPARE(back->size(), 300);
        QCOMPARE(cellsText(*back), cellsText(many));
        QCOMPARE(back->at(254).nn, 255);

        QVERIFY(saved.save(id, {}));
        QVERIFY(saved.load(id, demoYear, 1, 1)->isEmpty());
        QCOMPARE(cellsText(*saved.load(other, demoYear, 1, 1)), u"7:4:4"_s);
    }

    // A load takes the year and period of the moment, 0..0 for an annual form, and the texts
    // of the year's catalogue; the stored order and positions are kept.
    void loadTakesYearAndPeriod()
    {
        data::DataContext context;
        SavedCrossSections saved(context);
        const qint32 id = *saved.addName(u"Годовой и месячный"_s, 12);
        QVERIFY(saved.save(id, {mark(12, 2, 1, 2), mark(7, 3, 4, 1)}));
        const auto loaded = saved.load(id, 2026, 1, 3);
        QVERIFY(loaded);
        QCOMPARE(loaded->size(), 2);
        const CrossSectionMark &annual = loaded->at(0);
        QCOMPARE(annual.nn, 2);
        QCOMPARE(annual.year, 2026);
        QCOMPARE(annual.periodFrom, 0);
        QCOMPARE(annual.periodTo, 0);
        QCOMPARE(annual.table, 1000);
        QCOMPARE(annual.rowCode.trimmed(), u"1.1"_s);
        QCOMPARE(annual.rowName.trimmed(), u"болезни органов дыхания J00-J99"_s);
        QCOMPARE(annual.columnName.trimmed(), u"Зарегистрировано заболеваний всего"_s);
        QCOMPARE(annual.storedColumn, 1);
        const CrossSectionMark &monthly = loaded->at(1);
        QCOMPARE(monthly.year, 2026);
        QCOMPARE(monthly.periodFrom, 1);
        QCOMPARE(monthly.periodTo, 3);
        QCOMPARE(monthly.picture.trimmed(), QString());
    }

    // A saved annual cross-section loaded for months reads the year's reports.
    void annualLoadReadsData()
    {
        data::DataContext context;
        SavedCrossSections saved(context);
        const qint32 id = *saved.addName(u"Годовой"_s, 12);
        QVERIFY(saved.save(id, {mark(12, 1, 1, 1)}));
        auto loaded = saved.load(id, demoYear, 1, 12);
        QVERIFY(loaded);
        CrossSectionBuild build(context, {});
        auto result = build.byPlace(*loaded, CrossSectionGrouping::Districts);
        QVERIFY(result);
        QVERIFY(!result->rows.last().isEmpty());
    }

    // The two buttons: a closed name window saves nothing and takes no id; the first save asks,
    // the second does not; a closed list keeps the marks and drops the id in use.
    void buttons()
    {
        data::DataContext context;
        SavedCrossSections saved(context);
        analysis::CrossSectionInUse inUse;
        int asked = 0;
        const qint32 next = *saved.nextId();
        qint32 shownId = 0;
        QVERIFY(saved.saveButton(inUse, 7, {mark(7, 1, 1, 1)}, [&](qint32 shown) {
            ++asked;
            shownId = shown;
            return std::optional<QString>();
        }));
        QCOMPARE(shownId, next);
        QCOMPARE(inUse.id, 0);
        QCOMPARE(*saved.nextId(), next);

        const auto name = [&](qint32) {
            ++asked;
            return std::optional<QString>(u"Кнопки"_s);
        };
        QVERIFY(saved.saveButton(inUse, 7, {mark(7, 1, 1, 1)}, name));
        QCOMPARE(inUse.id, next);
        QVERIFY(saved.saveButton(inUse, 7, {mark(7, 2, 2, 1), mark(7, 3, 3, 2)}, name));
        QCOMPARE(asked, 2);
        QCOMPARE(cellsText(*saved.load(next, demoYear, 1, 1)), u"7:2:2 7:3:3"_s);

        const auto closed = saved.loadButton(inUse, demoYear, 1, 1, [](const auto &) {
            return std::optional<SavedCrossSectionChoice>();
        });
        QVERIFY(closed);
        QVERIFY(!closed->has_value());
        QCOMPARE(inUse.id, 0);
        const auto chosen = saved.loadButton(inUse, demoYear, 1, 1, [&](const auto &choices) {
            return std::optional(choices.last());
        });
        QVERIFY(chosen && chosen->has_value());
        QCOMPARE(inUse.id, next);
        QCOMPARE(inUse.name, u"Кнопки"_s);
        QCOMPARE(cellsText(**chosen), u"7:2:2 7:3:3"_s);
    }

    // Rows and columns the loaded year does not have: blank texts or "???" and the column,
    // and the mark still reads its data by row id and data column.
    void missingInCatalogue()
    {
        data::DataContext context;
        SavedCrossSections saved(context);
        const qint32 id = *saved.addName(u"Без каталога"_s, 7);
        QVERIFY(saved.save(id, {mark(7, 99, 1, 1), mark(7, 2, 9, 2), mark(999, 1, 2, 3)}));
        auto loaded = saved.load(id, demoYear, 0, 0, [](int, qint64) { return 1; });
        QVERIFY(loaded);
        QCOMPARE(loaded->at(0).table, 0);
        QCOMPARE(loaded->at(0).rowName, QString());
        QCOMPARE(loaded->at(0).columnName, QString());
        QCOMPARE(loaded->at(1).columnName, u"???9"_s);
        QCOMPARE(loaded->at(2).rowName, QString());
        CrossSectionBuild build(context, {});
        auto result = build.byPlace(*loaded, CrossSectionGrouping::Districts);
        QVERIFY(result);
        // The added reports' 140 and the demo's own populations in that column.
        const runtime::Decimal expected = test::sumOf(
            test::storedCells(999, 1, 2), [](const test::StoredCell &) { return true; });
        QCOMPARE(result->rows.last().values[2].toString(), expected.toString());
    }
};

QTEST_GUILESS_MAIN(TestSavedCrossSections)
#include "test_savedcrosssections.moc"
