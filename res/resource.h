#pragma once
// Resource and control ids.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDI_HIVELARK 1
#define IDI_REGLINK 2
#define IDD_PROMPT 1001
#define IDC_PROMPT_LABEL 10
#define IDC_PROMPT_EDIT 11

// Main window controls
#define IDC_REG_LISTVIEW 100
#define IDC_PATHBAR 101
#include "MainMenu.h"
#include "EditingIds.h"
#include "SearchIds.h"
