// The ports of the test script's FTP servers on 127.0.0.1, read from the "ports.txt" of the
// FTP fixtures folder (lines "name=port": pyftpd, vsftpd, ...).
#pragma once
#include <map>
#include <string>

namespace jqtest {

// Every "name=port" line of <fixtures>\ports.txt; empty when the file is missing.
std::map<std::string, int> ReadFtpPorts(const std::string& fixtures);
// The port of one server, 0 when it is not listed.
int FtpPort(const std::string& fixtures, const std::string& server);

}  // namespace jqtest
