#include "settings/VkIni.h"

#include <windows.h>

#include <algorithm>

#include "lib/VkText.h"

namespace {
// The first read fits every setting but a deep key path; a longer value is read again
// with a buffer twice as large until it fits.
constexpr DWORD FirstReadSize = 4096;
}  // namespace

std::string IniIntegerText(std::int32_t value, bool hex) {
  if (!hex) return std::to_string(value);
  static const char digits[] = "0123456789ABCDEF";
  std::uint32_t v = static_cast<std::uint32_t>(value);
  std::string text;
  do {
    text.insert(text.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return "$" + text;
}

bool ParseIniInteger(const std::string& text, std::int32_t& value) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  return ParseIntText(std::string_view(text).substr(start), value);
}

void TVkIni::Flush() const { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

std::string TVkIni::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  // The platform strips quotes (and blanks) from the default as if it had come from the
  // file, so a missing key is recognised by a default that no line of a file can hold
  // (lines end at a line break), and the caller's default is returned untouched.
  static const char missing[] = "\r";
  // A value that fills the buffer (the platform reports size - 1 for a cut read) may be
  // longer: read it again with twice the room.
  std::string buffer;
  DWORD length = 0;
  for (DWORD size = FirstReadSize;; size *= 2) {
    buffer.assign(size, '\0');
    length = GetPrivateProfileStringA(section.c_str(), key.c_str(), missing, buffer.data(), size, fileName_.c_str());
    if (length < size - 1 || size >= 0x40000000) break;
  }
  buffer.resize(std::min<std::size_t>(length, buffer.size() - 1));
  return buffer == missing ? def : buffer;
}

bool TVkIni::WriteString(const std::string& section, const std::string& key, const std::string& value) const {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()) != 0;
}

std::int32_t TVkIni::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
  std::int32_t value = def;
  return ParseIniInteger(ReadString(section, key, std::string()), value) ? value : def;
}

bool TVkIni::WriteInteger(const std::string& section, const std::string& key, std::int32_t value, bool hex) const {
  return WriteString(section, key, IniIntegerText(value, hex));
}

bool TVkIni::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return (ReadInteger(section, key, def ? 1 : 0) & 0xFF) != 0;
}

bool TVkIni::WriteBool(const std::string& section, const std::string& key, bool value) const {
  return WriteInteger(section, key, value ? 1 : 0, false);
}
