#ifndef ZAR_APP_LONG_PATH_WINDOWS_H_
#define ZAR_APP_LONG_PATH_WINDOWS_H_

#include <string>

// Part of the Windows seam (platform_windows.cpp), apart so that it can be
// tested on its own.
namespace zar::platform {

// The name to give CreateFileW for the file named name. Windows refuses a
// path of MAX_PATH characters or more unless it is in the \\?\ form, which
// the system takes verbatim: so when the full path (from GetFullPathNameW,
// which resolves a relative name, "." and ".." and turns "/" into "\")
// reaches MAX_PATH, returns it as \\?\C:\... or, for a \\server\share\...
// name, \\?\UNC\server\share\.... Returns name unchanged when its full path
// is shorter, when it is already a \\?\ or \\.\ name, or when the system
// cannot make its full path. May throw std::bad_alloc.
std::wstring ExtendedLengthPath(const std::wstring& name);

}  // namespace zar::platform

#endif  // ZAR_APP_LONG_PATH_WINDOWS_H_
