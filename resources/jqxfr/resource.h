// JQXfr's resource ids: the FTP engine's dialogs and strings.
#pragma once
#include "../ftpengine/resource_ftp.h"
#define IDI_JQXFR 1
