#!/usr/bin/env python3
"""Writes buttonbar.rc (the button bar's and the command line's strings and dialogs in both
Chinese forms) from the tables below. Run it in this folder."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
from rc_dialogs import dialog, dialog_blocks  # noqa: E402

# id macro -> (Traditional, Simplified)
STRINGS = [
    ('IDS_BB_NEW', '新增按鈕(&N)...', '新建按钮(&N)...'),
    ('IDS_BB_DELETE', '刪除按鈕(&D)', '删除按钮(&D)'),
    ('IDS_BB_PROPERTIES', '按鈕內容(&B)...', '按钮属性(&B)...'),
    ('IDS_BB_NEW_CAPTION', '新增按鈕', '新建按钮'),
    ('IDS_BB_NOT_PROGRAM', '找不到這個命令的程式或文件。仍要使用它嗎？', '找不到这个命令的程序或文档。仍要使用它吗？'),
    ('IDS_BB_NOT_PROGRAM_CAPTION', '找不到命令', '找不到命令'),
    ('IDS_BB_NO_FOLDER', '起始資料夾不存在或是空的。仍要使用它嗎？', '起始文件夹不存在或是空的。仍要使用它吗？'),
    ('IDS_BB_NO_FOLDER_CAPTION', '起始資料夾', '起始文件夹'),
    ('IDS_BB_BROWSE_TITLE', '選擇程式或文件', '选择程序或文档'),
    ('IDS_BB_DELETE_CAPTION', '刪除按鈕', '删除按钮'),
    ('IDS_BB_DELETE_ASK', '確定要刪除這個按鈕嗎？', '确定要删除这个按钮吗？'),
    ('IDS_BB_PANEL_PROPERTIES', '內容(&R)...', '属性(&R)...'),
    ('IDS_BB_FILLING', '正在加入桌面上的項目，請稍候...', '正在加入桌面上的项目，请稍候...'),
    ('IDS_BB_ARRANGE', '排列按鈕(&A)', '排列按钮(&A)'),
    ('IDS_BB_TAB', '選項', '选项'),
    ('IDS_BB_STYLE_MENU', '按鈕樣式(&S)', '按钮样式(&S)'),
    ('IDS_BB_STYLE1', '小圖示(&M)', '小图标(&M)'),
    ('IDS_BB_STYLE2', '大圖示(&L)', '大图标(&L)'),
    ('IDS_BB_STYLE3', '大圖示和名稱(&T)', '大图标和名称(&T)'),
    ('IDS_BB_STYLE4', '小圖示和名稱(&I)', '小图标和名称(&I)'),
    ('IDS_BB_DESKTOP', '加入桌面圖示(&K)', '加入桌面图标(&K)'),
    ('IDS_BB_AUTOARRANGE', '自動排列(&U)', '自动排列(&U)'),
    ('IDS_BB_DELETE_GROUP_CAPTION', '刪除群組', '删除组'),
    ('IDS_BB_DELETE_GROUP_ASK', '確定要刪除目前的群組和其中所有的按鈕嗎？', '确定要删除当前的组和其中所有的按钮吗？'),
    ('IDS_GROUP_CONTROLPANEL', '控制台', '控制面板'),
    ('IDS_GROUP_APPLICATIONS', '應用程式', '应用程序'),
    ('IDS_GROUP_NETWORK', '網路上的芳鄰', '网上邻居'),
    ('IDS_GROUP_MYCOMPUTER', '我的電腦', '我的电脑'),
    ('IDS_GROUP_FONTS', '字型', '字体'),
    ('IDS_GROUP_RECENT', '最近的文件', '最近的文档'),
    ('IDS_BB_DEFAULT_LABEL', 'JQNavig 檔案管理', 'JQNavig 文件管理'),
    ('IDS_BB_FOLDER_TITLE', '選擇起始資料夾', '选择起始文件夹'),
    ('IDS_TYPE_BUTTONBAR', '按鈕列', '按钮栏'),
    ('IDS_TYPE_BUTTONBAR_DESC', '啟動程式、文件、資料夾和網際網路捷徑的按鈕，可分成多個群組。', '启动程序、文档、文件夹和 Internet 快捷方式的按钮，可分成多个组。'),
    ('IDS_BB_NEW_GROUP', '新增群組(&G)...', '新建组(&G)...'),
    ('IDS_BB_DELETE_GROUP', '刪除群組(&E)', '删除组(&E)'),
    ('IDS_BB_RENAME_GROUP', '重新命名群組(&R)...', '重命名组(&R)...'),
    ('IDS_BB_NEW_URL', '新增網際網路捷徑(&W)...', '新建 Internet 快捷方式(&W)...'),
    ('IDS_CMD_CD_CAPTION', '變更資料夾', '更改文件夹'),
    ('IDS_CMD_CD_FAILED', '找不到資料夾：', '找不到文件夹：'),
    ('IDS_CMD_SHOWFOLDER', '顯示目前資料夾(&F)', '显示当前文件夹(&F)'),
    ('IDS_CMD_RECYCLE', '刪除到資源回收筒(&R)', '删除到回收站(&R)'),
    ('IDS_CMD_CONFIRM', '顯示確認訊息(&C)', '显示确认信息(&C)'),
    ('IDS_CMD_COPYFOLDERS', '複製時包含資料夾(&O)', '复制时包含文件夹(&O)'),
    ('IDS_CMD_MD_FAILED', '無法建立資料夾 %s。', '无法创建文件夹 %s。'),
    ('IDS_CMD_MD_CAPTION', '建立資料夾', '创建文件夹'),
    ('IDS_CMD_RD_FAILED', '無法移除資料夾 %s。資料夾可能不存在或不是空的。', '无法删除文件夹 %s。文件夹可能不存在或不是空的。'),
    ('IDS_CMD_RD_CAPTION', '移除資料夾', '删除文件夹'),
    ('IDS_CMD_TOO_MANY', '%s 命令的參數太多。', '%s 命令的参数太多。'),
    ('IDS_CMD_TOO_MANY_CAPTION', '參數太多', '参数太多'),
    ('IDS_CMD_TOO_FEW', '%s 命令的參數太少。', '%s 命令的参数太少。'),
    ('IDS_CMD_TOO_FEW_CAPTION', '參數太少', '参数太少'),
    ('IDS_CMD_INVALID', '參數或切換參數無效。%s', '参数或开关无效。%s'),
    ('IDS_CMD_INVALID_CAPTION', '參數無效', '参数无效'),
    ('IDS_TYPE_CMDLINE', '命令列', '命令行'),
    ('IDS_TYPE_CMDLINE_DESC', '輸入 DOS 式命令、路徑、程式或網址並執行。', '输入 DOS 式命令、路径、程序或网址并执行。'),
]

FONT_1 = '9, "MS Shell Dlg", 0, 0, 0x1'
MODAL = 'DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU'
MODAL_CENTRED = 'DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU'
PAGE = 'DS_SETFONT | DS_CONTROL | WS_CHILD'
SPIN = '"msctls_updown32", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS, 0, 0, 8, 13'


def ok_cancel(t, x, y):
    return [f'DEFPUSHBUTTON "{t("確定", "确定")}", IDOK, {x}, {y}, 52, 14',
            f'PUSHBUTTON "{t("取消", "取消")}", IDCANCEL, {x + 56}, {y}, 52, 14']


def label_and_run_mode(t, y, width):
    """The part both properties dialogs share, from the label's edit box at y down to OK and
    Cancel: label, hot key, how the program starts, the picture and its button."""
    return [
        f'LTEXT "{t("名稱(&L):", "名称(&L):")}", -1, 8, {y + 2}, 50, 10',
        f'EDITTEXT IDC_BTN_LABEL, 60, {y}, {width}, 13, ES_AUTOHSCROLL',
        f'LTEXT "{t("快速鍵(&K):", "快捷键(&K):")}", -1, 8, {y + 20}, 50, 10',
        f'CONTROL "", IDC_BTN_HOTKEY, "msctls_hotkey32", WS_TABSTOP | WS_BORDER, 60, {y + 18}, {width}, 13',
        f'GROUPBOX "{t("執行方式", "运行方式")}", -1, 8, {y + 38}, 140, 64',
        f'AUTORADIOBUTTON "{t("一般視窗(&N)", "常规窗口(&N)")}", IDC_BTN_NORMAL, 16, {y + 52}, 120, 10, WS_GROUP',
        f'AUTORADIOBUTTON "{t("最小化(&I)", "最小化(&I)")}", IDC_BTN_MINIMISED, 16, {y + 68}, 120, 10',
        f'AUTORADIOBUTTON "{t("最大化(&X)", "最大化(&X)")}", IDC_BTN_MAXIMISED, 16, {y + 84}, 120, 10',
        f'CONTROL "", IDC_BTN_PICTURE, "Static", SS_ICON | SS_CENTERIMAGE | SS_SUNKEN, 164, {y + 44}, 32, 32',
        f'PUSHBUTTON "{t("變更圖示(&O)...", "更改图标(&O)...")}", IDC_BTN_CHANGE_ICON, 156, {y + 84}, 96, 14',
    ] + ok_cancel(t, 144, y + 112)


def dialogs(t):
    """t(tw, cn) picks the text of the language being written."""
    return dialog_blocks(
        dialog('IDD_FILLING_BAR', 180, 40, 'DS_SETFONT | DS_CENTER | WS_POPUP | WS_BORDER | WS_VISIBLE', [
            'CTEXT "", IDC_FILLING_TEXT, 8, 14, 164, 12',
        ], font=FONT_1),
        dialog('IDD_BUTTON_PROPERTIES', 260, 196, MODAL, [
            f'LTEXT "{t("命令(&C):", "命令(&C):")}", -1, 8, 10, 50, 10',
            'EDITTEXT IDC_BTN_COMMAND, 60, 8, 136, 13, ES_AUTOHSCROLL',
            f'PUSHBUTTON "{t("瀏覽(&B)...", "浏览(&B)...")}", IDC_BTN_BROWSE, 200, 7, 52, 14',
            f'LTEXT "{t("起始位置(&S):", "起始位置(&S):")}", -1, 8, 28, 50, 10',
            'EDITTEXT IDC_BTN_STARTIN, 60, 26, 136, 13, ES_AUTOHSCROLL',
            f'PUSHBUTTON "{t("瀏覽(&W)...", "浏览(&W)...")}", IDC_BTN_BROWSE_FOLDER, 200, 25, 52, 14',
            f'LTEXT "{t("參數(&P):", "参数(&P):")}", -1, 8, 46, 50, 10',
            'EDITTEXT IDC_BTN_PARAMETERS, 60, 44, 136, 13, ES_AUTOHSCROLL',
        ] + label_and_run_mode(t, 62, 136), caption=t('按鈕內容', '按钮属性'), font=FONT_1),
        dialog('IDD_ITEM_PROPERTIES', 260, 160, MODAL, [
            f'LTEXT "{t("項目:", "项目:")}", -1, 8, 10, 50, 10',
            'EDITTEXT IDC_BTN_COMMAND, 60, 8, 192, 13, ES_AUTOHSCROLL | ES_READONLY',
        ] + label_and_run_mode(t, 26, 192), caption=t('項目內容', '项目属性'), font=FONT_1),
        dialog('IDD_NEW_GROUP', 200, 150, MODAL_CENTRED, [
            f'AUTORADIOBUTTON "{t("一般群組(&O):", "普通组(&O):")}", IDC_GROUP_ORDINARY, 8, 10, 70, 10, WS_GROUP',
            'EDITTEXT IDC_GROUP_NAME, 80, 8, 112, 13, ES_AUTOHSCROLL',
            f'AUTORADIOBUTTON "{t("控制台(&C)", "控制面板(&C)")}", IDC_GROUP_CONTROLPANEL, 8, 28, 184, 10',
            f'AUTORADIOBUTTON "{t("應用程式(&A)", "应用程序(&A)")}", IDC_GROUP_APPLICATIONS, 8, 42, 184, 10',
            f'AUTORADIOBUTTON "{t("網路上的芳鄰(&N)", "网上邻居(&N)")}", IDC_GROUP_NETWORK, 8, 56, 184, 10',
            f'AUTORADIOBUTTON "{t("我的電腦(&M)", "我的电脑(&M)")}", IDC_GROUP_MYCOMPUTER, 8, 70, 184, 10',
            f'AUTORADIOBUTTON "{t("字型(&F)", "字体(&F)")}", IDC_GROUP_FONTS, 8, 84, 184, 10',
            f'AUTORADIOBUTTON "{t("最近的文件(&R)", "最近的文档(&R)")}", IDC_GROUP_RECENT, 8, 98, 184, 10',
        ] + ok_cancel(t, 84, 128), caption=t('新增群組', '新建组'), font=FONT_1),
        dialog('IDD_RENAME_GROUP', 200, 60, MODAL_CENTRED, [
            f'LTEXT "{t("群組名稱(&N):", "组名称(&N):")}", -1, 8, 10, 60, 10',
            'EDITTEXT IDC_GROUP_NAME, 70, 8, 122, 13, ES_AUTOHSCROLL',
        ] + ok_cancel(t, 84, 38), caption=t('重新命名群組', '重命名组'), font=FONT_1),
        dialog('IDD_ARRANGE_PAGE', 228, 136, PAGE, [
            f'AUTORADIOBUTTON "{t("自動排列(&A)", "自动排列(&A)")}", IDC_ARR_AUTO, 8, 8, 100, 10, WS_GROUP',
            f'AUTORADIOBUTTON "{t("手動排列(&M)", "手动排列(&M)")}", IDC_ARR_MANUAL, 8, 22, 100, 10',
            f'LTEXT "{t("並列的按鈕數:", "并列的按钮数:")}", IDC_ARR_HLABEL, 116, 8, 70, 10',
            f'LTEXT "{t("並列的按鈕數:", "并列的按钮数:")}", IDC_ARR_VLABEL, 116, 8, 70, 10',
            'EDITTEXT IDC_ARR_LINES, 188, 6, 32, 13, ES_NUMBER',
            f'CONTROL "", IDC_ARR_LINES_SPIN, {SPIN}',
            f'LTEXT "{t("橫向工具列：按鈕排成列。", "横向工具栏：按钮排成行。")}", IDC_ARR_HTEXT, 116, 22, 104, 20',
            f'LTEXT "{t("直向工具列：按鈕排成欄。", "纵向工具栏：按钮排成列。")}", IDC_ARR_VTEXT, 116, 22, 104, 20',
            f'LTEXT "{t("最多列數(&R):", "最多行数(&R):")}", -1, 8, 50, 70, 10',
            'EDITTEXT IDC_ARR_ROWS, 80, 48, 32, 13, ES_NUMBER',
            f'CONTROL "", IDC_ARR_ROWS_SPIN, {SPIN}',
            f'LTEXT "{t("按鈕樣式(&S):", "按钮样式(&S):")}", -1, 8, 70, 70, 10',
            'COMBOBOX IDC_ARR_STYLE, 80, 68, 140, 80, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP',
            f'PUSHBUTTON "{t("新增按鈕(&N)...", "新建按钮(&N)...")}", IDC_ARR_NEW_BUTTON, 8, 96, 68, 14',
            f'PUSHBUTTON "{t("加入桌面圖示(&K)", "加入桌面图标(&K)")}", IDC_ARR_DESKTOP, 80, 96, 68, 14',
            f'PUSHBUTTON "{t("樣式(&Y)", "样式(&Y)")}", IDC_ARR_STYLE_FOCUS, 152, 96, 68, 14',
        ], font=FONT_1),
        dialog('IDD_CMDLINE_PAGE', 228, 136, PAGE, [
            f'AUTOCHECKBOX "{t("在命令列上方顯示目前資料夾(&F)", "在命令行上方显示当前文件夹(&F)")}", IDC_CMD_SHOWFOLDER, 8, 8, 212, 10',
            f'AUTOCHECKBOX "{t("刪除到資源回收筒(&R)", "删除到回收站(&R)")}", IDC_CMD_RECYCLE, 8, 24, 212, 10',
            f'AUTOCHECKBOX "{t("顯示確認訊息(&C)", "显示确认信息(&C)")}", IDC_CMD_CONFIRM, 8, 40, 212, 10',
            f'AUTOCHECKBOX "{t("複製時包含資料夾(&O)", "复制时包含文件夹(&O)")}", IDC_CMD_COPYFOLDERS, 8, 56, 212, 10',
        ], font=FONT_1))

out = ['// Written by gen_buttonbar_rc.py: the button bar and the command-line panel.',
       '#include "resource_buttonbar.h"', '',
       'IDB_TYPE_BUTTONBAR BITMAP "type_buttonbar.bmp"',
       'IDB_TYPE_BUTTONBAR_MASK BITMAP "type_buttonbar_mask.bmp"',
       'IDB_TYPE_CMDLINE BITMAP "type_cmdline.bmp"',
       'IDB_TYPE_CMDLINE_MASK BITMAP "type_cmdline_mask.bmp"',
       'IDI_BUTTON_SMALL ICON "button_small.ico"',
       'IDI_BUTTON_LARGE ICON "button_large.ico"',
       'IDI_TAB_OTHER ICON "tab_other.ico"',
       'IDI_TAB_CURRENT ICON "tab_current.ico"']
for lang, sub, pick in (('LANG_CHINESE', 'SUBLANG_CHINESE_TRADITIONAL', 0),
                        ('LANG_CHINESE', 'SUBLANG_CHINESE_SIMPLIFIED', 1)):
    out += ['', f'LANGUAGE {lang}, {sub}', '', 'STRINGTABLE', 'BEGIN']
    out += [f'  {m}, "{(tw, cn)[pick]}"' for m, tw, cn in STRINGS]
    out += ['END']
    out.append(dialogs(lambda tw, cn: (tw, cn)[pick]))
open('buttonbar.rc', 'w', encoding='utf-8').write('\n'.join(out) + '\n')
