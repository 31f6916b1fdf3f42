#include "runtime/ini/IniFile.h"
