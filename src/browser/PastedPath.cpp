#include "browser/PastedPath.h"

#include <algorithm>

#include "lib/VkText.h"

namespace {

std::string_view Trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWithAscii(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameTextAscii(s.substr(0, prefix.size()), prefix);
}

// The first line of text that holds more than spaces.
std::string_view FirstLine(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = Trim(text.substr(0, end));
    if (!line.empty() || end == std::string_view::npos) return line;
    text.remove_prefix(end + 1);
  }
  return text;
}

}  // namespace

bool ParsePastedPath(std::string_view text, bool allowRelative, TPastedPath& out) {
  out = TPastedPath{};
  std::string_view s = FirstLine(text);
  // Double quotes around it; a command line turns a closing \" into a lone quote at the end.
  if (!s.empty() && s.front() == '"') s.remove_prefix(1);
  if (!s.empty() && s.back() == '"') s.remove_suffix(1);
  s = Trim(s);
  // A registration file's key line: what stands between "[" (or "[-") and the last "]".
  if (!s.empty() && s.front() == '[') {
    const std::size_t close = s.rfind(']');
    if (close == std::string_view::npos) return false;
    s = s.substr(1, close - 1);
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    s = Trim(s);
  }
  if (StartsWithAscii(s, "reg://")) s.remove_prefix(6);
  std::string path(s);
  std::replace(path.begin(), path.end(), '/', '\\');
  if (StartsWithAscii(path, "Microsoft.PowerShell.Core\\Registry::")) path.erase(0, 36);
  if (StartsWithAscii(path, "Registry::")) path.erase(0, 10);
  if (path.empty()) return false;
  if (SameTextAscii(path, "Computer") || SameTextAscii(path, "Computer\\")) {
    out.RootList = true;
    return true;
  }
  if (StartsWithAscii(path, "Computer\\")) path.erase(0, 9);
  out.TrailingBackslash = path.back() == '\\';
  // The first name: a root, also as a PowerShell drive ("HKLM:").
  const std::size_t slash = path.find('\\');
  std::string first = path.substr(0, slash);
  if (!first.empty() && first.back() == ':') first.pop_back();
  out.Root = RootFromName(first);
  if (out.Root != 0) {
    out.Path = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    return true;
  }
  if (!allowRelative) return false;
  out.Path = path;
  return true;
}
