# Writes ftp_dialogs.rc: the FTP engine's dialogs (password 239, status 10003, progress 10006)
# and the file manager's FTP dialogs (site 10002, edit warning 10004, download 10005), in
# Traditional and Simplified Chinese.
#   python3 gen_dialogs.py
T = {
 "pw_title": ("密碼", "密码"), "pw_label": ("請輸入這個 FTP 站台的密碼:", "请输入这个 FTP 站点的密码:"),
 "ok": ("確定", "确定"), "cancel": ("取消", "取消"), "help": ("說明", "帮助"),
 "st_title": ("FTP 狀態", "FTP 状态"), "st_server": ("伺服器:", "服务器:"), "st_state": ("狀態:", "状态:"),
 "st_hide_conn": ("連線後隱藏(&O)", "连接后隐藏(&O)"), "st_queue": ("顯示佇列(&Q)", "显示队列(&Q)"),
 "st_text": ("顯示伺服器訊息(&T)", "显示服务器消息(&T)"), "st_hide": ("隱藏(&H)", "隐藏(&H)"),
 "st_disc": ("中斷連線(&D)", "断开连接(&D)"),
 "tr_title": ("FTP 傳輸", "FTP 传输"),
 "site_name": ("站台名稱(&N):", "站点名称(&N):"), "site_host": ("位址(&A):", "地址(&A):"),
 "site_port": ("連接埠(&P):", "端口(&P):"), "site_login": ("登入名稱(&L):", "登录名(&L):"),
 "site_pw": ("密碼(&W):", "密码(&W):"), "site_acct": ("帳戶(&C):", "账户(&C):"),
 "site_dir": ("起始目錄(&S):", "起始目录(&S):"), "site_desc": ("描述(&E):", "描述(&E):"),
 "site_passive": ("被動模式(&V)", "被动模式(&V)"), "site_title": ("FTP 站台", "FTP 站点"),
 "warn_title": ("編輯遠端檔案", "编辑远程文件"),
 "warn_text": ("檔案會下載到暫存資料夾後開啟。在那裡所做的變更不會傳回 FTP 伺服器。",
               "文件会下载到临时文件夹后打开。在那里所做的更改不会传回 FTP 服务器。"),
 "warn_check": ("不要再顯示這個訊息(&D)", "不要再显示此消息(&D)"),
 "dl_title": ("下載到", "下载到"), "dl_dest": ("目的資料夾(&D):", "目标文件夹(&D):"),
 "m_new": ("新增 FTP 站台(&N)...", "新建 FTP 站点(&N)..."), "m_edit": ("編輯 FTP 站台(&E)...", "编辑 FTP 站点(&E)..."),
 "m_down": ("下載(&D)...", "下载(&D)..."), "m_up": ("上傳(&U)...", "上传(&U)..."),
 "m_del": ("刪除 FTP 站台(&L)", "删除 FTP 站点(&L)"), "m_root": ("FTP 站台(&P)", "FTP 站点(&P)"),
 "dl_binary": ("二進位模式(&B)", "二进制模式(&B)"), "dl_items": ("要下載的項目:", "要下载的项目:"),
}
def block(i):
    t = {k: v[i] for k, v in T.items()}
    return f'''
IDD_FTP_PASSWORD DIALOGEX 0, 0, 220, 74
STYLE DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "{t['pw_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  LTEXT "{t['pw_label']}", -1, 8, 8, 204, 10
  EDITTEXT IDC_FTP_PASSWORD, 8, 22, 204, 14, ES_PASSWORD | ES_AUTOHSCROLL
  DEFPUSHBUTTON "{t['ok']}", IDOK, 106, 50, 50, 16
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 162, 50, 50, 16
END

IDD_FTP_STATUS DIALOGEX 0, 0, 300, 82
STYLE DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
EXSTYLE WS_EX_TOOLWINDOW
CAPTION "{t['st_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  LTEXT "{t['st_server']}", -1, 8, 8, 40, 10
  LTEXT "", IDC_FTP_SERVER, 50, 8, 180, 10, SS_ENDELLIPSIS
  LTEXT "{t['st_state']}", -1, 8, 22, 40, 10
  LTEXT "", IDC_FTP_STATE, 50, 22, 180, 10
  AUTOCHECKBOX "{t['st_hide_conn']}", IDC_FTP_HIDE_ON_CONNECT, 8, 40, 90, 12
  AUTOCHECKBOX "{t['st_queue']}", IDC_FTP_SHOW_QUEUE, 100, 40, 80, 12
  AUTOCHECKBOX "{t['st_text']}", IDC_FTP_SHOW_TEXT, 182, 40, 110, 12
  PUSHBUTTON "{t['st_hide']}", IDC_FTP_HIDE, 242, 6, 50, 14
  PUSHBUTTON "{t['st_disc']}", IDC_FTP_DISCONNECT, 242, 22, 50, 14
  PUSHBUTTON "{t['help']}", IDC_FTP_HELP, 186, 58, 50, 14
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 242, 58, 50, 14
  LISTBOX IDC_FTP_LOG, 8, 100, 284, 60, LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP
  CONTROL "", IDC_FTP_QUEUE, "SysListView32", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP, 8, 170, 284, 60
END

IDD_FTP_TRANSFER DIALOGEX 0, 0, 260, 112
STYLE DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_VISIBLE
CAPTION "{t['tr_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  CONTROL "", IDC_FTP_ANIMATION, "SysAnimate32", ACS_TRANSPARENT | ACS_CENTER, 8, 4, 244, 24
  LTEXT "", IDC_FTP_COPYING, 8, 32, 244, 10, SS_PATHELLIPSIS
  LTEXT "", IDC_FTP_FROM, 8, 44, 244, 10, SS_PATHELLIPSIS
  LTEXT "", IDC_FTP_TO, 8, 56, 244, 10, SS_PATHELLIPSIS
  CONTROL "", IDC_FTP_PROGRESS, "msctls_progress32", WS_BORDER, 8, 70, 244, 10
  LTEXT "", IDC_FTP_TRANSFER_TEXT, 8, 84, 244, 10
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 202, 94, 50, 14
END
''', f'''
IDD_FTP_SITE DIALOGEX 0, 0, 260, 206
STYLE DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "{t['site_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  LTEXT "{t['site_name']}", -1, 8, 10, 62, 10
  EDITTEXT IDC_FTP_SITE_NAME, 72, 8, 180, 14, ES_AUTOHSCROLL
  LTEXT "{t['site_host']}", -1, 8, 28, 62, 10
  EDITTEXT IDC_FTP_HOST, 72, 26, 120, 14, ES_AUTOHSCROLL
  LTEXT "{t['site_port']}", -1, 196, 28, 26, 10
  EDITTEXT IDC_FTP_PORT, 222, 26, 30, 14, ES_NUMBER
  LTEXT "{t['site_login']}", -1, 8, 46, 62, 10
  EDITTEXT IDC_FTP_LOGIN, 72, 44, 180, 14, ES_AUTOHSCROLL
  LTEXT "{t['site_pw']}", -1, 8, 64, 62, 10
  EDITTEXT IDC_FTP_PASSWORD, 72, 62, 180, 14, ES_PASSWORD | ES_AUTOHSCROLL
  LTEXT "{t['site_acct']}", -1, 8, 82, 62, 10
  EDITTEXT IDC_FTP_ACCOUNT, 72, 80, 180, 14, ES_AUTOHSCROLL
  LTEXT "{t['site_dir']}", -1, 8, 100, 62, 10
  EDITTEXT IDC_FTP_START_DIR, 72, 98, 180, 14, ES_AUTOHSCROLL
  LTEXT "{t['site_desc']}", -1, 8, 118, 62, 10
  EDITTEXT IDC_FTP_DESCRIPTION, 72, 116, 180, 30, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL
  AUTOCHECKBOX "{t['site_passive']}", IDC_FTP_PASSIVE, 72, 152, 120, 12
  DEFPUSHBUTTON "{t['ok']}", IDOK, 90, 184, 50, 16
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 146, 184, 50, 16
  PUSHBUTTON "{t['help']}", IDC_FTP_HELP, 202, 184, 50, 16
END

IDD_FTP_EDIT_WARNING DIALOGEX 0, 0, 240, 90
STYLE DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "{t['warn_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  ICON 32515, -1, 8, 8, 20, 20
  LTEXT "{t['warn_text']}", -1, 36, 8, 196, 36
  AUTOCHECKBOX "{t['warn_check']}", IDC_FTP_DONT_WARN, 36, 48, 196, 12
  DEFPUSHBUTTON "{t['ok']}", IDOK, 126, 68, 50, 16
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 182, 68, 50, 16
END

IDD_FTP_DOWNLOAD DIALOGEX 0, 0, 280, 220
STYLE DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME
CAPTION "{t['dl_title']}"
FONT 9, "MS Shell Dlg"
BEGIN
  LTEXT "{t['dl_dest']}", -1, 8, 8, 264, 10
  COMBOBOX IDC_FTP_DESTINATION, 8, 20, 264, 120, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP
  CONTROL "", IDC_FTP_PICKER, "SysTreeView32", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 8, 38, 264, 90
  LTEXT "{t['dl_items']}", -1, 8, 132, 264, 10
  CONTROL "", IDC_FTP_LIST, "SysListView32", LVS_LIST | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP, 8, 144, 264, 46
  AUTOCHECKBOX "{t['dl_binary']}", IDC_FTP_BINARY, 8, 200, 100, 12
  DEFPUSHBUTTON "{t['ok']}", IDOK, 166, 198, 50, 16
  PUSHBUTTON "{t['cancel']}", IDCANCEL, 222, 198, 50, 16
END

STRINGTABLE
BEGIN
  40170, "{t['m_new']}"
  40171, "{t['m_edit']}"
  40173, "{t['m_down']}"
  40174, "{t['m_up']}"
  40175, "{t['m_del']}"
  40177, "{t['m_root']}"
END
'''
engine = ["// Generated by gen_dialogs.py: the FTP engine's dialogs.", '#include "resource_ftp.h"', "",
          "IDB_FTP_QUEUE_STATES BITMAP \"../ftpengine/queue_states.bmp\"",
          "// Drawn by make_transfer_avi.py.",
          "IDR_FTP_ANIMATION AVI \"../ftpengine/transfer.avi\"", ""]
manager = ["// Generated by gen_dialogs.py: the file manager's FTP dialogs.", '#include "resource_ftp.h"', ""]
for i, lang in enumerate(("SUBLANG_CHINESE_TRADITIONAL", "SUBLANG_CHINESE_SIMPLIFIED")):
    e, m = block(i)
    engine += [f"LANGUAGE LANG_CHINESE, {lang}", e]
    manager += [f"LANGUAGE LANG_CHINESE, {lang}", m]
engine.append('#include "ftp_strings.rc"')
open("ftp_engine.rc", "w", encoding="utf-8").write("\n".join(engine) + "\n")
open("ftp_site_dialogs.rc", "w", encoding="utf-8").write("\n".join(manager) + "\n")
