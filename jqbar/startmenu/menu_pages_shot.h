// Pictures for the record: with JQ_SMPAGES_SHOT naming a Unix folder, a window is written there
// as <name>_<locale>.png; without it nothing is done.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "startmenu_test_host.h"

namespace smtest {

inline void PictureOf(HWND window, const char* name) {
  const char* folder = std::getenv("JQ_SMPAGES_SHOT");
  if (!folder || !window) return;
  jqtest::PumpUntil([] { return false; }, 800);
  RECT r;
  GetWindowRect(window, &r);
  char crop[80];
  std::snprintf(crop, sizeof crop, " -crop %ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::string locale = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "C";
  locale = locale.substr(0, locale.find('.'));
  RunOnHost(std::string("import -window root") + crop + " " + folder + "/" + name + "_" + locale + ".png");
}

}  // namespace smtest
