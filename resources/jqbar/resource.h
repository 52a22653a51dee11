#include "resource_jqbar.h"
#include "resource_startmenu.h"
