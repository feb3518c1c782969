#include "settings/Settings.h"

#include "registry/Journal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <variant>
#include <vector>

#include <windows.h>

#include "lib/VkFuncLib.h"
#include "settings/VkIni.h"

const char* const DefaultTypeFmt[TypeCount] = {
    "%h",         // REG_NONE
    "%s",         // REG_SZ
    "\"%e\"",     // REG_EXPAND_SZ
    "%h",         // REG_BINARY
    "$%x  (%u)",  // REG_DWORD
    "$%X  (%U)",  // REG_DWORD_BIG_ENDIAN
    "%h",         // REG_LINK
    "%m",         // REG_MULTI_SZ
    "%h",         // REG_RESOURCE_LIST
    "%h",         // REG_FULL_RESOURCE_DESCRIPTOR
    "%h",         // REG_RESOURCE_REQUIREMENTS_LIST
    "%h",         // REG_QWORD
};

namespace {

// How a catalogue entry is stored and what its default is.
enum class TKind {
  Integer,      // decimal integer
  Boolean,      // 0 or 1
  Text,         // text
  KeyPath,      // text holding a key path
  RootIndex,    // a root stored as its index
  Color,        // a 0x00BBGGRR colour stored as an integer
  ColumnWidth,  // integer whose default is the value held on entry
  // A window placement, read in this order; Left and Top default to centring the window
  // of the Width and Height just read.
  Width,
  Height,
  Left,  // (screen - width) / 2, truncated
  Top,
  RoundedLeft,  // screen / 2 - width / 2, rounded
  RoundedTop,
  State,
};

bool IsPlacement(TKind kind) { return kind >= TKind::Width; }

using TRef = std::variant<int*, bool*, std::uint32_t*, std::string*>;

template <class T>
struct TEntry {
  const char* Section;
  const char* Key;
  TKind Kind;
  std::int32_t Number;  // default of the numeric kinds (a root as its index)
  const char* Text;     // default of the text kinds
  TRef (*Member)(T&);
};

template <auto Member>
TRef Field(TSettings& s) {
  return &(s.*Member);
}
template <auto Member>
TRef WindowField(TSettings& s) {
  return &(s.Window.*Member);
}
template <auto Member, std::size_t Index>
TRef Element(TSettings& s) {
  return &(s.*Member)[Index];
}
template <auto Member>
TRef PlacementField(TWindowPlacement& p) {
  return &(p.*Member);
}

constexpr const char* General = "General";
constexpr const char* Bookmark = "Bookmark";
constexpr const char* WindowProp = "WindowProp";
constexpr const char* TypeFmt = "TypeFmt";
constexpr const char* ColumnWidth = "ColumnWidth";
constexpr const char* BmkColumnWidth = "Bookmark.ColumnWidth";
constexpr const char* KeyTreeWndProp = "KeyTree.WndProp";
constexpr const char* JournalSection = "Journal";

using S = TSettings;
using P = TWindowPlacement;

// The main window's settings, in the order they are read and written. Built on first use,
// so that a settings value may be constructed at any time of the start-up.
std::span<const TEntry<TSettings>> Catalogue() {
  static const TEntry<TSettings> table[] = {
      {General, "SortMethod", TKind::Integer, 3, nullptr, Field<&S::SortMethod>},
      {General, "CurRoot", TKind::RootIndex, 1, nullptr, Field<&S::CurRoot>},
      {General, "CurKey", TKind::KeyPath, 0, "\\", Field<&S::CurKey>},
      {General, "RootMode", TKind::Boolean, 0, nullptr, Field<&S::RootMode>},
      {General, "GridLines", TKind::Boolean, 0, nullptr, Field<&S::GridLines>},
      {General, "BackShowsRoot", TKind::Boolean, 1, nullptr, Field<&S::BackShowsRoot>},
      {General, "QueryKeyInfo", TKind::Boolean, 1, nullptr, Field<&S::QueryKeyInfo>},
      {General, "ConstDataNames", TKind::Boolean, 0, nullptr, Field<&S::ConstDataNames>},
      {General, "AutoReread", TKind::Boolean, 1, nullptr, Field<&S::AutoReread>},
      {General, "NotifySnd", TKind::Text, 0, "", Field<&S::NotifySnd>},
      {General, "ListViewFont", TKind::Text, 0, "Tahoma,8", Field<&S::ListViewFont>},
      {General, "BackColor", TKind::Color, 14474440, nullptr, Field<&S::BackColor>},  // 0xDCDCC8
      {General, "FontColor", TKind::Color, 4202496, nullptr, Field<&S::FontColor>},   // 0x402000
      {General, "AutoClose", TKind::Boolean, 1, nullptr, Field<&S::AutoClose>},
      {General, "LoadBookMarks", TKind::Boolean, 1, nullptr, Field<&S::LoadBookMarks>},
      {General, "LoadSearchRes", TKind::Boolean, 1, nullptr, Field<&S::LoadSearchRes>},
      {General, "LoadCopyItems", TKind::Boolean, 1, nullptr, Field<&S::LoadCopyItems>},
      {General, "SaveBookMarks", TKind::Boolean, 1, nullptr, Field<&S::SaveBookMarks>},
      {General, "SaveSearchRes", TKind::Boolean, 1, nullptr, Field<&S::SaveSearchRes>},
      {General, "SaveCopyItems", TKind::Boolean, 0, nullptr, Field<&S::SaveCopyItems>},

      {Bookmark, "Mode", TKind::Integer, 0, nullptr, Field<&S::BookmarkMode>},
      {Bookmark, "Height", TKind::Integer, 240, nullptr, Field<&S::BookmarkHeight>},
      {Bookmark, "Visible", TKind::Boolean, 1, nullptr, Field<&S::BookmarkVisible>},

      {WindowProp, "Width", TKind::Width, 640, nullptr, WindowField<&P::Width>},
      {WindowProp, "Height", TKind::Height, 400, nullptr, WindowField<&P::Height>},
      {WindowProp, "Left", TKind::Left, 0, nullptr, WindowField<&P::Left>},
      {WindowProp, "Top", TKind::Top, 0, nullptr, WindowField<&P::Top>},
      {WindowProp, "State", TKind::State, 2, nullptr, WindowField<&P::State>},

      {TypeFmt, TypeConstNames[0], TKind::Text, 0, DefaultTypeFmt[0], Element<&S::TypeFmt, 0>},
      {TypeFmt, TypeConstNames[1], TKind::Text, 0, DefaultTypeFmt[1], Element<&S::TypeFmt, 1>},
      {TypeFmt, TypeConstNames[2], TKind::Text, 0, DefaultTypeFmt[2], Element<&S::TypeFmt, 2>},
      {TypeFmt, TypeConstNames[3], TKind::Text, 0, DefaultTypeFmt[3], Element<&S::TypeFmt, 3>},
      {TypeFmt, TypeConstNames[4], TKind::Text, 0, DefaultTypeFmt[4], Element<&S::TypeFmt, 4>},
      {TypeFmt, TypeConstNames[5], TKind::Text, 0, DefaultTypeFmt[5], Element<&S::TypeFmt, 5>},
      {TypeFmt, TypeConstNames[6], TKind::Text, 0, DefaultTypeFmt[6], Element<&S::TypeFmt, 6>},
      {TypeFmt, TypeConstNames[7], TKind::Text, 0, DefaultTypeFmt[7], Element<&S::TypeFmt, 7>},
      {TypeFmt, TypeConstNames[8], TKind::Text, 0, DefaultTypeFmt[8], Element<&S::TypeFmt, 8>},
      {TypeFmt, TypeConstNames[9], TKind::Text, 0, DefaultTypeFmt[9], Element<&S::TypeFmt, 9>},
      {TypeFmt, TypeConstNames[10], TKind::Text, 0, DefaultTypeFmt[10], Element<&S::TypeFmt, 10>},
      {TypeFmt, TypeConstNames[11], TKind::Text, 0, DefaultTypeFmt[11], Element<&S::TypeFmt, 11>},

      // The built-in widths; a load defaults to the widths the columns have at that moment.
      {ColumnWidth, "0", TKind::ColumnWidth, 240, nullptr, Element<&S::ColumnWidths, 0>},
      {ColumnWidth, "1", TKind::ColumnWidth, 48, nullptr, Element<&S::ColumnWidths, 1>},
      {ColumnWidth, "2", TKind::ColumnWidth, 71, nullptr, Element<&S::ColumnWidths, 2>},
      {ColumnWidth, "3", TKind::ColumnWidth, 420, nullptr, Element<&S::ColumnWidths, 3>},
      {BmkColumnWidth, "0", TKind::ColumnWidth, 58, nullptr, Element<&S::BmkColumnWidths, 0>},
      {BmkColumnWidth, "1", TKind::ColumnWidth, 320, nullptr, Element<&S::BmkColumnWidths, 1>},
      {BmkColumnWidth, "2", TKind::ColumnWidth, 170, nullptr, Element<&S::BmkColumnWidths, 2>},
      {BmkColumnWidth, "3", TKind::ColumnWidth, 160, nullptr, Element<&S::BmkColumnWidths, 3>},
      {BmkColumnWidth, "4", TKind::ColumnWidth, 71, nullptr, Element<&S::BmkColumnWidths, 4>},

      {JournalSection, "Enabled", TKind::Boolean, 1, nullptr, Field<&S::JournalEnabled>},
      {JournalSection, "MaxSizeMB", TKind::Integer, 64, nullptr, Field<&S::JournalMaxMB>},
      {JournalSection, "MaxChanges", TKind::Integer, 200, nullptr, Field<&S::JournalMaxChanges>},
  };
  return table;
}

// The key tree window's placement.
const TEntry<TWindowPlacement> KeyTreeCatalogue[] = {
    {KeyTreeWndProp, "Width", TKind::Width, 550, nullptr, PlacementField<&P::Width>},
    {KeyTreeWndProp, "Height", TKind::Height, 500, nullptr, PlacementField<&P::Height>},
    {KeyTreeWndProp, "Left", TKind::RoundedLeft, 0, nullptr, PlacementField<&P::Left>},
    {KeyTreeWndProp, "Top", TKind::RoundedTop, 0, nullptr, PlacementField<&P::Top>},
    {KeyTreeWndProp, "State", TKind::State, 0, nullptr, PlacementField<&P::State>},
};

// The default position centres the window of the size just read, as far as it fits the
// screen: a huge saved width must not push the default position off the screen.
int Fitted(int screen, int size) { return std::clamp(size, 0, std::max(0, screen)); }
int CentredTruncated(int screen, int size) { return (screen - Fitted(screen, size)) / 2; }
int CentredRounded(int screen, int size) {
  return static_cast<int>(std::lround(screen / 2.0 - Fitted(screen, size) / 2.0));
}

// The catalogue defaults; placement Left and Top are 0 (they need the screen).
template <class T>
void ApplyDefaults(std::span<const TEntry<T>> entries, T& target) {
  for (const TEntry<T>& e : entries) {
    const TRef ref = e.Member(target);
    switch (e.Kind) {
      case TKind::Boolean:
        *std::get<bool*>(ref) = e.Number != 0;
        break;
      case TKind::Text:
      case TKind::KeyPath:
        *std::get<std::string*>(ref) = e.Text;
        break;
      case TKind::RootIndex:
        *std::get<std::uint32_t*>(ref) = RootBase + static_cast<std::uint32_t>(e.Number);
        break;
      case TKind::Color:
        *std::get<std::uint32_t*>(ref) = static_cast<std::uint32_t>(e.Number);
        break;
      default:
        *std::get<int*>(ref) = e.Number;
        break;
    }
  }
}

template <class T>
void LoadEntries(const TVkIni& ini, std::span<const TEntry<T>> entries, T& target, int screenWidth, int screenHeight) {
  int width = 0, height = 0;  // of the placement being read
  for (const TEntry<T>& e : entries) {
    const TRef ref = e.Member(target);
    switch (e.Kind) {
      case TKind::Integer:
      case TKind::State:
        *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, e.Number);
        break;
      case TKind::ColumnWidth: {
        int& value = *std::get<int*>(ref);
        value = ini.ReadInteger(e.Section, e.Key, value);
        break;
      }
      case TKind::Width:
        width = *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, e.Number);
        break;
      case TKind::Height:
        height = *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, e.Number);
        break;
      case TKind::Left:
        *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, CentredTruncated(screenWidth, width));
        break;
      case TKind::Top:
        *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, CentredTruncated(screenHeight, height));
        break;
      case TKind::RoundedLeft:
        *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, CentredRounded(screenWidth, width));
        break;
      case TKind::RoundedTop:
        *std::get<int*>(ref) = ini.ReadInteger(e.Section, e.Key, CentredRounded(screenHeight, height));
        break;
      case TKind::Boolean:
        *std::get<bool*>(ref) = ini.ReadBool(e.Section, e.Key, e.Number != 0);
        break;
      case TKind::Text:
        *std::get<std::string*>(ref) = ini.ReadString(e.Section, e.Key, e.Text);
        break;
      case TKind::KeyPath:
        *std::get<std::string*>(ref) = AbsoluteKeyPath(ini.ReadString(e.Section, e.Key, e.Text));
        break;
      case TKind::RootIndex:
        // Kept even when out of range: the navigation reports and corrects a bad root.
        *std::get<std::uint32_t*>(ref) =
            RootBase + static_cast<std::uint32_t>(ini.ReadInteger(e.Section, e.Key, e.Number));
        break;
      case TKind::Color:
        *std::get<std::uint32_t*>(ref) = static_cast<std::uint32_t>(ini.ReadInteger(e.Section, e.Key, e.Number));
        break;
    }
  }
}

