#include "browser/ValueFormat.h"

#include <cstring>

namespace {
constexpr std::size_t MaxExpandedLength = 32767;
}  // namespace

std::string ExpandEnvironmentText(const std::string& text) {
  // A text as long as the longest result the platform can give is not expanded: for a text
  // of a megabyte it answers without an error, with only the length modulo 65536 of it.
  if (text.size() >= MaxExpandedLength) return text;
  // Room for the text, its NUL and 64 more characters covers most expansions in one call;
  // a longer one reports the size it needs, and the call is repeated with that size (more
  // than once should the environment grow in between).
  DWORD capacity = static_cast<DWORD>(text.size() + 1 + 64);
  // The platform cannot expand results of 32,767 characters or more: it reports a count
  // that fits the buffer but sets ERROR_INSUFFICIENT_BUFFER and leaves the result cut short,
  // or ERROR_INVALID_PARAMETER with a small count and an undefined buffer. Such a call, or
  // one whose result does not end inside the buffer, leaves the text unexpanded. (Other
  // codes may be set by a successful call, for a name that is not in the environment.)
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::string out(capacity, '\0');
    SetLastError(ERROR_SUCCESS);
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), out.data(), capacity);
    if (needed == 0) break;
    if (needed <= capacity) {
      const void* nul = std::memchr(out.data(), '\0', capacity);
      const DWORD error = GetLastError();
      if (error == ERROR_INVALID_PARAMETER || error == ERROR_INSUFFICIENT_BUFFER || !nul) break;
      out.resize(static_cast<std::size_t>(static_cast<const char*>(nul) - out.data()));
      // The count takes the NUL (and on some systems one more): one that does not match the
      // text is no expansion.
      if (needed != out.size() + 1 && needed != out.size() + 2) break;
      return out;
    }
    capacity = needed;
  }
  return text;
}

std::string ValueDataText(std::string_view data, ValueType realType, ValueType formatType,
                          const TTypeFormats& formats) {
  static const TEnvExpander expand = ExpandEnvironmentText;
  return FormatValueData(data, realType, formatType, formats, expand);
}

std::string ValueDataText(const TVkReg& reg, const std::string& name, ValueType formatType,
                          const TTypeFormats& formats) {
  std::string data;
  DWORD type = 0;
  if (!reg.ReadValue(name, data, type)) {
    data.clear();
    type = 0;
  }
  return ValueDataText(data, type, formatType, formats);
}

std::string ValueDataText(RootKey root, const std::string& keyPath, const std::string& name, ValueType formatType,
                          const TTypeFormats& formats) {
  TVkReg reg;
  reg.Access = KEY_READ;
  (void)reg.OpenPath(root, keyPath, false);  // a key that did not open fails the read below
  return ValueDataText(reg, name, formatType, formats);
}
