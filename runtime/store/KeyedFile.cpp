#include "runtime/store/KeyedFile.h"
