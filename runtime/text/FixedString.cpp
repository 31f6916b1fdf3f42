#include "runtime/text/FixedString.h"
