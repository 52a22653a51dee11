// The panes' links to the archive folders, on their "absent" path.
#include "vfolder_links.h"
#include <cstring>
#include "file_pane.h"
#include "pidl.h"
#include <commctrl.h>

void OpenArchiveAsFolder(int pane, IShellFolder*, LPCITEMIDLIST, HWND list) {
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  FilePanes[pane].itemCount = 0;
  FilePanes[pane].totalSize = 0;
  // No archive engine: nothing can be listed.
  MessageBeep(MB_ICONHAND);
}
