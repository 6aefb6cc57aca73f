#include "tests/md5_oracle.h"

#include "tests/recorded_digests.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace zar::test {
namespace {

struct ContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Context StartMd5() {
  Context context(EVP_MD_CTX_new());
  if (context && EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
    context.reset();
  }
  return context;
}

std::string FinishMd5(EVP_MD_CTX* context) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context, digest, &length) != 1 || length != 16) {
    return "oracle failed";
  }
  return Hex(digest);
}

// Lets tests/record_digests.sh keep the answer for the builds without OpenSSL.
std::string Recorded(const Cksum& message, std::string md5) {
  if (RecordingDigests()) RecordDigest(message, md5);
  return md5;
}

}  // namespace

std::string OracleMd5(const void* data, std::size_t size) {
  Context context = StartMd5();
  if (!context || EVP_DigestUpdate(context.get(), data, size) != 1) {
    return "oracle failed";
  }
  Cksum message;
  if (RecordingDigests()) message.Add(data, size);
  return Recorded(message, FinishMd5(context.get()));
}

std::string OracleMd5(const std::vector<unsigned char>& bytes) {
  return OracleMd5(bytes.data(), bytes.size());
}

std::string OracleMd5OfRepeats(const std::vector<unsigned char>& piece,
                               std::size_t times) {
  Context context = StartMd5();
  if (!context) return "oracle failed";
  Cksum message;
  const bool recording = RecordingDigests();
  for (std::size_t i = 0; i < times; ++i) {
    EVP_DigestUpdate(context.get(), piece.data(), piece.size());
    if (recording) message.Add(piece.data(), piece.size());
  }
  return Recorded(message, FinishMd5(context.get()));
}

std::string OracleMd5OfFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      std::fopen(path.c_str(), "rb"), &std::fclose);
  Context context = StartMd5();
  if (!file || !context) return "";
  std::vector<unsigned char> buffer(1 << 20);
  std::size_t count;
  Cksum message;
  const bool recording = RecordingDigests();
  while ((count = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    EVP_DigestUpdate(context.get(), buffer.data(), count);
    if (recording) message.Add(buffer.data(), count);
  }
  if (std::ferror(file.get())) return "";
  return Recorded(message, FinishMd5(context.get()));
}

}  // namespace zar::test
