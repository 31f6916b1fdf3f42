#include "runtime/fs/Paths.h"
