#include "HandleCount.h"

#include <vector>

namespace {

// The layout of the system handle list (information class 16).
struct THandleEntry {
  ULONG OwnerPid;
  BYTE ObjectType;
  BYTE HandleFlags;
  USHORT HandleValue;
  PVOID ObjectPointer;
  ULONG AccessMask;
};
struct THandleList {
  ULONG Count;
  THandleEntry Handle[1];
};
using TQuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

}  // namespace

DWORD ProcessHandles() {
  static const auto query = reinterpret_cast<TQuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return 0;
  std::vector<BYTE> buffer(1 << 16);
  for (int attempt = 0; attempt < 16; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == static_cast<LONG>(0xC0000004L)) {  // the list is longer than the buffer
      buffer.resize(needed > buffer.size() ? needed + 4096 : buffer.size() * 2);
      continue;
    }
    if (status != 0) return 0;
    const auto* list = reinterpret_cast<const THandleList*>(buffer.data());
    const ULONG pid = GetCurrentProcessId();
    DWORD count = 0;
    for (ULONG i = 0; i < list->Count; ++i)
      if (list->Handle[i].OwnerPid == pid) ++count;
    return count;
  }
  return 0;
}
