#pragma once
// Everything a section needs from the widget set, in one include.

#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/canvas.h"
#include "toolkit/containers.h"
#include "toolkit/data_grid.h"
#include "toolkit/dialogs.h"
#include "toolkit/label.h"
#include "toolkit/layout.h"
#include "toolkit/list_controls.h"
#include "toolkit/menu.h"
#include "toolkit/path.h"
#include "toolkit/text_box.h"
#include "toolkit/timer.h"
