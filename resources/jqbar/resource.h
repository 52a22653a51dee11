#include "resource_jqbar.h"
#include "resource_shell.h"
#include "resource_sysaccess.h"
