#include "registry/RegFileParse.h"

#include <algorithm>

namespace {

constexpr std::string_view Header4 = "REGEDIT4";
constexpr std::string_view Header5 = "Windows Registry Editor Version 5.00";
// A first line longer than this is no header: the file is refused without reading it whole.
constexpr std::size_t MaxHeaderLine = 256;
constexpr std::uint32_t TypeSz = 1, TypeExpandSz = 2, TypeBinary = 3, TypeMultiSz = 7;

const char* const LongRootNames[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                     "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
const char* const ShortRootNames[] = {"HKCR", "HKCU", "HKLM", "HKU", "HKPD", "HKCC", "HKDD"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

// Nothing but blanks, or blanks and a comment.
bool RestIsEmpty(std::string_view s) {
  s = TrimLeft(s);
  return s.empty() || s[0] == ';';
}

// A character as the messages show it.
std::string Shown(char c) {
  if (static_cast<unsigned char>(c) < 0x20) {
    const char* const digits = "0123456789ABCDEF";
    return std::string("character 0x") + digits[(c >> 4) & 0xF] + digits[c & 0xF];
  }
  return std::string("\"") + c + "\"";
}

// The quoted text that starts after an opening double quote at s[0..]: "\\" and "\"" stand
// for themselves, "\n" and "\r" for a line feed and a carriage return. On success, pos is
// just behind the closing quote. Returns "" or the reason it failed.
std::string Unescape(std::string_view s, std::size_t& pos, std::string& out, const char* what) {
  out.clear();
  std::size_t i = 0;
  for (;;) {
    const std::size_t stop = s.find_first_of("\\\"", i);
    if (stop == std::string_view::npos) return std::string(what) + " has no closing double quote";
    out.append(s.data() + i, stop - i);
    if (s[stop] == '"') {
      pos = stop + 1;
      return std::string();
    }
    if (stop + 1 >= s.size()) return std::string(what) + " has no closing double quote";
    const char c = s[stop + 1];
    if (c == '\\' || c == '"') out += c;
    else if (c == 'n') out += '\n';
    else if (c == 'r') out += '\r';
    else return std::string(what) + " holds the unknown escape \"\\" + c + "\"";
    i = stop + 2;
  }
}

// Appends one code point as UTF-16.
void AppendUtf16(std::u16string& out, std::uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// UTF-8 to UTF-16; false for a malformed, overlong or surrogate sequence.
bool Utf8ToUtf16(std::string_view s, std::u16string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    int extra;
    std::uint32_t cp, min;
    if ((b & 0xE0) == 0xC0) extra = 1, cp = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0) extra = 2, cp = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0) extra = 3, cp = b & 0x07, min = 0x10000;
    else return false;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size()) return false;
      const unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    AppendUtf16(out, cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// Whether the bytes start like ASCII text in UTF-16 with the given byte order: at least two
// whole code units, each a printable ASCII character or a line break.
bool LooksLikeUtf16(std::string_view s, bool bigEndian) {
  const std::size_t units = std::min<std::size_t>(s.size() / 2, 4);
  if (units < 2) return false;
  for (std::size_t i = 0; i < units; ++i) {
    const unsigned char low = static_cast<unsigned char>(s[2 * i + (bigEndian ? 1 : 0)]);
    if (s[2 * i + (bigEndian ? 0 : 1)] != '\0') return false;
    if (!(low >= 0x20 && low < 0x7F) && low != '\t' && low != '\r' && low != '\n') return false;
  }
  return true;
}

bool AllAscii(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x80; });
}

bool AllAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

int RegFileRootIndex(std::string_view name) {
  for (int i = 0; i < 7; ++i)
    if (EqualNoCase(name, LongRootNames[i]) || EqualNoCase(name, ShortRootNames[i])) return i;
  return -1;
}

std::string Utf8OfStored(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string StoredOfUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    std::uint32_t cp = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
    for (int k = 1; k <= extra && i + k < text.size(); ++k) cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if (cp >= 0x10000) AppendUtf16(out, cp);
    else out += static_cast<char16_t>(cp);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

TRegFileParser::TRegFileParser(TUtf16ToAnsi toAnsi, TRegOpSink sink, bool exact)
    : toAnsi_(std::move(toAnsi)), sink_(std::move(sink)), exact_(exact) {}

bool TRegFileParser::Fail(std::size_t line, std::string reason) {
  if (error_.empty()) {
    errorLine_ = line;
    error_ = std::move(reason);
  }
  return false;
}

bool TRegFileParser::Feed(std::string_view bytes) {
  if (Failed() || stopped_ || finished_) return false;
  return DecodeBytes(bytes, false);
}

bool TRegFileParser::Finish() {
  if (finished_) return !Failed() && !stopped_;
  if (Failed() || stopped_) return false;
  if (!DecodeBytes(std::string_view(), true)) return false;
  finished_ = true;
  if (encoding_ == TEncoding::Utf16 && !pending_.empty())
    return Fail(line_ + 1, "the file ends inside a UTF-16 character");
  if (!raw_.empty() || !wide_.empty() || line_ == 0) {
    if (!EndPhysicalLine()) return false;
  }
  // A byte list whose last line ended with "\" ends with the file.
  if (continuing_ && !EndValue()) return false;
  return !Failed();
}

bool TRegFileParser::DecodeBytes(std::string_view bytes, bool last) {
  if (encoding_ == TEncoding::Undecided) {
    pending_.append(bytes);
    if (pending_.size() < 8 && !last) return true;
    std::string head;
    head.swap(pending_);
    std::string_view rest(head);
    // UTF-16 is told by its byte order mark alone, and read little-endian only: other UTF-16
    // text is refused with what it is rather than read as bytes that hold NUL characters.
    const char* const utf16Rule = "a registration file in UTF-16 must be little-endian and start with the byte "
                                  "order mark FF FE";
    if (rest.size() >= 2 && rest[0] == '\xFE' && rest[1] == '\xFF')
      return Fail(0, std::string("the file is UTF-16 big-endian text: ") + utf16Rule);
    if (LooksLikeUtf16(rest, false))
      return Fail(0, std::string("the file is UTF-16 text without a byte order mark: ") + utf16Rule);
    if (LooksLikeUtf16(rest, true))
      return Fail(0, std::string("the file is UTF-16 big-endian text without a byte order mark: ") + utf16Rule);
    if (rest.size() >= 2 && rest[0] == '\xFF' && rest[1] == '\xFE') {
      encoding_ = TEncoding::Utf16;
      rest.remove_prefix(2);
    } else if (rest.size() >= 3 && rest.substr(0, 3) == "\xEF\xBB\xBF") {
      encoding_ = TEncoding::Utf8;
      rest.remove_prefix(3);
    } else {
      encoding_ = TEncoding::Ansi;  // may become UTF-8 when the header is that of the 5.00 kind
    }
    return DecodeBytes(rest, last);
  }
  if (encoding_ == TEncoding::Utf16) {
    std::size_t i = 0;
    if (!pending_.empty() && !bytes.empty()) {
      const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(pending_[0]) |
                                                  static_cast<unsigned char>(bytes[0]) << 8);
      pending_.clear();
      i = 1;
      if (unit == u'\r' || unit == u'\n') {
        const bool skip = unit == u'\n' && lastWasCr_;
        lastWasCr_ = unit == u'\r';
        if (!skip && !EndPhysicalLine()) return false;
      } else {
        lastWasCr_ = false;
        wide_ += unit;
      }
    }
    for (; i + 1 < bytes.size(); i += 2) {
      const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                  static_cast<unsigned char>(bytes[i + 1]) << 8);
      if (unit == u'\r' || unit == u'\n') {
        const bool skip = unit == u'\n' && lastWasCr_;
        lastWasCr_ = unit == u'\r';
        if (!skip && !EndPhysicalLine()) return false;
        continue;
      }
      lastWasCr_ = false;
      wide_ += unit;
    }
    if (i < bytes.size()) pending_.assign(1, bytes[i]);
    return line_ > 0 || wide_.size() <= MaxHeaderLine || NoHeader();
  }
  // Byte encodings: the line ends are the same bytes in the ANSI code page and in UTF-8.
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (lastWasCr_) {
      lastWasCr_ = false;
      if (bytes[i] == '\n') {
        ++i;
        continue;
      }
    }
    const std::size_t stop = bytes.find_first_of("\r\n", i);
    if (stop == std::string_view::npos) {
      raw_.append(bytes.data() + i, bytes.size() - i);
      if (line_ == 0 && raw_.size() > MaxHeaderLine) return NoHeader();
      break;
    }
    raw_.append(bytes.data() + i, stop - i);
    lastWasCr_ = bytes[stop] == '\r';
    i = stop + 1;
    if (!EndPhysicalLine()) return false;
  }
  return true;
}

