#pragma once
// Resource ids of Voltaly's engine: the units of sizes.

// Strings.
#define IDS_VOLT_UNIT_BYTES 61
#define IDS_VOLT_UNIT_KB 62
#define IDS_VOLT_UNIT_MB 63
#define IDS_VOLT_UNIT_GB 64

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
