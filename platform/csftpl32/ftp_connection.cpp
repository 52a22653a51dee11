// The FTP protocol over Winsock: control replies, commands, passive and active data connections,
// listings and file transfers.
#include "ftp_connection.h"

#include <cstdio>
#include <cstring>

#include "ftp_listing.h"

namespace csftp {

namespace {

// Bytes gathered before a send, and asked for per recv, on a data connection.
constexpr size_t kDataBlock = 256 * 1024;

constexpr size_t kMaxReplyBytes = 256 * 1024;       // one reply, all of its lines
constexpr size_t kMaxKeptLine = 4096;               // of a reply line, for the log
constexpr size_t kMaxLogBytes = 64 * 1024;          // reply text waiting to be taken
constexpr size_t kMaxListingBytes = 64 * 1024 * 1024;

class Deadline {
 public:
  explicit Deadline(DWORD ms) : end_(GetTickCount64() + ms) {}
  // Milliseconds left, 0 when passed.
  DWORD Left() const {
    ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }

 private:
  ULONGLONG end_;
};

// Waits until the socket can be read (or written); false on time-out or error.
bool WaitSocket(SOCKET s, bool forWrite, const Deadline& deadline, int* error) {
  for (;;) {
    DWORD left = deadline.Left();
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set except;
    FD_ZERO(&except);
    FD_SET(s, &except);
    timeval tv{static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
    int r = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &except, &tv);
    if (r > 0) {
      if (FD_ISSET(s, &except) && !FD_ISSET(s, &set)) {
        *error = kErrConnectFailed;
        return false;
      }
      return true;
    }
    if (r == 0) {
      *error = kErrTimeout;
      return false;
    }
    if (WSAGetLastError() != WSAEINTR) {
      *error = kErrNetwork;
      return false;
    }
  }
}

void SetBlocking(SOCKET s, bool blocking) {
  u_long nb = blocking ? 0 : 1;
  ioctlsocket(s, FIONBIO, &nb);
}

// Commands and the last bytes of a file leave at once, without waiting for the peer's
// acknowledgement of the previous segment.
void NoDelay(SOCKET s) {
  BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

// A TCP connection to addr within the deadline.
int ConnectTo(const sockaddr_in& addr, const Deadline& deadline, SOCKET* out) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kErrNetwork;
  SetBlocking(s, false);
  if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    closesocket(s);
    return kErrConnectFailed;
  }
  int error = 0;
  if (!WaitSocket(s, true, deadline, &error)) {
    closesocket(s);
    return error;
  }
  int soError = 0;
  int len = sizeof soError;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0 || soError != 0) {
    closesocket(s);
    return kErrConnectFailed;
  }
  SetBlocking(s, true);
  NoDelay(s);
  *out = s;
  return kOk;
}

int SendAll(SOCKET s, const char* data, size_t size, const Deadline& deadline) {
  while (size > 0) {
    int error = 0;
    if (!WaitSocket(s, true, deadline, &error)) return error;
    int chunk = size > 65536 ? 65536 : static_cast<int>(size);
    int n = send(s, data, chunk, 0);
    if (n <= 0) return kErrNetwork;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return kOk;
}

// One recv within the deadline: the count, 0 at the peer's end, or -1 with the error set.
int RecvSome(SOCKET s, char* buffer, int size, const Deadline& deadline, int* error) {
  if (!WaitSocket(s, false, deadline, error)) return -1;
  int n = recv(s, buffer, size, 0);
  if (n < 0) {
    *error = kErrNetwork;
    return -1;
  }
  return n;
}

// A data connection waits in the blocking call itself, bounded by the socket's own time-outs,
// so that each block costs one system call rather than a select and a recv (under Wine each
// is a round trip to the server process).
void PrepareDataSocket(SOCKET s, DWORD timeoutMs) {
  DWORD t = timeoutMs;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&t), sizeof t);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&t), sizeof t);
  int bytes = 1024 * 1024;
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
  setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

int DataErrorOf(int wsaError) {
  return wsaError == WSAETIMEDOUT || wsaError == WSAEWOULDBLOCK ? kErrTimeout : kErrNetwork;
}

// One recv on a data connection: the count, 0 at the peer's end, or -1 with the error set.
int RecvData(SOCKET s, char* buffer, int size, int* error) {
  int n = recv(s, buffer, size, 0);
  if (n < 0) {
    *error = DataErrorOf(WSAGetLastError());
    return -1;
  }
  return n;
}

