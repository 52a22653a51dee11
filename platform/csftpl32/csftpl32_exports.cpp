// The exported functions of CSFTPL32.dll (by ordinal, see csftpl32.def): a table of connection
// handles over FtpConnection, and the last error of each thread.
#include <winsock2.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "csftpl32.h"
#include "ftp_connection.h"

using csftp::FtpConnection;

namespace {

constexpr int kMaxHandles = 256;

// A handle is its slot plus 256 times the slot's use count, so that a handle kept after its
// disconnect never reaches the next connection made in the same slot.
std::mutex g_tableLock;
std::shared_ptr<FtpConnection> g_table[kMaxHandles];
int g_uses[kMaxHandles];
int g_started = 0;  // ordinal 40 calls not yet matched by 69; guarded by g_tableLock

// The last error of this thread and the server's reply line that went with it.
thread_local int t_lastError = 0;
thread_local char t_lastDetail[512];

int SetError(int code, const std::string& detail = std::string()) {
  t_lastError = code;
  size_t n = detail.size() < sizeof t_lastDetail - 1 ? detail.size() : sizeof t_lastDetail - 1;
  std::memcpy(t_lastDetail, detail.data(), n);
  t_lastDetail[n] = '\0';
  return code;
}

int SlotOf(int handle) {
  if (handle < 0) return -1;
  int slot = handle % kMaxHandles;
  return handle / kMaxHandles == g_uses[slot] ? slot : -1;
}

std::shared_ptr<FtpConnection> Lookup(int handle) {
  std::lock_guard<std::mutex> lock(g_tableLock);
  int slot = SlotOf(handle);
  return slot < 0 ? nullptr : g_table[slot];
}

// Runs one operation on a handle: looks it up, holds its call lock, records the thread's last
// error. `op` returns an error code; the call returns okValue on success, else failValue.
template <typename Op>
int OnHandle(int handle, int okValue, int failValue, Op op) {
  std::shared_ptr<FtpConnection> c = Lookup(handle);
  if (!c) {
    SetError(csftp::kErrBadHandle);
    return failValue;
  }
  try {
    std::lock_guard<std::mutex> lock(c->callLock);
    int error = op(*c);
    bool serverSaid = error == csftp::kErrRefused || error == csftp::kErrLoginFailed ||
                      error == csftp::kErrTransferFailed || error == csftp::kErrBadReply;
    SetError(error, serverSaid ? c->lastLine() : std::string());
    return error == csftp::kOk ? okValue : failValue;
  } catch (...) {
    SetError(csftp::kErrNetwork);
    return failValue;
  }
}

const char* ErrorMessage(int code) {
  switch (code) {
    case csftp::kErrNotStarted: return "The FTP library was not started";
    case csftp::kErrBadHandle: return "Not a valid FTP connection handle";
    case csftp::kErrBadArgument: return "Invalid argument";
    case csftp::kErrTooManyHandles: return "Too many FTP connections are open";
    case csftp::kErrHostNotFound: return "The FTP server's host name could not be resolved";
    case csftp::kErrConnectFailed: return "Could not connect to the FTP server";
    case csftp::kErrTimeout: return "The FTP server did not answer in time";
    case csftp::kErrConnectionClosed: return "The connection to the FTP server was closed";
    case csftp::kErrBadReply: return "The FTP server sent an invalid reply";
    case csftp::kErrRefused: return "The FTP server refused the command";
    case csftp::kErrLoginFailed: return "Login to the FTP server failed";
    case csftp::kErrDataConnection: return "The data connection to the FTP server could not be made";
    case csftp::kErrBusy: return "A listing or a file is already open on this connection";
    case csftp::kErrNotOpen: return "No listing or file is open on this connection";
    case csftp::kErrNetwork: return "Network error";
    case csftp::kErrTransferFailed: return "The file transfer failed";
    case csftp::kErrNoMoreEntries: return "No more directory entries";
    case csftp::kErrNoEntries: return "The directory listing holds no entries";
    default: return nullptr;
  }
}

}  // namespace

extern "C" {

// 40: starts Winsock; nonzero on success.
int __stdcall CsFtpStartup() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    SetError(csftp::kErrNetwork);
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_tableLock);
  ++g_started;
  SetError(csftp::kOk);
  return 1;
}

