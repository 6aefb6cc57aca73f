// libFuzzer target: the digest of a message handed to XMD5 in pieces, cut
// where the input says, must equal the digest of one AddData of the whole
// message and OpenSSL's MD5 of it, with every kernel the host can run, with
// the automatic choice, and through a kernel race (on a plan small enough
// for the input's pieces to start it) won by each kernel in turn.
//
// The input is read from both ends (FuzzedDataProvider): each step takes a
// control byte from the back and, for a data piece, its length from the back
// and its bytes from the front. Control byte: low 6 bits, the piece's address
// offset from a 64-byte boundary; high 2 bits, what the step does:
//   0  a data piece of 0 to 255 bytes (within a block or straddling one);
//   1  a data piece of 0 to 65535 bytes (many whole blocks);
//   2  an empty piece: a valid pointer and length 0, accepted and counted;
//   3  a refused call: a null pointer or a negative length.
// Every piece lives in an allocation of its own that ends where the piece
// ends, and the bytes in front of it are poisoned, so AddressSanitizer
// reports a read on either side.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "digest/md5_block_function.h"
#include "digest/md5_dispatch.h"
#include "digest/md5_kernel_choice.h"
#include "digest/xmd5.h"
#include "tests/md5_oracle.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define ZAR_POISON(address, size) __asan_poison_memory_region(address, size)
#define ZAR_UNPOISON(address, size) __asan_unpoison_memory_region(address, size)
#endif
#endif
#ifndef ZAR_POISON
#define ZAR_POISON(address, size) ((void)(address), (void)(size))
#define ZAR_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace zar {
namespace {

using Kernel = Md5Kernel;

// The kernels this host can run: every one of them is fuzzed.
std::vector<Kernel> RunnableKernels() {
  std::size_t count = 0;
  const Md5Kernel* kernels = Md5RunnableKernels(&count);
  return std::vector<Kernel>(kernels, kernels + count);
}

// Makes every Md5State use blocks from now on; null blocks is the
// automatic choice.
void UseKernel(Md5BlockFunction blocks) { Md5ForceBlocks(blocks); }

// The choice path on a plan where 8 blocks in one call start the race, each
// kernel folding 1 block per turn for 2 rounds. The race runs in full; its
// result is the kernel the fuzzer wants to win.
constexpr Md5RacePlan kSmallPlan = {1, 2, 8};
std::size_t raceWinner = 0;
std::optional<Md5KernelChoice> choice;

std::size_t RaceWonBy(const Md5Kernel* kernels, std::size_t count,
                      const Md5RacePlan& plan, std::uint32_t abcd[4],
                      const unsigned char* data) {
  Md5RaceKernels(kernels, count, plan, abcd, data);
  return raceWinner;
}

void ChoiceBlocks(std::uint32_t abcd[4], const unsigned char* data,
                  std::size_t blockCount) {
  choice->Blocks(abcd, data, blockCount);
}

enum class Step { kData, kEmpty, kRefused };

// A copy of some bytes that starts offset bytes past a 64-byte boundary and
// ends at the very end of an allocation of its own.
class PlacedBytes {
 public:
  PlacedBytes(const std::vector<unsigned char>& bytes, std::size_t offset)
      : offset_(offset), size_(bytes.size()) {
    void* storage = nullptr;
    const std::size_t total = offset_ + size_;
    if (posix_memalign(&storage, 64, total != 0 ? total : 1) != 0) std::abort();
    storage_ = static_cast<unsigned char*>(storage);
    if (size_ != 0) std::memcpy(storage_ + offset_, bytes.data(), size_);
    ZAR_POISON(storage_, offset_);
  }
  PlacedBytes(const PlacedBytes&) = delete;
  PlacedBytes& operator=(const PlacedBytes&) = delete;
  ~PlacedBytes() {
    ZAR_UNPOISON(storage_, offset_);
    std::free(storage_);
  }

  const unsigned char* data() const { return storage_ + offset_; }
  std::int32_t size() const { return static_cast<std::int32_t>(size_); }