int SendData(SOCKET s, const char* data, size_t size) {
  while (size > 0) {
    int chunk = size > (1u << 30) ? (1 << 30) : static_cast<int>(size);
    int n = send(s, data, chunk, 0);
    if (n <= 0) return n < 0 ? DataErrorOf(WSAGetLastError()) : kErrNetwork;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return kOk;
}

// Between two code pages through UTF-16; false when the text is not valid in `from`.
bool Recode(const std::string& text, UINT from, UINT to, std::string* out) {
  if (text.empty()) {
    out->clear();
    return true;
  }
  int wide = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wide <= 0) return false;
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), w.data(), wide);
  int bytes = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  out->assign(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(to, 0, w.data(), wide, out->data(), bytes, nullptr, nullptr);
  return true;
}

bool HasLineBreak(const char* text) { return text && (std::strchr(text, '\r') || std::strchr(text, '\n')); }

void CloseSocket(std::atomic<SOCKET>& s) {
  SOCKET old = s.exchange(INVALID_SOCKET);
  if (old != INVALID_SOCKET) closesocket(old);
}

// Reads "h1,h2,h3,h4,p1,p2" from a 227 reply; false unless all six are numbers 0-255.
bool ParsePasv(const std::string& reply, sockaddr_in* addr) {
  size_t i = reply.size() > 3 ? 3 : reply.size();
  while (i < reply.size() && !(reply[i] >= '0' && reply[i] <= '9')) ++i;
  int v[6];
  for (int k = 0; k < 6; ++k) {
    if (i >= reply.size() || reply[i] < '0' || reply[i] > '9') return false;
    int n = 0, digits = 0;
    while (i < reply.size() && reply[i] >= '0' && reply[i] <= '9' && digits < 4) {
      n = n * 10 + (reply[i] - '0');
      ++i;
      ++digits;
    }
    if (n > 255 || (i < reply.size() && reply[i] >= '0' && reply[i] <= '9')) return false;
    v[k] = n;
    if (k < 5) {
      if (i >= reply.size() || reply[i] != ',') return false;
      ++i;
    }
  }
  int port = v[4] * 256 + v[5];
  if (port == 0) return false;
  *addr = sockaddr_in{};
  addr->sin_family = AF_INET;
  addr->sin_port = htons(static_cast<u_short>(port));
  addr->sin_addr.s_addr = htonl((static_cast<u_long>(v[0]) << 24) | (v[1] << 16) | (v[2] << 8) | v[3]);
  return true;
}

}  // namespace

FtpConnection::~FtpConnection() {
  CloseSocket(data_);
  CloseSocket(ctrl_);
}

int FtpConnection::Fail(int error) {
  if (error == kErrTimeout || error == kErrConnectionClosed || error == kErrBadReply || error == kErrNetwork) {
    // The control stream is out of step with the server now; later calls fail at once.
    CloseSocket(data_);
    CloseSocket(ctrl_);
    fileOpen_ = false;
  }
  return error;
}

std::string FtpConnection::ToServer(const char* name) const {
  std::string text = name ? name : "";
  std::string out;
  if (utf8_ && Recode(text, CP_ACP, CP_UTF8, &out)) return out;
  return text;
}

std::string FtpConnection::FromServer(const std::string& name) const {
  // A name that is not valid UTF-8 (a server that says UTF8 yet keeps old names) stays as sent.
  std::string out;
  if (utf8_ && Recode(name, CP_UTF8, CP_ACP, &out)) return out;
  return name;
}

// After the login: a server that lists UTF8 among its features (RFC 2640) names files in
// UTF-8; OPTS UTF8 ON is sent for the servers that want to be asked, and its answer does not
// matter. The replies go to the log like any other.
void FtpConnection::AskForUtf8() {
  int code = 0;
  size_t from = log_.size();
  if (Command("FEAT", &code) != kOk || code != 211) return;
  std::string reply = log_.substr(from);
  for (size_t at = 0; at < reply.size();) {
    size_t end = reply.find('\n', at);
    if (end == std::string::npos) end = reply.size();
    std::string line = reply.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos && first > 0 && _stricmp(line.c_str() + first, "UTF8") == 0) {
      if (Command("OPTS UTF8 ON", &code) != kOk) return;
      utf8_ = true;
      return;
    }
  }
}

