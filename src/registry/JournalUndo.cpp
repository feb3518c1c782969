// Undo: a record checked against what the registry holds now, then restored item by item,
// exactly as recorded, the newest item first.
#include "registry/JournalFormat.h"

#include "lib/VkFuncLib.h"
#include "registry/RegNames.h"

namespace {

constexpr std::size_t ShownItems = 10;  // items named in a message

std::string Text(const std::wstring& stored) {
  bool exact = false;
  return AnsiName(stored, exact);
}

std::string KeyText(RootKey root, const std::wstring& path) {
  return std::string(RootName(root)) + (path.empty() ? "" : "\\" + Text(path));
}

std::string ItemText(const TJournalItem& item) {
  return item.IsKey ? "key " + KeyText(item.Root, item.Path)
                    : "value \"" + Text(item.Name) + "\" in " + KeyText(item.Root, item.Path);
}

std::string Listed(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < ShownItems; ++i) text += "\r\n" + lines[i];
  if (lines.size() > ShownItems) text += "\r\n... and " + std::to_string(lines.size() - ShownItems) + " more";
  return text;
}

// Puts one item back as it was before the command; what could not be written is named in failed.
void Restore(const TJournalItem& item, bool present, std::vector<std::string>& failed, TKeyCache& create, TKeyCache& open) {
  if (!item.IsKey) {
    HKEY key = nullptr;
    LONG r = (item.Existed ? create : open).Open(item.Root, item.Path, key);
    if (r == ERROR_FILE_NOT_FOUND && !item.Existed) return;  // the value is gone with its key
    if (r == ERROR_SUCCESS)
      r = item.Existed ? WriteStoredValue(key, item.Name, item.Type, item.Bytes.data(), static_cast<DWORD>(item.Bytes.size()))
                       : TVkReg::DeleteStoredValue(key, item.Name);
    if (r != ERROR_SUCCESS) failed.push_back(ItemText(item));
    return;
  }
  create.Forget();  // the key about to go may be a held one, or hold it
  open.Forget();
  // A key is made exactly as it was: what is there now goes, the recorded tree comes back.
  if (present && TVkReg::DeleteStoredKey(item.Root, item.Path) != ERROR_SUCCESS) {
    failed.push_back(ItemText(item));
    return;
  }
  if (!item.Existed) return;
  TVkKey key;
  if (TVkReg::OpenStoredKey(item.Root, item.Path, true, KEY_READ | KEY_WRITE, key) != ERROR_SUCCESS) {
    failed.push_back(ItemText(item));
    return;
  }
  std::vector<std::wstring> missing;
  std::size_t written = 0;
  if (!WriteTree(key.get(), item.Bytes, item.Path, missing, written)) failed.push_back(ItemText(item) + " (its record is broken)");
  for (const std::wstring& path : missing) failed.push_back("in " + KeyText(item.Root, path));
}

std::wstring Trimmed(const std::wstring& path) {
  std::size_t a = 0, b = path.size();
  while (a < b && path[a] == L'\\') ++a;
  while (b > a && path[b - 1] == L'\\') --b;
  return path.substr(a, b - a);
}

}  // namespace

TUndoResult UndoChange(const TJournalEntry& entry) {
  TUndoResult result;
  result.Root = entry.Root;
  result.Location = entry.Location;
  TJournalEntry header;
  std::vector<TJournalItem> items;
  const std::string problem = ReadRecordFile(entry.File, header, &items);
  if (!problem.empty()) {
    ShowPlainMsg("This change cannot be undone: its record in the journal is damaged (" + problem + ").\r\n\r\n" +
                     entry.File,
                 "Hivelark", MsgError);
    return result;
  }
  result.Root = header.Root;
  result.Location = header.Location;
  // What each item holds now: as before the command (nothing to do), as the command left it,
  // or changed since.
  std::vector<bool> act(items.size(), false);
  std::vector<std::string> differs;
  std::vector<TItemState> states;
  CurrentStates(items, states);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TJournalItem& item = items[i];
    const bool present = states[i].Present;
    const std::uint64_t hash = states[i].Hash;
    if (!states[i].Known) {
      act[i] = true;
      differs.push_back(ItemText(item) + " (cannot be read now)");
      continue;
    }
    if (present == item.Existed && (!present || hash == BeforeHash(item))) continue;
    act[i] = true;
    const bool asLeft = item.After == TJournalItem::AfterAbsent ? !present
                        : item.After == TJournalItem::AfterHash ? present && hash == item.Hash
                                                                : false;
    if (asLeft) continue;
    std::string why = !present ? "deleted" : item.After == TJournalItem::AfterAbsent ? "created again" : "changed";
    if (item.After == TJournalItem::AfterUnknown) why = "perhaps changed: the command did not finish its record";
    differs.push_back(ItemText(item) + " (" + why + ")");
  }
  if (!differs.empty()) {
    const std::string question = "Undo \"" + header.Caption + "\"?\r\n\r\nThese items were changed after the change was recorded:" +
                                 Listed(differs) +
                                 "\r\n\r\nYes puts back what was there before the change, over them. No changes nothing.";
    if (ShowPlainMsg(question, "Hivelark", MsgYesNo | MB_DEFBUTTON2) != IDYES) {
      result.Status = TUndoResult::Cancelled;
      return result;
    }
  }
  std::vector<std::string> failed;
  std::size_t acted = 0, notRestored = 0;
  TKeyCache create(true, KEY_QUERY_VALUE | KEY_SET_VALUE), open(false, KEY_QUERY_VALUE | KEY_SET_VALUE);
  for (std::size_t i = items.size(); i-- > 0;) {
    if (!act[i]) continue;
    ++acted;
    const std::size_t before = failed.size();
    Restore(items[i], !states[i].Known || states[i].Present, failed, create, open);
    if (failed.size() > before) ++notRestored;
  }
  // The row to select: the first item that came back directly in the record's key.
  const std::wstring location = UpperName(Trimmed(WideFromAnsi(header.Location)));
  for (const TJournalItem& item : items) {
    if (!item.Existed || item.Root != header.Root) continue;
    std::wstring parent = item.Path, name = item.Name;
    if (item.IsKey) {
      const std::size_t cut = item.Path.rfind(L'\\');
      parent = cut == std::wstring::npos ? std::wstring() : item.Path.substr(0, cut);
      name = cut == std::wstring::npos ? item.Path : item.Path.substr(cut + 1);
    }
    bool exact = false;
    const std::string text = AnsiName(name, exact);
    if (!exact || UpperName(parent) != location) continue;
    result.Focus = text;
    result.FocusKind = item.IsKey ? 0 : 1;
    break;
  }
  if (failed.empty()) {
    (void)ChangeJournal().Remove(entry);
    result.Status = TUndoResult::Restored;
    return result;
  }
  result.Status = TUndoResult::Partial;
  ShowPlainMsg("The undo of \"" + header.Caption + "\" could not restore everything.\r\n\r\nRestored: " +
                   std::to_string(acted - notRestored) + " of " + std::to_string(acted) +
                   " items.\r\nNot restored:" + Listed(failed) +
                   "\r\n\r\nThe change stays in the journal, so that Undo can try again.",
               "Hivelark", MsgError);
  return result;
}

std::string UndoMenuText() {
  TJournalEntry entry;
  return ChangeJournal().Newest(entry) ? "Undo " + entry.Caption : std::string("Undo");
}

std::string ChangeCaption(const std::string& command, std::size_t count, const std::string& name) {
  return count == 1 ? command + " of \"" + name + "\"" : command + " of " + std::to_string(count) + " items";
}
