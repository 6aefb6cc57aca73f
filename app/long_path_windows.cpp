#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "app/long_path_windows.h"

namespace zar::platform {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// \\?\ and \\.\ names (either slash) reach the system's own namespaces and
// are never rewritten.
bool IsDeviceName(const std::wstring& name) {
  return name.size() >= 4 && IsSeparator(name[0]) && IsSeparator(name[1]) &&
         (name[2] == L'?' || name[2] == L'.') && IsSeparator(name[3]);
}

}  // namespace

std::wstring ExtendedLengthPath(const std::wstring& name) {
  if (name.empty() || IsDeviceName(name)) return name;
  // The first call asks for the size, null included; the path could in
  // principle change between the calls, so the second result is checked.
  const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return name;
  full.resize(length);
  if (full.size() < MAX_PATH) return name;
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
    return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  }
  return L"\\\\?\\" + full;
}

}  // namespace zar::platform
