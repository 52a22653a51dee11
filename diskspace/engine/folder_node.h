// The folder and drive records of the size tree, their locks and lists, and the program-wide
// values the engine shares with the windows.
//
// The engine owns the shape of the tree: every node knows its parent, its first child and its
// next sibling, and a scan changes that shape only under the parent's lock. The folder tree
// control mirrors it: the engine posts VM_NODEADDED / VM_NODEREMOVED to the view window and
// the GUI thread inserts or deletes the items (and alone writes `mainItem` / `searchItem`).
// Nodes are retired, never freed, while the program runs, so a stale pointer is always safe
// to test with IsFolderNode / IsDriveNode.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <atomic>
#include <cstdint>
#include <string>

struct DriveNode;
struct ScanThreadEntry;

constexpr uint32_t kNodeMagic = 0x12345678;
constexpr uint32_t kNodeBeingDeleted = 0x1234FFFF;  // `attributes` of a node whose item goes

enum NodeKind : uint8_t { kFolderNodeKind = 10, kDriveNodeKind = 11 };
enum CalcState : uint8_t { kCalcNever = 0, kCalcIdle = 1, kCalcRunning = 2 };

// FolderNode::flags
enum : uint8_t {
  kNodeDiskDataValid = 0x01,    // drive nodes: the disk data was read
  kNodeFilesListed = 0x02,      // the folder's own files were counted
  kNodeSubtreeComplete = 0x04,  // this folder and every folder below it were counted
  kNodeCounted = 0x08,          // the parent's completeSubfolders includes this node
  kNodeDetached = 0x10,         // taken out of the tree (retired or being retired)
};

// A re-entrant lock of one node. Cheap to create (no kernel object per folder); a thread that
// waits sleeps on the owner word. A lock whose owner thread has died (terminated) is taken
// over by the next thread that waits for it, as an abandoned mutex would be.
struct NodeMutex {
  std::atomic<DWORD> owner{0};  // thread id, 0 when free
  DWORD depth = 0;              // nesting of the owner
  std::atomic<LONG> waiters{0}; // threads sleeping on `owner`
};
constexpr DWORD kLockSliceMs = 40;  // the GUI thread's wait slice

struct FolderNode {
  std::atomic<uint32_t> magic{kNodeMagic};  // 0 once retired
  uint8_t kind = kFolderNodeKind;
  std::atomic<uint8_t> calcState{kCalcNever};
  uint8_t shownInMainList = 0;    // GUI thread: the row is in the main tree's size list
  uint8_t shownInSearchList = 0;  // GUI thread: the same for the find-results tree
  std::atomic<uint8_t> flags{0};  // kNode* bits; changed under the node's lock

  // The sums, 64-bit, changed only under the node's lock. Read them under LockNode, or with
  // ReadNodeSums, for values that belong together.
  uint64_t filesSize = 0;            // reported sizes of the folder's own files
  uint64_t subfoldersSize = 0;       // filesSize + subfoldersSize of all child folders
  uint64_t filesAllocated = 0;       // own files rounded up to clusters, plus one cluster
  uint64_t subfoldersAllocated = 0;  // the same over the child folders
  uint64_t fileCount = 0;            // files in the folder itself
  uint64_t subfolderCount = 0;       // child folder nodes
  uint64_t completeSubfolders = 0;   // child folders whose subtree is complete

  // Shell identity, made on first use (NodeIdList / NodeParentFolder): a scan does not parse
  // every folder through the shell. `relativeIdList` points at the last item inside
  // `absoluteIdList` (for the root and the drives it is a list of its own, owned).
  std::atomic<LPITEMIDLIST> absoluteIdList{nullptr};
  LPITEMIDLIST relativeIdList = nullptr;
  std::atomic<IShellFolder*> parentFolder{nullptr};
  uint32_t attributes = 0;  // shell attribute bits (SFGAO_*), kNodeBeingDeleted while it goes

  HTREEITEM mainItem = nullptr;    // GUI thread only
  HTREEITEM searchItem = nullptr;  // GUI thread only
  DriveNode* drive = nullptr;      // a drive node points to itself; 0 for the root
  NodeMutex lock;

  FILETIME created{};       // the folder's creation time
  FILETIME newestAccess{};  // latest last-access time seen (folder's own, raised by files)
  FILETIME newestWrite{};   // latest last-write time seen

  // The engine's own tree. Links change under the parent's lock; `parent` never changes.
  FolderNode* parent = nullptr;
  FolderNode* firstChild = nullptr;
  FolderNode* nextSibling = nullptr;
  wchar_t* name = nullptr;  // the folder's name on disk ("C:" for a drive, 0 for the root); owned

