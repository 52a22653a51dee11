// Extracting archives: the UnZip dialog (160), the zip password dialog (180) and one extractor
// per archive kind, for the Extract command and for dragging entries out of an archive pane.
#pragma once
#include <windows.h>
#include <set>
#include <string>

struct UnZipRequestRecord {
  UINT allFiles;
  UINT selectedFiles;
  char fileSpec[1040];
  char targetFolder[MAX_PATH];
  UINT action;  // 0 extract, 1 only newer, 2 only newer or missing
  char password[100];
  UINT removeFromArchive;
  UINT keepPaths;
  UINT overwrite;
};
extern UnZipRequestRecord UnZipRequest;

// The Extract command (40068) on the active pane.
void DoUnZipCommand(HWND window);
INT_PTR CALLBACK UnZipDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ZipPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int ExtractFromZip(int pane);
int ExtractFromLha(int pane);
int ExtractFromCab(int pane);
int ExtractFromRar(int pane);
// Extracts into UnZipRequest.targetFolder by ArchiveKind; 1 for kinds without an extractor.
int RunExtractor(int pane);
// The selected entries of an archive pane into the archive temporary folder (drag and drop).
int ExtractArchiveSelection(int pane);
// LHA's progress message ("wm_arcextract").
LRESULT OnArcExtractProgressMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void SlashesToBackslashes(char* path);
// 1 when the path is or lies inside a .zip file: the archive and the part inside it.
int SplitZipPath(const char* path, char* archive, char* inner);
// The stored name as a path below the target: separators as backslashes, leading separators
// dropped; false for names that would leave the target ("..", a drive, a stream, control
// characters).
bool SafeEntryRelativePath(const char* name, std::string* out);
// The zip engine's switches for extracting.
std::string BuildUnZipSwitches(UINT action, UINT keepPaths, UINT overwrite);
