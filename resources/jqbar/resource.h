#include "resource_jqbar.h"
#include "resource_clockmon.h"
