// Which commands are possible right now: one flag per command group, built afresh from the
// keyboard focus (the active pane's list or tree), the selection and its shell attributes, the
// kind of folder shown, the clipboard, the other instances and the pane's history, then applied
// to the menu (when it opens) and to the toolbar (after every selection or focus change).
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstdint>
#include <vector>

constexpr int kAvailabilityFlags = 45;

struct CommandAvailability {
  uint32_t flags[kAvailabilityFlags];
};

// The command of each flag index (0 where the index stands for no command or for several).
UINT AvailabilityCommand(int index);

// Tree-item kind bits as the rules read them: FTP item, FTP site, and the two FTP states.
enum : UINT {
  kAvailFtpItem = 1,
  kAvailFtpSite = 2,
  kAvailFtpState2 = 4,
  kAvailFtpState3 = 8,
};

// One selected list item as the list rules see it.
struct SelectedItemFacts {
  bool hasRecord;  // false for the up entry
  ULONG attributes;
  bool isArchive;  // an archive file (by its extension)
  bool isZip;      // ... a .zip
};

// What the list rules read besides the selection.
struct ListRulesInput {
  bool archivePane;       // the pane lists an archive
  bool zipArchivePane;    // ... which is a .zip
  UINT treeFolderKind;    // kAvail* bits of the tree's selected folder
  bool siblingZipFolder;  // the pane shows a folder inside a .zip of the sibling product
  std::vector<SelectedItemFacts> selection;
};

// What the tree rules read: the tree's selected folder.
struct TreeRulesInput {
  UINT kind;              // kAvail* bits
  ULONG attributes;       // SFGAO bits queried with mask 0x60000177
  bool attributesKnown;   // the folder answered the attribute query
  bool archiveOrSiblingPane;
  bool siblingZipItem;    // the item is a zip folder of the sibling product
  bool siblingReportsZip;
  bool isZipFile;         // the item is a .zip file shown in the tree
};

void BuildListAvailability(const ListRulesInput& input, CommandAvailability* a);
void BuildTreeAvailability(const TreeRulesInput& input, CommandAvailability* a);

// The common additions read from the running program.
// Paste: the active tree's selection is not its root, the clipboard holds files (or, in a shell
// folder that is no archive pane, a file group or an object descriptor) and the folder takes drops.
bool PasteAvailable(bool treeRootSelected, bool archivePane, ULONG folderAttributes,
                    bool (*clipboardHas)(UINT format));
// Another top-level window of the program's class exists.
bool OtherInstancesExist(HWND self);

// Builds the record for the current focus as the toolbar wants it (list rules for the active
// list, tree rules otherwise, then paste, instances, up and history). FALSE when the windows it
// needs do not exist.
BOOL BuildToolbarAvailability(CommandAvailability* a);
// The same for the menu: list rules when the focus is the active list, tree rules when it is the
// active tree, nothing otherwise; then paste, instances, up and history.
void BuildMenuAvailability(CommandAvailability* a);

// The toolbar after a selection or focus change.
void UpdateCommandStates();
// WM_INITMENU: the menu bar's enabled, checked and radio items and the Undo text.
void UpdateMenuStates(HWND window, HMENU menu);
void ApplyAvailabilityToMenu(HMENU menu, const CommandAvailability& a);
void ApplyAvailabilityToToolbar(HWND toolbar, const CommandAvailability& a);
// TTN_NEEDTEXTA: the tooltip of a button id into `buffer`; FALSE when there is none.
BOOL GetToolbarTipText(UINT id, char* buffer, int size);
// The description of the shell's Undo command; the shell view host sets it (empty: none).
extern char g_shellUndoText[80];
