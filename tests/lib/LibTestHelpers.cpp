#include "LibTestHelpers.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>

#include "lib/VkFuncLib.h"

namespace {
const char* const OwnerClass = "HivelarkTestOwner";
constexpr UINT StepMessage = WM_APP + 1;
TDialogScript* g_script = nullptr;  // the script whose hook is installed
}  // namespace

TDialogScript::TDialogScript(std::vector<Step> steps) : steps_(std::move(steps)), previousApp_(AppHandle) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = OwnerClass;
  RegisterClassA(&wc);  // fails harmlessly when already registered
  owner_ = CreateWindowExA(0, OwnerClass, "Hivelark test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(owner_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  AppHandle = owner_;
  g_script = this;
  hook_ = SetWindowsHookExA(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
}

TDialogScript::~TDialogScript() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (g_script == this) g_script = nullptr;
  AppHandle = previousApp_;
  if (owner_) DestroyWindow(owner_);  // discards step messages still queued for it
}

LRESULT CALLBACK TDialogScript::CbtHook(int code, WPARAM wp, LPARAM lp) {
  TDialogScript* self = g_script;
  if (code == HCBT_ACTIVATE && self) {
    HWND activated = reinterpret_cast<HWND>(wp);
    char cls[16] = "";
    GetClassNameA(activated, cls, sizeof cls);
    const HWND owner = GetWindow(activated, GW_OWNER);  // the window or one it owns
    if (std::strcmp(cls, "#32770") == 0 && (owner == self->owner_ || GetWindow(owner, GW_OWNER) == self->owner_) &&
        !self->dialog_) {
      self->dialog_ = activated;
      PostMessageA(self->owner_, StepMessage, 0, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK TDialogScript::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == StepMessage) {
    if (auto* self = reinterpret_cast<TDialogScript*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
      self->RunStep(self->dialog_);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void TDialogScript::RunStep(HWND dialog) {
  if (!IsWindow(dialog)) return;
  if (next_ < steps_.size()) {
    steps_[next_++](dialog);
    // The next step (or the check that the dialog has ended) comes after what this step posted.
    PostMessageA(owner_, StepMessage, 0, 0);
  } else if (++checks_ < 20) {
    // The dialog may still be on its way out through messages it posts itself (a close
    // posts its Cancel command): go to the back of the queue a few times before forcing.
    PostMessageA(owner_, StepMessage, 0, 0);
  } else {
    forced_ = true;
    EndDialog(dialog, 0);
  }
}

std::string WindowText(HWND hwnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void ClickButton(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TScratchFolder::TScratchFolder() {
  static int counter = 0;
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  path_ = ProgramFolder() + "scratch " + (info ? info->name() : "x") + " " + std::to_string(++counter) + "\\";
  CreateDirectoryA(path_.c_str(), nullptr);
}

TScratchFolder::~TScratchFolder() {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path_ + "*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path_ + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryA(full.c_str());
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(path_.c_str());
}

std::string TScratchFolder::Content(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TScratchFolder::Write(const std::string& file, const std::string& content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}
