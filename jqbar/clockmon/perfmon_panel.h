// The "System Monitor" panel: one statistic sampled at an interval, shown as a bar or as a graph
// of the last 20 samples, with an alarm when a free percentage falls below a threshold.
#pragma once
#include <windows.h>

#include <vector>

#include "panel_types.h"
#include "perfmon_settings.h"

namespace jqbar {

PanelType* RegisterPerfMonPanelType(HINSTANCE instance);
void FreePerfMonPanelType();
HWND CreatePerfMon(HWND parent, const RECT* rect, const void* blob, int size);

// RESMON32.DLL's "_GetFreeResources32@4"; null when the library or the entry is missing (looked
// for again at the next call).
using GetFreeResourcesFn = int(WINAPI*)(int kind);
GetFreeResourcesFn LoadFreeResourcesFunction();

// What a monitor window holds (tests and the sheet).
bool GetPerfMonState(HWND monitor, PerfMonSettings* settings, std::vector<int>* history, bool* armed);

// The samplers of Windows NT, on the system's own figures. CPU and threads read the performance
// data; where it has no such object they read GetSystemTimes and the process list instead.
int QueryNtCpuUsage();
int QueryNtThreadCount();
int QueryFreeMemoryPercent();
// Free space of a drive: percent 0..99, KB free; false when the drive cannot be queried.
bool QueryDriveFree(char letter, int* percent, long long* freeKb);

}  // namespace jqbar
