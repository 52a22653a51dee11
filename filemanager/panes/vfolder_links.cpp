// The panes' links to the archive folders (the FTP side is the FTP engine's).
#include "vfolder_links.h"
#include <cstring>
#include "file_pane.h"
#include "pidl.h"
#include <commctrl.h>

ArchiveFolderHooks g_archiveFolderHooks;

void OpenArchivePaneItem(int pane) {
  if (g_archiveFolderHooks.openItem) g_archiveFolderHooks.openItem(pane);
  else MessageBeep(0);
}

void OpenArchiveAsFolder(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list) {
  if (g_archiveFolderHooks.openFolder) {
    g_archiveFolderHooks.openFolder(pane, folder, item, list);
    return;
  }
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  FilePanes[pane].itemCount = 0;
  FilePanes[pane].totalSize = 0;
  // No archive engine: nothing can be listed.
  MessageBeep(MB_ICONHAND);
}
