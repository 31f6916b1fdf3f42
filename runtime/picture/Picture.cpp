#include "runtime/picture/Picture.h"
