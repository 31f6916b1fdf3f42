#pragma once

// Opens documents with the desktop's program for their kind ("xdg-open"), without waiting for
// it. Nothing is started, and open() succeeds, where no desktop can show anything or none is
// wanted: when the Qt platform is "offscreen" or "minimal", when there is neither an X nor a
// Wayland display, under the test runner, or when ZEMOR_NO_DESKTOP is set.

#include "runtime/office/DesktopOpener.h"

namespace zemor::runtime::office {

class SystemDesktopOpener final : public DesktopOpener
{
public:
    [[nodiscard]] Status open(const QString &path) override;

    // Whether documents are shown at all in this process.
    static bool desktopWanted();
    // What the desktop's program is given for `path` (absolute): the path itself, or, when its
    // bytes are not UTF-8 (a folder named in Windows-1251), a "file://" address that spells
    // those bytes, since a program's arguments pass as UTF-8 text.
    static QString argumentFor(const QString &path);
};

} // namespace zemor::runtime::office
