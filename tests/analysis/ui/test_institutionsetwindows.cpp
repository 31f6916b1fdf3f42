// The institution sets' windows on the demo, driven by their controls: a new set built from two
// districts and saved twice, an existing set edited through the kinds, the village switch and a
// hand-made mark, the reset, a save the file refuses, a set deleted elsewhere meanwhile, a
// delete, and Enter closing the list.

#include "analysis/ratings/InstitutionSets.h"
#include "analysis/ratings/ui/InstitutionSetWindows.h"
#include "app/ProcedureTable.h"
#include "runtime/ini/IniFile.h"
#include "runtime/ui/Controls.h"
#include "runtime/ui/ListBinding.h"
#include "runtime/ui/QueueModel.h"
#include "support/DemoWorkDir.h"
#include "support/ModalScript.h"
#include "support/WriteFailures.h"
#include "tests/analysis/ui/WindowTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace zemor;
using analysis::InstitutionSet;
using analysis::InstitutionSets;
using analysis::SetCandidate;
using analysis::ui::InstitutionSetListWindow;
using analysis::ui::InstitutionSetWindow;
using runtime::ui::findControl;

namespace {

// The sets as the file holds them.
QList<InstitutionSet> storedSets()
{
    data::DataContext context;
    InstitutionSets sets(context);
    if (!sets.load())
        return {};
    return sets.sets();
}

QList<qint32> candidateCodes(InstitutionSetWindow *w, bool markedOnly)
{
    QList<qint32> codes;
    auto *model = w->candidates()->model();
    for (int r = 0; r < model->rowCount(); ++r)
        if (!markedOnly || model->value(r, 3).toString() == u"o"_s)
            codes.append(model->value(r, 1).toInt());
    return codes;
}

// The candidates' codes for which `keep` holds, in the list's order.
template <class Keep> QList<qint32> codesWhere(InstitutionSetListWindow *list, Keep keep)
{
    QList<qint32> codes;
    for (const SetCandidate &c : list->editor().candidates())
        if (keep(c))
            codes.append(c.code);
    return codes;
}

void chooseDistrict(QWidget *w, int code)
{
    auto *box = findControl<QComboBox>(w, u"?QSR:NAME");
    const int index = box->findData(code);
    QVERIFY(index >= 0);
    qobject_cast<InstitutionSetWindow *>(w)->chooseDistrict(index);
    QCOMPARE(box->currentIndex(), index);
}

int kindRow(InstitutionSetWindow *w, const QString &name)
{
    auto *model = w->kinds()->model();
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->value(r, 1).toString() == name)
            return r;
    return -1;
}

QList<qint32> sorted(QList<qint32> codes)
{
    std::sort(codes.begin(), codes.end());
    return codes;
}

// A handler for the set window that closes it however the checks inside end.
test::ModalHandler inSetWindow(std::function<void(QWidget *, InstitutionSetWindow *)> act)
{
    return [act](QWidget *w) {
        struct Closer
        {
            QWidget *w;
            ~Closer() { w->close(); }
        } closer{w};
        auto *set = qobject_cast<InstitutionSetWindow *>(w);
        QVERIFY(set);
        act(w, set);
    };
}

QString shown(QWidget *w, QStringView equate)
{
    return findControl<QLabel>(w, equate)->text();
}

} // namespace

class TestInstitutionSetWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::WorkDir> m_work;
    test::NoDesktop m_desktop;

