#include "resource_jqbar.h"
#include "resource_shell.h"
#include "resource_config.h"
#include "resource_buttonbar.h"
