// Internet shortcut items: a name and a web address that buttons and start-menu entries can
// stand for, read from and written to ".url" files, edited in a dialog, and opened through a
// temporary ".url" file handed to the shell.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

namespace jqbar {

// Both strings are always there (empty when none).
struct UrlShortcut {
  std::string name;
  std::string url;
};

// The longest address kept: longer ones are cut.
inline constexpr std::size_t kMaxUrlLength = 259;
// The scan limit of ParseUrlShortcutText when no size is given.
inline constexpr std::size_t kUrlTextScanLimit = 30000;

// A record holding copies of both texts (null gives an empty text). Null when memory runs out.
UrlShortcut* NewUrlShortcut(const char* name, const char* url);
void FreeUrlShortcut(UrlShortcut* shortcut);

// A ".url" file: the name is the file's base name (no folder, no extension), the address the
// "URL" value of its "InternetShortcut" section (empty when missing, cut at 259 characters).
UrlShortcut* ReadUrlShortcutFile(const char* path);

// The text of a ".url" file held in memory: the address is what follows the first "URL="
// (any letter case, anywhere) up to the end of its line, a carriage return before the line feed
// left out, at most 259 characters. The scan never reads past `size` bytes (nor past a NUL);
// size 0 scans at most 30000 characters up to a NUL. No "URL=" gives an empty address.
UrlShortcut* ParseUrlShortcutText(const char* name, const char* text, std::size_t size);

// Writes "[InternetShortcut]" and "URL=<address>" to "<folder>\<name>.url", the name stripped
// of \ / : * ? " < > | ("url" when nothing is left). The file replaces an existing one of that
// name only once it is written whole. 1 with the path in *path (may be null), 0 when the file
// cannot be written.
int WriteUrlShortcutFile(const UrlShortcut* shortcut, const char* folder, std::string* path);

// Dialog 690: the name and the address (buffers of 260 characters). 1 when the user changed
// either and pressed OK (the buffers then hold the new texts), else 0.
int EditUrlShortcutDialog(HWND owner, char* name, char* url);
// While dialog 690 is open the configuration dialog is disabled; its library supplies how.
void SetConfigDialogEnabler(void (*enable)(BOOL enabled));

// Writes the record to the toolbar's temporary folder (the previous temporary file removed
// first) and opens it with the shell's default verb. The shell's success, 0 when the file
// cannot be written (nothing is opened then).
int OpenUrlShortcut(const UrlShortcut* shortcut);
// The folder OpenUrlShortcut writes into (the toolbar's "~JQTEMP", with a final backslash).
void SetUrlShortcutTempFolder(const std::string& folder);
// The path of the last temporary file written, empty when none.
const std::string& LastUrlTempFile();

// The large and small icons of Internet shortcuts: the file and index of the
// "InternetShortcut\DefaultIcon" value of HKEY_CLASSES_ROOT (that file in the system folder when
// it does not load from where it is named), else index 1 of shell32.dll. Nonzero on success.
int LoadUrlShortcutIcons();
// The same from another classes root (tests point it at a key of their own).
int LoadUrlShortcutIconsFrom(HKEY classesRoot);
void FreeUrlShortcutIcons();
HICON UrlShortcutIcon(bool large);
// Where the icons came from: the file as it was loaded and the index.
const std::string& UrlShortcutIconFile();
int UrlShortcutIconIndex();

}  // namespace jqbar