void FtpConnection::Abort() {
  SOCKET d = data_.load();
  if (d != INVALID_SOCKET) shutdown(d, SD_BOTH);
  SOCKET c = ctrl_.load();
  if (c != INVALID_SOCKET) shutdown(c, SD_BOTH);
}

int FtpConnection::Connect(const char* host, int port, int timeoutSeconds) {
  if (!host || !*host || port < 0 || port > 65535) return kErrBadArgument;
  if (timeoutSeconds <= 0) timeoutSeconds = 30;
  if (timeoutSeconds > 3600) timeoutSeconds = 3600;
  timeoutMs_ = static_cast<DWORD>(timeoutSeconds) * 1000;
  Deadline deadline(timeoutMs_);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  char service[16];
  std::snprintf(service, sizeof service, "%d", port ? port : 21);
  if (getaddrinfo(host, service, &hints, &found) != 0 || !found) return kErrHostNotFound;
  int error = kErrConnectFailed;
  SOCKET s = INVALID_SOCKET;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
    std::memcpy(&peer_, a->ai_addr, sizeof peer_);
    error = ConnectTo(peer_, deadline, &s);
    if (error == kOk || deadline.Left() == 0) break;
  }
  freeaddrinfo(found);
  if (error != kOk) return error;
  ctrl_ = s;
  int len = sizeof local_;
  getsockname(s, reinterpret_cast<sockaddr*>(&local_), &len);
  // The greeting: 120 (wait) may come before 220.
  for (;;) {
    int code = 0;
    error = ReadReply(&code);
    if (error != kOk) return error;
    if (code == 120) continue;
    return code == 220 ? kOk : Fail(kErrRefused);
  }
}

int FtpConnection::SendLine(const std::string& line) {
  SOCKET s = ctrl();
  if (s == INVALID_SOCKET) return kErrConnectionClosed;
  std::string text = line + "\r\n";
  int error = SendAll(s, text.data(), text.size(), Deadline(timeoutMs_));
  return error == kOk ? kOk : Fail(error == kErrConnectFailed ? kErrNetwork : error);
}

int FtpConnection::ReadReply(int* code) {
  SOCKET s = ctrl();
  if (s == INVALID_SOCKET) return kErrConnectionClosed;
  Deadline deadline(timeoutMs_);
  size_t consumed = 0;
  bool first = true, multi = false;
  char prefix[4] = {};
  for (;;) {
    size_t eol = rx_.find('\n');
    if (eol == std::string::npos) {
      if (consumed + rx_.size() > kMaxReplyBytes) return Fail(kErrBadReply);
      char buffer[4096];
      int error = 0;
      int n = RecvSome(s, buffer, sizeof buffer, deadline, &error);
      if (n < 0) return Fail(error == kErrConnectFailed ? kErrNetwork : error);
      if (n == 0) return Fail(kErrConnectionClosed);
      rx_.append(buffer, static_cast<size_t>(n));
      continue;
    }
    std::string line = rx_.substr(0, eol);
    rx_.erase(0, eol + 1);
    consumed += eol + 1;
    if (consumed > kMaxReplyBytes) return Fail(kErrBadReply);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxKeptLine) line.resize(kMaxKeptLine);
    if (log_.size() + line.size() + 2 <= kMaxLogBytes) log_ += (utf8_ ? FromServer(line) : line) + "\r\n";
    if (first) {
      if (line.size() < 3 || line[0] < '1' || line[0] > '5' || line[1] < '0' || line[1] > '9' ||
          line[2] < '0' || line[2] > '9' || (line.size() > 3 && line[3] != ' ' && line[3] != '-'))
        return Fail(kErrBadReply);
      std::memcpy(prefix, line.data(), 3);
      *code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
      multi = line.size() > 3 && line[3] == '-';
      first = false;
    } else if (line.size() >= 3 && std::memcmp(line.data(), prefix, 3) == 0 && (line.size() == 3 || line[3] == ' ')) {
      multi = false;
    }
    lastLine_ = line;
    if (!multi) return kOk;
  }
}

int FtpConnection::Command(const std::string& line, int* code) {
  int error = SendLine(line);
  if (error != kOk) return error;
  return ReadReply(code);
}

