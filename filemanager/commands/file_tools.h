// Encrypt/decrypt (command 45118) and permanent delete (40125) over jqencr.dll, the file date
// and time dialog (40129) and the About box (1100): the pieces their tests reach.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

// ---- Encryption -------------------------------------------------------------------------------

// The options of one Encrypt/Decrypt command, read from dialog 185 (one record for the program).
struct EncryptionOptions {
  uint32_t selected;          // 1: the pane's selection; 0: the typed file pattern
  uint32_t subfolders;        // include subfolders (0 while the box is disabled)
  char fileSpec[1040];        // the typed pattern
  char target[1040];          // absolute target file or folder; empty when none was typed
  char keyText[100];          // the typed key
  uint8_t shiftXorKey[8];     // from KzPasswordToKeys
  uint8_t desSchedule[128];   // from KzSetKeyDES
  uint32_t wipeSource;        // wipe the source after success
  uint32_t des;               // encrypt with DES, else shift-xor
  uint32_t overwrite;         // overwrite existing targets without asking
};
extern EncryptionOptions g_encryptionOptions;

// Result codes of one file besides the library's own.
constexpr short kEncStop = -16;       // the user chose Cancel
constexpr short kEncWrongKey = -24;   // neither cipher's key opens the file
constexpr short kEncNotPlaced = 105;  // the output could not be put in place

enum : int { kEncryptMode = 1, kDecryptMode = 2 };

// Loads jqencr.dll from the install folder and binds its ten exports; 1 when loaded.
int LoadEncryptionEngine();
void FreeEncryptionEngine();
// The keys of the options made from their key text (the library must be loaded).
void MakeEncryptionKeys(EncryptionOptions* options, int mode);
// Both key fields filled with spaces.
void ClearEncryptionKeys(EncryptionOptions* options);

// Encrypts or decrypts one file into `target` (a MAX_PATH buffer). An existing target is asked
// about (dialog 176) unless overwrite is set, and replaced only after the new file is complete;
// the source is wiped only after its output is in place.
short ProcessEncryptionFile(EncryptionOptions* options, int mode, const char* source, char* target);
// Walks a pattern ("C:\a\*.txt") into a target folder (ending in a backslash): 1 done, 2 stop.
int EncryptFolderEntries(const char* pattern, const char* targetFolder, int mode, uint32_t subfolders);
// Shows the message of a result code for a file: 1 go on, 2 stop.
int ShowEncryptionError(short code, const char* name);

// Quoted lists ("a" "b\*.*" ...).
// The name after `position` (0: from the start) into `name` (MAX_PATH); the position after its
// closing quote, or 0 when no opening quote is left.
size_t NextQuotedName(size_t position, const char* list, char* name);
int CountQuotedNames(const char* list);
bool ListNeedsFolderTarget(const char* list);
// true (with a backslash appended, trailing white space removed) when the path ends in a
// backslash or is an existing folder.
bool EnsureFolderTarget(char* path);

// ---- Wipe ------------------------------------------------------------------------------------

// 0, or 105 when the file could not be opened, overwritten, truncated or deleted.
short WipeFile(const char* path);
// A pattern ("C:\a\*.*") or one file path: every match wiped, folders walked and removed once
// empty; junctions and symbolic links are removed as links, never entered. 0 or the first
// non-zero result.
short WipeFolder(const char* pattern);

// ---- File date and time ------------------------------------------------------------------------

// The time the fields of dialog 187 describe, checked: false for a date that does not exist
// (31 February) or an out-of-range field.
bool ReadDateTimeFields(HWND dialog, SYSTEMTIME* time);
// Stamps the local time on every selected file of the active list (folders skipped).
void ApplyDateTimeToSelection(const SYSTEMTIME* localTime);

// ---- About box -------------------------------------------------------------------------------

// "Count" of [Usage] in jqnavig.ini in the install folder; 0 when absent.
int ReadUsageCount();
