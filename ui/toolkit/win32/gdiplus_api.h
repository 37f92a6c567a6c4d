#pragma once
// The one way into <gdiplus.h>: GDI+ wants min and max in its own namespace
// and the COM basics that WIN32_LEAN_AND_MEAN leaves out.

#include "platform/win32/windows_api.h"

#include <algorithm>
#include <objidl.h>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>