private Q_SLOTS:
    void initTestCase() { m_work = std::make_unique<test::WorkDir>(true); }

    void setsMadeEditedAndDeleted()
    {
        test::WindowRun run(&m_desktop, m_work->filePath(u"sets.pdf"_s), test::demoYear);
        QPointer<QWidget> opened = InstitutionSetListWindow::run(run.context, run.services(), true);
        QVERIFY(opened);
        auto *list = qobject_cast<InstitutionSetListWindow *>(opened.data());
        QCOMPARE(list->objectName(), u"P9$SCRL"_s);
        const qsizetype before = storedSets().size();
        QCOMPARE(list->binding()->model()->rowCount(), before);
        const qint32 firstNew = before == 0 ? 1 : storedSets().last().id + 1;

        const auto inDistricts = codesWhere(
            list, [](const SetCandidate &c) { return c.district == 5 || c.district == 3; });
        QVERIFY(!inDistricts.isEmpty());

        // A new set: district 5, then district 3 adds; saved twice gives two sets.
        test::answerModals({inSetWindow([&](QWidget *w, InstitutionSetWindow *set) {
            QCOMPARE(w->objectName(), u"P9$SCRADD"_s);
            QCOMPARE(w->windowTitle(), u"Учреждения УЗ Таргинской области"_s);
            QCOMPARE(shown(w, u"?KOLOTM"), u"0"_s);
            QCOMPARE(shown(w, u"?KOLLPU"), QString::number(list->editor().candidateCount()));
            chooseDistrict(w, 5);
            chooseDistrict(w, 3);
            QCOMPARE(candidateCodes(set, true), inDistricts);
            QCOMPARE(shown(w, u"?KOLOTM"), QString::number(inDistricts.size()));
            findControl<QLineEdit>(w, u"?QN:NAME")->setText(u"Озёрский и Каменский"_s);
            test::grabWindow(w, u"institutionset_new"_s);
            test::clickControl(w, u"?PUT");
            test::clickControl(w, u"?PUT");
            QCOMPARE(set->savedId(), firstNew + 1);
            QVERIFY(w->isVisible());
        })});
        test::clickControl(list, u"?ADD");
        QVERIFY(run.prompter.texts().isEmpty());
        QList<InstitutionSet> stored = storedSets();
        QCOMPARE(stored.size(), before + 2);
        QCOMPARE(stored[before].id, firstNew);
        QCOMPARE(stored[before + 1].id, firstNew + 1);
        QCOMPARE(stored[before + 1].members, inDistricts);
        QCOMPARE(stored[before].name, u"Озёрский и Каменский"_s);
        QCOMPARE(list->binding()->model()->rowCount(), before + 2);
        QCOMPARE(list->binding()->currentRow(), before + 1);
        test::grabWindow(list, u"institutionset_list"_s);

        // The set edited: it opens with its members marked; a kind replaces the district
        // marks, villages off, a hand-made mark, saved in place.
        const auto hospitals = codesWhere(list, [](const SetCandidate &c) { return c.kind == 1; });
        const auto cityHospitals =
            codesWhere(list, [](const SetCandidate &c) { return c.kind == 1 && c.place == 1; });
        QVERIFY(!cityHospitals.isEmpty());
        qint32 handMarked = 0;
        test::answerModals({inSetWindow([&](QWidget *w, InstitutionSetWindow *set) {
            QCOMPARE(findControl<QLineEdit>(w, u"?QN:NAME")->text(), u"Озёрский и Каменский"_s);
            QCOMPARE(candidateCodes(set, true), inDistricts);
            const QString kind =
                list->editor().candidates().isEmpty() ? QString() : list->editor().kinds()[1].name;
            const int row = kindRow(set, kind);
            QVERIFY(row > 0);
            set->kinds()->activateRow(row);
            QCOMPARE(findControl<QLabel>(w, u"kindText")->text(), u","_s + kind);
            QCOMPARE(candidateCodes(set, true), hospitals);
            // A district chosen now changes nothing: the marks follow the kinds.
            chooseDistrict(w, 2);
            QCOMPARE(candidateCodes(set, true), hospitals);
            findControl<QCheckBox>(w, u"?LOCSEL")->click();
            QVERIFY(!findControl<QCheckBox>(w, u"?LOCSEL")->isChecked());
            QCOMPARE(candidateCodes(set, true), cityHospitals);
            // A hand-made mark on the last candidate, then sorted by mark.
            const int last = set->candidates()->model()->rowCount() - 1;
            handMarked = set->candidates()->model()->value(last, 1).toInt();
            QVERIFY(!cityHospitals.contains(handMarked));
            set->candidates()->activateRow(last);
            QCOMPARE(shown(w, u"?KOLOTM"), QString::number(cityHospitals.size() + 1));
            test::clickControl(w, u"?SORTO");
            QCOMPARE(candidateCodes(set, true).size(), cityHospitals.size() + 1);
            QCOMPARE(candidateCodes(set, false).mid(0, cityHospitals.size() + 1),
                     candidateCodes(set, true));
            test::grabWindow(w, u"institutionset_edit"_s);
            test::clickControl(w, u"?PUT");
        })});
        list->binding()->selectRow(int(before));
        test::clickControl(list, u"?EDIT");
        stored = storedSets();
        QCOMPARE(stored.size(), before + 2);
        QList<qint32> expected = cityHospitals;
        expected.append(handMarked);
        std::sort(expected.begin(), expected.end());
        QList<qint32> members = stored[before].members;
        std::sort(members.begin(), members.end());
        QCOMPARE(members, expected);
        QCOMPARE(stored[before + 1].members, inDistricts);

        // The filters kept their state; the reset clears marks, kinds and switches.
        test::answerModals({inSetWindow([&](QWidget *w, InstitutionSetWindow *set) {
            QVERIFY(!findControl<QCheckBox>(w, u"?LOCSEL")->isChecked());
            QCOMPARE(findControl<QComboBox>(w, u"?QSR:NAME")->currentData().toInt(), 2);
            QCOMPARE(sorted(candidateCodes(set, true)), sorted(inDistricts));
            test::clickControl(w, u"?SBROS");
            QCOMPARE(shown(w, u"?KOLOTM"), u"0"_s);
            QVERIFY(findControl<QCheckBox>(w, u"?LOCSEL")->isChecked());
            QVERIFY(findControl<QCheckBox>(w, u"?LOCGOR")->isChecked());
            QCOMPARE(findControl<QComboBox>(w, u"?QSR:NAME")->currentText(),
                     u"Таргинская область"_s);
            QCOMPARE(findControl<QLabel>(w, u"kindText")->text(), u"Все виды ЛПУ"_s);
        })});
        list->editSet(int(before + 1));
        QCOMPARE(storedSets()[before + 1].members, inDistricts);

        // A save the file refuses: "not saved", the file and the list as they were.
        const QString path = m_work->filePath(u"NABOR.TPS"_s);
        QVERIFY(QFile::exists(path));
        const auto permissions = QFile::permissions(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        {
            test::PermissionsBind bind;
            test::answerModals({inSetWindow([&](QWidget *w, InstitutionSetWindow *) {
                chooseDistrict(w, 0);
                test::clickControl(w, u"?PUT");
            })});
            test::clickControl(list, u"?ADD");
        }
        QFile::setPermissions(path, permissions);
        QCOMPARE(run.prompter.texts().size(), 1);
        QVERIFY2(run.prompter.texts().first().startsWith(InstitutionSets::notSavedMessage() +
                                                         u"|Access Denied"_s),
                 qPrintable(run.prompter.texts().first()));
        QCOMPARE(storedSets().size(), before + 2);
        QCOMPARE(list->binding()->model()->rowCount(), before + 2);

        // A set deleted elsewhere while its window is open: "not saved", and the list shows the
        // file as it is now.
        const qint32 vanishing = storedSets()[before].id;
        test::answerModals({inSetWindow([&](QWidget *w, InstitutionSetWindow *) {
            data::DataContext other;
            InstitutionSets elsewhere(other);
            QVERIFY(elsewhere.load());
            QVERIFY(elsewhere.removeSet(vanishing));
            test::clickControl(w, u"?PUT");
            QCOMPARE(list->binding()->model()->rowCount(), before + 1);
        })});
        list->editSet(int(before));
        QCOMPARE(run.prompter.texts().size(), 2);
        QVERIFY(run.prompter.texts().last().startsWith(InstitutionSets::notSavedMessage() + u'|'));
        QCOMPARE(storedSets().size(), before + 1);
        QCOMPARE(list->binding()->model()->rowCount(), before + 1);
        QCOMPARE(list->sets().sets().last().id, firstNew + 1);

        // A delete: the set leaves the file and the list, without a question.
        list->binding()->selectRow(int(before));
        test::clickControl(list, u"?DELETE");
        QCOMPARE(storedSets().size(), before);
        QCOMPARE(list->binding()->model()->rowCount(), before);
        QCOMPARE(run.prompter.texts().size(), 2);

        // Enter on the list closes the window.
        QTest::keyClick(list->binding()->view(), Qt::Key_Return);
        QTRY_VERIFY(!opened);
    }

    // The frame's menu item has its procedure.
    void menuItemHasItsProcedure()
    {
        runtime::ini::IniFile ini(m_work->filePath(u"zemor.INI"_s));
        test::ScriptedPrompter prompter;
        shell::AppState state;
        runtime::office::OfficeServer office(&m_desktop);
        const auto table = app::procedureTable({state, prompter, &office});
        QVERIFY(table.contains(u"EditInstitutionSets"_s));
    }
};

QTEST_MAIN(TestInstitutionSetWindows)
#include "test_institutionsetwindows.moc"
