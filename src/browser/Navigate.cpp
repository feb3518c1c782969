#include "browser/Navigate.h"

#include "lib/VkWindow.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "lib/VkFuncLib.h"

namespace {

// A read buffer larger than this is released after the listing.
constexpr std::size_t ReadBufferKeep = 1 << 20;


int CompareLocale(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size()));
}

// The text before the first "\" (all of it when there is none).
std::string FirstComponent(const std::string& path) {
  const std::size_t slash = path.find('\\');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

}  // namespace

std::string ParentPath(const std::string& path) {
  if (path == "\\") return path;
  std::string p = path;
  if (!p.empty() && p.back() == '\\') p.pop_back();
  const std::size_t slash = p.rfind('\\');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

std::string LastKeyName(const std::string& path) {
  std::string p = path;
  if (!p.empty() && p.back() == '\\') p.pop_back();
  const std::size_t slash = p.rfind('\\');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string KeyInfoLine(const KeyInfo& info, bool ntFamily) {
  char line[256];
  std::snprintf(line, sizeof line,
                "%.2lu Subkeys,  %.2lu Values,  %.2lu MaxKeyLen,  %.2lu MaxValueLen,  %.2lu MaxDataSize",
                static_cast<unsigned long>(info.NumSubKeys), static_cast<unsigned long>(info.NumValues),
                static_cast<unsigned long>(info.MaxSubKeyLen), static_cast<unsigned long>(info.MaxValueNameLen),
                static_cast<unsigned long>(info.MaxDataLen));
  std::string text = line;
  if (ntFamily) {
    const FILETIME& t = info.LastWriteTime;
    if (t.dwLowDateTime == 0 && t.dwHighDateTime == 0) text += ",  WriteTime: Invalid Time";
    else text += ",  WriteTime: " + FormatLocalFileTime(t);
  }
  return text;
}

namespace {

// Orders items by the text that text(item) gives, as CompareStringA with NORM_IGNORECASE does.
template <class T, class Text>
void SortByLocale(std::vector<T>& items, Text text) {
  auto less = [&text](const T& a, const T& b) { return CompareLocale(text(a), text(b)) == CSTR_LESS_THAN; };
  // The registry often enumerates in order already; checking costs one comparison a name.
  if (std::is_sorted(items.begin(), items.end(), less)) return;
  // Otherwise sort by the locale's sort keys, which order exactly as the comparison does,
  // so that each name is converted once instead of once per comparison.
  std::vector<std::string> keys(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& n = text(items[i]);
    const int len = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, n.data(),
                                 static_cast<int>(n.size()), nullptr, 0);
    if (len <= 0) continue;
    keys[i].resize(static_cast<std::size_t>(len));
    LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, n.data(), static_cast<int>(n.size()),
                 keys[i].data(), len);
    keys[i].resize(std::strlen(keys[i].c_str()));  // the key ends with a NUL of its own
  }
  std::vector<std::size_t> order(items.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (std::size_t i : order) sorted.push_back(std::move(items[i]));
  items.swap(sorted);
}

}  // namespace

void SortNamesLocale(std::vector<std::string>& names) {
  SortByLocale(names, [](const std::string& n) -> const std::string& { return n; });
}

TTypeFormats TBrowserState::TypeFormats() const {
  TTypeFormats formats;
  formats.TypeFmt = TypeFmt;
  formats.ConstDataNames = ConstDataNames;
  return formats;
}

TNavigator::TNavigator(TBrowserState& state, TRegPaneModel& model, TNavView& view)
    : NtFamily(IsNtPlatform()), state_(state), model_(model), view_(view) {}

std::string TNavigator::LocationText() const { return std::string(RootName(state_.CurRoot)) + state_.CurKey; }

void TNavigator::AddToHistory(const std::string& location) {
  auto& h = state_.History;
  h.push_back(location);
  if (h.size() > static_cast<std::size_t>(HistoryLimit))
    h.erase(h.begin(), h.begin() + static_cast<std::ptrdiff_t>(h.size() - HistoryLimit));
  state_.HistoryIndex = static_cast<int>(h.size()) - 1;
}

bool TNavigator::ShownKeyUnchanged() const {
  if (!shown_.Valid || state_.RootMode || shown_.Root != state_.CurRoot || shown_.Key != state_.CurKey) return false;
  TVkReg reg;
  reg.Access = KEY_READ;
  KeyInfo now;
  if (!reg.OpenPath(shown_.Root, shown_.Key, false) || !reg.GetKeyInfo(now)) return false;
  const KeyInfo& was = shown_.Info;
  return now.NumSubKeys == was.NumSubKeys && now.NumValues == was.NumValues &&
         now.LastWriteTime.dwLowDateTime == was.LastWriteTime.dwLowDateTime &&
         now.LastWriteTime.dwHighDateTime == was.LastWriteTime.dwHighDateTime;
}

namespace {
// Counts a running navigation for its lifetime, also when it unwinds.
class TBusy {
 public:
  explicit TBusy(int& count) : count_(count) { ++count_; }
  ~TBusy() { --count_; }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  int& count_;
};
}  // namespace

void TNavigator::Navigate(const std::string& command, std::string path, bool addToHistory, bool allowRootPrefix) {
  TBusy busy(busy_);
  shown_.Valid = false;
  if (!IsPredefinedRoot(state_.CurRoot)) {
    ShowMsg("Invalid root key!", "Hivelark", MsgError);
    state_.CurRoot = RootCurrentUser;
  }
  std::string& curKey = state_.CurKey;
  curKey = AbsoluteKeyPath(curKey);  // a relative CurKey would grow with every fallback
  state_.RootMode = false;

  if (command == "CDUP") curKey = ParentPath(curKey);
  int focusKind = focusKind_;
  focusKind_ = -1;
  if (command == "UPD" && path.empty() && model_.Count() > 0) {
    const int row = view_.FirstSelectedRow();
    if (row >= 0 && row < model_.Count()) focusKind = model_.Rows[static_cast<std::size_t>(row)].IsValue() ? 1 : 0;
    path = view_.FirstSelectedCaption();
  }
  if (command == "CD" && !path.empty()) {
    if (allowRootPrefix) {
      const RootKey root = RootFromName(FirstComponent(path));
      if (root != 0) {
        state_.CurRoot = root;
        curKey = "\\";
        const std::size_t slash = path.find('\\');
        path = slash == std::string::npos ? std::string() : path.substr(slash);
      }
    }
    if (!path.empty()) {
      if (path[0] == '\\') curKey = path;
      else curKey += path;
      if (curKey.back() != '\\') curKey += '\\';
    }
  }

  TWaitCursor wait;
  const std::string location = LocationText();
  {
    TVkReg reg;
    reg.Access = KEY_READ;
    if (reg.OpenPath(state_.CurRoot, curKey, false)) {
      view_.DrawPathBar("Reading Keys, Please Wait...");
      view_.BeginFill();
      model_.Rows.clear();
      if (addToHistory && command != "UPD") AddToHistory(location);
      FillKeyRows(reg);
      FillValueRows(reg);
      ++reads_;
      shown_.Valid = reg.GetKeyInfo(shown_.Info);
      shown_.Root = state_.CurRoot;
      shown_.Key = curKey;
      model_.Sort(state_.SortMethod);
      view_.EndFill();
      if (model_.Count() > 0) FocusRow(command == "CD" ? model_.Caption(0) : path, command == "CD" ? -1 : focusKind);
      view_.DrawPathBar("");
      return;
    }
  }
  Fallback(location);
}

void TNavigator::FillKeyRows(TVkReg& reg) {
  reg.GetKeyNames(keyNames_);
  SortByLocale(keyNames_, [](const TRegName& n) -> const std::string& { return n.Text; });
  const bool atRoot = state_.CurKey == "\\";
  model_.Rows.reserve(keyNames_.size() + (atRoot ? 0 : 1));
  if (!atRoot) model_.Rows.push_back(TRegRow{"..", "", "Up", "", ImageParent});
  // Many keys share one write time: format each distinct time once.
  FILETIME lastTime{};
  std::string lastTimeLine;
  bool haveLast = false;
  for (const TRegName& name : keyNames_) {
    TRegRow row{name.Text, "", "Key", "", ImageKey, model_.Count()};
    row.Unspellable = !name.Exact;
    if (state_.QueryKeyInfo) {
      KeyInfo info;
      // Each subkey is opened relative to the shown key, by its stored name.
      const bool entered = reg.EnterKey(name);
      if (entered && reg.GetKeyInfo(info)) {
        row.Data = KeyInfoLine(info, false);
        if (NtFamily) {
          const FILETIME& t = info.LastWriteTime;
          if (!haveLast || t.dwLowDateTime != lastTime.dwLowDateTime || t.dwHighDateTime != lastTime.dwHighDateTime) {
            KeyInfo timeOnly;
            timeOnly.LastWriteTime = t;
            const std::string full = KeyInfoLine(timeOnly, true);
            lastTimeLine = full.substr(full.find(",  WriteTime: "));
            lastTime = t;
            haveLast = true;
          }
          row.Data += lastTimeLine;
        }
      } else {
        row.Data = "** Unable to Get Key Information **";
      }
      if (entered) reg.LeaveKey();
    }
    model_.Rows.push_back(std::move(row));
  }
}

void TNavigator::FillValueRows(TVkReg& reg) {
  // One enumeration call a value gives its name, size, type and data; a key that changes
  // meanwhile is listed again by the accessor.
  (void)reg.GetValueEntries(entries_, &data_, ReadBufferKeep / 256);
  SortByLocale(entries_, [](const TVkReg::TValueEntry& e) -> const std::string& { return e.Name; });
  model_.Rows.reserve(model_.Rows.size() + entries_.size());
  const TTypeFormats formats = state_.TypeFormats();
  static const TEnvExpander expand = ExpandEnvironmentText;
  for (const TVkReg::TValueEntry& e : entries_) {
    // A large value was not kept by the listing: it is read alone, into a reused buffer.
    DWORD size = e.Size, type = e.Type;
    const bool alone = e.Offset == TVkReg::NotKept;
    if (alone && !reg.ReadEntry(e, large_, size, type)) size = type = 0;  // gone meanwhile
    const std::string_view data(alone ? large_.data() : data_.data() + e.Offset, size);
    TRegRow row;
    row.Name = e.Name;
    row.Size = std::to_string(size);
    row.Type = TypeColumnText(type, formats);
    row.Data = FormatValueData(data, type, type, formats, expand, RowTextLimit);
    row.Image = type <= 11 ? static_cast<int>(type) : 0;
    row.ListIndex = model_.Count();
    row.Unspellable = !e.Exact;
    model_.Rows.push_back(std::move(row));
  }
  // One huge key must not keep its buffer for the rest of the run.
  if (data_.size() > ReadBufferKeep) std::vector<char>().swap(data_);
  if (large_.size() > ReadBufferKeep) std::vector<char>().swap(large_);
}

void TNavigator::Fallback(const std::string& location) {
  view_.BeginFill();
  model_.Rows.clear();
  view_.EndFill();
  view_.DrawPathBar("");
  // A name shown as "{U+...}" (from a search hit or a bookmark) is a marked text that names no key.
  const std::string why = location.find("{U+") != std::string::npos
                              ? "\r\n\r\nA name shown with {U+...} holds characters that the system's code page "
                                "cannot spell: Hivelark cannot open it by its text."
                              : std::string();
  ShowPlainMsg(location + "\r\n\r\n" + "Couldn't open key, jumping to nearest existing parent!" + why, "Hivelark",
               MsgError);
  auto& h = state_.History;
  h.erase(std::remove_if(h.begin(), h.end(), [&location](const std::string& e) { return SameRegName(e, location); }),
          h.end());
  if (state_.HistoryIndex >= static_cast<int>(h.size())) state_.HistoryIndex = static_cast<int>(h.size()) - 1;
  if (state_.CurKey == "\\") return;
  // Every step goes at least one level up, so the fallback ends at the root at the latest
  // (a key that exists but does not open for reading is passed over too).
  const std::string failed = AbsoluteKeyPath(state_.CurKey);
  std::string key = ParentPath(failed);
  {
    TVkReg reg;
    reg.Access = KEY_READ;
    (void)reg.OpenPath(state_.CurRoot, "\\", false);
    while (key != "\\" && !reg.KeyExists(key)) key = ParentPath(key);
  }
  state_.CurKey = key;
  Navigate("CD", key, true, false);
}

std::string TNavigator::ResolvePath(const std::string& input) const {
  std::string result = state_.CurKey;
  std::string rest = input;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('\\');
    const std::string component = slash == std::string::npos ? rest : rest.substr(0, slash);
    rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    if (component.empty()) result = "\\";
    else if (RootFromName(component) != 0) result = component + "\\";
    else if (component != "..") result += component + "\\";
    else if (result != "\\") result = ParentPath(result);
  }
  return result;
}

