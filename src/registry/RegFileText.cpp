#include "registry/RegFileText.h"

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

constexpr std::uint32_t TypeSz = 1, TypeBinary = 3, TypeDword = 4;

enum class TDataForm { Quoted, Dword, Binary, Typed };

// Both kinds are written by the same code: S is std::string (REGEDIT4) or std::u16string
// (5.00); the syntax is ASCII either way.
template <class S>
void Put(S& out, std::string_view ascii) {
  out.append(ascii.begin(), ascii.end());
}

TDataForm DataForm(std::uint32_t type, std::string_view data, bool quotable) {
  if (type == TypeSz && quotable) return TDataForm::Quoted;
  if (type == TypeDword && data.size() == 4) return TDataForm::Dword;
  if (type == TypeBinary) return TDataForm::Binary;
  return TDataForm::Typed;
}

template <class S, class View>
void AppendEscaped(S& out, View text) {
  for (auto c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
}

template <class S>
void AppendHex32(S& out, std::uint32_t value, bool leadingZeros) {
  char digits[8];
  for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = HexDigits[value & 0xF];
  int first = 0;
  if (!leadingZeros)
    while (first < 7 && digits[first] == '0') ++first;
  Put(out, std::string_view(digits + first, 8 - first));
}

// The prefix of ValuePrefix, appended; returns the form it chose.
template <class S, class View>
TDataForm AppendPrefix(S& out, std::uint32_t type, std::string_view data, View name, bool quotable) {
  if (name.empty()) {
    Put(out, "@=");
  } else {
    out += '"';
    AppendEscaped(out, name);
    Put(out, "\"=");
  }
  const TDataForm form = DataForm(type, data, quotable);
  switch (form) {
    case TDataForm::Quoted: break;
    case TDataForm::Dword: Put(out, "dword:"); break;
    case TDataForm::Binary: Put(out, "hex:"); break;
    case TDataForm::Typed:
      Put(out, "hex(");
      AppendHex32(out, type, false);
      Put(out, "):");
      break;
  }
  return form;
}

// The byte list after a prefix of lineLength characters: "XX," per byte, the last comma
// dropped; a line that has grown past the wrap column after a byte that is not the last
// ends with "\" and the next one starts with two spaces.
template <class S>
void AppendByteList(S& out, std::size_t lineLength, std::string_view data) {
  using C = typename S::value_type;
  const std::size_t last = data.size() - 1;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(data[i]);
    if (i == last) {
      const C tail[4] = {C(HexDigits[b >> 4]), C(HexDigits[b & 0xF]), C('\r'), C('\n')};
      out.append(tail, 4);
      return;
    }
    const C byte[3] = {C(HexDigits[b >> 4]), C(HexDigits[b & 0xF]), C(',')};
    out.append(byte, 3);
    lineLength += 3;
    if (lineLength > RegFileWrapColumn) {
      const C next[5] = {C('\\'), C('\r'), C('\n'), C(' '), C(' ')};
      out.append(next, 5);
      lineLength = 2;
    }
  }
}

// The data part of the forms that are not quoted text.
template <class S>
void AppendOtherData(S& out, TDataForm form, std::size_t lineStart, std::string_view data) {
  if (form == TDataForm::Dword) {
    const auto byte = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])); };
    AppendHex32(out, byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24, true);
    Put(out, "\r\n");
  } else if (data.empty()) {
    Put(out, "\r\n");
  } else {
    AppendByteList(out, out.size() - lineStart, data);
  }
}

char16_t Unit(std::string_view data, std::size_t i) {
  return static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) | static_cast<unsigned char>(data[2 * i + 1]) << 8);
}

}  // namespace

std::string EscapeRegText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  AppendEscaped(out, text);
  return out;
}

bool IsRegFileName(std::string_view name) { return name.find_first_of("\r\n") == std::string_view::npos; }

bool IsRegFileName(std::u16string_view name) { return name.find_first_of(u"\r\n") == std::u16string_view::npos; }

bool IsQuotableString(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  return data.substr(0, data.size() - 1).find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

bool IsQuotableString5(std::string_view data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t n = data.size() / 2 - 1;
  if (Unit(data, n) != 0) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = Unit(data, i);
    if (c == 0 || c == u'\r' || c == u'\n') return false;
    if (c >= 0xD800 && c <= 0xDFFF) {  // a surrogate must be the first of a pair
      if (c >= 0xDC00 || i + 1 == n) return false;
      const char16_t next = Unit(data, ++i);
      if (next < 0xDC00 || next > 0xDFFF) return false;
    }
  }
  return true;
}

std::string ValuePrefix(std::uint32_t type, std::string_view data, std::string_view name) {
  std::string out;
  AppendPrefix(out, type, data, name, IsQuotableString(data));
  return out;
}

void AppendValueEntry(std::string& out, std::string_view name, std::uint32_t type, std::string_view data) {
  const std::size_t lineStart = out.size();
  const TDataForm form = AppendPrefix(out, type, data, name, type == TypeSz && IsQuotableString(data));
  if (form != TDataForm::Quoted) return AppendOtherData(out, form, lineStart, data);
  out += '"';
  AppendEscaped(out, data.substr(0, data.size() - 1));
  out += "\"\r\n";
}

void AppendValueEntry(std::u16string& out, std::u16string_view name, std::uint32_t type, std::string_view data) {
  const std::size_t lineStart = out.size();
  const TDataForm form = AppendPrefix(out, type, data, name, type == TypeSz && IsQuotableString5(data));
  if (form != TDataForm::Quoted) return AppendOtherData(out, form, lineStart, data);
  out += u'"';
  for (std::size_t i = 0, n = data.size() / 2 - 1; i < n; ++i) {
    const char16_t c = Unit(data, i);
    if (c == u'\\' || c == u'"') out += u'\\';
    out += c;
  }
  out += u"\"\r\n";
}

void AppendKeyLine(std::string& out, std::string_view rootName, std::string_view keyPath) {
  out += "\r\n[";
  out += rootName;
  out += keyPath;
  out += "]\r\n";
}

void AppendKeyLine(std::u16string& out, std::u16string_view rootName, std::u16string_view keyPath) {
  out += u"\r\n[";
  out += rootName;
  out += keyPath;
  out += u"]\r\n";
}
