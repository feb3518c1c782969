#include "registry/RegFileText.h"

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

constexpr std::uint32_t TypeSz = 1, TypeBinary = 3, TypeDword = 4;

enum class TDataForm { Quoted, Dword, Binary, Typed };

TDataForm DataForm(std::uint32_t type, std::string_view data) {
  if (type == TypeSz && IsQuotableString(data)) return TDataForm::Quoted;
  if (type == TypeDword && data.size() == 4) return TDataForm::Dword;
  if (type == TypeBinary) return TDataForm::Binary;
  return TDataForm::Typed;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
}

void AppendHex32(std::string& out, std::uint32_t value, bool leadingZeros) {
  char digits[8];
  for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = HexDigits[value & 0xF];
  int first = 0;
  if (!leadingZeros)
    while (first < 7 && digits[first] == '0') ++first;
  out.append(digits + first, 8 - first);
}

// The prefix of ValuePrefix, appended; returns the form it chose.
TDataForm AppendPrefix(std::string& out, std::uint32_t type, std::string_view data, std::string_view name) {
  if (name.empty()) {
    out += "@=";
  } else {
    out += '"';
    AppendEscaped(out, name);
    out += "\"=";
  }
  const TDataForm form = DataForm(type, data);
  switch (form) {
    case TDataForm::Quoted: break;
    case TDataForm::Dword: out += "dword:"; break;
    case TDataForm::Binary: out += "hex:"; break;
    case TDataForm::Typed:
      out += "hex(";
      AppendHex32(out, type, false);
      out += "):";
      break;
  }
  return form;
}

// The byte list after a prefix of lineLength characters: "XX," per byte, the last comma
// dropped; a line that has grown past the wrap column after a byte that is not the last
// ends with "\" and the next one starts with two spaces.
void AppendByteList(std::string& out, std::size_t lineLength, std::string_view data) {
  const std::size_t last = data.size() - 1;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(data[i]);
    if (i == last) {
      const char tail[4] = {HexDigits[b >> 4], HexDigits[b & 0xF], '\r', '\n'};
      out.append(tail, 4);
      return;
    }
    const char byte[3] = {HexDigits[b >> 4], HexDigits[b & 0xF], ','};
    out.append(byte, 3);
    lineLength += 3;
    if (lineLength > RegFileWrapColumn) {
      out.append("\\\r\n  ", 5);
      lineLength = 2;
    }
  }
}

}  // namespace

std::string EscapeRegText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  AppendEscaped(out, text);
  return out;
}

bool IsRegFileName(std::string_view name) { return name.find_first_of("\r\n") == std::string_view::npos; }

bool IsQuotableString(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  return data.substr(0, data.size() - 1).find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

std::string ValuePrefix(std::uint32_t type, std::string_view data, std::string_view name) {
  std::string out;
  AppendPrefix(out, type, data, name);
  return out;
}

void AppendValueEntry(std::string& out, std::string_view name, std::uint32_t type, std::string_view data) {
  const std::size_t lineStart = out.size();
  switch (AppendPrefix(out, type, data, name)) {
    case TDataForm::Quoted:
      out += '"';
      AppendEscaped(out, data.substr(0, data.size() - 1));
      out += "\"\r\n";
      return;
    case TDataForm::Dword: {
      const auto byte = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])); };
      AppendHex32(out, byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24, true);
      out += "\r\n";
      return;
    }
    case TDataForm::Binary:
    case TDataForm::Typed:
      if (data.empty()) out += "\r\n";
      else AppendByteList(out, out.size() - lineStart, data);
      return;
  }
}

void AppendKeyLine(std::string& out, std::string_view rootName, std::string_view keyPath) {
  out += "\r\n[";
  out += rootName;
  out += keyPath;
  out += "]\r\n";
}
