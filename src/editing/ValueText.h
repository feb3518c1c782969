#pragma once
// The text forms of the value editor as functions of the value's bytes: the hexadecimal
// dump and its parsing, the numbers of DWord values, multi-string data, the editing form
// a value opens in, and the file name proposed for saving. No window and no registry here.
#include <cstdint>
#include <string>
#include <string_view>

#include "lib/VkText.h"
#include "registry/VkRegistry.h"

// Each byte as two upper-case hexadecimal digits and one space ("0A 1B FF "), built in one
// pass into one buffer.
std::string HexDumpText(std::string_view bytes);

// The result of reading a hexadecimal dump back.
struct THexParse {
  enum TStatus { Ok, BadChar, BadGroup } Status = Ok;
  std::size_t Position = 0;  // BadChar: 0-based position of the first character not allowed
  std::string Group;         // BadGroup: the two characters that are no hexadecimal number
  std::string Bytes;         // Ok: the bytes
};
// Only space and hexadecimal digits are allowed (anything else, line breaks included, is
// BadChar). One final space is dropped; then every three characters give one byte from the
// first two (the third is skipped unseen), and a leftover of fewer than two is ignored.
THexParse ParseHexText(std::string_view text);

// The hex box's key filter: the character to type for c (a-f upper-cased), or 0 to drop
// it; codes 1 to 32 pass unchanged.
char HexKeyChar(char c);
// Whether a space goes in front of the typed character c at the 0-based caret position.
bool HexKeyNeedsSpace(char c, long caret);

// A number as typed for a DWord: leading spaces, an optional sign, then decimal digits or
// hexadecimal ones after "$" or "0x"; a 64-bit value (hexadecimal: up to 16 digits, any
// pattern). False for anything else, and for a decimal number outside the 64-bit range.
bool ParseInt64Text(std::string_view text, std::int64_t& value);
// The "Orginal:" text of a DWord: "$0000001A  (26)".
std::string DWordOriginalText(std::uint32_t value);
// The four bytes of a DWord value as the number they stand for (byte-swapped for
// REG_DWORD_BIG_ENDIAN); missing bytes count as zero.
std::uint32_t DWordOfData(std::string_view data, ValueType type);


// How the editor shows a value: one line of text, a DWord number, lines of a multi-string,
// or the hexadecimal dump.
enum class TValueMode { Text, Number, Lines, Hex };
// The form for the type alone.
TValueMode ValueModeOfType(ValueType type);
// The form for the type, or the hexadecimal dump when the type's text form cannot give
// back these exact bytes (a string with an embedded NUL, a line break or without its
// terminator, a DWord
// that is not four bytes, a multi-string without its terminators).
TValueMode ValueModeOfData(ValueType type, std::string_view data);
// The text of the data in the form.
std::string ValueEditText(TValueMode mode, ValueType type, std::string_view data);
// The text of the one-line or lines form for bytes loaded from a file, when that form
// writes them back exactly: a string's text is written with one NUL after it, so its file
// may end in one NUL but hold no other, nor a line break; lines take a file without a NUL,
// or one that holds a multi-string's exact bytes. False when the form cannot.
bool LoadedFileText(TValueMode mode, ValueType type, std::string_view bytes, std::string& text);

// The file name proposed for saving a value: the name + ".dat", with the double quote and
// each of * / : < > ? \ | replaced by "_".
std::string ValueFileName(const std::string& valueName);

// The largest file the editor loads into a value (its hexadecimal text is three times as
// long); larger data is refused instead of cut.
constexpr std::int64_t MaxValueDataSize = 64 * 1024 * 1024;
