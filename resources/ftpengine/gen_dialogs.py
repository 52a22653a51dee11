# Writes ftp_dialogs.rc: the FTP engine's dialogs (password 239, status 10003, progress 10006)
# and the file manager's FTP dialogs (site 10002, edit warning 10004, download 10005), in
# Traditional and Simplified Chinese.
#   python3 gen_dialogs.py
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from rc_dialogs import dialog, dialog_blocks  # noqa: E402

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
MODAL = 'DS_MODALFRAME | DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU'


def block(i):
    t = {k: v[i] for k, v in T.items()}
    def ok_cancel(x, y):
        return [f'DEFPUSHBUTTON "{t["ok"]}", IDOK, {x}, {y}, 50, 16',
                f'PUSHBUTTON "{t["cancel"]}", IDCANCEL, {x + 56}, {y}, 50, 16']
    engine = dialog_blocks(
        dialog('IDD_FTP_PASSWORD', 220, 74, MODAL, [
            f'LTEXT "{t["pw_label"]}", -1, 8, 8, 204, 10',
            'EDITTEXT IDC_FTP_PASSWORD, 8, 22, 204, 14, ES_PASSWORD | ES_AUTOHSCROLL',
        ] + ok_cancel(106, 50), caption=t['pw_title']),
        dialog('IDD_FTP_STATUS', 300, 82, 'DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX', [
            f'LTEXT "{t["st_server"]}", -1, 8, 8, 40, 10',
            'LTEXT "", IDC_FTP_SERVER, 50, 8, 180, 10, SS_ENDELLIPSIS',
            f'LTEXT "{t["st_state"]}", -1, 8, 22, 40, 10',
            'LTEXT "", IDC_FTP_STATE, 50, 22, 180, 10',
            f'AUTOCHECKBOX "{t["st_hide_conn"]}", IDC_FTP_HIDE_ON_CONNECT, 8, 40, 90, 12',
            f'AUTOCHECKBOX "{t["st_queue"]}", IDC_FTP_SHOW_QUEUE, 100, 40, 80, 12',
            f'AUTOCHECKBOX "{t["st_text"]}", IDC_FTP_SHOW_TEXT, 182, 40, 110, 12',
            f'PUSHBUTTON "{t["st_hide"]}", IDC_FTP_HIDE, 242, 6, 50, 14',
            f'PUSHBUTTON "{t["st_disc"]}", IDC_FTP_DISCONNECT, 242, 22, 50, 14',
            f'PUSHBUTTON "{t["help"]}", IDC_FTP_HELP, 186, 58, 50, 14',
            f'PUSHBUTTON "{t["cancel"]}", IDCANCEL, 242, 58, 50, 14',
            'LISTBOX IDC_FTP_LOG, 8, 100, 284, 60, LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP',
            'CONTROL "", IDC_FTP_QUEUE, "SysListView32", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP, 8, 170, 284, 60',
        ], caption=t['st_title'], exstyle='WS_EX_TOOLWINDOW'),
        dialog('IDD_FTP_TRANSFER', 260, 112, 'DS_SHELLFONT | WS_POPUP | WS_CAPTION | WS_VISIBLE', [
            'CONTROL "", IDC_FTP_ANIMATION, "SysAnimate32", ACS_TRANSPARENT | ACS_CENTER, 8, 4, 244, 24',
            'LTEXT "", IDC_FTP_COPYING, 8, 32, 244, 10, SS_PATHELLIPSIS',
            'LTEXT "", IDC_FTP_FROM, 8, 44, 244, 10, SS_PATHELLIPSIS',
            'LTEXT "", IDC_FTP_TO, 8, 56, 244, 10, SS_PATHELLIPSIS',
            'CONTROL "", IDC_FTP_PROGRESS, "msctls_progress32", WS_BORDER, 8, 70, 244, 10',
            'LTEXT "", IDC_FTP_TRANSFER_TEXT, 8, 84, 244, 10',
            f'PUSHBUTTON "{t["cancel"]}", IDCANCEL, 202, 94, 50, 14',
        ], caption=t['tr_title']))
    manager = dialog_blocks(
        dialog('IDD_FTP_SITE', 260, 206, MODAL, [
            f'LTEXT "{t["site_name"]}", -1, 8, 10, 62, 10',
            'EDITTEXT IDC_FTP_SITE_NAME, 72, 8, 180, 14, ES_AUTOHSCROLL',
            f'LTEXT "{t["site_host"]}", -1, 8, 28, 62, 10',
            'EDITTEXT IDC_FTP_HOST, 72, 26, 120, 14, ES_AUTOHSCROLL',
            f'LTEXT "{t["site_port"]}", -1, 196, 28, 26, 10',
            'EDITTEXT IDC_FTP_PORT, 222, 26, 30, 14, ES_NUMBER',
            f'LTEXT "{t["site_login"]}", -1, 8, 46, 62, 10',
            'EDITTEXT IDC_FTP_LOGIN, 72, 44, 180, 14, ES_AUTOHSCROLL',
            f'LTEXT "{t["site_pw"]}", -1, 8, 64, 62, 10',
            'EDITTEXT IDC_FTP_PASSWORD, 72, 62, 180, 14, ES_PASSWORD | ES_AUTOHSCROLL',
            f'LTEXT "{t["site_acct"]}", -1, 8, 82, 62, 10',
            'EDITTEXT IDC_FTP_ACCOUNT, 72, 80, 180, 14, ES_AUTOHSCROLL',
            f'LTEXT "{t["site_dir"]}", -1, 8, 100, 62, 10',
            'EDITTEXT IDC_FTP_START_DIR, 72, 98, 180, 14, ES_AUTOHSCROLL',
            f'LTEXT "{t["site_desc"]}", -1, 8, 118, 62, 10',
            'EDITTEXT IDC_FTP_DESCRIPTION, 72, 116, 180, 30, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL',
            f'AUTOCHECKBOX "{t["site_passive"]}", IDC_FTP_PASSIVE, 72, 152, 120, 12',
        ] + ok_cancel(90, 184) + [
            f'PUSHBUTTON "{t["help"]}", IDC_FTP_HELP, 202, 184, 50, 16',
        ], caption=t['site_title']),
        dialog('IDD_FTP_EDIT_WARNING', 240, 90, MODAL, [
            'ICON 32515, -1, 8, 8, 20, 20',
            f'LTEXT "{t["warn_text"]}", -1, 36, 8, 196, 36',
            f'AUTOCHECKBOX "{t["warn_check"]}", IDC_FTP_DONT_WARN, 36, 48, 196, 12',
        ] + ok_cancel(126, 68), caption=t['warn_title']),
        dialog('IDD_FTP_DOWNLOAD', 280, 220, MODAL + ' | WS_THICKFRAME', [
            f'LTEXT "{t["dl_dest"]}", -1, 8, 8, 264, 10',
            'COMBOBOX IDC_FTP_DESTINATION, 8, 20, 264, 120, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP',
            'CONTROL "", IDC_FTP_PICKER, "SysTreeView32", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 8, 38, 264, 90',
            f'LTEXT "{t["dl_items"]}", -1, 8, 132, 264, 10',
            'CONTROL "", IDC_FTP_LIST, "SysListView32", LVS_LIST | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP, 8, 144, 264, 46',
            f'AUTOCHECKBOX "{t["dl_binary"]}", IDC_FTP_BINARY, 8, 200, 100, 12',
        ] + ok_cancel(166, 198), caption=t['dl_title']),
        '\n'.join(['STRINGTABLE', 'BEGIN'] + [f'  {sid}, "{t[key]}"' for sid, key in (
            (40170, 'm_new'), (40171, 'm_edit'), (40173, 'm_down'), (40174, 'm_up'), (40175, 'm_del'),
            (40177, 'm_root'))] + ['END']))
    return engine, manager


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
