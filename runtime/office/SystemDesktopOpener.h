#pragma once

// Opens documents with the desktop's program for their kind ("xdg-open"). Nothing is started,
// and open() succeeds, where no desktop can show anything or none is wanted: when the Qt
// platform is "offscreen" or "minimal", when there is neither an X nor a Wayland display, under
// the test runner, or when ZEMOR_NO_DESKTOP is set.
//
// open() learns whether the document was shown: it waits for the opener to end, for `wait`
// milliseconds at most, with the windows repainted but taking no input. An opener that ends in
// failure (no program for the document's kind, or one that could not open it) makes open() fail
// with ErrorCode::NotOpened; one that ends well or is still running then (it may run the
// program itself until the user closes it) counts as shown. Openers still running are kept
// until they end, and stopped with this object (the programs they started stay).

#include "runtime/office/DesktopOpener.h"

#include <QString>

#include <memory>
#include <vector>

class QProcess;

namespace zemor::runtime::office {

class SystemDesktopOpener final : public DesktopOpener
{
public:
    // How long open() waits for the opener to end (milliseconds): xdg-open looks the program up
    // through several scripts, which takes seconds on a busy machine.
    static constexpr int startWait = 10000;

    // `program` takes the place of xdg-open (tests hand in a script); with one given, documents
    // are opened whether or not a desktop is wanted.
    explicit SystemDesktopOpener(QString program = {}, int wait = startWait);
    ~SystemDesktopOpener() override;
    SystemDesktopOpener(const SystemDesktopOpener &) = delete;
    SystemDesktopOpener &operator=(const SystemDesktopOpener &) = delete;

    [[nodiscard]] Status open(const QString &path) override;

    // Whether documents are shown at all in this process.
    static bool desktopWanted();
    // What the desktop's program is given for `path` (absolute): the path itself, or, when its
    // bytes are not UTF-8 (a folder named in Windows-1251), a "file://" address that spells
    // those bytes, since a program's arguments pass as UTF-8 text.
    static QString argumentFor(const QString &path);

private:
    QString m_program;
    int m_wait = startWait;
    std::vector<std::unique_ptr<QProcess>> m_running;
};

} // namespace zemor::runtime::office
