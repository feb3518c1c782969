#include "browser/ValueFormatText.h"

#include "lib/VkText.h"

#include <cstddef>

// The name tables belong to the registry vocabulary (registry/VkRegistry.h); they are
// declared here again so that this file stays free of the platform headers.
extern const char* const TypeNames[FormatTypeCount];
extern const char* const TypeConstNames[FormatTypeCount];

// The default patterns (DefaultTypeFmt) belong to the settings catalogue, which keeps every
// default in one table.

namespace {

const std::string HexPattern = "%h";
constexpr std::size_t HexViewBytes = 48;
const char HexDigits[] = "0123456789ABCDEF";

bool IsNumberCode(char code) {
  switch (code) {
    case 'i': case 'u': case 'x': case 'I': case 'U': case 'X':
      return true;
    default:
      return false;
  }
}

// The first four bytes as a number, low byte first, missing high bytes zero. Data longer
// than four bytes does not fit and gives 0, as a four-byte read of it fails.
std::uint32_t FourByteNumber(std::string_view data) {
  std::uint32_t n = 0;
  if (data.size() > 4) return 0;
  for (std::size_t i = 0; i < data.size(); ++i)
    n |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  return n;
}

std::uint32_t ReverseBytes(std::uint32_t n) {
  return (n >> 24) | ((n >> 8) & 0xFF00u) | ((n << 8) & 0xFF0000u) | (n << 24);
}

std::string EightHexDigits(std::uint32_t n) {
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, n >>= 4) text[static_cast<std::size_t>(i)] = HexDigits[n & 0xF];
  return text;
}

// "a" CR LF "b" becomes "a" " "b", within double quotes: one quoted word per string.
std::string QuotedMultiString(std::string_view data) {
  const std::string lines = MultiStringText(data);
  std::string text;
  text.reserve(lines.size() + 2 + lines.size() / 4);
  text += '"';
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = lines.find("\r\n", pos);
    if (hit == std::string::npos) break;
    text.append(lines, pos, hit - pos);
    text += "\" \"";
    pos = hit + 2;
  }
  text.append(lines, pos, std::string::npos);
  text += '"';
  return text;
}

}  // namespace

TTypeFormats::TTypeFormats() {
  for (int i = 0; i < FormatTypeCount; ++i) TypeFmt[static_cast<std::size_t>(i)] = DefaultTypeFmt[i];
}

const std::string& TTypeFormats::Pattern(std::uint32_t formatType) const {
  return formatType < static_cast<std::uint32_t>(FormatTypeCount) ? TypeFmt[formatType] : HexPattern;
}

std::string TypeColumnText(std::uint32_t type, bool constNames) {
  if (type >= static_cast<std::uint32_t>(FormatTypeCount))
    return "Undefined (" + std::to_string(static_cast<std::int32_t>(type)) + ")";
  return constNames ? TypeConstNames[type] : TypeNames[type];
}

std::string StringDataText(std::string_view data) {
  return std::string(data.substr(0, data.find('\0')));
}

std::string MultiStringText(std::string_view data) { return MultiStringToLines(data); }

std::string HexViewText(std::string_view data) {
  const std::size_t shown = data.size() < HexViewBytes ? data.size() : HexViewBytes;
  std::string text;
  text.reserve(shown * 3 + 3);
  for (std::size_t i = 0; i < shown; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    text += HexDigits[b >> 4];
    text += HexDigits[b & 0xF];
    text += ' ';
  }
  if (data.size() > HexViewBytes) text += "...";
  return text;
}

std::string ExpandFormatCode(char code, std::string_view data, std::uint32_t realType, std::uint32_t formatType,
                             const TEnvExpander& expand) {
  if (IsNumberCode(code)) {
    std::uint32_t n = FourByteNumber(data);
    if (code == 'I' || code == 'U' || code == 'X') n = ReverseBytes(n);
    if (code == 'i' || code == 'I') return std::to_string(static_cast<std::int32_t>(n));
    if (code == 'u' || code == 'U') return std::to_string(n);
    return EightHexDigits(n);
  }
  switch (code) {
    case 's': {
      if (realType == formatType) return StringDataText(data);
      // Another type shown as text: every byte, with the NULs made visible.
      std::string text(data);
      for (char& c : text)
        if (c == '\0') c = '.';
      return text;
    }
    case 'e': {
      std::string text = StringDataText(data);
      return expand ? expand(text) : text;
    }
    case 'm':
      return QuotedMultiString(data);
    case 'h':
      return HexViewText(data);
    default:
      return std::string{code, '!'};
  }
}

std::string ExpandPattern(std::string_view pattern, std::string_view data, std::uint32_t realType,
                          std::uint32_t formatType, const TEnvExpander& expand, std::size_t maxLength) {
  std::string text;
  std::size_t i = 0;
  while (i < pattern.size() && text.size() < maxLength) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      text += ExpandFormatCode(pattern[i + 1], data, realType, formatType, expand);
      i += 2;
    } else {
      text += pattern[i];
      ++i;
    }
  }
  if (text.size() > maxLength) text.resize(maxLength);
  return text;
}

std::string FormatValueData(std::string_view data, std::uint32_t realType, std::uint32_t formatType,
                            const TTypeFormats& formats, const TEnvExpander& expand, std::size_t maxLength) {
  if (data.empty()) return "** Zero Length " + TypeColumnText(realType, formats) + " Data **";
  return ExpandPattern(formats.Pattern(formatType), data, realType, formatType, expand, maxLength);
}
