// The launch bar's buttons: one record per button in a singly linked list, its stored byte image
// ("Launchbar Settings"), and the checks of a button's command file and start folder. The file
// manager's launch bar and the toolbar program's button dialogs both link this.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

struct LaunchButton {
  LaunchButton* next;
  char* command;         // command file (program, document, folder or shortcut); may be null
  char* startDirectory;  // may be null
  char* parameters;      // may be null
  uint32_t showMode;     // SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED (or a link's show command)
  char* label;           // tooltip and list text; may be null
  uint32_t customIcon;   // 1: the icon comes from iconFile and iconIndex
  int32_t iconIndex;
  char* iconFile;        // may be null
  HICON icon;            // the 16x16 icon shown; may be the shared default icon
  int32_t imageIndex;    // index in the customise dialog's image list
};

// Ids 48500 .. 48999 run the buttons: no more buttons than that range holds.
constexpr int kMaxLaunchButtons = 500;
// Bytes of one stored entry before its strings: the 11 record fields as 32-bit words.
constexpr int kLaunchEntryWords = 11;

// The list the bar owns.
LaunchButton*& LaunchButtonList();
// Number of records in the list; 0 when empty.
int CountLaunchButtons();
// The n-th record from 0; null past the end.
LaunchButton* GetLaunchButton(int index);
// Frees every record of the list and clears the head.
void FreeLaunchButtons();

// A new record (show mode 1, no strings, no icon).
LaunchButton* NewLaunchButton();
// Frees one record: its strings, and its icon unless it is `sharedIcon`.
void FreeLaunchButton(LaunchButton* button, HICON sharedIcon);
// Frees a chain of records.
void FreeLaunchButtonChain(LaunchButton* head, HICON sharedIcon);
// Replaces an owned string with a copy of `text` (null stays null).
void SetLaunchString(char** field, const char* text);
// Appends `button` at the end of the chain at `head`.
void AppendLaunchButton(LaunchButton** head, LaunchButton* button);

// The stored image of a chain: u32 count, then per button 11 u32 words (pointer and handle
// words written as 0) and five strings (command, start directory, parameters, label, icon file),
// each a u32 length counting its NUL (0 = absent) and the bytes.
std::vector<uint8_t> EncodeLaunchButtons(const LaunchButton* head);
// Parses a stored image into a new chain (icons not loaded; the custom-icon flag cleared where
// the icon file is absent or empty). Refuses (false, *head null) an image whose count, entries
// or strings do not fit the bytes read exactly, that holds more than kMaxLaunchButtons buttons,
// a string without its terminating NUL or a show mode outside SW_HIDE .. SW_MAX.
bool DecodeLaunchButtons(const uint8_t* data, size_t size, LaunchButton** head);

// The name after leading blanks and tabs, searched on the system path as it stands, then with
// ".", ".PIF", ".EXE", ".COM" and ".BAT": 1 and the full path in `out` when found; 0 (the text
// copied to `out`) for an empty name or when nothing is found.
int IsProgramFile(const char* text, char* out, DWORD size);
// 1 when the folder text (leading blanks and tabs skipped) is empty or names a folder that
// holds at least one entry; 0 otherwise.
int FolderHasFiles(const char* text);
