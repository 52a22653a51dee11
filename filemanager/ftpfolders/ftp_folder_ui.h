// The file manager's side of the FTP folders: the site editor (dialog 10002) with site
// deletion, the context menu and drop target of FTP items, the upload and download flows with
// the "Download To" dialog 10005 and the hand-off to JQXfr, and opening a remote file.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

#include "ftp_folder.h"

// Plugs the objects above into the FTP engine's folders; called once when the main window is made.
void InstallFtpFolderUi();

int NewFtpSite(HWND owner, FtpFolder* root);
int EditFtpSite(HWND owner, FtpFolder* root, const char* name);
int DeleteFtpSite(HWND owner, FtpFolder* root, const char* name);
int NewFtpSiteForPane(HWND owner, int pane);

int UploadToFtpFolder(HWND owner, FtpFolder* folder);
int UploadFtpPaths(HWND owner, FtpFolder* folder, const std::vector<std::string>& paths);
int UploadDroppedData(HWND owner, FtpFolder* folder, IDataObject* data);
int DownloadFtpItems(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items);
int DownloadFtpItemsToFolder(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items, const char* localFolder);
int OpenFtpFileForEditing(FtpFolder* folder, HWND owner, const char* name);

// The FTP folder a pane's tree node shows (a new reference), or null for a node outside FTP.
FtpFolder* FtpFolderOfTreeItem(int pane, HTREEITEM node);
// The status dialog of the folder's site: 1 when the site has one (visible in *shown).
int IsFtpStatusDialogVisible(FtpFolder* folder, BOOL* shown);
void ToggleFtpStatusDialog(FtpFolder* folder);

// The seam for the "Download To" dialog: a test answers it (destination, binary mode).
using FtpDownloadPrompt = int (*)(HWND owner, const std::vector<std::string>& names, std::string* destination, bool* binary);
void SetFtpDownloadPrompt(FtpDownloadPrompt prompt);
// The seam for the upload file dialog: a test answers it with full paths.
using FtpUploadPrompt = int (*)(HWND owner, std::vector<std::string>* paths);
void SetFtpUploadPrompt(FtpUploadPrompt prompt);
