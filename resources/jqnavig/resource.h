#pragma once
// Resource ids of JQNavig, one header per area.

#include "command_ids.h"
#include "resource_frame.h"
#include "resource_panes.h"
#include "resource_watch.h"
#include "resource_shellui.h"
#include "resource_dialogs.h"
#include "resource_actions.h"
#include "resource_viewer.h"
#include "resource_archives.h"
#include "resource_filetools.h"
#include "resource_preferences.h"
#include "resource_bars.h"
