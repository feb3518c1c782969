#pragma once
// Text, path, number, checksum and colour helpers that need no platform call (kept free
// of windows.h so they build anywhere). Texts are byte strings in the ANSI code page;
// positions are 1-based, 0 means "not found" and -1 "bad arguments".
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Character sets ------------------------------------------------------------------

// A set of byte values.
using TCharSet = std::bitset<256>;
// The set of the bytes of chars ("\\/" gives the two separators).
TCharSet CharSetOf(std::string_view chars);
inline bool InCharSet(const TCharSet& set, char c) { return set.test(static_cast<unsigned char>(c)); }

// Word letters for whole-word search: A-Z, a-z and the letters of code page 1252
// (0x8A, 0x8C, 0x9A, 0x9C, 0x9F, 0xC0-0xD6, 0xD8-0xDE, 0xE0-0xF6, 0xF8-0xFF).
// Digits and the underscore are not word letters.
bool IsWordLetter(unsigned char c);

// ---- Text ----------------------------------------------------------------------------

// Case-sensitive replace from position `from`, left to right, never rescanning inserted
// text; maxCount 0 means all. Returns the count, -1 when find is empty or from < 1.
int ReplaceText(std::string& text, std::string_view find, std::string_view replacement, int from, int maxCount = 0);

// Position of the first exact occurrence of find at or after from (with wholeWord only one
// with no word letter right before or after it); 0 when none, -1 when find is empty or
// from < 1. FindText (VkFuncLib.h) adds the locale's case folding in front of this.
int FindTextExact(std::string_view text, std::string_view find, int from, bool wholeWord);

// count copies of c; empty for count <= 0.
std::string RepeatChar(char c, int count);

// A name as messages show it: a CR or LF in it as the two characters \r or \n.
std::string ShownName(std::string_view name);

// Position of the first byte of set at or after from; 0 when none; -1 for an empty set or
// from < 1.
int FindCharOf(std::string_view text, const TCharSet& set, int from = 1);
// Replaces every byte of set at or after from by c; returns the count (-1 as above).
int ReplaceCharsOf(std::string& text, const TCharSet& set, char c, int from = 1);
// Number of bytes of set at or after from (-1 as above).
int CountCharsOf(std::string_view text, const TCharSet& set, int from = 1);

// Splits at every delimiter; empty pieces are kept (n delimiters give n + 1 pieces) and an
// empty text gives no pieces. "Tahoma,8," gives Tahoma, 8 and "".
std::vector<std::string> SplitText(std::string_view text, const TCharSet& delimiters);

// Line-break kinds: 0 CR LF, 1 LF only, 2 CR only, -1 none or mixed.
int LineBreakKind(std::string_view text);
// Multi-string data as lines: the last two bytes (the NULs that end the last string and
// the list) dropped without looking at them, every other NUL turned into CR LF.
std::string MultiStringToLines(std::string_view data);
// The data a multi-string text is stored as: its lines (split at its kind of line break)
// each ended by a NUL, and one more NUL that ends the list.
std::string MultiStringData(std::string_view text);
// Separators indexed by kind + 1: "", CR LF, LF, CR.
extern const char* const LineBreaks[4];

// Decimal text left-padded with pad so the digits fill width; a minus sign stays in front
// and does not count (width 4, "0": 7 gives 0007, -7 gives -0007). Never cuts.
std::string PadNumber(int width, char pad, std::int64_t value);

// "v" + the version in upper-case hex (at least three digits) with "." before the last two
// digits: 0x104 gives v1.04.
std::string VersionText(std::uint16_t version);

// ASCII-only case-insensitive equality and ordering.
bool SameTextAscii(std::string_view a, std::string_view b);
int CompareTextAscii(std::string_view a, std::string_view b);

// Parses an integer text: optional sign and decimal digits, or "$" and hex digits of any
// 32-bit pattern ("$80000008"; leading zeros as in "$0000402000" are allowed). False, value
// untouched, otherwise.
bool ParseIntText(std::string_view text, std::int32_t& value);

// ---- Paths (file paths and registry key paths, separated by "\") -----------------------

// Adds (add) or removes one final "\" of a non-empty path; a drive root such as C:\ is
// left alone. Removing from "\" gives "".
std::string SetTrailingBackslash(std::string_view path, bool add);
// The name after the last "\" or "/", a trailing "\" ignored; a path without either is
// returned whole. \Software\Classes\ gives Classes.
std::string ExtractLastName(std::string_view path);
// Everything up to and including the last "\", a trailing "\" ignored. A drive root and the
// registry root "\" stay as they are; a path without "\" gives "".
std::string ParentDirectory(std::string_view path);

// ---- Numbers, bytes and colours -------------------------------------------------------

inline int ChooseInt(int a, int b, bool flag) { return flag ? b : a; }
// Whether bit (0..63) of value is 1; false for a bit number out of range.
bool IsBitSet(int bit, std::uint64_t value);
// The low count bytes (at most 8) of value in reverse order, the bytes above them 0.
// A count above 8, or below 1, gives 0.
std::uint64_t ReverseBytes(int count, std::uint64_t value);

// Table-driven reflected CRC-32 (polynomial 0xEDB88320) over data, continuing from
// running; the result is the running value inverted. Pass 0xFFFFFFFF for one whole buffer:
// "123456789" gives 0xCBF43926.
std::uint32_t Crc32(const void* data, std::size_t length, std::uint32_t running);
inline std::uint32_t Crc32(std::string_view data, std::uint32_t running = 0xFFFFFFFFu) {
  return Crc32(data.data(), data.size(), running);
}

// Mixes red, green and blue of two 0x00BBGGRR colours separately: byte1 + amount *
// (byte2 - byte1) / 255, truncated toward zero; amount 0 gives color1, 255 color2 (values
// outside 0..255 are taken as the nearer end). The top byte of the result is 0.
std::uint32_t BlendColors(std::uint32_t color1, std::uint32_t color2, int amount);

// ---- Date-time ------------------------------------------------------------------------

// The program's date-time value of a calendar date and time: days since 30 December 1899,
// the fraction being the time of day (for days before that date the time counts away from
// zero, so -1.25 is 29 December 1899, 06:00).
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int milliseconds);