int FtpConnection::Login(const char* user, const char* password, const char* account) {
  if (HasLineBreak(user) || HasLineBreak(password) || HasLineBreak(account)) return kErrBadArgument;
  std::string u = user && *user ? user : "anonymous";
  int code = 0;
  int error = Command("USER " + u, &code);
  if (error != kOk) return error;
  if (code == 331) {
    error = Command(std::string("PASS ") + (password ? password : ""), &code);
    if (error != kOk) return error;
  }
  if (code == 332) {
    if (!account || !*account) return kErrLoginFailed;
    error = Command(std::string("ACCT ") + account, &code);
    if (error != kOk) return error;
  }
  if (code != 230 && code != 202) return kErrLoginFailed;
  AskForUtf8();
  // A connection broken while asking is a failed login all the same.
  return ctrl() == INVALID_SOCKET ? kErrConnectionClosed : kOk;
}

int FtpConnection::Simple(const char* verb, const char* argument) {
  if (!argument || !*argument || HasLineBreak(argument)) return kErrBadArgument;
  int code = 0;
  int error = Command(std::string(verb) + " " + ToServer(argument), &code);
  if (error != kOk) return error;
  return code / 100 == 2 ? kOk : kErrRefused;
}

int FtpConnection::ChangeDir(const char* path) { return Simple("CWD", path); }

int FtpConnection::CurrentDir(std::string* path) {
  int code = 0;
  int error = Command("PWD", &code);
  if (error != kOk) return error;
  if (code != 257) return kErrRefused;
  // 257 "dir ""quoted"" name" is created/current
  size_t q = lastLine_.find('"');
  if (q == std::string::npos) return kErrBadReply;
  std::string out;
  for (size_t i = q + 1; i < lastLine_.size(); ++i) {
    if (lastLine_[i] == '"') {
      if (i + 1 < lastLine_.size() && lastLine_[i + 1] == '"') {
        out += '"';
        ++i;
        continue;
      }
      *path = FromServer(out);
      return kOk;
    }
    out += lastLine_[i];
  }
  return kErrBadReply;
}

int FtpConnection::Rename(const char* from, const char* to) {
  if (!from || !*from || !to || !*to || HasLineBreak(from) || HasLineBreak(to)) return kErrBadArgument;
  int code = 0;
  int error = Command("RNFR " + ToServer(from), &code);
  if (error != kOk) return error;
  if (code != 350) return kErrRefused;
  error = Command("RNTO " + ToServer(to), &code);
  if (error != kOk) return error;
  return code / 100 == 2 ? kOk : kErrRefused;
}

int FtpConnection::SetType(int type) {
  int code = 0;
  int error = Command(type == kTypeText ? "TYPE A" : "TYPE I", &code);
  if (error != kOk) return error;
  return code / 100 == 2 ? kOk : kErrRefused;
}

void FtpConnection::Quit() {
  CloseData();
  if (ctrl() != INVALID_SOCKET) {
    DWORD saved = timeoutMs_;
    if (timeoutMs_ > 2000) timeoutMs_ = 2000;
    int code = 0;
    Command("QUIT", &code);
    timeoutMs_ = saved;
  }
  CloseSocket(ctrl_);
}

void FtpConnection::CloseData() { CloseSocket(data_); }