// 69: closes every connection still open and stops Winsock.
int __stdcall CsFtpShutdown() {
  std::shared_ptr<FtpConnection> dropped[kMaxHandles];
  bool stop = false;
  {
    std::lock_guard<std::mutex> lock(g_tableLock);
    if (g_started > 0) {
      stop = true;
      if (--g_started == 0)
        for (int i = 0; i < kMaxHandles; ++i) dropped[i] = std::move(g_table[i]);
    }
  }
  // A call still running on another thread returns at once and frees its connection.
  for (auto& c : dropped)
    if (c) c->Abort();
  for (auto& c : dropped) c.reset();
  if (stop) WSACleanup();
  SetError(csftp::kOk);
  return 0;
}

// 12: connects and reads the greeting; a handle or -1.
int __stdcall CsFtpConnect(const char* host, int port, int timeoutSeconds) {
  {
    std::lock_guard<std::mutex> lock(g_tableLock);
    if (g_started <= 0) {
      SetError(csftp::kErrNotStarted);
      return -1;
    }
  }
  try {
    auto c = std::make_shared<FtpConnection>();
    int error = c->Connect(host, port, timeoutSeconds);
    if (error != csftp::kOk) {
      SetError(error, error == csftp::kErrRefused ? c->lastLine() : std::string());
      return -1;
    }
    std::lock_guard<std::mutex> lock(g_tableLock);
    for (int i = 0; i < kMaxHandles; ++i) {
      if (!g_table[i]) {
        g_table[i] = std::move(c);
        g_uses[i] = (g_uses[i] + 1) % 0x7FFFFF;
        SetError(csftp::kOk);
        return g_uses[i] * kMaxHandles + i;
      }
    }
    SetError(csftp::kErrTooManyHandles);
    return -1;
  } catch (...) {
    SetError(csftp::kErrNetwork);
    return -1;
  }
}

// 67: passive (nonzero) or active data connections from now on.
int __stdcall CsFtpSetPassive(int handle, int passive) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    c.SetPassive(passive != 0);
    return csftp::kOk;
  });
}

// 43: USER, PASS and, when asked for, ACCT; 0 or -1.
int __stdcall CsFtpLogin(int handle, const char* user, const char* password, const char* account) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.Login(user, password, account); });
}

// 6: CWD; 0 or -1.
int __stdcall CsFtpChangeDir(int handle, const char* path) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.ChangeDir(path); });
}

// 21: PWD into the buffer (size counts the terminator); the length or -1.
int __stdcall CsFtpCurrentDir(int handle, char* buffer, int size) {
  int length = -1;
  int r = OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    if (!buffer || size <= 0) return static_cast<int>(csftp::kErrBadArgument);
    std::string path;
    int error = c.CurrentDir(&path);
    if (error != csftp::kOk) return error;
    if (path.size() >= static_cast<size_t>(size)) return static_cast<int>(csftp::kErrBadArgument);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    length = static_cast<int>(path.size());
    return static_cast<int>(csftp::kOk);
  });
  return r == 0 ? length : -1;
}

// 16: QUIT, close and free the handle.
int __stdcall CsFtpDisconnect(int handle) {
  std::shared_ptr<FtpConnection> c;
  {
    std::lock_guard<std::mutex> lock(g_tableLock);
    int slot = SlotOf(handle);
    if (slot >= 0) c = std::move(g_table[slot]);
  }
  if (!c) {
    SetError(csftp::kErrBadHandle);
    return -1;
  }
  std::unique_lock<std::mutex> lock(c->callLock, std::try_to_lock);
  if (lock.owns_lock())
    c->Quit();
  else
    c->Abort();  // a call is running on another thread: it fails at once and the last owner frees
  SetError(csftp::kOk);
  return 0;
}

// 31: the server's reply text since the last call (size counts the terminator); its length or -1.
int __stdcall CsFtpReplyText(int handle, char* buffer, int size) {
  std::shared_ptr<FtpConnection> c = Lookup(handle);
  if (!c || !buffer || size <= 0) {
    SetError(c ? csftp::kErrBadArgument : csftp::kErrBadHandle);
    return -1;
  }
  std::lock_guard<std::mutex> lock(c->callLock);
  SetError(csftp::kOk);
  return c->TakeReplyText(buffer, size);
}

