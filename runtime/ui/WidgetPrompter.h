#pragma once

// The message boxes of the program: runtime::Prompter shown with QMessageBox. The program makes
// one and hands it to the logic; tests hand in a scripted prompter instead.
//
// The text breaks its lines at "|" and is shown as plain text (a "<" from a file name or a
// district name is never read as markup). The button list "&Да|&Нет" gives one button per entry
// in list order, mnemonics kept, and the answer is the chosen button's number from 1; an empty
// list gives one OK button (answer 1). A box with several buttons is answered only by one of
// them (Escape and the close box do nothing); on a one-button box Escape is that button. A box
// that ends without any button (closed by the program) answers 0.
//
// The boxes are modal to the parent window given (or to the application's active window when
// there is none). The prompter owns nothing and never fails.

#include "runtime/core/Prompter.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QMessageBox;

namespace zemor::runtime::ui {

class WidgetPrompter : public Prompter
{
public:
    explicit WidgetPrompter(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParentWindow(QWidget *parent) { m_parent = parent; }

    int message(const QString &text, const QString &caption = {}, const QString &buttons = {},
                MessageIcon icon = MessageIcon::None, int defaultButton = 1) override;
    void beep() override;

    // The shown text: every "|" becomes a line break.
    static QString boxText(QStringView text);
    // The button texts in list order; empty for the single OK button.
    static QStringList buttonTexts(QStringView buttons);

    // The box message() would show, not yet shown; message() runs exactly this one. The answer
    // to a finished box is answerOf(box).
    QMessageBox *createBox(const QString &text, const QString &caption, const QString &buttons,
                           MessageIcon icon, int defaultButton) const;
    static int answerOf(const QMessageBox *box);

private:
    QPointer<QWidget> m_parent;
};

// The message boxes one window asks: those of a WidgetPrompter are shown over `window` (modal to
// it, in front of it) instead of over the prompter's own parent; any other prompter (a test's
// scripted one) is asked as it is. A window that hands its boxes on to what it calls hands this
// one; a WindowPrompter made over another asks the prompter behind both. Once the window is gone
// the boxes fall back to the prompter's own parent.
class WindowPrompter : public Prompter
{
public:
    WindowPrompter(Prompter &prompter, QWidget *window);

    int message(const QString &text, const QString &caption = {}, const QString &buttons = {},
                MessageIcon icon = MessageIcon::None, int defaultButton = 1) override;
    void beep() override;

    // The prompter that is asked.
    Prompter &prompter() const { return m_prompter; }

private:
    Prompter &m_prompter;
    QPointer<QWidget> m_window;
};

} // namespace zemor::runtime::ui
