#pragma once
// The text of a registration file, computed from names, types and data alone (no window, no
// registry): the "REGEDIT4" kind in the ANSI code page, and the "Windows Registry Editor
// Version 5.00" kind in UTF-16, which holds names and string data as the registry stores
// them. Every line ends with CR LF. The forms are chosen so that the platform's importer
// gives back exactly the bytes and the type that were written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The first line of every registration file, with its line end.
inline constexpr std::string_view RegFileHeader = "REGEDIT4\r\n";

// A byte list line is ended after the byte that takes it past this many characters.
inline constexpr std::size_t RegFileWrapColumn = 76;

// One backslash in front of every "\" and every double quote; nothing else changes.
std::string EscapeRegText(std::string_view text);

// True when a key or value name can stand in a registration file: it holds no CR and no LF
// (either would end the line for the importer).
bool IsRegFileName(std::string_view name);

// True when the data of a REG_SZ comes back exactly from the quoted form: one terminating
// NUL at the end and no other NUL, no CR and no LF. Any other REG_SZ is written as
// "hex(1):" with every byte of it.
bool IsQuotableString(std::string_view data);

// The name part ("@=" for the default value, else the escaped name in double quotes and
// "=") followed by the tag of the data form: nothing for a REG_SZ written quoted, "dword:"
// for a REG_DWORD of exactly 4 bytes, "hex:" for REG_BINARY, else "hex(" + the type in
// upper-case hexadecimal without leading zeros + "):".
std::string ValuePrefix(std::uint32_t type, std::string_view data, std::string_view name);

// Appends the entry of one value: the prefix and the data part, as one line or, for a byte
// list, as lines wrapped with ",\" and continued after two spaces.
void AppendValueEntry(std::string& out, std::string_view name, std::uint32_t type, std::string_view data);

// Appends the empty line that opens a key's block and the key line "[" + root name + key
// path + "]". The key path is "" for the root itself, else "\" + names joined by "\"; key
// names are written as they are.
void AppendKeyLine(std::string& out, std::string_view rootName, std::string_view keyPath);

// The 5.00 kind: the same lines in UTF-16 (written little-endian), names as stored, string
// data as its stored UTF-16 bytes. The header starts with the byte order mark.
inline constexpr std::u16string_view RegFileHeader5 = u"\uFEFFWindows Registry Editor Version 5.00\r\n";

bool IsRegFileName(std::u16string_view name);

// True when REG_SZ data (stored bytes) comes back exactly from the quoted form of a 5.00
// file: an even number of bytes, valid UTF-16, one terminating NUL character at the end and
// no other NUL, no CR and no LF. Any other REG_SZ is written as "hex(1):" with every byte.
bool IsQuotableString5(std::string_view data);

void AppendValueEntry(std::u16string& out, std::u16string_view name, std::uint32_t type, std::string_view data);
void AppendKeyLine(std::u16string& out, std::u16string_view rootName, std::u16string_view keyPath);
