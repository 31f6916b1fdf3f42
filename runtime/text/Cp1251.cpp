#include "runtime/text/Cp1251.h"