// 29: the calling thread's last error.
int __stdcall CsFtpLastError() { return t_lastError; }

// 23: the text of an error code (with the server's reply line when the code is this thread's
// last error and the server gave one); nonzero when a text was written.
int __stdcall CsFtpErrorText(int code, char* buffer, int size) {
  const char* message = ErrorMessage(code);
  if (!message || !buffer || size <= 0) return 0;
  std::string text = message;
  if (code == t_lastError && t_lastDetail[0]) text += std::string(": ") + t_lastDetail;
  size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n > 0 ? static_cast<int>(n) : 0;
}

// 82: the dialect in which 87 and 89 read the open listing (0 Unix, 3 DOS).
int __stdcall CsFtpListMode(int handle, int mode) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    c.SetListMode(mode);
    return csftp::kOk;
  });
}

// 78: LIST (empty path: the current directory), read whole; 0 or -1.
int __stdcall CsFtpOpenList(int handle, const char* path) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.OpenList(path); });
}

// 87: the first entry of the open listing, every time; nonzero when one was written.
int __stdcall CsFtpFirstEntry(int handle, csftp::FtpEntry* entry) {
  if (!entry) return SetError(csftp::kErrBadArgument), 0;
  return OnHandle(handle, 1, 0, [&](FtpConnection& c) { return c.NextEntry(true, entry); });
}

// 89: the next entry; nonzero when one was written.
int __stdcall CsFtpNextEntry(int handle, csftp::FtpEntry* entry) {
  if (!entry) return SetError(csftp::kErrBadArgument), 0;
  return OnHandle(handle, 1, 0, [&](FtpConnection& c) { return c.NextEntry(false, entry); });
}

// 80: frees the listing.
int __stdcall CsFtpCloseList(int handle) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    c.CloseList();
    return csftp::kOk;
  });
}

// 57, 59, 14, 55: DELE, RNFR+RNTO, MKD, RMD; 0 or -1.
int __stdcall CsFtpDeleteFile(int handle, const char* name) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.Simple("DELE", name); });
}
int __stdcall CsFtpRename(int handle, const char* oldName, const char* newName) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.Rename(oldName, newName); });
}
int __stdcall CsFtpMakeDir(int handle, const char* name) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.Simple("MKD", name); });
}
int __stdcall CsFtpRemoveDir(int handle, const char* name) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.Simple("RMD", name); });
}

// 65: TYPE A (0) or TYPE I (2, and anything else); 0 or -1.
int __stdcall CsFtpSetType(int handle, int type) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.SetType(type); });
}

// 48: RETR (0) or STOR (1) over a new data connection; 0 or -1.
int __stdcall CsFtpOpenFile(int handle, const char* name, int mode) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.OpenFile(name, mode); });
}

// 54: the next bytes of the file being read; 0 at its clean end, -1 on failure.
int __stdcall CsFtpRead(int handle, char* buffer, int size) {
  int got = 0;
  int r = OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    if (!buffer || size < 0) return static_cast<int>(csftp::kErrBadArgument);
    return c.Read(buffer, size, &got);
  });
  return r == 0 ? got : -1;
}

// 72: writes what it can of the data; the count written or -1.
int __stdcall CsFtpWrite(int handle, const char* data, int count) {
  int sent = 0;
  int r = OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    if ((!data && count) || count < 0) return static_cast<int>(csftp::kErrBadArgument);
    if (count == 0) return static_cast<int>(csftp::kOk);
    return c.Write(data, count, &sent);
  });
  return r == 0 ? sent : -1;
}

// 39: milliseconds spent on the open transfer, or on the last one after it was closed.
int __stdcall CsFtpTransferTime(int handle) {
  int ms = 0;
  int r = OnHandle(handle, 0, -1, [&](FtpConnection& c) {
    ms = c.TransferMs();
    return static_cast<int>(csftp::kOk);
  });
  return r == 0 ? ms : 0;
}

// 9: ends the open file and reads the server's verdict; 0, or -1 when the transfer failed.
int __stdcall CsFtpCloseFile(int handle) {
  return OnHandle(handle, 0, -1, [&](FtpConnection& c) { return c.CloseFile(); });
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
