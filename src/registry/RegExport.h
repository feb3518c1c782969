#pragma once
// The registration file export: one key with everything below it written as a "REGEDIT4"
// file or as a "Windows Registry Editor Version 5.00" file in UTF-16 (text layout in
// RegFileText.h). The walk reaches the registry through the handles of
// the caller's TVkReg and leaves its current key alone.
#include <windows.h>

#include <string>
#include <vector>

#include "registry/VkRegistry.h"

enum class TExportStatus {
  Complete,    // the file holds the whole key
  Incomplete,  // the file was written, without what LeftOut names
  Failed,      // nothing was written; an existing file of that name is unchanged
};

enum class TRegFileForm {
  Regedit4,  // ANSI code page; leaves out what the code page cannot spell
  Unicode,   // 5.00 kind, UTF-16 LE with byte order mark: every name and byte as stored
};

struct TExportResult {
  TExportStatus Status = TExportStatus::Failed;
  // For the user: empty when complete, else a text that names the file (shown as it is).
  std::string Message;
  // What an incomplete export left out, one location text per item.
  std::vector<std::string> LeftOut;
};

// Writes the key at path of reg's Root with all its values and subkeys to fileName. The path
// is taken from the root, with or without its leading "\" ("" and "\" export the whole root);
// Root must be one of the seven predefined roots. Subkeys are opened with reg.Access.
//
// The file is written next to fileName under a temporary name and takes its place only once
// it is whole, so a failure (missing key, no access, disk full) never leaves a half-written
// file nor spoils one that was there. Below the key the walk follows the names as stored.
// What the format cannot carry is left out and makes the export incomplete: names holding
// CR or LF (either kind); in the REGEDIT4 kind also names the code page cannot spell (a key
// with everything below it; reported by their marked text) and string data that is no text
// of the code page or an odd number of bytes (the file holds strings as ANSI text, which
// imports turn back into the stored UTF-16). So are subkeys that do not open (they keep their
// key line), values that cannot be read, and keys that kept changing while they were read.
TExportResult ExportKey(TVkReg& reg, const std::string& path, const std::string& fileName,
                        TRegFileForm form = TRegFileForm::Regedit4);

// The Export Key command's call: exports keyPath of root, read with KEY_READ.
TExportResult ExportKeyToFile(const std::string& fileName, RootKey root, const std::string& keyPath,
                              TRegFileForm form = TRegFileForm::Regedit4);

// Shows the message of an export that was incomplete (warning) or failed (error); nothing
// for a complete one. Returns the result's status.
TExportStatus ShowExportResult(const TExportResult& result);

// Test seams (none in the program). The read hook is called before the value of index i of
// key is read; a test changes the key there to reproduce values that vanish or grow while
// the export runs. The write hook is called before each block goes to the file; returning
// false makes that write fail as a full disk would. Each setter returns the hook it replaces.
using TExportReadHook = void (*)(HKEY key, DWORD index);
using TExportWriteHook = bool (*)(std::size_t offset, std::size_t count);
TExportReadHook SetExportReadHook(TExportReadHook hook);
TExportWriteHook SetExportWriteHook(TExportWriteHook hook);
