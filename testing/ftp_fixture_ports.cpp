#include "ftp_fixture_ports.h"

#include <cstdio>

namespace jqtest {

std::map<std::string, int> ReadFtpPorts(const std::string& fixtures) {
  std::map<std::string, int> out;
  FILE* f = std::fopen((fixtures + "\\ports.txt").c_str(), "r");
  if (!f) return out;
  char line[128];
  while (std::fgets(line, sizeof line, f)) {
    char name[64];
    int port = 0;
    if (std::sscanf(line, "%63[^=]=%d", name, &port) == 2) out[name] = port;
  }
  std::fclose(f);
  return out;
}

int FtpPort(const std::string& fixtures, const std::string& server) {
  std::map<std::string, int> ports = ReadFtpPorts(fixtures);
  auto found = ports.find(server);
  return found == ports.end() ? 0 : found->second;
}

}  // namespace jqtest
