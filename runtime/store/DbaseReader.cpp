#include "runtime/store/DbaseReader.h"
