// Simple MAPI send on a thread of its own.
#include "send_mail.h"
#include <atomic>
#include <cctype>
#include <memory>

namespace {
std::atomic<LONG> g_running{0};
}

int LoadMapiSendMail(HMODULE* module, LPMAPISENDMAIL* function) {
  *function = nullptr;
  UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  *module = LoadLibraryA("MAPI32.DLL");
  SetErrorMode(mode);
  if (!*module) return 0;
  *function = reinterpret_cast<LPMAPISENDMAIL>(
      reinterpret_cast<void*>(GetProcAddress(*module, "MAPISendMail")));
  return *function ? 1 : 0;
}

std::string CompleteMailName(const std::string& displayName, const std::string& fullPath) {
  size_t slash = displayName.find_last_of("\\/");
  std::string tail = slash == std::string::npos ? displayName : displayName.substr(slash + 1);
  if (tail.find('.') != std::string::npos) return displayName;
  size_t pathSlash = fullPath.find_last_of("\\/");
  size_t dot = fullPath.find_last_of('.');
  if (dot == std::string::npos || (pathSlash != std::string::npos && dot < pathSlash)) return displayName;
  std::string extension = fullPath.substr(dot);
  for (char& c : extension) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return displayName + extension;
}

DWORD WINAPI SendMailThread(void* parameter) {
  std::unique_ptr<MailJob> job(static_cast<MailJob*>(parameter));
  if (!job || job->files.empty()) return 0;
  HMODULE module = nullptr;
  LPMAPISENDMAIL send = nullptr;
  if (!LoadMapiSendMail(&module, &send)) {
    if (module) FreeLibrary(module);
    return 0;
  }
  std::vector<MapiFileDesc> attachments(job->files.size());
  for (size_t i = 0; i < job->files.size(); ++i) {
    MapiFileDesc& d = attachments[i];
    d = MapiFileDesc{};
    d.ulReserved = 0;
    d.flFlags = 0;
    d.nPosition = static_cast<ULONG>(-1);
    d.lpszPathName = const_cast<char*>(job->files[i].path.c_str());
    d.lpszFileName = const_cast<char*>(job->files[i].name.c_str());
  }
  MapiMessage message = {};
  std::string subject = job->files.size() > 1 ? job->subjectForMany : job->files[0].name;
  message.lpszSubject = const_cast<char*>(subject.c_str());
  message.nFileCount = static_cast<ULONG>(attachments.size());
  message.lpFiles = attachments.data();
  // The result is the mail client's to report.
  send(0, 0, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0);
  FreeLibrary(module);
  return 0;
}

namespace {
DWORD WINAPI CountedMailThread(void* job) {
  SendMailThread(job);
  --g_running;
  return 0;
}
}  // namespace

BOOL SendSelectionByMail(MailJob* job) {
  ++g_running;
  HANDLE thread = CreateThread(nullptr, 0, CountedMailThread, job, 0, nullptr);
  if (!thread) {
    --g_running;
    delete job;
    return FALSE;
  }
  CloseHandle(thread);
  return TRUE;
}

LONG RunningMailThreads() { return g_running.load(); }
