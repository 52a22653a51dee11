// Stand-in for the shut-down helpers in tests: appends one line to the file named by
// JQ_SHUTDOWN_LOG: its own program name, its arguments, and the size of the file named by
// JQ_SHUTDOWN_LAYOUT at the moment it started (-1 when missing). It ends nothing. The program
// name is written in capitals.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  char log[MAX_PATH] = {}, layout[MAX_PATH] = {}, self[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("JQ_SHUTDOWN_LOG", log, MAX_PATH)) return 1;
  GetEnvironmentVariableA("JQ_SHUTDOWN_LAYOUT", layout, MAX_PATH);
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string name = self;
  name = name.substr(name.find_last_of('\\') + 1);
  CharUpperA(&name[0]);
  long long size = -1;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (layout[0] && GetFileAttributesExA(layout, GetFileExInfoStandard, &data))
    size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  FILE* f = std::fopen(log, "a");
  if (!f) return 1;
  std::fprintf(f, "%s|%s|%lld\n", name.c_str(), arguments ? arguments : "", size);
  std::fclose(f);
  return 0;
}