// Writes the settings and remembers each value as a read gives it back, so that the file
// written can be checked: the profile functions report success even when the disk is full
// and the file came out short.
class TSettingsWriter {
 public:
  explicit TSettingsWriter(const TVkIni& ini) : ini_(ini) {}
  bool Text(const char* section, const char* key, const std::string& stored, const std::string& asRead) {
    written_.push_back({section, key, asRead});
    return ini_.WriteString(section, key, stored);
  }
  bool Integer(const char* section, const char* key, std::int32_t value) {
    const std::string text = IniIntegerText(value, false);
    return Text(section, key, text, text);
  }
  // Every value written reads back from the file as it should.
  bool Check(const TVkIni& file) const {
    for (const TWritten& w : written_)
      if (file.ReadString(w.Section, w.Key, "\r") != w.AsRead) return false;
    return true;
  }

 private:
  struct TWritten {
    const char* Section;
    const char* Key;
    std::string AsRead;
  };
  const TVkIni& ini_;
  std::vector<TWritten> written_;
};

// Writes one placement group (the consecutive placement entries starting at first):
// State always, then Left, Top, Width and Height unless maximized.
template <class T>
std::size_t SavePlacement(TSettingsWriter& ini, std::span<const TEntry<T>> entries, std::size_t first, T& source,
                          bool maximized, bool& ok) {
  const TEntry<T>* state = nullptr;
  const TEntry<T>* left = nullptr;
  const TEntry<T>* top = nullptr;
  const TEntry<T>* width = nullptr;
  const TEntry<T>* height = nullptr;
  std::size_t i = first;
  for (; i < entries.size() && IsPlacement(entries[i].Kind); ++i) {
    const TEntry<T>& e = entries[i];
    switch (e.Kind) {
      case TKind::Width:
        width = &e;
        break;
      case TKind::Height:
        height = &e;
        break;
      case TKind::Left:
      case TKind::RoundedLeft:
        left = &e;
        break;
      case TKind::Top:
      case TKind::RoundedTop:
        top = &e;
        break;
      default:
        state = &e;
        break;
    }
  }
  const auto write = [&](const TEntry<T>* e) {
    if (e != nullptr) ok &= ini.Integer(e->Section, e->Key, *std::get<int*>(e->Member(source)));
  };
  write(state);
  if (!maximized) {
    write(left);
    write(top);
    write(width);
    write(height);
  }
  return i;
}

