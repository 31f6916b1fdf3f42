#include "runtime/ui/WidgetPrompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace zemor::runtime::ui {

namespace {

const char answerProperty[] = "zemorAnswer";

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return QMessageBox::NoIcon;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString WidgetPrompter::boxText(QStringView text)
{
    QString shown = text.toString();
    shown.replace(u'|', u'\n');
    return shown;
}

QStringList WidgetPrompter::buttonTexts(QStringView buttons)
{
    QStringList texts;
    for (QStringView piece : buttons.split(u'|'))
        texts.append(piece.toString());
    // Empty entries keep their place so that later buttons keep their numbers; only a list with
    // no text at all means the single OK button.
    const bool allEmpty = std::all_of(texts.cbegin(), texts.cend(),
                                      [](const QString &t) { return t.trimmed().isEmpty(); });
    return allEmpty ? QStringList() : texts;
}

QMessageBox *WidgetPrompter::createBox(const QString &text, const QString &caption,
                                       const QString &buttons, MessageIcon icon,
                                       int defaultButton) const
{
    QWidget *parent = m_parent ? m_parent.data() : QApplication::activeWindow();
    auto *box = new QMessageBox(parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(boxText(text));
    box->setWindowTitle(caption.isEmpty() ? QApplication::applicationDisplayName() : caption);
    box->setIcon(boxIcon(icon));

    const QStringList texts = buttonTexts(buttons);
    if (texts.isEmpty()) {
        QPushButton *ok = box->addButton(QMessageBox::Ok);
        ok->setProperty(answerProperty, 1);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
        return box;
    }
    QList<QPushButton *> added;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        // One role for all keeps the buttons in list order whatever the platform's button
        // order is.
        QPushButton *b = box->addButton(texts[i], QMessageBox::AcceptRole);
        b->setProperty(answerProperty, int(i + 1));
        added.append(b);
    }
    if (defaultButton >= 1 && defaultButton <= added.size())
        box->setDefaultButton(added[defaultButton - 1]);
    if (added.size() == 1)
        box->setEscapeButton(added.first());
    return box;
}

int WidgetPrompter::answerOf(const QMessageBox *box)
{
    const QAbstractButton *clicked = box ? box->clickedButton() : nullptr;
    return clicked ? clicked->property(answerProperty).toInt() : 0;
}

int WidgetPrompter::message(const QString &text, const QString &caption, const QString &buttons,
                            MessageIcon icon, int defaultButton)
{
    // The parent window may go while the box is open (the program closing its windows).
    QPointer<QMessageBox> box = createBox(text, caption, buttons, icon, defaultButton);
    box->exec();
    const int answer = answerOf(box);
    delete box;
    return answer;
}

void WidgetPrompter::beep()
{
    QApplication::beep();
}

namespace {

Prompter &behind(Prompter &prompter)
{
    if (auto *own = dynamic_cast<WindowPrompter *>(&prompter))
        return own->prompter();
    return prompter;
}

} // namespace

WindowPrompter::WindowPrompter(Prompter &prompter, QWidget *window)
    : m_prompter(behind(prompter)), m_window(window)
{
}

int WindowPrompter::message(const QString &text, const QString &caption, const QString &buttons,
                            MessageIcon icon, int defaultButton)
{
    if (m_window && dynamic_cast<WidgetPrompter *>(&m_prompter))
        return WidgetPrompter(m_window).message(text, caption, buttons, icon, defaultButton);
    return m_prompter.message(text, caption, buttons, icon, defaultButton);
}

void WindowPrompter::beep()
{
    m_prompter.beep();
}

} // namespace zemor::runtime::ui
