#include "lib/VkText.h"

#include <array>

namespace {

// Length of a text as a position value (texts beyond 2 GB do not occur).
int Len(std::string_view text) { return static_cast<int>(text.size()); }

unsigned char LowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

const char HexDigits[] = "0123456789ABCDEF";

// Upper-case hex of value with at least minDigits digits.
std::string HexText(std::uint32_t value, int minDigits) {
  std::string digits;
  do {
    digits.insert(digits.begin(), HexDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (Len(digits) < minDigits) digits.insert(0, static_cast<std::size_t>(minDigits - Len(digits)), '0');
  return digits;
}

}  // namespace

// ---- Character sets ------------------------------------------------------------------

TCharSet CharSetOf(std::string_view chars) {
  TCharSet set;
  for (char c : chars) set.set(static_cast<unsigned char>(c));
  return set;
}

bool IsWordLetter(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case 0x8A:
    case 0x8C:
    case 0x9A:
    case 0x9C:
    case 0x9F:
      return true;
    default:
      break;
  }
  return c >= 0xC0 && c != 0xD7 && c != 0xDF && c != 0xF7;
}

// ---- Text ----------------------------------------------------------------------------

int ReplaceText(std::string& text, std::string_view find, std::string_view replacement, int from, int maxCount) {
  if (find.empty() || from < 1) return -1;
  if (from > Len(text)) return 0;
  // Built into a new text so that many replacements stay linear; the scan only ever looks
  // at the original text, which is what "never rescanning the replacement" means.
  std::string result(text, 0, static_cast<std::size_t>(from - 1));
  std::size_t pos = static_cast<std::size_t>(from - 1);
  int count = 0;
  while (pos < text.size() && (maxCount == 0 || count < maxCount)) {
    if (text.compare(pos, find.size(), find) == 0) {
      result.append(replacement);
      pos += find.size();
      ++count;
    } else {
      result.push_back(text[pos]);
      ++pos;
    }
  }
  if (count == 0) return 0;
  result.append(text, pos, std::string::npos);
  text.swap(result);
  return count;
}

int FindTextExact(std::string_view text, std::string_view find, int from, bool wholeWord) {
  if (find.empty() || from < 1) return -1;
  std::size_t pos = static_cast<std::size_t>(from - 1);
  while (pos < text.size()) {
    pos = text.find(find, pos);
    if (pos == std::string_view::npos) return 0;
    if (!wholeWord) return static_cast<int>(pos + 1);
    const std::size_t end = pos + find.size();
    const bool wordBefore = pos > 0 && IsWordLetter(static_cast<unsigned char>(text[pos - 1]));
    const bool wordAfter = end < text.size() && IsWordLetter(static_cast<unsigned char>(text[end]));
    if (!wordBefore && !wordAfter) return static_cast<int>(pos + 1);
    ++pos;
  }
  return 0;
}

std::string RepeatChar(char c, int count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), c) : std::string();
}

int FindCharOf(std::string_view text, const TCharSet& set, int from) {
  if (set.none() || from < 1) return -1;
  for (int i = from; i <= Len(text); ++i)
    if (InCharSet(set, text[static_cast<std::size_t>(i - 1)])) return i;
  return 0;
}

int ReplaceCharsOf(std::string& text, const TCharSet& set, char c, int from) {
  if (set.none() || from < 1) return -1;
  int count = 0;
  for (std::size_t i = static_cast<std::size_t>(from - 1); i < text.size(); ++i) {
    if (InCharSet(set, text[i])) {
      text[i] = c;
      ++count;
    }
  }
  return count;
}

int CountCharsOf(std::string_view text, const TCharSet& set, int from) {
  if (set.none() || from < 1) return -1;
  int count = 0;
  for (std::size_t i = static_cast<std::size_t>(from - 1); i < text.size(); ++i)
    if (InCharSet(set, text[i])) ++count;
  return count;
}

std::vector<std::string> SplitText(std::string_view text, const TCharSet& delimiters) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (InCharSet(delimiters, text[i])) {
      pieces.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.emplace_back(text.substr(start));  // the piece that the end of the text closes
  return pieces;
}

const char* const LineBreaks[4] = {"", "\r\n", "\n", "\r"};

std::string MultiStringToLines(std::string_view data) {
  if (data.size() > 1) data.remove_suffix(2);
  std::string text;
  text.reserve(data.size() + data.size() / 8);
  for (char c : data) {
    if (c == '\0') text += "\r\n";
    else text += c;
  }
  return text;
}

int LineBreakKind(std::string_view text) {
  std::size_t cr = 0, lf = 0;
  for (char c : text) {
    if (c == '\r') ++cr;
    else if (c == '\n') ++lf;
  }
  if (cr == 0 && lf > 0) return 1;
  if (lf == 0 && cr > 0) return 2;
  if (cr == lf && cr > 0) return 0;
  return -1;
}

