// The FTP client library CSFTPL32.dll as its callers see it: every function is exported by
// ordinal only (no names), __stdcall, the same ordinals in the 32-bit and the 64-bit build.
// Connection handles are small integers; -1 means failure unless a function says otherwise.
// The last error is kept per thread (ordinal 29); one handle is used by one thread at a time,
// different handles may be used on different threads at once.
#pragma once
#include <windows.h>
#include <cstdint>

namespace csftp {

// One directory entry as ordinals 87 and 89 fill it. The time is the server's local time as the
// listing shows it; the size is sizeHigh:sizeLow, the low and high words of the 64-bit size.
#pragma pack(push, 4)
struct FtpEntry {
  char name[260];
  uint32_t isDirectory;
  SYSTEMTIME time;
  uint32_t sizeLow;
  uint32_t sizeHigh;
};
#pragma pack(pop)
static_assert(sizeof(FtpEntry) == 288, "the entry record is part of the library's interface");

// Listing dialects for ordinal 82.
enum ListMode : int { kListUnix = 0, kListDos = 3 };
// Transfer types for ordinal 65; open modes for ordinal 48.
enum TransferType : int { kTypeText = 0, kTypeImage = 2 };
enum OpenMode : int { kOpenRead = 0, kOpenWrite = 1 };

// Error codes of ordinal 29 (0: no error). 25757 and 25759 both mean that a listing has no
// further entry: 25759 when it held none at all.
enum Error : int {
  kOk = 0,
  kErrNotStarted = 25701,     // ordinal 40 was not called
  kErrBadHandle = 25702,
  kErrBadArgument = 25703,
  kErrTooManyHandles = 25704,
  kErrHostNotFound = 25710,
  kErrConnectFailed = 25711,
  kErrTimeout = 25712,
  kErrConnectionClosed = 25713,
  kErrBadReply = 25714,       // unreadable, endless or oversized server reply
  kErrRefused = 25715,        // the server answered a command with an error reply
  kErrLoginFailed = 25716,
  kErrDataConnection = 25717, // passive or active data connection could not be made
  kErrBusy = 25718,           // a listing or a file is already open on the handle
  kErrNotOpen = 25719,        // no listing or file is open
  kErrNetwork = 25720,
  kErrTransferFailed = 25721, // the server reported a failed transfer at its end
  kErrNoMoreEntries = 25757,
  kErrNoEntries = 25759,
};

// Function types, named after the ordinal.
using Startup40 = int(__stdcall*)();
using Shutdown69 = int(__stdcall*)();
using Connect12 = int(__stdcall*)(const char* host, int port, int timeoutSeconds);
using SetPassive67 = int(__stdcall*)(int handle, int passive);
using Login43 = int(__stdcall*)(int handle, const char* user, const char* password, const char* account);
using ChangeDir6 = int(__stdcall*)(int handle, const char* path);
using CurrentDir21 = int(__stdcall*)(int handle, char* buffer, int size);
using Disconnect16 = int(__stdcall*)(int handle);
using ReplyText31 = int(__stdcall*)(int handle, char* buffer, int size);
using LastError29 = int(__stdcall*)();
using ErrorText23 = int(__stdcall*)(int code, char* buffer, int size);
using ListMode82 = int(__stdcall*)(int handle, int mode);
using OpenList78 = int(__stdcall*)(int handle, const char* path);
using FirstEntry87 = int(__stdcall*)(int handle, FtpEntry* entry);
using NextEntry89 = int(__stdcall*)(int handle, FtpEntry* entry);
using CloseList80 = int(__stdcall*)(int handle);
using DeleteFile57 = int(__stdcall*)(int handle, const char* name);
using Rename59 = int(__stdcall*)(int handle, const char* oldName, const char* newName);
using MakeDir14 = int(__stdcall*)(int handle, const char* name);
using RemoveDir55 = int(__stdcall*)(int handle, const char* name);
using SetType65 = int(__stdcall*)(int handle, int type);
using OpenFile48 = int(__stdcall*)(int handle, const char* name, int mode);
using Read54 = int(__stdcall*)(int handle, char* buffer, int size);
using Write72 = int(__stdcall*)(int handle, const char* data, int count);
using TransferTime39 = int(__stdcall*)(int handle);
using CloseFile9 = int(__stdcall*)(int handle);

// The library bound by ordinal.
struct Api {
  HMODULE module = nullptr;
  Startup40 startup = nullptr;
  Shutdown69 shutdown = nullptr;
  Connect12 connect = nullptr;
  SetPassive67 setPassive = nullptr;
  Login43 login = nullptr;
  ChangeDir6 changeDir = nullptr;
  CurrentDir21 currentDir = nullptr;
  Disconnect16 disconnect = nullptr;
  ReplyText31 replyText = nullptr;
  LastError29 lastError = nullptr;
  ErrorText23 errorText = nullptr;
  ListMode82 listMode = nullptr;
  OpenList78 openList = nullptr;
  FirstEntry87 firstEntry = nullptr;
  NextEntry89 nextEntry = nullptr;
  CloseList80 closeList = nullptr;
  DeleteFile57 deleteFile = nullptr;
  Rename59 rename = nullptr;
  MakeDir14 makeDir = nullptr;
  RemoveDir55 removeDir = nullptr;
  SetType65 setType = nullptr;
  OpenFile48 openFile = nullptr;
  Read54 read = nullptr;
  Write72 write = nullptr;
  TransferTime39 transferTime = nullptr;
  CloseFile9 closeFile = nullptr;
};

// Loads the library from its full path and binds all 26 ordinals. False (and the library
// released, api left empty) when the file cannot be loaded or any ordinal is missing.
bool LoadApi(const char* fullPath, Api* api);
// Releases the library bound by LoadApi and empties the table.
void UnloadApi(Api* api);

}  // namespace csftp