  // Free for the view (the GUI thread): e.g. the size list's row bookkeeping.
  LPARAM viewData = 0;
};

struct DriveNode : FolderNode {
  uint8_t driveLetter = 0;          // 1 = A .. 26 = Z
  uint32_t findScanChoice = 0;      // folder search: 1 scan unfinished folders, 2 do not
  uint32_t driveType = 0;           // GetDriveType of the root (3 fixed, 4 remote, ...)
  std::atomic<ScanThreadEntry*> busyScan{nullptr};  // the scan walking this drive, 0 when none
  std::atomic<uint32_t> clusterSize{0};  // bytes per cluster, 0 = not yet known (any thread)
  uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  double totalBytes = 0;            // capacity
  double freeBytes = 0;             // free space for the caller
};

// New records (magic set, kind 10 / 11, a drive pointing at itself). Not linked anywhere.
FolderNode* NewFolderNode();
DriveNode* NewDriveNode();

// Validity: not null, alive (magic), of the kind asked. Every engine entry checks this first.
BOOL IsFolderNode(const FolderNode* p);  // a folder or a drive node
BOOL IsDriveNode(const FolderNode* p);   // a drive node
inline DriveNode* AsDrive(FolderNode* p) { return IsDriveNode(p) ? static_cast<DriveNode*>(p) : nullptr; }

// The node's lock. On the GUI thread (g_uiThreadId) the wait goes in slices of at most 40 ms
// and dispatches waiting messages between them (unless this thread already holds another
// node's lock); elsewhere it waits without limit. Re-entrant. Order: a thread that holds a
// node's lock may lock that node's ancestors, never its descendants.
void LockNode(FolderNode* node);
void UnlockNode(FolderNode* node);
// RAII form; does nothing for a null node.
class NodeLock {
 public:
  explicit NodeLock(FolderNode* node) : node_(node) { if (node_) LockNode(node_); }
  ~NodeLock() { if (node_) UnlockNode(node_); }
  NodeLock(const NodeLock&) = delete;
  NodeLock& operator=(const NodeLock&) = delete;
 private:
  FolderNode* node_;
};

// The numbers of a node taken together under its lock.
struct NodeSums {
  uint64_t filesSize, subfoldersSize, filesAllocated, subfoldersAllocated;
  uint64_t fileCount, subfolderCount, completeSubfolders;
  uint8_t flags, calcState;
  FILETIME created, newestAccess, newestWrite;
};
BOOL ReadNodeSums(FolderNode* node, NodeSums* out);  // 0 for an invalid node

// Tree walking over the engine's links (take LockNode(parent) while walking its children
// when a scan may run; the pointers stay valid anyway).
inline FolderNode* FirstChildNode(const FolderNode* n) { return n ? n->firstChild : nullptr; }
inline FolderNode* NextSiblingNode(const FolderNode* n) { return n ? n->nextSibling : nullptr; }
inline FolderNode* ParentNode(const FolderNode* n) { return n ? n->parent : nullptr; }

// The node's file-system path: "C:\" for a drive, "C:\a\b" for a folder; empty for the root.
std::wstring GetNodePathW(const FolderNode* node);
// The same in the ANSI code page, at most `size` - 1 characters; 0 when there is no path or it
// does not fit.
BOOL GetNodePath(const FolderNode* node, char* out, int size = MAX_PATH);
// The node's name (the folder's name on disk; "C:" for a drive) in the ANSI code page.
std::string GetNodeName(const FolderNode* node);

// The absolute id list (made from the path on first use; 0 when the shell cannot parse it)
// and the parent folder (bound on first use; no reference added for the caller).
LPITEMIDLIST NodeIdList(FolderNode* node);
LPITEMIDLIST NodeRelativeIdList(FolderNode* node);
IShellFolder* NodeParentFolder(FolderNode* node);

// Node lists: a singly linked list of node pointers with its own lock.
struct NodeListLink;
struct NodeList {
  NodeListLink* head = nullptr;
  NodeListLink* tail = nullptr;
  HANDLE mutex = nullptr;  // created by InitNodeList
};
void InitNodeList(NodeList* list);
void EndNodeList(NodeList* list);  // clears and closes the lock
void NodeListAppend(NodeList* list, FolderNode* node);
FolderNode* NodeListTakeFirst(NodeList* list);  // 0 when empty
FolderNode* NodeListPeekFirst(NodeList* list);
BOOL NodeListRemove(NodeList* list, FolderNode* node);
BOOL NodeListContains(NodeList* list, FolderNode* node);
FolderNode* RemoveNodeById(NodeList* list, LPCITEMIDLIST idList);
FolderNode* FindNodeById(NodeList* list, LPCITEMIDLIST idList);
void NodeListClear(NodeList* list);  // frees the links, not the nodes

