#include "base/utf.h"