// Writes the entries from a copy of the settings, so that the caller's value stays as it
// is. Every entry is tried; false when any write failed.
template <class T>
bool SaveEntries(TSettingsWriter& ini, std::span<const TEntry<T>> entries, T source, bool maximized) {
  bool ok = true;
  for (std::size_t i = 0; i < entries.size();) {
    const TEntry<T>& e = entries[i];
    if (IsPlacement(e.Kind)) {
      i = SavePlacement(ini, entries, i, source, maximized, ok);
      continue;
    }
    const TRef ref = e.Member(source);
    switch (e.Kind) {
      case TKind::Boolean:
        ok &= ini.Integer(e.Section, e.Key, *std::get<bool*>(ref) ? 1 : 0);
        break;
      case TKind::Text:
      case TKind::KeyPath: {
        const std::string& value = *std::get<std::string*>(ref);
        ok &= ini.Text(e.Section, e.Key, StoredSettingText(value, e.Kind == TKind::KeyPath),
                       KeptSettingText(value, e.Kind == TKind::KeyPath));
        break;
      }
      case TKind::RootIndex:
      case TKind::Color: {
        const std::uint32_t value = *std::get<std::uint32_t*>(ref) - (e.Kind == TKind::RootIndex ? RootBase : 0u);
        ok &= ini.Integer(e.Section, e.Key, static_cast<std::int32_t>(value));
        break;
      }
      default:
        ok &= ini.Integer(e.Section, e.Key, *std::get<int*>(ref));
        break;
    }
    ++i;
  }
  return ok;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Saves the entries so that the file is replaced in one step: they are written into a side
// file that starts as a copy of the file (keys of other windows and unknown keys stay),
// checked by reading them back, and moved over the file only when whole.
template <class T>
bool SaveWhole(const std::string& iniPath, std::span<const TEntry<T>> entries, const T& source, bool maximized) {
  if (IsReadOnlyFile(iniPath) || IsDirectory(iniPath)) return false;
  RemoveStaleSideFiles(iniPath);
  const std::string side = CreateSideFile(iniPath);
  if (side.empty()) return false;
  bool ok = !IsFile(iniPath) || CopyFileA(iniPath.c_str(), side.c_str(), FALSE);
  if (ok) {
    const TVkIni ini(side);  // its end writes out and lets go of the platform's cached copy
    TSettingsWriter writer(ini);
    ok = SaveEntries(writer, entries, source, maximized);
    ini.Flush();
    ok = ok && writer.Check(ini);  // read anew from the disk
  }
  if (!ok) {
    DeleteFileA(side.c_str());
    return false;
  }
  return ReplaceBySideFile(side, iniPath);
}

}  // namespace

