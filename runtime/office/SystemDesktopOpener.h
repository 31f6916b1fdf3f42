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
};

} // namespace zemor::runtime::office
