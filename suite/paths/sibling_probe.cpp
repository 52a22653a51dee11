#include "sibling_probe.h"

#include <cstring>
#include "settings_store.h"

namespace {

HANDLE g_driver = nullptr;
HWND g_replyWindow = nullptr;
SiblingReply g_reply{};
// The product's window while OpenSiblingDriver waits for its reply; null otherwise.
HWND g_awaitedSender = nullptr;
bool g_replied = false;

constexpr UINT kSiblingQueryMessage = 1145;
constexpr DWORD kWin9xQueryCode = 125;

bool IsWindowsNT() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return true;
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Opening a flag file is the signal to the product; the file is closed at once.
void TouchFlagFile(const char* name) {
  HANDLE h = CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

BOOL IsPlainFileWithSiblingOff(const char* path) {
  if (!path || !*path) return FALSE;
  bool viewOn = false;
  HANDLE probe = CreateFileA("C:\\ISFQONX", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
  } else if (GetLastError() == ERROR_ACCESS_DENIED) {
    viewOn = true;
    TouchFlagFile("C:\\FQTOFFX");
  }
  DWORD attributes = GetFileAttributesA(path);
  BOOL result = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (viewOn) TouchFlagFile("C:\\FQTONXX");
  return result;
}

void SetSiblingReplyWindow(HWND window) { g_replyWindow = window; }

BOOL StoreSiblingReply(HWND sender, const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kSiblingReplyId) return FALSE;
  // Only the product's own window, and only as the answer to our question.
  if (!g_awaitedSender || sender != g_awaitedSender) return FALSE;
  if (!data->lpData || data->cbData < sizeof(DWORD) + 1) return FALSE;
  const char* bytes = static_cast<const char*>(data->lpData);
  const char* path = bytes + sizeof(DWORD);
  size_t room = data->cbData - sizeof(DWORD);
  size_t length = strnlen(path, room);
  if (length == room || length >= sizeof g_reply.devicePath) return FALSE;  // unterminated, long
  if (strncmp(path, "\\\\.\\", 4) != 0 || length <= 4) return FALSE;       // not a device
  memcpy(&g_reply.code, bytes, sizeof(DWORD));
  memcpy(g_reply.devicePath, path, length + 1);
  g_replied = true;
  return TRUE;
}

const SiblingReply& GetSiblingReply() { return g_reply; }

BOOL OpenSiblingDriver() {
  if (g_driver) return TRUE;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (IsWindowsNT()) {
    HWND product = FindWindowA("FQMainClass", nullptr);
    if (!product) return FALSE;
    g_awaitedSender = product;
    g_replied = false;
    // The product answers while this call runs, with WM_COPYDATA to the reply window.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(product, kSiblingQueryMessage, 0, reinterpret_cast<LPARAM>(g_replyWindow),
                        SMTO_NORMAL, 5000, &answer);
    g_awaitedSender = nullptr;
    if (!g_replied) return FALSE;
    handle = CreateFileA(g_reply.devicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    char folder[MAX_PATH];
    if (!ReadSiblingInstallDir(folder) || !folder[0]) return FALSE;
    char shortFolder[MAX_PATH];
    DWORD n = GetShortPathNameA(folder, shortFolder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    size_t len = strlen(shortFolder);
    if (len && shortFolder[len - 1] == '\\') shortFolder[len - 1] = '\0';
    char device[MAX_PATH];
    if (wsprintfA(device, "\\\\.\\%s\\fq97v10.vxd", shortFolder) >= MAX_PATH - 1) return FALSE;
    handle = CreateFileA(device, 0, 0, nullptr, CREATE_NEW, 0, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  g_driver = handle;
  return TRUE;
}

void CloseSiblingDriver() {
  if (g_driver) CloseHandle(g_driver);
  g_driver = nullptr;
}

void QuerySiblingFileInfo(const char* path, DWORD* first, DWORD* second, DWORD* third,
                          ULONGLONG* fourthFifth) {
  DWORD reply[5] = {};
  if (path && OpenSiblingDriver()) {
    DWORD code = IsWindowsNT() ? g_reply.code : kWin9xQueryCode;
    DWORD returned = 0;
    if (!DeviceIoControl(g_driver, code, const_cast<char*>(path),
                         static_cast<DWORD>(strlen(path) + 1), reply, sizeof reply, &returned,
                         nullptr) ||
        returned < sizeof reply)
      memset(reply, 0, sizeof reply);
  }
  if (first) *first = reply[0];
  if (second) *second = reply[1];
  if (third) *third = reply[2];
  if (fourthFifth) *fourthFifth = static_cast<ULONGLONG>(reply[3]) | static_cast<ULONGLONG>(reply[4]) << 32;
}
