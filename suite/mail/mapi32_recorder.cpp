// A Simple MAPI provider for the tests: MAPISendMail writes what it was given (flags, subject,
// recipients, body and each attachment) to the file that JQ_MAPI_RECORD names, one field a
// line, and answers success. Nothing is sent anywhere.
#include <windows.h>
#include <mapi.h>
#include <cstdio>

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR uiParam,
                                                          lpMapiMessage message, FLAGS flags, ULONG) {
  char path[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("JQ_MAPI_RECORD", path, MAX_PATH) || !message) return MAPI_E_FAILURE;
  FILE* f = fopen(path, "ab");
  if (!f) return MAPI_E_FAILURE;
  fprintf(f, "session=%lu\nwindow=%lu\nflags=%lu\n", static_cast<unsigned long>(session),
          static_cast<unsigned long>(uiParam), static_cast<unsigned long>(flags));
  fprintf(f, "subject=%s\n", message->lpszSubject ? message->lpszSubject : "(null)");
  fprintf(f, "body=%s\n", message->lpszNoteText ? message->lpszNoteText : "(null)");
  fprintf(f, "recipients=%lu\nfiles=%lu\n", static_cast<unsigned long>(message->nRecipCount),
          static_cast<unsigned long>(message->nFileCount));
  for (ULONG i = 0; i < message->nFileCount && message->lpFiles; ++i) {
    const MapiFileDesc& d = message->lpFiles[i];
    fprintf(f, "file=%lu|%lu|%ld|%s|%s\n", static_cast<unsigned long>(d.ulReserved),
            static_cast<unsigned long>(d.flFlags), static_cast<long>(d.nPosition),
            d.lpszPathName ? d.lpszPathName : "(null)", d.lpszFileName ? d.lpszFileName : "(null)");
  }
  fprintf(f, "end\n");
  fclose(f);
  return SUCCESS_SUCCESS;
}

// Tells the tests that this module, not the system's, was loaded.
extern "C" __declspec(dllexport) int WINAPI JqMapiRecorder() { return 1; }
