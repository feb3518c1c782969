#pragma once
// The texts of "Copy Path As", computed from roots, names, types and data alone (no window,
// no registry): a key's path as PowerShell names it, and "reg add" command lines that
// recreate values exactly when typed or pasted at a cmd.exe prompt.
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/VkRegistry.h"

// The key path of the program ("\" for the root, "\A\B\" or "\A\B") with the backslashes
// at both ends removed: "" for the root, else "A\B".
std::string InnerKeyPath(std::string_view keyPath);

// "HKCU:\A\B" and "HKLM:\A\B" for the two roots PowerShell has drives for, else
// "Registry::HKEY_USERS\A\B" (the root alone: "HKCU:\", "Registry::HKEY_USERS").
std::string PowerShellPath(RootKey root, std::string_view keyPath);

// The key argument reg.exe takes: the short root name and the key path ("HKCU\A\B",
// "HKCU"); empty for the roots reg.exe has no name for.
std::string RegExeKeyName(RootKey root, std::string_view keyPath);

// One argument as it has to be typed at a cmd.exe prompt so that the program it starts
// receives exactly text (the C runtime's argument rules). Plain runs stand in double
// quotes, with the backslashes in front of each closing quote doubled; a double quote of
// the text is written outside the quotes as \^" and a percent sign as ^%, so that cmd.exe
// neither ends a quoted run early nor expands an environment variable. Text holding a CR
// or LF cannot be passed: it gives "".
std::string CmdArgument(std::string_view text);

// The reg.exe command line that recreates one value, or the reason why none can.
struct TRegAddLine {
  std::string Line;    // "reg add <key> /v <name>|/ve /t <type> [/s <c>] [/d <data>] /f"
  std::string Reason;  // set when Line is empty: why reg.exe cannot recreate the value
};

// key: RegExeKeyName's text. data: for REG_NONE, REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ the
// stored text in the code page, every stored character kept (NULs included); for the other
// types the stored bytes. reg.exe writes a REG_SZ, REG_EXPAND_SZ or REG_NONE as the text and
// one closing NUL, a REG_MULTI_SZ as non-empty strings each closed by a NUL and one NUL more,
// REG_BINARY from hex digits and REG_DWORD and REG_QWORD from numbers; it takes no other type.
TRegAddLine RegAddLine(std::string_view key, std::string_view name, std::uint32_t type, std::string_view data);
