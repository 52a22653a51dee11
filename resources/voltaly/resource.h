#pragma once
// Resource ids of Voltaly, one header per area.

#include "resource_ui.h"
#include "resource_engine.h"
#include "resource_disk_dialogs.h"
#include "resource_shell.h"
