#include "runtime/store/RecordLayout.h"
