// Tests of the uuids of the rows a run writes.
#include "support/UuidGenerator.h"

#include <gtest/gtest.h>

#include <regex>
#include <unordered_set>

// The uuids of the rows a run writes: a ChaCha20 key stream seeded once.

namespace norvak {
namespace {

TEST(UuidGenerator, TheKeyStreamIsChaCha20) {
    // The block function's published test vector: key 00 01 .. 1f, block
    // counter 1, nonce 00 00 00 09 00 00 00 4a 00 00 00 00.
    std::array<std::uint32_t, 8> key{};
    for (std::uint32_t i = 0; i < 8; ++i)
        key[i] = (4 * i) | (4 * i + 1) << 8 | (4 * i + 2) << 16 | (4 * i + 3) << 24;
    std::array<std::uint8_t, 64> block = UuidGenerator::block(key, 1, {0x09000000, 0x4a000000, 0});
    const std::uint8_t expected[64] = {
        0x10, 0xf1, 0xe7, 0xe4, 0xd1, 0x3b, 0x59, 0x15, 0x50, 0x0f, 0xdd, 0x1f, 0xa3, 0x20, 0x71, 0xc4,
        0xc7, 0xd1, 0xf4, 0xc7, 0x33, 0xc0, 0x68, 0x03, 0x04, 0x22, 0xaa, 0x9a, 0xc3, 0xd4, 0x6c, 0x4e,
        0xd2, 0x82, 0x64, 0x46, 0x07, 0x9f, 0xaa, 0x09, 0x14, 0xc2, 0xd7, 0x05, 0xd9, 0x8b, 0x02, 0xa2,
        0xb5, 0x12, 0x9c, 0xd1, 0xde, 0x16, 0x4e, 0xb9, 0xcb, 0xd0, 0x83, 0xe8, 0xa2, 0x50, 0x3c, 0x4e};
    for (std::size_t i = 0; i < 64; ++i)
        EXPECT_EQ(block[i], expected[i]) << i;
}

TEST(UuidGenerator, UuidsAreVersion4AndDistinctAndDependOnTheSeed) {
    UuidGenerator first;
    EXPECT_FALSE(first.seeded());
    std::array<std::uint8_t, 32> seed{};
    seed[0] = 1;
    first.seed(seed);
    EXPECT_TRUE(first.seeded());
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::unordered_set<std::string> seen;
    for (int i = 0; i < 100000; ++i) {
        std::string uuid = first.next();
        if (i < 1000) {
            ASSERT_TRUE(std::regex_match(uuid, form)) << uuid;
        }
        ASSERT_TRUE(seen.insert(uuid).second) << "repeated " << uuid;
    }
    UuidGenerator same;
    same.seed(seed);
    UuidGenerator other;
    seed[31] = 1;
    other.seed(seed);
    std::string fromSame = same.next();
    EXPECT_TRUE(seen.count(fromSame));
    EXPECT_FALSE(seen.count(other.next()));
}

} // namespace
} // namespace norvak
