#include "lib/VkDialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "lib/VkFuncLib.h"
#include "lib/VkWindow.h"
#include "lib/VkTextBox.h"
#include "resource.h"

std::string PromptCaption;

namespace {

INT_PTR CALLBACK PromptProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      const char* prompt = reinterpret_cast<const char*>(lp);
      SetWindowTextA(dlg, PromptCaption.c_str());
      SetDlgItemTextA(dlg, IDC_PROMPT_LABEL, prompt);
      const char* text = prompt + std::strlen(prompt) + 1;
      HWND edit = GetDlgItem(dlg, IDC_PROMPT_EDIT);
      if (EditBoxFaults(text)) edit = ReplaceByTextBox(edit);  // the platform's box would end the process
      SetWindowTextA(edit, text);
      SendMessageA(edit, EM_LIMITTEXT, 2048, 0);
      SendMessageA(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;  // the focus is set already
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        HWND edit = GetDlgItem(dlg, IDC_PROMPT_EDIT);
        // The program's own box takes no limit while typing: its text is cut to it here.
        const int len = std::min(GetWindowTextLengthA(edit), 2048);
        char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(len) + 1));
        if (!text) {
          EndDialog(dlg, 0);
          return TRUE;
        }
        GetWindowTextA(edit, text, len + 1);
        text[len] = '\0';
        EndDialog(dlg, reinterpret_cast<INT_PTR>(text));
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

class TPlatformInteraction : public TVkInteraction {
 public:
  int Message(const std::string& text, const std::string& caption, unsigned flags) override {
    HWND owner = DialogOwner();
    TModalRun run(owner);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags | MB_SETFOREGROUND);
  }

  bool Prompt(const std::string& prompt, std::string& text) override {
    std::vector<char> buffer(prompt.begin(), prompt.end());
    buffer.push_back('\0');
    buffer.insert(buffer.end(), text.begin(), text.end());
    buffer.push_back('\0');
    HWND owner = DialogOwner();
    TModalRun run(owner);
    const INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROMPT), owner, PromptProc,
                                      reinterpret_cast<LPARAM>(buffer.data()));
    if (r <= 0) return false;
    char* result = reinterpret_cast<char*>(r);
    text = result;
    std::free(result);
    return true;
  }
};

TVkInteraction* g_installed = nullptr;

bool RunFileDialog(const TFileDialogSpec& request, std::string& fileName, bool save) {
  std::string filter = request.Filter;
  for (char& c : filter)
    if (c == '|') c = '\0';
  filter.push_back('\0');
  // The dialog's file name box is the platform's edit box: a proposed name it would fault on
  // gets "_" for each such character (the user may still pick or type any name).
  std::string proposed = fileName;
  for (char& c : proposed)
    if (EditBoxFaults(std::string_view(&c, 1))) c = '_';
  std::vector<char> name(32768, '\0');
  proposed.copy(name.data(), std::min(proposed.size(), name.size() - 1));
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = DialogOwner();
  TModalRun run(ofn.hwndOwner);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(request.FilterIndex);
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
  ofn.lpstrDefExt = request.DefaultExt.empty() ? nullptr : request.DefaultExt.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER | OFN_ENABLESIZING;
  if (save && request.OverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (!save) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return false;
  fileName = name.data();
  request.ChosenIndex = static_cast<int>(ofn.nFilterIndex);
  return true;
}

}  // namespace

bool TVkInteraction::OpenFileName(const TFileDialogSpec& request, std::string& fileName) {
  return RunFileDialog(request, fileName, false);
}

bool TVkInteraction::SaveFileName(const TFileDialogSpec& request, std::string& fileName) {
  return RunFileDialog(request, fileName, true);
}

bool TVkInteraction::ChooseDataType(const TDataTypeQuestion& question, int& choice) {
  return question.ShowWindow ? question.ShowWindow(choice) : false;
}

TVkInteraction& PlatformInteraction() {
  static TPlatformInteraction platform;
  return platform;
}

TVkInteraction& Interaction() { return g_installed ? *g_installed : PlatformInteraction(); }

TVkInteraction* SetInteraction(TVkInteraction* interaction) {
  TVkInteraction* previous = g_installed;
  g_installed = interaction;
  return previous;
}

bool InputPrompt(const std::string& prompt, std::string& text) {
  if (PromptCaption.empty()) PromptCaption = "Please Type a Value";
  return Interaction().Prompt(prompt, text);
}

bool TVkInteraction::ChooseColorDlg(CHOOSECOLORA& record) { return ChooseColorA(&record) != FALSE; }

bool TVkInteraction::ChooseFontDlg(CHOOSEFONTA& record) { return ChooseFontA(&record) != FALSE; }