 private:
  std::size_t offset_;
  std::size_t size_;
  unsigned char* storage_;  // offset_ poisoned bytes, then the copy
};

struct Piece {
  Step step;
  std::size_t offset;  // from a 64-byte boundary
  std::vector<unsigned char> bytes;
};

std::vector<Piece> ReadPieces(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<Piece> pieces;
  while (input.remaining_bytes() > 0) {
    const auto control = input.ConsumeIntegral<std::uint8_t>();
    Piece piece{Step::kData, control & 63u, {}};
    switch (control >> 6) {
      case 0:
        piece.bytes = input.ConsumeBytes<unsigned char>(
            input.ConsumeIntegral<std::uint8_t>());
        break;
      case 1:
        piece.bytes = input.ConsumeBytes<unsigned char>(
            input.ConsumeIntegral<std::uint16_t>());
        break;
      case 2:
        piece.step = Step::kEmpty;
        break;
      default:
        piece.step = Step::kRefused;
        break;
    }
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

[[noreturn]] void Fail(const Kernel& kernel, const char* what,
                       const std::string& got, const std::string& expected) {
  std::fprintf(stderr, "kernel %s: %s gave \"%s\", expected \"%s\"\n",
               kernel.name, what, got.c_str(), expected.c_str());
  std::abort();
}

void Check(const Kernel& kernel, const std::vector<Piece>& pieces,
           const std::vector<unsigned char>& message,
           const std::string& expected) {
  UseKernel(kernel.blocks);

  XMD5 split;
  bool accepted = false;
  for (const Piece& piece : pieces) {
    const PlacedBytes placed(piece.bytes, piece.offset);
    bool result = false;
    switch (piece.step) {
      case Step::kData:
        result = split.AddData(placed.data(), placed.size());
        break;
      case Step::kEmpty:
        result = split.AddData(placed.data(), 0);
        break;
      case Step::kRefused:
        result = piece.offset % 2 == 0
                     ? split.AddData(nullptr, static_cast<std::int32_t>(piece.offset))
                     : split.AddData(placed.data(),
                                     -static_cast<std::int32_t>(piece.offset));
        break;
    }
    if (result != (piece.step != Step::kRefused)) {
      Fail(kernel, "AddData's result", result ? "true" : "false",
           result ? "false" : "true");
    }
    accepted = accepted || result;
  }
  // An object that never accepted a chunk has no digest to give.
  const std::string splitDigest = split.HexDigest();
  if (splitDigest != (accepted ? expected : std::string())) {
    Fail(kernel, "the pieces", splitDigest, accepted ? expected : "");
  }
  if (const std::string again = split.HexDigest(); !again.empty()) {
    Fail(kernel, "a second HexDigest", again, "");
  }

  XMD5 whole;
  const PlacedBytes placed(message, 0);
  if (!whole.AddData(placed.data(), placed.size())) {
    Fail(kernel, "AddData of the whole message", "false", "true");
  }
  if (const std::string digest = whole.HexDigest(); digest != expected) {
    Fail(kernel, "the whole message", digest, expected);
  }
}

}  // namespace
}  // namespace zar

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::vector<zar::Piece> pieces = zar::ReadPieces(data, size);
  std::vector<unsigned char> message;
  for (const zar::Piece& piece : pieces) {
    message.insert(message.end(), piece.bytes.begin(), piece.bytes.end());
  }
  const std::string expected =
      zar::test::OracleMd5(message.data(), message.size());
  const std::vector<zar::Kernel> kernels = zar::RunnableKernels();
  for (const zar::Kernel& kernel : kernels) {
    zar::Check(kernel, pieces, message, expected);
  }
  zar::Check({"automatic", nullptr}, pieces, message, expected);
  for (std::size_t winner = 0; winner < kernels.size(); ++winner) {
    // A fresh choice for each: the race starts on the first long call.
    zar::raceWinner = winner;
    zar::choice.emplace(kernels.data(), kernels.size(), zar::kSmallPlan,
                        zar::RaceWonBy);
    const std::string name = std::string("race won by ") + kernels[winner].name;
    zar::Check({name.c_str(), zar::ChoiceBlocks}, pieces, message, expected);
  }
  zar::choice.reset();
  zar::UseKernel(nullptr);
  return 0;
}