// Taking a node out of the tree (a folder gone from disk, or deleted by the user): its sums
// leave every ancestor, the parent's counts fall, the node and everything below it are
// retired, and VM_NODEREMOVED is posted for the node (the GUI deletes its items; their
// TVN_DELETEITEM must not call back into the engine). A drive or the root is refused (0).
// Never stops a running scan: a queued retired node is skipped.
BOOL RemoveFolderNode(FolderNode* node);
// The same for drive nodes (drives gone from the system), used by the drive list.
BOOL RemoveDriveNode(DriveNode* node);

// ---- Messages the engine sends to the view window (SetNodeViewWindow), always on the GUI
// thread and in the order they were made: a worker's are queued and handed over by the engine's
// window every 30 ms; on the GUI thread they are sent at once (after any still queued).
// wParam = the node.
constexpr UINT VM_NODEADDED = WM_APP + 0x301;    // a new node (parent 0: the root, which
                                                 // becomes the root item of both trees); else
                                                 // a new child: insert it under
                                                 // node->parent->mainItem as its first child
                                                 // (skip when the node is invalid, already has
                                                 // an item, or the parent has none yet)
constexpr UINT VM_NODEREMOVED = WM_APP + 0x302;  // retired: delete node->mainItem and searchItem
constexpr UINT VM_NODESCHANGED = WM_APP + 0x303; // numbers changed: repaint the rows shown. Sent
                                                 // on the GUI thread at most every 100 ms while
                                                 // numbers change (AcknowledgeNodesChanged is
                                                 // kept for old callers; it does nothing)
constexpr UINT VM_SCANDONE = WM_APP + 0x304;     // a scan ended at node: re-sort and redraw from
                                                 // its item, align the size list
constexpr UINT VM_SCANSTATE = WM_APP + 0x305;    // the running-scan count changed: update the
                                                 // menus and the toolbar (wParam 0)
constexpr UINT VM_NODELABEL = WM_APP + 0x306;    // a drive's or the root's label / icons / the
                                                 // item's children flag should be refreshed

void SetNodeViewWindow(HWND window);
// Batched additions: with batching on, a scan reports one VM_NODEADDED per folder listing for
// all the children it found: wParam = the newest child, lParam = n, meaning that node and the
// n - 1 nodes that follow it on its nextSibling chain (walk them under LockNode(parent); skip
// invalid ones and ones that have an item). lParam 0 or 1 is one node. Off by default (one
// message per node, which the queued hand-over already makes cheap).
void SetNodeViewBatching(BOOL batch);
HWND GetNodeViewWindow();
void AcknowledgeNodesChanged();
// Used by the engine: sends or posts one of the messages above (nothing without a window).
void NotifyView(UINT message, FolderNode* node, LPARAM lParam = 0);
void NotifyNodesChanged();

// The engine's own message-only window on the GUI thread (made by InitScanEngine): re-scan
// timers and the paced VM_NODESCHANGED run on it.
HWND EngineWindow();
constexpr UINT kMsgArmRescan = WM_APP + 0x340;   // wParam node, lParam delay (ms)
constexpr UINT kMsgArmChanged = WM_APP + 0x341;  // start the VM_NODESCHANGED timer
constexpr UINT kMsgArmDeliver = WM_APP + 0x342;  // start the timer that hands workers' view
                                                 // messages over
constexpr UINT kNodesChangedDelayMs = 100;

// ---- Program-wide values shared by the engine and the windows. The GUI start-up sets them.
extern DWORD g_uiThreadId;           // the GUI thread (InitScanEngine stores the caller's id)
extern HWND g_mainWindow;            // the main window (re-scan timers are armed on it)
extern std::atomic<BOOL> g_shuttingDown;  // set by WM_DESTROY of the pane dialog / main window
extern BOOL g_isNT;                  // Windows NT (platform 2)
extern BOOL g_isOSR2;                // Windows 95 OSR2 or later (platform 1, build > 1000)
extern BOOL g_startFolderGiven;      // the command line named an existing folder
extern BOOL g_changeNotification;    // the change feed runs on change notifications
extern FolderNode* g_rootNode;       // the root (the shell's drives folder), 0 before the first
                                     // EnumerateDriveNodes
extern NodeList g_retiredNodes;      // retired nodes, freed by ShutdownScanEngine
extern NodeList g_watchedFolders;    // folders some change watcher watches (change feed)
