// The "Clock" panel: the time of one chosen zone as caption, digital line, analog face and date.
#pragma once
#include <windows.h>

#include "clock_calendar.h"
#include "clock_settings.h"
#include "panel_types.h"

namespace jqbar {

PanelType* RegisterClockPanelType(HINSTANCE instance);
void FreeClockPanelType();
HWND CreateClock(HWND parent, const RECT* rect, const void* blob, int size);

// "12:05:09 P" and the like; returns the index where the seconds begin (-1 without seconds).
int FormatDigitalTime(const ClockTime& t, bool seconds, bool hour24, char* out, int capacity);

// What a clock window shows now (for tests and the page): digital text, zone time, settings.
bool GetClockState(HWND clock, ClockSettings* settings, ClockTime* time, bool* daylight,
                   int* zoneIndex);
const std::vector<TimeZoneEntry>& ClockTimeZones();

}  // namespace jqbar
