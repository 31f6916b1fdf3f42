#include "runtime/store/TextLineFile.h"
