#pragma once
// What the benchmarks share besides the clock: the platform's registry editor run as a
// process, and the size of a file.
#include <windows.h>

#include <cstdint>
#include <string>

// Runs the platform's registry editor with the arguments and waits for it; false when it
// could not be started.
inline bool RunRegedit(const std::string& arguments) {
  std::string command = "regedit.exe " + arguments;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

// The size of a file in bytes; -1 when it cannot be asked.
inline std::int64_t SizeOf(const std::string& file) {
  WIN32_FILE_ATTRIBUTE_DATA fa;
  if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &fa)) return -1;
  return (static_cast<std::int64_t>(fa.nFileSizeHigh) << 32) | fa.nFileSizeLow;
}