// Makes the data connection for a command (LIST, RETR, STOR) and sends the command; on success
// the server has answered with a preliminary 1xx reply and data_ is connected.
int FtpConnection::OpenData(const std::string& command) {
  if (ctrl() == INVALID_SOCKET) return kErrConnectionClosed;
  CloseData();
  int code = 0;
  int error;
  if (passive_) {
    error = Command("PASV", &code);
    if (error != kOk) return error;
    if (code != 227) return kErrDataConnection;
    sockaddr_in addr{};
    if (!ParsePasv(lastLine_, &addr)) return kErrDataConnection;
    // Only the control connection's peer is trusted to take the data connection; an address
    // elsewhere (a server behind NAT, or one that would aim us at a third host) is replaced.
    addr.sin_addr = peer_.sin_addr;
    SOCKET s = INVALID_SOCKET;
    error = ConnectTo(addr, Deadline(timeoutMs_), &s);
    if (error != kOk) return kErrDataConnection;
    PrepareDataSocket(s, timeoutMs_);
    data_ = s;
    error = Command(command, &code);
    if (error != kOk) return error;
    if (code / 100 != 1) {
      CloseData();
      return kErrRefused;
    }
    return kOk;
  }
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return kErrDataConnection;
  sockaddr_in addr = local_;
  addr.sin_port = 0;
  int len = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    closesocket(listener);
    return kErrDataConnection;
  }
  u_long ip = ntohl(addr.sin_addr.s_addr);
  unsigned port = ntohs(addr.sin_port);
  char line[64];
  std::snprintf(line, sizeof line, "PORT %lu,%lu,%lu,%lu,%u,%u", (ip >> 24) & 255, (ip >> 16) & 255,
                (ip >> 8) & 255, ip & 255, port >> 8, port & 255);
  error = Command(line, &code);
  if (error == kOk && code / 100 != 2) error = kErrDataConnection;
  if (error == kOk) error = Command(command, &code);
  if (error == kOk && code / 100 != 1) error = kErrRefused;
  if (error != kOk) {
    closesocket(listener);
    return error;
  }
  // The server connects to us; only a connection from the control peer is taken.
  Deadline deadline(timeoutMs_);
  for (;;) {
    int waitError = 0;
    if (!WaitSocket(listener, false, deadline, &waitError)) {
      closesocket(listener);
      return Fail(kErrTimeout);
    }
    sockaddr_in from{};
    int fromLen = sizeof from;
    SOCKET s = accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (s == INVALID_SOCKET) continue;
    if (from.sin_addr.s_addr != peer_.sin_addr.s_addr) {
      closesocket(s);
      continue;
    }
    closesocket(listener);
    SetBlocking(s, true);
    NoDelay(s);
    PrepareDataSocket(s, timeoutMs_);
    data_ = s;
    return kOk;
  }
}

int FtpConnection::FinishData() {
  int code = 0;
  int error = ReadReply(&code);
  if (error != kOk) return error;
  return code / 100 == 2 ? kOk : kErrTransferFailed;
}

int FtpConnection::OpenList(const char* path) {
  if (fileOpen_) return kErrBusy;
  CloseList();
  std::string command = "LIST";
  if (path && *path) {
    if (HasLineBreak(path)) return kErrBadArgument;
    command += " " + ToServer(path);
  }
  int error = OpenData(command);
  if (error != kOk) return error;
  std::string text;
  char buffer[16384];
  for (;;) {
    int recvError = 0;
    int n = RecvSome(data_.load(), buffer, sizeof buffer, Deadline(timeoutMs_), &recvError);
    if (n < 0) {
      CloseData();
      return Fail(recvError == kErrTimeout ? kErrTimeout : kErrDataConnection);
    }
    if (n == 0) break;
    if (text.size() + static_cast<size_t>(n) > kMaxListingBytes) {
      CloseData();
      return Fail(kErrBadReply);
    }
    text.append(buffer, static_cast<size_t>(n));
  }
  CloseData();
  error = FinishData();
  if (error != kOk) return error;
  list_ = std::move(text);
  listOpen_ = true;
  listPos_ = 0;
  listGave_ = false;
  return kOk;
}