bool TRegFileParser::EndPhysicalLine() {
  ++line_;
  bool spellable = true;
  std::string_view text;
  if (encoding_ == TEncoding::Utf16) {
    if (wide_.find(u'\0') != std::u16string::npos) return NulLine();
    if (ExactLine()) {
      ansiLine_ = Utf8OfStored(wide_);
    } else if (AllAscii(wide_)) {
      ansiLine_.assign(wide_.begin(), wide_.end());
    } else {
      spellable = toAnsi_(wide_, ansiLine_);
    }
    wide_.clear();
    text = ansiLine_;
  } else {
    if (raw_.find('\0') != std::string::npos) return NulLine();
    if (encoding_ == TEncoding::Utf8 && !AllAscii(raw_)) {
      if (!Utf8ToUtf16(raw_, wide_)) return Fail(line_, "the line is not valid UTF-8");
      if (ExactLine()) ansiLine_.swap(raw_);
      else spellable = toAnsi_(wide_, ansiLine_);
      wide_.clear();
      text = ansiLine_;
    } else {
      ansiLine_.swap(raw_);
      text = ansiLine_;
    }
    raw_.clear();
  }
  return Line(text, spellable);
}

// A first line with a NUL character is no header (a binary file); later it is a wrong line.
bool TRegFileParser::NulLine() {
  return line_ == 1 ? NoHeader() : Fail(line_, "the line holds a NUL character");
}

