#include "resource_jqbar.h"