int FtpConnection::NextEntry(bool restart, FtpEntry* entry) {
  if (!listOpen_) return kErrNotOpen;
  if (restart) {
    listPos_ = 0;
    listGave_ = false;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  while (listPos_ < list_.size()) {
    size_t eol = list_.find('\n', listPos_);
    if (eol == std::string::npos) eol = list_.size();
    std::string_view line(list_.data() + listPos_, eol - listPos_);
    listPos_ = eol + 1;
    FtpEntry parsed{};
    if (ParseListLine(line, listMode_, now, &parsed)) {
      if (utf8_) {
        std::string name = FromServer(parsed.name);
        size_t n = name.size() < sizeof parsed.name - 1 ? name.size() : sizeof parsed.name - 1;
        std::memcpy(parsed.name, name.data(), n);
        parsed.name[n] = '\0';
      }
      *entry = parsed;
      listGave_ = true;
      return kOk;
    }
  }
  listPos_ = list_.size();
  return listGave_ ? kErrNoMoreEntries : kErrNoEntries;
}

void FtpConnection::CloseList() {
  listOpen_ = false;
  list_.clear();
  list_.shrink_to_fit();
  listPos_ = 0;
}

int FtpConnection::OpenFile(const char* name, int mode) {
  if (fileOpen_) return kErrBusy;
  if (!name || !*name || HasLineBreak(name)) return kErrBadArgument;
  bool write = mode == kOpenWrite;
  fileStart_ = GetTickCount64();
  fileMs_ = 0;
  int error = OpenData(std::string(write ? "STOR " : "RETR ") + ToServer(name));
  if (error != kOk) return error;
  fileOpen_ = true;
  fileWrite_ = write;
  inBuf_.clear();
  inPos_ = 0;
  outBuf_.clear();
  fileDone_ = false;
  fileFailed_ = false;
  return kOk;
}

int FtpConnection::Read(char* buffer, int size, int* got) {
  *got = 0;
  if (!fileOpen_ || fileWrite_) return kErrNotOpen;
  if (inPos_ < inBuf_.size() && size > 0) {
    size_t n = inBuf_.size() - inPos_;
    if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
    std::memcpy(buffer, inBuf_.data() + inPos_, n);
    inPos_ += n;
    *got = static_cast<int>(n);
    return kOk;
  }
  if (fileFailed_) return kErrTransferFailed;
  if (fileDone_ || size == 0) return kOk;
  int error = 0;
  inBuf_.resize(kDataBlock);
  inPos_ = 0;
  int n = RecvData(data_.load(), inBuf_.data(), static_cast<int>(inBuf_.size()), &error);
  if (n > 0) {
    inBuf_.resize(static_cast<size_t>(n));
    size_t take = static_cast<size_t>(n < size ? n : size);
    std::memcpy(buffer, inBuf_.data(), take);
    inPos_ = take;
    *got = static_cast<int>(take);
    return kOk;
  }
  inBuf_.clear();
  if (n < 0) {
    fileFailed_ = true;
    CloseData();
    return Fail(error == kErrTimeout ? kErrTimeout : kErrTransferFailed);
  }
  // The server closed the data connection: its final reply says whether all of it came.
  CloseData();
  fileMs_ = static_cast<DWORD>(GetTickCount64() - fileStart_);
  error = FinishData();
  if (error != kOk) {
    fileFailed_ = true;
    return error;
  }
  fileDone_ = true;
  return kOk;
}

int FtpConnection::FlushOut() {
  if (outBuf_.empty()) return kOk;
  int error = SendData(data_.load(), outBuf_.data(), outBuf_.size());
  outBuf_.clear();
  if (error != kOk) fileFailed_ = true;
  return error;
}

int FtpConnection::Write(const char* data, int count, int* sent) {
  *sent = 0;
  if (!fileOpen_ || !fileWrite_) return kErrNotOpen;
  if (fileFailed_) return kErrTransferFailed;
  if (count <= 0) return kOk;
  outBuf_.append(data, static_cast<size_t>(count));
  if (outBuf_.size() >= kDataBlock) {
    int error = FlushOut();
    if (error != kOk) return error == kErrTimeout ? kErrTimeout : kErrTransferFailed;
  }
  *sent = count;
  return kOk;
}

int FtpConnection::CloseFile() {
  if (!fileOpen_) return kErrNotOpen;
  fileOpen_ = false;
  int error = kOk;
  if (fileWrite_) {
    // The end of the data connection ends the file; the server's final reply tells whether it
    // stored all of it.
    if (!fileFailed_) FlushOut();
    SOCKET s = data_.load();
    if (s != INVALID_SOCKET) shutdown(s, SD_SEND);
    CloseData();
    error = FinishData();
    if (error == kOk && fileFailed_) error = kErrTransferFailed;
  } else if (!fileDone_) {
    // Closed before the end (or after a failure): the server answers the abandoned transfer.
    bool hadData = data_.load() != INVALID_SOCKET;
    CloseData();
    if (hadData) {
      int code = 0;
      error = ReadReply(&code);
    }
    if (error == kOk && fileFailed_) error = kErrTransferFailed;
  }
  if (!fileDone_) fileMs_ = static_cast<DWORD>(GetTickCount64() - fileStart_);
  inBuf_.clear();
  inPos_ = 0;
  outBuf_.clear();
  return error;
}

int FtpConnection::TransferMs() const {
  if (fileOpen_ && !fileDone_) return static_cast<int>(GetTickCount64() - fileStart_);
  return static_cast<int>(fileMs_);
}

int FtpConnection::TakeReplyText(char* buffer, int size) {
  if (!buffer || size <= 0) return -1;
  size_t n = log_.size() < static_cast<size_t>(size - 1) ? log_.size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, log_.data(), n);
  buffer[n] = '\0';
  log_.erase(0, n);
  return static_cast<int>(n);
}

}  // namespace csftp
