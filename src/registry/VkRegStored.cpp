// Keys and values by their stored paths and names: what the undo journal records and restores.
#include "registry/VkRegistry.h"

namespace {

// Key names of a stored path, a piece at a time: the wide calls take paths of limited length.
constexpr std::size_t MaxStoredPiece = 200;

}  // namespace

LONG TVkReg::OpenStoredKey(RootKey root, const std::wstring& path, bool create, REGSAM access, TVkKey& out) {
  if (!IsPredefinedRoot(root)) return ERROR_INVALID_HANDLE;
  HKEY parent = RootToHkey(root);
  if (path.empty()) {  // the root itself: a handle of its own, so that the caller may close it
    return RegOpenKeyExW(parent, nullptr, 0, access, out.out());
  }
  const REGSAM onTheWay = access | (create ? KEY_CREATE_SUB_KEY : 0);
  TVkKey held;
  std::size_t pos = 0;
  const std::size_t n = path.size();
  while (pos < n) {
    std::size_t end = n;
    if (n - pos > MaxStoredPiece) {
      end = path.rfind(L'\\', pos + MaxStoredPiece);
      if (end == std::wstring::npos || end <= pos) {
        end = path.find(L'\\', pos + 1);
        if (end == std::wstring::npos) end = n;
      }
    }
    const bool last = end >= n;
    const std::wstring piece = path.substr(pos, end - pos);
    HKEY h = nullptr;
    const REGSAM sam = last ? access : onTheWay;
    const LONG r = create ? RegCreateKeyExW(parent, piece.c_str(), 0, nullptr, 0, sam, nullptr, &h, nullptr)
                          : RegOpenKeyExW(parent, piece.c_str(), 0, sam, &h);
    if (r != ERROR_SUCCESS) return r;
    TVkKey next(h);
    std::swap(*held.out(), *next.out());  // the key on the way is closed as soon as the next one is open
    parent = held.get();
    pos = end + 1;
  }
  *out.out() = held.release();
  return ERROR_SUCCESS;
}

LONG TVkReg::DeleteStoredKey(RootKey root, const std::wstring& path) {
  if (path.empty()) return ERROR_ACCESS_DENIED;
  const std::size_t cut = path.rfind(L'\\');
  TVkKey parent;
  LONG r = OpenStoredKey(root, cut == std::wstring::npos ? std::wstring() : path.substr(0, cut), false,
                         KEY_ALL_ACCESS, parent);
  if (r == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (r != ERROR_SUCCESS) return r;
  r = RegDeleteTreeW(parent.get(), path.c_str() + (cut == std::wstring::npos ? 0 : cut + 1));
  return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

LONG TVkReg::DeleteStoredValue(HKEY key, const std::wstring& name) {
  const LONG r = RegDeleteValueW(key, name.c_str());
  return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}
