#include "editing/PathForms.h"

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// Separators offered to reg.exe for a REG_MULTI_SZ: printable, and none of them is special
// to cmd.exe inside double quotes or to the argument rules.
constexpr std::string_view MultiSeparators = "|#~;,*+=@$&";

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The text of a REG_SZ, REG_EXPAND_SZ or REG_NONE without its closing NUL; false with the
// reason when reg.exe would not write back exactly these characters.
bool SingleText(std::string_view data, std::string_view& text, std::string& reason) {
  if (data.empty() || data.back() != '\0') {
    reason = data.empty() ? "it holds no data, and reg.exe writes at least a closing NUL"
                          : "its text does not end with a NUL";
    return false;
  }
  text = data.substr(0, data.size() - 1);
  if (text.find('\0') != std::string_view::npos) {
    reason = "its text holds a NUL before its end";
    return false;
  }
  if (HasLineBreak(text)) {
    reason = "its text holds a line break, which a command line cannot carry";
    return false;
  }
  return true;
}

std::string HexNumber(std::string_view bytes) {
  std::string out = "0x";
  for (std::size_t i = bytes.size(); i-- > 0;) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    out += HexDigits[b >> 4];
    out += HexDigits[b & 0xF];
  }
  return out;
}

}  // namespace

std::string InnerKeyPath(std::string_view keyPath) {
  while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  while (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  return std::string(keyPath);
}

std::string PowerShellPath(RootKey root, std::string_view keyPath) {
  const std::string inner = InnerKeyPath(keyPath);
  if (root == RootCurrentUser || root == RootLocalMachine) return RootShortName(root) + ":\\" + inner;
  std::string out = "Registry::" + std::string(RootName(root));
  if (!inner.empty()) out += "\\" + inner;
  return out;
}

std::string RegExeKeyName(RootKey root, std::string_view keyPath) {
  // reg.exe knows HKLM, HKCU, HKCR, HKU and HKCC; a root name followed by a lone "\" it refuses.
  if (!IsPredefinedRoot(root) || root == RootPerformanceData || root == RootDynData) return std::string();
  const std::string inner = InnerKeyPath(keyPath);
  return inner.empty() ? RootShortName(root) : RootShortName(root) + "\\" + inner;
}

std::string CmdArgument(std::string_view text) {
  if (HasLineBreak(text)) return std::string();
  std::string out;
  bool quoted = false;
  std::size_t backslashes = 0;  // the backslashes that end the quoted run so far
  const auto open = [&] {
    if (!quoted) out += '"';
    quoted = true;
  };
  const auto close = [&] {
    if (quoted) {
      out.append(backslashes, '\\');  // in front of a quote, 2n backslashes give n
      out += '"';
    }
    quoted = false;
    backslashes = 0;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < text.size()) {
      // A double-byte character: its second byte may look like a backslash but is none.
      open();
      out.append(text.substr(i++, 2));
      backslashes = 0;
    } else if (c == '"') {
      close();
      out += "\\^\"";  // \" is a literal quote for the argument rules, ^ keeps cmd.exe's quoting
    } else if (c == '%') {
      close();
      out += "^%";  // outside quotes the caret breaks up any %name% that cmd.exe would expand
    } else {
      open();
      out += c;
      backslashes = c == '\\' ? backslashes + 1 : 0;
    }
  }
  close();
  return out.empty() ? std::string("\"\"") : out;
}

TRegAddLine RegAddLine(std::string_view key, std::string_view name, std::uint32_t type, std::string_view data) {
  TRegAddLine result;
  std::string& reason = result.Reason;
  if (HasLineBreak(name)) {
    reason = "its name holds a line break, which a command line cannot carry";
    return result;
  }
  std::string tail;  // "/t ..." up to the data
  switch (type) {
    case REG_NONE:
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::string_view text;
      if (!SingleText(data, text, reason)) {
        if (type == REG_NONE) reason = "reg.exe writes REG_NONE data only as a text with a closing NUL";
        return result;
      }
      tail = std::string(" /t ") + TypeConstNames[type] + " /d " + CmdArgument(text);
      break;
    }
    case REG_MULTI_SZ: {
      // Non-empty strings, each closed by a NUL, and one NUL more.
      if (data.size() < 3 || data.substr(data.size() - 2) != std::string_view("\0\0", 2) || data.front() == '\0') {
        reason = "reg.exe writes a string list only as one or more non-empty strings";
        return result;
      }
      const std::string_view list = data.substr(0, data.size() - 2);
      if (list.find(std::string_view("\0\0", 2)) != std::string_view::npos) {
        reason = "its list holds an empty string, which reg.exe cannot write";
        return result;
      }
      if (HasLineBreak(list)) {
        reason = "its text holds a line break, which a command line cannot carry";
        return result;
      }
      const std::size_t s = MultiSeparators.find_first_not_of(list);
      if (s == std::string_view::npos) {
        reason = "its strings use every separator character reg.exe could be given";
        return result;
      }
      std::string joined(list);
      for (char& c : joined)
        if (c == '\0') c = MultiSeparators[s];
      tail = std::string(" /t REG_MULTI_SZ /s ") + MultiSeparators[s] + " /d " + CmdArgument(joined);
      break;
    }
    case REG_BINARY:
      tail = " /t REG_BINARY";
      if (!data.empty()) {
        tail += " /d ";
        for (char c : data) {
          tail += HexDigits[static_cast<unsigned char>(c) >> 4];
          tail += HexDigits[static_cast<unsigned char>(c) & 0xF];
        }
      }
      break;
    case REG_DWORD:
    case REG_QWORD: {
      const std::size_t size = type == REG_DWORD ? 4 : 8;
      if (data.size() != size) {
        reason = "its data is " + std::to_string(data.size()) + " bytes long, and reg.exe writes a " +
                 TypeConstNames[type] + " of exactly " + std::to_string(size);
        return result;
      }
      tail = std::string(" /t ") + TypeConstNames[type] + " /d " + HexNumber(data);
      break;
    }
    default:
      reason = "reg.exe does not take the type " +
               (type < TypeCount ? std::string(TypeConstNames[type]) : std::to_string(type));
      return result;
  }
  result.Line = "reg add " + CmdArgument(key) + (name.empty() ? std::string(" /ve") : " /v " + CmdArgument(name)) +
                tail + " /f";
  return result;
}
