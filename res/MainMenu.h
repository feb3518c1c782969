#pragma once
// Command ids of the main menu, the registry pane's context menu and the main window's
// controls. Ids of one group are consecutive where a handler takes a tag from them.

#define IDM_MAIN 200
#define IDM_REGPOPUP 201
#define IDA_MAIN 202
#define IDD_ABOUT 203
#define IDC_ABOUT_ICON 204
#define IDC_ABOUT_TEXT 205
#define IDC_ABOUT_HELPLINK 206
#define IDC_ABOUT_READMELINK 207
#define IDC_ABOUT_TITLE 208
#define IDM_BMKPOPUP 210
#define IDA_BMKPANE 211

#define IDC_BMK_LISTVIEW 110
#define IDC_BMK_STRIP 111
#define IDC_CANCELSEARCH_BTN 112

// File
#define CM_UPDATE 1000
#define CM_CLEARHISTORY 1001
#define CM_CONNECTREG 1002
#define CM_CLOSE 1003
#define CM_IMPORTFILE 1004
#define CM_UNDO 1005
// Show
#define CM_SEARCH 1010
#define CM_FINDAUTORUN 1011
#define CM_JUMPPATH 1012
#define CM_JUMPCLIPBOARD 1017
#define CM_ROOTLIST 1013
#define CM_LISTS_USER 1014
#define CM_LISTS_SEARCH 1015
#define CM_LISTS_COPY 1016
// Registry Roots: CM_ROOT0 + root index
#define CM_ROOT0 1020
// Mark
#define CM_SELECTALL 1030
#define CM_UNSELECTALL 1031
#define CM_INVERTSEL 1032
// Options
#define CM_CONFIG 1040
#define CM_SAVESETTINGS 1041
// Tools
#define CM_KEYTREE 1050
#define CM_REBUILDFASSO 1051
#define CM_CHANGEHISTORY 1052
// Help: CM_HELP0 + help context
#define CM_HELP0 1060
#define CM_HELP_CONTENTS 1060
#define CM_HELP_KEYS 1063
#define CM_HELP_NEW 1065
#define CM_HELP_FAQ 1067
#define CM_ABOUT 1070
// Registry pane context menu
#define CM_NEWKEY 1100
#define CM_NEWVALUE 1101
#define CM_EDITVALUE 1102
#define CM_CHANGETYPE 1103
#define CM_VIEWDATAAS 1104
#define CM_KEYVALUEINFO 1105
#define CM_DELETEKEYVALUE 1106
#define CM_COPY 1107
#define CM_MOVE 1108
#define CM_EXPORTKEY 1109
#define CM_RENAME 1110
#define CM_BOOKMARK 1111
#define CM_CLIPCUT 1112
#define CM_CLIPCOPY 1113
#define CM_CLIPPASTE 1114
// Bookmark pane context menu
#define CM_BMK_JUMPHERE 1300
#define CM_BMK_BOOKMARK 1301
#define CM_BMK_COMMENT 1302
#define CM_BMK_DELENTRY 1303
#define CM_BMK_SELECTALL 1304
#define CM_BMK_UNSELECTALL 1305
#define CM_BMK_INVERTSEL 1306
#define CM_BMK_LOADFILE 1307
#define CM_BMK_SAVEFILE 1308
#define CM_BMK_UPDATE 1309
// History items of the pop-up: CM_HISTORY0 + history index
#define CM_HISTORY0 1200
// Copy Path As (submenu of the registry pane context menu): CM_COPYPATHAS0 + form
#define CM_COPYPATHAS0 1400
#define CM_COPYPATH_LOCATION 1400
#define CM_COPYPATH_POWERSHELL 1401
#define CM_COPYPATH_REGADD 1402
#define CM_COPYPATH_REGFILE 1403
