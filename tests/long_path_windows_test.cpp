// The \\?\ form that opens names of MAX_PATH characters or more on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/long_path_windows.h"

namespace zar::platform {
namespace {

// Directory names, each 10 characters with its separator, to make a path of
// at least length characters after prefix.
std::wstring Deep(const std::wstring& prefix, std::size_t length,
                  const std::wstring& separator = L"\\") {
  std::wstring path = prefix;
  while (path.size() < length) path += L"directory" + separator;
  return path + L"file.bin";
}

TEST(ExtendedLengthPathTest, NamesAndTheirForms) {
  const std::wstring longName = Deep(L"C:\\", 300);
  const std::wstring longShare = Deep(L"\\\\server\\share\\", 300);
  struct Case {
    std::wstring name;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"", L""},
      // Short names are left as typed, relative or not.
      {L"file.bin", L"file.bin"},
      {L"C:\\dir\\..\\file.bin", L"C:\\dir\\..\\file.bin"},
      {L"\\\\server\\share\\file.bin", L"\\\\server\\share\\file.bin"},
      // Drive-absolute, and with the "/" and ".." that only the system's
      // own rewriting, not the \\?\ form, understands.
      {longName, L"\\\\?\\" + longName},
      {Deep(L"C:/", 300, L"/"), L"\\\\?\\" + Deep(L"C:\\", 300)},
      {L"C:\\skipped\\..\\" + longName.substr(3), L"\\\\?\\" + longName},
      // A share.
      {longShare, L"\\\\?\\UNC\\" + longShare.substr(2)},
      // Already in a form the system takes verbatim.
      {L"\\\\?\\" + longName, L"\\\\?\\" + longName},
      {L"\\\\?\\C:\\a/b/../" + longName.substr(3), L"\\\\?\\C:\\a/b/../" + longName.substr(3)},
      {L"\\\\.\\pipe\\" + longName.substr(3), L"\\\\.\\pipe\\" + longName.substr(3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtendedLengthPath(c.name), c.expected)
        << "for a name of " << c.name.size() << " characters";
  }
}

TEST(ExtendedLengthPathTest, TheLimitIsAFullPathOfMaxPathCharacters) {
  std::wstring name = L"C:\\";
  name.append(MAX_PATH - 1 - name.size(), L'x');
  ASSERT_EQ(name.size(), MAX_PATH - 1u);
  EXPECT_EQ(ExtendedLengthPath(name), name);
  name += L'x';
  EXPECT_EQ(ExtendedLengthPath(name), L"\\\\?\\" + name);
}

TEST(ExtendedLengthPathTest, RelativeNamesAreMadeFull) {
  std::wstring directory(MAX_PATH * 2, L'\0');
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()),
                                            directory.data());
  ASSERT_GT(length, 0u);
  directory.resize(length);
  if (directory.back() != L'\\') directory += L'\\';
  const std::wstring relative = Deep(L"", MAX_PATH);
  EXPECT_EQ(ExtendedLengthPath(relative), L"\\\\?\\" + directory + relative);
  // Short enough relative names stay relative; the limit counts the full path.
  const std::wstring name(MAX_PATH - directory.size(), L'y');
  EXPECT_EQ(ExtendedLengthPath(name), L"\\\\?\\" + directory + name);
  const std::wstring shorter(MAX_PATH - directory.size() - 1, L'y');
  EXPECT_EQ(ExtendedLengthPath(shorter), shorter);
}

}  // namespace
}  // namespace zar::platform
