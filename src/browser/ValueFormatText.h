#pragma once
// The Value Data line and the Type column text of a value row, as functions of the value's
// bytes, its type and the user's per-type patterns. Nothing here reaches the platform: the
// registry read and the environment expansion are done by the caller (browser/ValueFormat.h).
//
// A pattern is literal text with two-character codes:
//   %s text   %e expanded text   %m multi-string   %h hex view
//   %i %u %x  signed, unsigned, hexadecimal number of the first four bytes (low byte first)
//   %I %U %X  the same with the four bytes taken high byte first
// Any other character c after "%" shows as c followed by "!"; a "%" at the very end is kept.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

constexpr int FormatTypeCount = 12;

// The pattern each value type starts with, indexed by type code; the settings file keeps
// the user's patterns under the types' constant names.
extern const char* const DefaultTypeFmt[FormatTypeCount];

// The display settings that shape value rows: one pattern per type code and the choice
// between friendly and constant type names.
struct TTypeFormats {
  std::array<std::string, FormatTypeCount> TypeFmt;
  bool ConstDataNames = false;

  TTypeFormats();  // the defaults
  // The pattern for rendering as formatType; "%h" for a code outside 0..11.
  const std::string& Pattern(std::uint32_t formatType) const;
};

// Expands the environment references of a text completely (see ExpandEnvironmentText).
// An empty expander leaves the text as it is.
using TEnvExpander = std::function<std::string(const std::string& text)>;

// The Type column text: the friendly or constant name for 0..11, else "Undefined (n)" with
// the code as a signed 32-bit decimal.
std::string TypeColumnText(std::uint32_t type, bool constNames);
inline std::string TypeColumnText(std::uint32_t type, const TTypeFormats& formats) {
  return TypeColumnText(type, formats.ConstDataNames);
}

// The Value Data line of a value whose data (exactly the bytes the ANSI registry read
// returns) has the type realType, rendered with the pattern of formatType. Empty data gives
// "** Zero Length <type text> Data **" whatever the pattern. The line is cut to maxLength
// characters; the walk stops as soon as it has them.
std::string FormatValueData(std::string_view data, std::uint32_t realType, std::uint32_t formatType,
                            const TTypeFormats& formats, const TEnvExpander& expand = {},
                            std::size_t maxLength = std::string::npos);

// The pattern walk alone: every "%c" becomes ExpandFormatCode(c), everything else is copied,
// until the text holds maxLength characters.
std::string ExpandPattern(std::string_view pattern, std::string_view data, std::uint32_t realType,
                          std::uint32_t formatType, const TEnvExpander& expand = {},
                          std::size_t maxLength = std::string::npos);

// The text of one format code for the value.
std::string ExpandFormatCode(char code, std::string_view data, std::uint32_t realType, std::uint32_t formatType,
                             const TEnvExpander& expand = {});

// The building blocks of the codes, for the other views of value data.
// The data as a string: everything before the first NUL (all of it when there is none).
std::string StringDataText(std::string_view data);
// The data as lines of a multi-string: the last two bytes (the terminators) dropped when
// there are more than one, every remaining NUL turned into CR LF.
std::string MultiStringText(std::string_view data);
// At most the first 48 bytes as "XX " each, followed by "..." when there are more.
std::string HexViewText(std::string_view data);
