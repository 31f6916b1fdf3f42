#pragma once

// Writes "karta.bmp", the picture behind the main frame: the demo region drawn as a patchwork of
// its districts with their names. Names are drawn only under a QGuiApplication (fonts need one).

#include "runtime/core/Error.h"

#include <QString>

namespace zemor::tools {

class DemoMap
{
public:
    [[nodiscard]] static runtime::Status write(const QString &root);
};

} // namespace zemor::tools
