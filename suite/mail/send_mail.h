// Sending files as the attachments of a new mail message through Simple MAPI (MAPI32.DLL,
// MAPISendMail with the mail client's compose dialog), on a thread of its own so that the mail
// client's windows never block the program. The program collects the files on its own thread
// into a job; the thread works on that copy only.
#pragma once
#include <windows.h>
#include <mapi.h>
#include <string>
#include <vector>

struct MailAttachment {
  std::string path;  // full path
  std::string name;  // the name the recipient sees
};

struct MailJob {
  std::vector<MailAttachment> files;
  std::string subjectForMany;  // the subject when more than one file is attached
};

// LoadLibrary("MAPI32.DLL") with critical-error boxes suppressed, then "MAPISendMail". 1 when
// both exist; else 0 (*module stays loaded when only the function is missing: the caller frees it).
int LoadMapiSendMail(HMODULE* module, LPMAPISENDMAIL* function);

// The display name with the full path's extension, lowered, when the name has none (the shell
// hides known extensions).
std::string CompleteMailName(const std::string& displayName, const std::string& fullPath);

// The thread routine: its parameter is a MailJob from new, which it deletes. Returns 0.
DWORD WINAPI SendMailThread(void* job);
// Starts SendMailThread for the job (taking it) and returns at once; FALSE when the thread could
// not start (the job is then deleted).
BOOL SendSelectionByMail(MailJob* job);
// How many mail threads are running (for a clean shutdown and for tests).
LONG RunningMailThreads();
