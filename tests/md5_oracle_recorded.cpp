// The oracle of the builds that have no OpenSSL: digests that OpenSSL
// computed on the build machine, never computed here. A message whose digest
// was not recorded gets a text that no digest equals, so the test fails and
// says what is missing.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "tests/md5_oracle.h"
#include "tests/recorded_digests.h"

namespace zar::test {
namespace {

using Key = std::pair<std::uint64_t, std::uint32_t>;  // size, cksum CRC

struct Entry {
  std::uint64_t size;
  std::uint32_t crc;
  const char* md5;
};

const Entry kRecorded[] = {
#include "tests/recorded_digests.inc"
};

// The recorded table, and the digests of files of the build itself (the
// program, for its self-test) that the build machine's md5sum wrote into the
// file ZAR_HOST_DIGESTS in the same "SIZE CRC MD5" form.
const std::map<Key, std::string>& Digests() {
  static const std::map<Key, std::string> digests = [] {
    std::map<Key, std::string> map;
    for (const Entry& entry : kRecorded) map[{entry.size, entry.crc}] = entry.md5;
    std::ifstream host(ZAR_HOST_DIGESTS);
    std::uint64_t size;
    std::uint32_t crc;
    std::string md5;
    while (host >> size >> crc >> md5) map[{size, crc}] = md5;
    return map;
  }();
  return digests;
}

std::string Lookup(const Cksum& message) {
  const auto found = Digests().find({message.Size(), message.Value()});
  if (found != Digests().end()) return found->second;
  return "no digest recorded for " + std::to_string(message.Size()) +
         " bytes with cksum " + std::to_string(message.Value()) +
         " (run tests/record_digests.sh)";
}

}  // namespace

std::string OracleMd5(const void* data, std::size_t size) {
  Cksum message;
  message.Add(data, size);
  return Lookup(message);
}

std::string OracleMd5(const std::vector<unsigned char>& bytes) {
  return OracleMd5(bytes.data(), bytes.size());
}

std::string OracleMd5OfRepeats(const std::vector<unsigned char>& piece,
                               std::size_t times) {
  Cksum message;
  for (std::size_t i = 0; i < times; ++i) message.Add(piece.data(), piece.size());
  return Lookup(message);
}

std::string OracleMd5OfFile(const std::string& path) {
  // The name is UTF-8, as the program's texts are.
  std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary);
  if (!file) return "";
  Cksum message;
  std::vector<char> buffer(1 << 20);
  while (file.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
         file.gcount() > 0) {
    message.Add(buffer.data(), static_cast<std::size_t>(file.gcount()));
  }
  if (file.bad()) return "";
  return Lookup(message);
}

}  // namespace zar::test