bool TRegFileParser::Line(std::string_view text, bool spellable) {
  if (line_ == 1) return Header(text);
  if (continuing_) {
    text = TrimLeft(text);
    if (text.empty() || text[0] == ';') return true;  // blank and comment lines inside a byte list are passed over
    if (HexValue(text[0]) < 0) return Fail(line_, "a line that continues a byte list must start with a byte");
    return ByteList(text);
  }
  text = TrimLeft(text);
  // Lines that start with ";" or "#" are comments (inside a byte list only ";" is).
  if (text.empty() || text[0] == ';' || text[0] == '#') return true;
  if (text[0] == '[') return KeyLine(text, spellable);
  if (text[0] == '@' || text[0] == '"') return ValueLine(text, spellable);
  return Fail(line_, "the line is not a key line, a value line or a comment");
}

bool TRegFileParser::Header(std::string_view text) {
  text = TrimLeft(text);
  if (text == Header4) {
    kind_ = TRegFileKind::Regedit4;
  } else if (text == Header5) {
    kind_ = TRegFileKind::Version5;
    if (encoding_ == TEncoding::Ansi) encoding_ = TEncoding::Utf8;
  } else {
    return NoHeader();
  }
  return true;
}

bool TRegFileParser::NoHeader() {
  notRegFile_ = true;
  return Fail(1, "the file does not start with \"REGEDIT4\" or \"Windows Registry Editor Version 5.00\"");
}

