#include "runtime/decimal/Decimal.h"
