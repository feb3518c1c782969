#pragma once
// Ids of the value editor, the data type chooser and the key/value information window.

#define IDD_VALUE 1010
#define IDC_VAL_NAMELABEL 1100
#define IDC_VAL_NAMEEDIT 1101
#define IDC_VAL_SIZELABEL 1102
#define IDC_VAL_SIZEEDIT 1103
#define IDC_VAL_ORGLABEL 1104
#define IDC_VAL_ORGEDIT 1105
#define IDC_VAL_VALLABEL 1106
#define IDC_VAL_EDIT 1107
#define IDC_VAL_RICH 1108
#define IDC_VAL_LOAD 1109
#define IDC_VAL_SAVE 1110
#define IDC_VAL_FILENAME 1111
#define IDC_VAL_APPLY 1112

#define IDD_SELECT 1011
#define IDC_SEL_LIST 1120

#define IDD_INFO 1012
#define IDC_INFO_NAME 1130
#define IDC_INFO_FIRSTLINE 1200