bool TRegFileParser::KeyLine(std::string_view text, bool spellable) {
  // Key names may hold "]": the key name ends at the last one on the line, and what follows
  // it is passed over.
  const std::size_t close = text.rfind(']');
  if (close == std::string_view::npos) return Fail(line_, "the key line has no closing \"]\"");
  std::string_view inner = text.substr(1, close - 1);
  const bool remove = !inner.empty() && inner[0] == '-';
  if (remove) inner.remove_prefix(1);
  if (inner.empty()) return Fail(line_, "the key line names no key");
  const std::size_t slash = inner.find('\\');
  const std::string_view rootName = inner.substr(0, slash);
  const int root = RegFileRootIndex(rootName);
  if (root < 0) return Fail(line_, "\"" + std::string(rootName) + "\" is not a registry root");
  std::string_view path = slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (!path.empty() && (path[0] == '\\' || path.find("\\\\") != std::string_view::npos))
    return Fail(line_, "the key path holds an empty key name");
  if (remove && path.empty()) return Fail(line_, "a whole root cannot be deleted");
  op_.Kind = remove ? TRegOpKind::DeleteKey : TRegOpKind::Key;
  op_.Line = line_;
  op_.Root = root;
  op_.Path.assign(path);
  op_.Name.clear();
  op_.Type = 0;
  op_.Data.clear();
  op_.Problem = spellable ? std::string() : "the key name cannot be written in the ANSI code page";
  op_.Exact = ExactLine();
  inKey_ = true;
  keyDeleted_ = remove;
  return Emit();
}

bool TRegFileParser::ValueLine(std::string_view text, bool spellable) {
  if (!inKey_) return Fail(line_, "a value line comes before the first key line");
  if (keyDeleted_) return Fail(line_, "a value line follows the deletion of its key");
  op_.Line = line_;
  op_.Type = 0;
  op_.Data.clear();
  op_.Problem = spellable ? std::string() : "the value name or text cannot be written in the ANSI code page";
  op_.Exact = ExactLine();
  std::size_t pos = 1;
  if (text[0] == '@') {
    op_.Name.clear();
  } else {
    std::string reason = Unescape(text.substr(1), pos, op_.Name, "the value name");
    if (!reason.empty()) return Fail(line_, std::move(reason));
    ++pos;
  }
  text = TrimLeft(text.substr(pos));
  if (text.empty() || text[0] != '=') return Fail(line_, "\"=\" is missing after the value name");
  text = TrimRight(TrimLeft(text.substr(1)));
  if (!text.empty() && text[0] == '-') {
    if (!RestIsEmpty(text.substr(1))) return Fail(line_, "the value deletion \"-\" is followed by other text");
    op_.Kind = TRegOpKind::DeleteValue;
    return Emit();
  }
  op_.Kind = TRegOpKind::SetValue;
  if (!text.empty() && text[0] == '"') {
    std::size_t end = 0;
    std::string reason = Unescape(text.substr(1), end, op_.Data, "the text");
    if (!reason.empty()) return Fail(line_, std::move(reason));
    if (!RestIsEmpty(text.substr(end + 1))) return Fail(line_, "the text goes on after its closing double quote");
    op_.Type = TypeSz;
    if (op_.Exact) {  // the stored text: UTF-16 with its NUL
      const std::u16string wide = StoredOfUtf8(op_.Data);
      op_.Data.assign(reinterpret_cast<const char*>(wide.c_str()), 2 * wide.size() + 2);
    } else {
      op_.Data += '\0';
    }
    return Emit();
  }
  if (text.substr(0, 6) == "dword:") {
    text = TrimLeft(text.substr(6));  // blanks may stand between the colon and the digits
    std::size_t n = 0;
    std::uint32_t value = 0;
    while (n < text.size() && HexValue(text[n]) >= 0) value = value << 4 | static_cast<std::uint32_t>(HexValue(text[n++]));
    if (n == 0 || n > 8 || !RestIsEmpty(text.substr(n)))
      return Fail(line_, "\"dword:\" must be followed by 1 to 8 hexadecimal digits");
    for (int i = 0; i < 4; ++i) op_.Data += static_cast<char>(value >> (8 * i) & 0xFF);
    op_.Type = 4;
    return Emit();
  }
  if (text.substr(0, 4) == "hex:") {
    op_.Type = TypeBinary;
    return ByteList(text.substr(4));
  }
  if (text.substr(0, 4) == "hex(") {
    text.remove_prefix(4);
    std::size_t n = 0;
    std::uint64_t type = 0;
    while (n < text.size() && HexValue(text[n]) >= 0 && type <= 0xFFFFFFFFu)
      type = type << 4 | static_cast<std::uint64_t>(HexValue(text[n++]));
    if (n == 0 || type > 0xFFFFFFFFu || text.substr(n, 2) != "):")
      return Fail(line_, "\"hex(\" must be followed by a type number in hexadecimal and \"):\"");
    op_.Type = static_cast<std::uint32_t>(type);
    return ByteList(text.substr(n + 2));
  }
  return Fail(line_, "the data is not text in double quotes, \"dword:\", \"hex:\", \"hex(n):\" or \"-\"");
}

