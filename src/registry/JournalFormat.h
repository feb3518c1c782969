#pragma once
// The undo journal's record form and the registry walks that recording and undo share.
//
// A tree: the values (a count, then each as name, type, size and bytes), then the subkeys
// (a count, then each as name and tree). A name: its count of UTF-16 units, then the units.
// Numbers are little-endian. Hashes are 64-bit FNV-1a over those same bytes, so that the
// tree a record holds and the tree the registry holds now hash alike when they are alike.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "registry/Journal.h"

inline constexpr char JournalMagic[8] = {'H', 'L', 'J', 'O', 'U', 'R', 'N', 'L'};
inline constexpr std::uint32_t JournalVersion = 1;

std::uint32_t Crc32(const void* data, std::size_t size);

// Writing the record form: numbers little-endian, names as their count of units and the units.
void PutU8(std::string& out, std::uint8_t v);
void PutU32(std::string& out, std::uint32_t v);
void PutU64(std::string& out, std::uint64_t v);
void PutName(std::string& out, std::wstring_view name);

// Reads the record form with every length checked against what is left.
class TRecordReader {
 public:
  explicit TRecordReader(std::string_view bytes) : b_(bytes) {}
  bool Ok() const { return ok_; }
  std::size_t Pos() const { return pos_; }
  bool Need(std::size_t n) {
    if (!ok_ || b_.size() - pos_ < n) ok_ = false;
    return ok_;
  }
  std::uint8_t U8() { return Need(1) ? static_cast<std::uint8_t>(b_[pos_++]) : 0; }
  std::uint32_t U32() {
    if (!Need(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return v;
  }
  std::uint64_t U64() {
    const std::uint64_t lo = U32();
    return lo | static_cast<std::uint64_t>(U32()) << 32;
  }
  std::wstring Name() {
    const std::uint32_t n = U32();
    if (!Need(std::size_t{n} * 2)) return std::wstring();
    std::wstring s(n, L'\0');
    for (std::uint32_t i = 0; i < n; ++i)
      s[i] = static_cast<wchar_t>(static_cast<unsigned char>(b_[pos_ + 2 * i]) |
                                  static_cast<unsigned char>(b_[pos_ + 2 * i + 1]) << 8);
    pos_ += std::size_t{n} * 2;
    return s;
  }
  std::string_view Bytes(std::uint64_t n) {
    if (n > b_.size()) ok_ = false;
    if (!Need(static_cast<std::size_t>(n))) return {};
    const std::string_view v = b_.substr(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return v;
  }

 private:
  std::string_view b_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};


std::uint64_t HashBytes(std::string_view bytes);
// The hash of a value's state: its type and bytes.
std::uint64_t ValueHash(DWORD type, const char* data, DWORD size);

// Counts of what a tree form holds.
struct TTreeCounts {
  std::uint32_t Keys = 0, Values = 0;
  std::uint64_t Bytes = 0;
};
// Appends the tree form of the key h (everything below it, stored names and bytes); false
// when a part could not be read. Items that vanish while it is read are left out.
bool ReadTree(HKEY h, std::string& out, TTreeCounts& counts);
// Creates the tree form's values and subkeys below h; each item that could not be written is
// named (its path below h) in failed. False when the form itself is broken.
bool WriteTree(HKEY h, std::string_view tree, const std::wstring& path, std::vector<std::wstring>& failed,
               std::size_t& written);

// The keys of value items opened once each: the values of one change lie in a few keys
// (a move reads and writes two of them in turn), so the last few keys opened are held.
class TKeyCache {
 public:
  TKeyCache(bool create, REGSAM access) : create_(create), access_(access) {}
  // The key at path (created when the cache creates); the registry's result.
  LONG Open(RootKey root, const std::wstring& path, HKEY& h);
  // Closes the keys held (before a key is deleted, which may be one of them or hold one).
  void Forget() { held_.clear(); }

 private:
  struct TEntry {
    RootKey Root = 0;
    std::wstring Path;
    std::shared_ptr<TVkKey> Key;
    LONG Result = ERROR_FILE_NOT_FOUND;
  };
  static constexpr std::size_t Held = 4;
  bool create_;
  REGSAM access_;
  std::vector<TEntry> held_;  // the last used first
};

// Whether the item is there now and the hash of what it holds (value or tree); values are read
// through the cache.
bool CurrentState(const TJournalItem& item, bool& present, std::uint64_t& hash, TKeyCache& cache);
// What an item holds now, for every item of a record at once (values of one key from one
// listing); Known is false where it could not be read.
struct TItemState {
  bool Known = false;
  bool Present = false;
  std::uint64_t Hash = 0;
};
void CurrentStates(const std::vector<TJournalItem>& items, std::vector<TItemState>& states);
// The hash of an item's before state (when it existed).
std::uint64_t BeforeHash(const TJournalItem& item);

// The record's bytes: header, items and CRC, and the after section when every item has one.
std::string EncodeRecord(const TJournalEntry& header, const std::vector<TJournalItem>& items);
// Reads a record's bytes; "" or what is wrong with them. Without items only the header is read.
std::string DecodeRecord(std::string_view bytes, TJournalEntry& header, std::vector<TJournalItem>* items);
// Reads a whole record file; "" or what is wrong with it.
std::string ReadRecordFile(const std::string& file, TJournalEntry& header, std::vector<TJournalItem>* items);
// Writes the record to a side file and moves it into place; "" or the reason it failed.
std::string WriteRecordFile(const std::string& file, const std::string& bytes);

// Upper-cased as the registry compares names.
std::wstring UpperName(std::wstring_view name);

// The sequence number a new record takes in folder, and the file of a sequence number.
std::uint64_t NextJournalSequence(const std::string& folder);
std::string JournalFileName(const std::string& folder, std::uint64_t sequence);
