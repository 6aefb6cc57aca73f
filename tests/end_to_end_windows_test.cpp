// End-to-end cases that only Windows has: its own read error, directories
// that do not open as files, and paths longer than MAX_PATH.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/md5_oracle.h"
#include "tests/program_run.h"

namespace zar {
namespace {

namespace fs = std::filesystem;
using test::AfterBanner;
using test::InputLine;
using test::kProgram;
using test::kUsage;
using test::ResultLine;
using test::RunChild;
using test::Success;
using test::Utf8;

using EndToEndWindowsTest = test::TempDirTest;

TEST_F(EndToEndWindowsTest, DirectoryDoesNotOpen) {
  const std::string path = dir_.string();
  EXPECT_EQ(AfterBanner(Run({path})), InputLine(path) + " - FAILED TO OPEN");
}

// A named pipe that this process writes data into, then either closes (the
// pipe's end of file) or disconnects by force, which makes the reader's next
// ReadFile fail: the one read error the tests can cause on Windows.
class PipeServer {
 public:
  PipeServer(const std::vector<unsigned char>& data, bool disconnect)
      : name_("\\\\.\\pipe\\zar_uv5_test_" + std::to_string(GetCurrentProcessId()) +
              (disconnect ? "_cut" : "_whole")) {
    pipe_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_OUTBOUND,
                             PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    if (pipe_ == INVALID_HANDLE_VALUE) return;
    writer_ = std::thread([this, &data, disconnect] {
      if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
        return;
      }
      DWORD written = 0;
      WriteFile(pipe_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
      FlushFileBuffers(pipe_);  // returns once the reader has taken everything
      if (disconnect) DisconnectNamedPipe(pipe_);
      CloseHandle(pipe_);
    });
  }
  ~PipeServer() {
    if (!writer_.joinable()) return;
    // A reader that never came would leave the writer waiting: come as one.
    HANDLE client = CreateFileA(name_.c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    writer_.join();
  }
  PipeServer(const PipeServer&) = delete;
  PipeServer& operator=(const PipeServer&) = delete;

  bool Listening() const { return pipe_ != INVALID_HANDLE_VALUE; }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  std::thread writer_;
};

TEST_F(EndToEndWindowsTest, ReadErrorPartWayThroughAPipe) {
  // One byte more than a chunk: the second chunk's read fails after 1 byte.
  // The same bytes as chunk_plus.bin of the table test, whose digest was
  // recorded.
  const std::vector<unsigned char> data = test::RandomBytes(10'000'001, 23);
  {
    PipeServer server(data, /*disconnect=*/true);
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(AfterBanner(Run({server.Name()})),
              InputLine(server.Name()) + " opened\nError in chunk read");
  }
  {
    PipeServer server(data, /*disconnect=*/false);
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(AfterBanner(Run({server.Name()})),
              InputLine(server.Name()) + " opened" +
                  ResultLine(data.size(), test::OracleMd5(data)));
  }
}

TEST_F(EndToEndWindowsTest, SelfTestNamesALongPathInFull) {
  // Longer than the first buffer for the name (128), within MAX_PATH (260)
  // so that it can be started without long-path support.
  fs::path dir = dir_;
  while (Utf8(dir).size() < 220) dir /= "a_long_directory_name";
  fs::create_directories(dir);
  const fs::path copy = dir / "zar_uv5.exe";
  fs::copy_file(kProgram, copy);
  ASSERT_GT(Utf8(copy).size(), 128u * 3 / 2);
  EXPECT_EQ(AfterBanner(RunChild(Utf8(copy), {Utf8(copy)})),
            std::string(kUsage) + Success(Utf8(copy)));
}

TEST_F(EndToEndWindowsTest, NamesOfMaxPathCharactersAndMoreOpenAsTyped) {
  // Windows opens such names only in their \\?\ form (Wine opens any form);
  // the name is printed as typed, whatever form opened it. One long
  // directory name, as no part of a path may exceed 255 characters.
  const std::size_t dirSize = Utf8(dir_).size();
  const std::string folder(std::clamp<std::size_t>(300 - std::min<std::size_t>(dirSize, 200), 100, 250), 'd');
  const std::string path = Utf8(dir_) + "\\" + folder + "\\file.bin";
  ASSERT_GT(path.size(), static_cast<std::size_t>(MAX_PATH));
  // The test makes and removes them through the \\?\ form too.
  const std::wstring extendedFolder = L"\\\\?\\" + (dir_ / folder).wstring();
  const std::wstring extendedFile = extendedFolder + L"\\file.bin";
  ASSERT_TRUE(CreateDirectoryW(extendedFolder.c_str(), nullptr));
  struct Cleanup {
    const std::wstring& folder;
    const std::wstring& file;
    ~Cleanup() {
      DeleteFileW(file.c_str());
      RemoveDirectoryW(folder.c_str());
    }
  } cleanup{extendedFolder, extendedFile};
  // Recorded data: the 70 bytes of the table test's "a %s %n 100%.bin".
  const std::vector<unsigned char> data = test::RandomBytes(70, 25);
  HANDLE file = CreateFileW(extendedFile.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, data.data(), static_cast<DWORD>(data.size()),
                               &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(wrote && written == data.size());
  // The same file through "/" and a "..", which only the system's rewriting
  // of the name resolves: the \\?\ form is taken verbatim.
  std::string typed = Utf8(dir_) + "\\skipped\\..\\" + folder + "\\file.bin";
  std::replace(typed.begin(), typed.end(), '\\', '/');
  for (const std::string& name : {path, typed}) {
    EXPECT_EQ(AfterBanner(Run({name})),
              InputLine(name) + " opened" + ResultLine(data.size(), test::OracleMd5(data)))
        << name;
  }
}

}  // namespace
}  // namespace zar
