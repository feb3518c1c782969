#include "editing/ValueText.h"

#include <cstdio>

#include "lib/VkText.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string HexDumpText(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(bytes.size() * 3, ' ');
  char* out = text.data();
  for (unsigned char b : bytes) {
    *out++ = digits[b >> 4];
    *out++ = digits[b & 15];
    ++out;
  }
  return text;
}

THexParse ParseHexText(std::string_view text) {
  THexParse result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ' ' && HexDigit(text[i]) < 0) {
      result.Status = THexParse::BadChar;
      result.Position = i;
      return result;
    }
  }
  if (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const std::size_t count = (text.size() + 1) / 3;
  result.Bytes.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    const int hi = HexDigit(text[3 * k]), lo = HexDigit(text[3 * k + 1]);
    if (hi < 0 || lo < 0) {
      result.Status = THexParse::BadGroup;
      result.Group = std::string(text.substr(3 * k, 2));
      result.Bytes.clear();
      return result;
    }
    result.Bytes[k] = static_cast<char>(hi * 16 + lo);
  }
  return result;
}

char HexKeyChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 1 && u <= 32) return c;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) return c;
  if (c >= 'a' && c <= 'f') return static_cast<char>(c - 32);
  return 0;
}

bool HexKeyNeedsSpace(char c, long caret) { return HexDigit(c) >= 0 && caret % 3 == 2; }

bool ParseInt64Text(std::string_view text, std::int64_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint64_t v = 0;
  if (i < text.size() && (text[i] == '$' || (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')))) {
    i += text[i] == '$' ? 1 : 2;
    const std::size_t digits = text.size() - i;
    if (digits == 0 || digits > 16) return false;
    for (; i < text.size(); ++i) {
      const int d = HexDigit(text[i]);
      if (d < 0) return false;
      v = (v << 4) | static_cast<unsigned>(d);
    }
  } else {
    if (i == text.size()) return false;
    const std::uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    for (; i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      const unsigned d = static_cast<unsigned>(text[i] - '0');
      if (v > (limit - d) / 10) return false;
      v = v * 10 + d;
    }
  }
  value = static_cast<std::int64_t>(negative ? ~v + 1 : v);
  return true;
}

std::string DWordOriginalText(std::uint32_t value) {
  char text[40];
  std::snprintf(text, sizeof text, "$%.8X  (%u)", static_cast<unsigned>(value), static_cast<unsigned>(value));
  return text;
}

std::uint32_t DWordOfData(std::string_view data, ValueType type) {
  unsigned char b[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < 4 && i < data.size(); ++i) b[i] = static_cast<unsigned char>(data[i]);
  if (type == 5) return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
}


TValueMode ValueModeOfType(ValueType type) {
  switch (type) {
    case 1:
    case 2: return TValueMode::Text;
    case 4:
    case 5: return TValueMode::Number;
    case 7: return TValueMode::Lines;
    default: return TValueMode::Hex;
  }
}

TValueMode ValueModeOfData(ValueType type, std::string_view data) {
  const TValueMode mode = ValueModeOfType(type);
  switch (mode) {
    case TValueMode::Text:
      // One NUL at the very end, and no line break (a one-line box drops what follows one).
      return !data.empty() && data.find('\0') == data.size() - 1 && data.find_first_of("\r\n") == std::string_view::npos
                 ? mode
                 : TValueMode::Hex;
    case TValueMode::Number: return data.size() == 4 ? mode : TValueMode::Hex;
    case TValueMode::Lines:
      return !data.empty() && MultiStringData(MultiStringToLines(data)) == data ? mode : TValueMode::Hex;
    default: return mode;
  }
}

std::string ValueEditText(TValueMode mode, ValueType type, std::string_view data) {
  switch (mode) {
    case TValueMode::Text: return std::string(data.substr(0, data.find('\0')));
    case TValueMode::Number: return std::to_string(DWordOfData(data, type));
    case TValueMode::Lines: return data.empty() ? std::string() : MultiStringToLines(data);
    default: return HexDumpText(data);
  }
}

bool LoadedFileText(TValueMode mode, ValueType type, std::string_view bytes, std::string& text) {
  if (mode == TValueMode::Text) {
    std::string data(bytes);
    if (data.empty() || data.back() != '\0') data += '\0';
    if (ValueModeOfData(type, data) != TValueMode::Text) return false;
    text = ValueEditText(mode, type, data);
    return true;
  }
  if (mode != TValueMode::Lines) return false;
  if (bytes.find('\0') == std::string_view::npos) text = bytes;
  else if (ValueModeOfData(type, bytes) == TValueMode::Lines) text = MultiStringToLines(bytes);
  else return false;
  return true;
}

std::string ValueFileName(const std::string& valueName) {
  std::string name = valueName + ".dat";
  for (char& c : name)
    if (c == '"' || c == '*' || c == '/' || c == ':' || c == '<' || c == '>' || c == '?' || c == '\\' || c == '|')
      c = '_';
  return name;
}