bool TRegFileParser::ByteList(std::string_view text) {
  continuing_ = false;
  std::size_t i = 0;
  const std::size_t n = text.size();
  for (;;) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n || text[i] == ';') return EndValue();
    if (text[i] == '\\') {
      if (!RestIsEmpty(text.substr(i + 1))) return Fail(line_, "the byte list goes on after the \"\\\" that continues it");
      continuing_ = true;
      return true;
    }
    const int high = HexValue(text[i]);
    if (high < 0) return Fail(line_, "the byte list holds " + Shown(text[i]) + " where a byte should be");
    int value = high;
    ++i;
    if (i < n && HexValue(text[i]) >= 0) value = value << 4 | HexValue(text[i++]);
    if (i < n && HexValue(text[i]) >= 0) return Fail(line_, "a byte of the byte list has more than two hexadecimal digits");
    if (i < n && !IsBlank(text[i]) && text[i] != ',' && text[i] != ';' && text[i] != '\\')
      return Fail(line_, "the byte list holds " + Shown(text[i]) + ", which is not a hexadecimal digit");
    op_.Data += static_cast<char>(value);
    if (i < n && text[i] == ',') {
      ++i;
      continue;
    }
    if (!RestIsEmpty(text.substr(i))) return Fail(line_, "the bytes of a byte list must be separated by commas");
    return EndValue();
  }
}

bool TRegFileParser::EndValue() {
  continuing_ = false;
  const bool stringType = op_.Type == TypeSz || op_.Type == TypeExpandSz || op_.Type == TypeMultiSz;
  // In the 5.00 kind the bytes of the string types are UTF-16: they are turned into the
  // ANSI code page, with the terminating NUL added when it is missing (as the platform's
  // importer does), so that the value stored is the one that file describes.
  // Read exactly, the bytes are the stored ones as they stand.
  if (stringType && kind_ == TRegFileKind::Version5 && !op_.Exact && !op_.Data.empty()) {
    if (op_.Data.size() % 2 != 0) {
      if (op_.Problem.empty()) op_.Problem = "its text is an odd number of bytes, which is no UTF-16 text";
    } else {
      std::u16string& wide = scratch_;
      wide.clear();
      for (std::size_t i = 0; i < op_.Data.size(); i += 2)
        wide += static_cast<char16_t>(static_cast<unsigned char>(op_.Data[i]) |
                                      static_cast<unsigned char>(op_.Data[i + 1]) << 8);
      if (wide.back() != u'\0') wide += u'\0';
      bool spellable = true;
      if (AllAscii(wide)) op_.Data.assign(wide.begin(), wide.end());
      else spellable = toAnsi_(wide, op_.Data);
      wide.clear();
      if (!spellable && op_.Problem.empty()) op_.Problem = "its text cannot be written in the ANSI code page";
    }
  }
  return Emit();
}

bool TRegFileParser::Emit() {
  if (sink_ && !sink_(op_)) {
    stopped_ = true;
    return false;
  }
  return true;
}
