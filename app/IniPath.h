#pragma once

// Where the program's INI file is: "zemor.INI" in the working directory, found whatever the
// letter case of the name on disk ("ZEMOR.ini" is the same file); a new one takes the spelling
// "zemor.INI".

#include <QString>

namespace zemor::app {

QString iniFilePath();

} // namespace zemor::app
