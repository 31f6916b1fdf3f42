#include "app/IniPath.h"

#include "runtime/fs/Paths.h"
#include "runtime/ui/WindowPlacement.h"

namespace zemor::app {

QString iniFilePath()
{
    const QString name = runtime::ui::WindowPlacement::iniFileName();
    return runtime::fs::resolve(name).value_or(runtime::fs::join(runtime::fs::workDir(), name));
}

} // namespace zemor::app
