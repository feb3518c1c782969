#pragma once
// Helpers of the library tests: a hidden application window that stands in for the main
// window, a script that drives a real modal dialog from inside its own message loop, and a
// scratch folder below the program folder.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A top-level window made AppHandle for the lifetime of the object; AppHandle is restored
// afterwards. When a modal dialog or message box owned by it is first activated, the
// script starts: each step runs from a message posted to this window, so it runs inside
// the dialog's own modal loop, after what earlier steps posted. When the script is used
// up and the dialog still runs after everything queued so far has run, it is ended
// (result 0) and Forced() is set, so a test that loses its way fails instead of hanging.
class TDialogScript {
 public:
  using Step = std::function<void(HWND dialog)>;
  explicit TDialogScript(std::vector<Step> steps = {});
  ~TDialogScript();
  TDialogScript(const TDialogScript&) = delete;
  TDialogScript& operator=(const TDialogScript&) = delete;

  HWND Owner() const { return owner_; }
  std::size_t StepsRun() const { return next_; }
  bool AllStepsRun() const { return next_ == steps_.size(); }
  bool Forced() const { return forced_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK CbtHook(int code, WPARAM wp, LPARAM lp);
  void RunStep(HWND dialog);

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int checks_ = 0;
  bool forced_ = false;
  HWND owner_ = nullptr;
  HWND previousApp_ = nullptr;
  HWND dialog_ = nullptr;
  HHOOK hook_ = nullptr;
};

// Text of a window or of a dialog control.
std::string WindowText(HWND hwnd);
std::string ControlText(HWND dialog, int id);
// Presses a dialog button the way a click does.
void ClickButton(HWND dialog, int id);

// A fresh folder below the program folder, deleted with its files at the end.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  // The folder, ending with "\".
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // Whole content of a file ("" when missing) / writes a file raw.
  static std::string Content(const std::string& file);
  static void Write(const std::string& file, const std::string& content);

 private:
  std::string path_;
};