std::string PadNumber(int width, char pad, std::int64_t value) {
  // The magnitude as unsigned, so that the most negative value needs no special case.
  std::uint64_t magnitude = value < 0 ? 0u - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (Len(digits) < width) digits.insert(0, static_cast<std::size_t>(width - Len(digits)), pad);
  return value < 0 ? "-" + digits : digits;
}

std::string VersionText(std::uint16_t version) {
  std::string hex = HexText(version, 3);
  hex.insert(hex.size() - 2, 1, '.');
  return "v" + hex;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(static_cast<unsigned char>(a[i])) != LowerAscii(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = LowerAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = LowerAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool ParseIntText(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  if (text[0] == '$') {
    if (text.size() < 2) return false;
    // Leading zeros do not count towards the eight digits of a 32-bit value.
    std::size_t first = 1;
    while (first + 1 < text.size() && text[first] == '0') ++first;
    if (text.size() - first > 8) return false;
    std::uint32_t v = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
      const char c = text[i];
      unsigned digit;
      if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
      else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
      else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
      else return false;
      v = (v << 4) | digit;
    }
    value = static_cast<std::int32_t>(v);
    return true;
  }
  std::size_t i = 0;
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') i = 1;
  if (i == text.size()) return false;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

// ---- Paths ---------------------------------------------------------------------------

namespace {
bool IsDriveRoot(std::string_view path) { return path.size() >= 2 && path.substr(path.size() - 2) == ":\\"; }
}  // namespace

std::string SetTrailingBackslash(std::string_view path, bool add) {
  std::string result(path);
  if (result.empty() || IsDriveRoot(result)) return result;
  const bool has = result.back() == '\\';
  if (add && !has) result.push_back('\\');
  else if (!add && has) result.pop_back();
  return result;
}

std::string ExtractLastName(std::string_view path) {
  const std::string trimmed = SetTrailingBackslash(path, false);
  const std::size_t sep = trimmed.find_last_of("\\/");
  return sep == std::string::npos ? trimmed : trimmed.substr(sep + 1);
}

std::string ParentDirectory(std::string_view path) {
  if (IsDriveRoot(path) || path == "\\") return std::string(path);
  const std::string trimmed = SetTrailingBackslash(path, false);
  const std::size_t sep = trimmed.rfind('\\');
  return sep == std::string::npos ? std::string() : trimmed.substr(0, sep + 1);
}

// ---- Numbers, bytes and colours -------------------------------------------------------

bool IsBitSet(int bit, std::uint64_t value) {
  if (bit < 0 || bit > 63) return false;
  return ((value >> bit) & 1u) != 0;
}

std::uint64_t ReverseBytes(int count, std::uint64_t value) {
  if (count < 1 || count > 8) return 0;
  std::uint64_t result = 0;
  for (int i = 0; i < count; ++i) {
    result = (result << 8) | (value & 0xFFu);
    value >>= 8;
  }
  return result;
}

namespace {
const std::array<std::uint32_t, 256>& CrcTable() {
  // Built once, on first use.
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}
}  // namespace

std::uint32_t Crc32(const void* data, std::size_t length, std::uint32_t running) {
  const std::array<std::uint32_t, 256>& table = CrcTable();
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) running = table[(running ^ p[i]) & 0xFFu] ^ (running >> 8);
  return ~running;
}

std::uint32_t BlendColors(std::uint32_t color1, std::uint32_t color2, int amount) {
  if (amount < 0) amount = 0;
  if (amount > 255) amount = 255;
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int b1 = static_cast<int>((color1 >> shift) & 0xFFu);
    const int b2 = static_cast<int>((color2 >> shift) & 0xFFu);
    const int mixed = b1 + amount * (b2 - b1) / 255;  // C++ division truncates toward zero
    result |= static_cast<std::uint32_t>(mixed) << shift;
  }
  return result;
}

// ---- Date-time ------------------------------------------------------------------------

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliseconds) {
  // Days from the civil calendar (proleptic Gregorian), counted from 1 March of year 0.
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = static_cast<long long>(era) * 146097 + doe;
  const long long epoch = 693899;  // 30 December 1899 on the same count
  const long long date = days - epoch;
  const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + milliseconds) / 86400000.0;
  return date < 0 ? static_cast<double>(date) - time : static_cast<double>(date) + time;
}

std::string MultiStringData(std::string_view text) {
  const std::string_view sep = LineBreaks[LineBreakKind(text) + 1];
  std::string data;
  data.reserve(text.size() + 2);
  if (sep.empty()) {
    data = text;
  } else {
    std::size_t pos = 0;
    for (;;) {
      const std::size_t hit = text.find(sep, pos);
      if (hit == std::string_view::npos) break;
      data.append(text, pos, hit - pos);
      data += '\0';
      pos = hit + sep.size();
    }
    data.append(text.substr(pos));
  }
  data.append(2, '\0');
  return data;
}

std::string ShownName(std::string_view name) {
  std::string s;
  s.reserve(name.size());
  for (char c : name) {
    if (c == '\r') s += "\\r";
    else if (c == '\n') s += "\\n";
    else s += c;
  }
  return s;
}