TSettings::TSettings() { ApplyDefaults(Catalogue(), *this); }

void ApplyJournalSettings(const TSettings& settings) {
  TJournalLimits& limits = ChangeJournal().Limits;
  limits.Enabled = settings.JournalEnabled;
  limits.MaxBytes = static_cast<std::uint64_t>(std::max(1, settings.JournalMaxMB)) << 20;
  limits.MaxChanges = std::max(1, settings.JournalMaxChanges);
}

std::string SettingsFileName() { return ProgramFolder() + "Hivelark.ini"; }

void LoadSettings(const std::string& iniPath, TSettings& settings, int screenWidth, int screenHeight) {
  const TVkIni ini(iniPath);
  LoadEntries(ini, Catalogue(), settings, screenWidth, screenHeight);
}

void ClampPaneSizes(TSettings& settings, int screenHeight) {
  for (int& w : settings.ColumnWidths) w = std::clamp(w, MinColumnWidth, MaxColumnWidth);
  for (int& w : settings.BmkColumnWidths) w = std::clamp(w, MinColumnWidth, MaxColumnWidth);
  settings.BookmarkHeight = std::clamp(settings.BookmarkHeight, MinBookmarkHeight, std::max(MinBookmarkHeight, screenHeight));
}

bool SaveSettings(const std::string& iniPath, const TSettings& settings, bool maximized) {
  return SaveWhole(iniPath, Catalogue(), settings, maximized);
}

