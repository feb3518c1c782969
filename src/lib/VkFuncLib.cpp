#include "lib/VkFuncLib.h"

#include "lib/VkDialogs.h"

HWND AppHandle = nullptr;

int ShowMsg(const std::string& text, const std::string& caption, unsigned flags) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      shown += "\r\n";
      ++i;
    } else {
      shown += text[i];
    }
  }
  return Interaction().Message(shown, caption, flags);
}

static std::string& ProgramFolderOverride() {
  static std::string folder;
  return folder;
}

std::string ProgramFolder() {
  if (!ProgramFolderOverride().empty()) return ProgramFolderOverride();
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void SetProgramFolder(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '\\' && f.back() != '/') f += '\\';
  ProgramFolderOverride() = f;
}

std::string FormatLocalFileTime(const FILETIME& ft) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return std::string();
  char date[128] = "", time[128] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time);
  return std::string(date) + " - " + time;
}

bool IsNtPlatform() {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!GetVersionExA(&v)) return true;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return v.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
