#include "runtime/ui/WidgetPrompter.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using zemor::runtime::MessageIcon;
using zemor::runtime::ui::WidgetPrompter;
using namespace Qt::StringLiterals;

namespace {

QStringList shownButtonTexts(const QMessageBox *box)
{
    QStringList texts;
    for (const QAbstractButton *b : box->buttons())
        texts.append(b->text());
    return texts;
}

} // namespace

class WidgetPrompterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void answers_data();
    void answers();
};

void WidgetPrompterTest::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QStringList>("buttonTexts");

    QTest::newRow("line breaks, yes/no")
        << u"Отмечены ЛПУ|невходящие в регион.|"_s << u"Отмечены ЛПУ\nневходящие в регион.\n"_s
        << u"&Да|&Нет"_s << QStringList{u"&Да"_s, u"&Нет"_s};
    QTest::newRow("no list: one OK") << u"Готово"_s << u"Готово"_s << QString() << QStringList{};
    QTest::newRow("blank list: one OK")
        << u"Записано"_s << u"Записано"_s << u" | "_s << QStringList{};
    QTest::newRow("an empty entry keeps the numbers after it")
        << u"?"_s << u"?"_s << u"&Да||&Отмена"_s << QStringList{u"&Да"_s, QString(), u"&Отмена"_s};
    QTest::newRow("markup stays text")
        << u"<b>ЛПУ</b> & 1|2"_s << u"<b>ЛПУ</b> & 1\n2"_s << u"&ДА"_s << QStringList{u"&ДА"_s};
}

void WidgetPrompterTest::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, buttons);
    QFETCH(QStringList, buttonTexts);

    QCOMPARE(WidgetPrompter::boxText(text), shown);
    QCOMPARE(WidgetPrompter::buttonTexts(buttons), buttonTexts);

    WidgetPrompter prompter;
    std::unique_ptr<QMessageBox> box(
        prompter.createBox(text, u"Список"_s, buttons, MessageIcon::Question, 1));
    QCOMPARE(box->text(), shown);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowTitle(), u"Список"_s);
    if (buttonTexts.isEmpty())
        QCOMPARE(box->buttons().size(), 1);
    else
        QCOMPARE(shownButtonTexts(box.get()), buttonTexts);
}

void WidgetPrompterTest::answers_data()
{
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("press"); // the button clicked, from 1; 0: Escape; -1: Enter
    QTest::addColumn<int>("answer");

    QTest::newRow("second of two") << u"&Да|&Нет"_s << 1 << 2 << 2;
    QTest::newRow("first of two") << u"&Да|&Нет"_s << 1 << 1 << 1;
    QTest::newRow("third of three") << u"&ДА|&НЕТ|&Отмена"_s << 1 << 3 << 3;
    QTest::newRow("Enter takes the default") << u"&Да|&Нет"_s << 2 << -1 << 2;
    QTest::newRow("OK") << QString() << 1 << 1 << 1;
    QTest::newRow("Escape on a plain message") << QString() << 1 << 0 << 1;
}

void WidgetPrompterTest::answers()
{
    QFETCH(QString, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, press);
    QFETCH(int, answer);

    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WidgetPrompter prompter(&window);

    bool answered = false;
    // The box runs its own event loop; answer it from there as a user would.
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || answered)
            return;
        answered = true;
        QCOMPARE(box->parentWidget(), &window);
        if (press > 0) {
            QTest::mouseClick(box->buttons().at(press - 1), Qt::LeftButton);
        } else if (press == 0) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    timer.start();
    // Should nothing answer it, end the box so that the test fails instead of hanging.
    QTimer::singleShot(10000, this, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->done(0);
    });

    const int result = prompter.message(u"СОХРАНИТЬ  ОТЧЕТ ?"_s, {}, buttons, MessageIcon::Question,
                                        defaultButton);
    timer.stop();
    QVERIFY(answered);
    QCOMPARE(result, answer);
}

QTEST_MAIN(WidgetPrompterTest)
#include "test_widgetprompter.moc"