std::string AbsoluteKeyPath(const std::string& path) {
  std::string key = path;
  if (key.empty() || key.front() != '\\') key.insert(key.begin(), '\\');
  if (key.back() != '\\') key += '\\';
  return key;
}

TWindowPlacement FitPlacement(const TWindowPlacement& placement, const RECT& workArea, int minWidth, int minHeight) {
  TWindowPlacement p = placement;
  const int areaWidth = std::max(1, static_cast<int>(workArea.right - workArea.left));
  const int areaHeight = std::max(1, static_cast<int>(workArea.bottom - workArea.top));
  p.Width = std::clamp(p.Width, std::min(minWidth, areaWidth), areaWidth);
  p.Height = std::clamp(p.Height, std::min(minHeight, areaHeight), areaHeight);
  p.Left = std::clamp(p.Left, static_cast<int>(workArea.left), static_cast<int>(workArea.right) - p.Width);
  p.Top = std::clamp(p.Top, static_cast<int>(workArea.top), static_cast<int>(workArea.bottom) - p.Height);
  if (p.State == 1) p.State = 0;  // a window closed minimized comes back in its normal state
  return p;
}

void LoadKeyTreePlacement(const std::string& iniPath, TWindowPlacement& placement, int screenWidth, int screenHeight) {
  const TVkIni ini(iniPath);
  LoadEntries<TWindowPlacement>(ini, KeyTreeCatalogue, placement, screenWidth, screenHeight);
}

bool SaveKeyTreePlacement(const std::string& iniPath, const TWindowPlacement& placement, bool maximized) {
  return SaveWhole<TWindowPlacement>(iniPath, KeyTreeCatalogue, placement, maximized);
}

std::string KeptSettingText(const std::string& value, bool keyPath) {
  std::string text;
  if (keyPath) {
    // Keep the names before the first one that holds a line break.
    const std::size_t brk = value.find_first_of("\r\n");
    if (brk == std::string::npos) {
      text = value;
    } else {
      const std::size_t slash = value.rfind('\\', brk);
      text = slash == std::string::npos ? std::string("\\") : value.substr(0, slash + 1);
    }
  } else {
    text.reserve(value.size());
    for (const char c : value)
      if (!IsLineBreak(c)) text += c;
  }
  return text;
}

std::string StoredSettingText(const std::string& value, bool keyPath) {
  std::string text = KeptSettingText(value, keyPath);
  const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
  if (!text.empty() && (quoted || IsBlank(text.front()) || IsBlank(text.back()))) text = '"' + text + '"';
  return text;
}
