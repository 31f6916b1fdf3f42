#include "runtime/store/FlatFile.h"
