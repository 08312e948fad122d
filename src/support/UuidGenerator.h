#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace norvak {

// Version 4 uuids from a ChaCha20 key stream: seeded once with 32 bytes from
// the system, then every uuid comes from memory, sixteen bytes of the
// stream each, without a system call.
class UuidGenerator {
  public:
    bool seeded() const { return seeded_; }
    void seed(const std::array<std::uint8_t, 32>& key);
    // The next uuid as 36 characters: lower-case hexadecimal in groups of 8,
    // 4, 4, 4 and 12, with the version (4) and variant (10) bits set.
    std::string next();
    // The 64 key-stream bytes of one block (for checks against published
    // vectors): the key, the block counter and the 12-byte nonce.
    static std::array<std::uint8_t, 64> block(const std::array<std::uint32_t, 8>& key, std::uint32_t counter,
                                              const std::array<std::uint32_t, 3>& nonce);

  private:
    std::array<std::uint32_t, 8> key_{};
    std::uint32_t counter_ = 0;
    std::array<std::uint8_t, 64> stream_{};
    std::size_t used_ = 64;
    bool seeded_ = false;
};

} // namespace norvak
