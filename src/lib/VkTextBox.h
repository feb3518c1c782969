#pragma once
// A plain-text box for large texts: the text is kept as ANSI bytes in one buffer (what
// goes in comes out byte for byte), lines are indexed in one pass, and only the visible
// lines are painted. It answers the edit box messages the program uses (WM_SETTEXT,
// WM_GETTEXT, WM_GETTEXTLENGTH, EM_GETSEL, EM_SETSEL, EM_REPLACESEL, EM_GETMODIFY,
// EM_SETMODIFY, EM_SETREADONLY, EM_SCROLLCARET, WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR,
// WM_UNDO, EM_UNDO, EM_CANUNDO, EM_EMPTYUNDOBUFFER) and sends EN_CHANGE, EN_SETFOCUS and
// EN_KILLFOCUS to its parent as an edit box does. A double click selects a word; the
// context menu undoes, cuts, copies, pastes, deletes and selects all.
//
// Undo is the edit box's: one level, the last edit (consecutive typing, Backspaces or
// Deletes count as one), undone again it is redone; Ctrl+Z or Alt+Backspace. It keeps the
// edit (position, removed bytes, count of inserted bytes), not the text. WM_SETTEXT and
// EM_REPLACESEL with FALSE empty it.
//
// Styles: ES_MULTILINE for several lines (Enter types a line break; without it the box is
// one line and a pasted text stops at its first line break); in a multi-line box without
// ES_AUTOHSCROLL and WS_HSCROLL long lines wrap after a space; WS_VSCROLL and WS_HSCROLL
// give scroll bars; ES_READONLY; ES_NOHIDESEL keeps the selection shown without the focus.
// Line breaks are CR LF, a lone LF or a lone CR. Colours come from the parent's
// WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC when read-only or disabled).

#include <windows.h>

#include <string_view>

// Whether the platform's edit box may fault on this text and end the process. Under Wine its
// text shaping (gdi32's Uniscribe, a mark-to-ligature step of the font's positioning table)
// reads outside its buffer for U+02DC SMALL TILDE ("\x98" in code page 1252) at the start of
// a shaping run: the text's start, after a line break, a digit or punctuation. Fonts such as
// DejaVu Sans (the face Wine takes for Tahoma and MS Shell Dlg when its own fonts are not
// found) do it, so windows show such texts in the program's own box, which draws without
// shaping. Any text holding that character counts, wherever it stands.
bool EditBoxFaults(std::string_view text);
// Replaces the platform's edit box by the program's own box with the same id, place, styles,
// font and tab position, and returns the new box (the old one when it cannot be made).
HWND ReplaceByTextBox(HWND edit);

// Registers the window class once per process; true when it is available.
bool RegisterTextBoxClass();
// The class name, for CreateWindowEx and dialog templates.
extern const char* const TextBoxClass;