void TNavigator::ShowRootList() {
  state_.RootMode = true;
  TWaitCursor wait;
  TVkReg reg;
  view_.BeginFill();
  model_.Rows.clear();
  model_.Rows.reserve(RootCount);
  for (int i = 0; i < RootCount; ++i) {
    (void)reg.OpenPath(RootBase + i, "\\", false);
    KeyInfo info;
    (void)reg.GetKeyInfo(info);  // a root that cannot be queried shows zeros
    model_.Rows.push_back(
        TRegRow{RootNames[i], "", "Root", state_.QueryKeyInfo ? KeyInfoLine(info, NtFamily) : std::string(), ImageKey});
  }
  view_.EndFill();
  view_.DrawPathBar("");
  FocusRow(RootName(state_.CurRoot));
}

void TNavigator::FocusRow(const std::string& caption, int kind) {
  if (model_.Count() == 0) return;
  int index = -1;
  for (int i = 0; i < model_.Count(); ++i) {
    const TRegRow& row = model_.Rows[static_cast<std::size_t>(i)];
    if (row.IsParent() || !SameRegName(row.Name, caption)) continue;
    if (index < 0) index = i;
    if (kind < 0 || (kind == 1) == row.IsValue()) {
      index = i;
      break;
    }
  }
  if (index < 0) index = model_.Find(caption);
  view_.SelectRow(index < 0 ? 0 : index);
}
