// Version 4 uuids from a ChaCha20 key stream seeded once.
#include "support/UuidGenerator.h"

namespace norvak {

namespace {

std::uint32_t rotate(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

void quarterRound(std::array<std::uint32_t, 16>& x, std::size_t a, std::size_t b, std::size_t c, std::size_t d) {
    x[a] += x[b];
    x[d] = rotate(x[d] ^ x[a], 16);
    x[c] += x[d];
    x[b] = rotate(x[b] ^ x[c], 12);
    x[a] += x[b];
    x[d] = rotate(x[d] ^ x[a], 8);
    x[c] += x[d];
    x[b] = rotate(x[b] ^ x[c], 7);
}

} // namespace

std::array<std::uint8_t, 64> UuidGenerator::block(const std::array<std::uint32_t, 8>& key, std::uint32_t counter,
                                                    const std::array<std::uint32_t, 3>& nonce) {
    std::array<std::uint32_t, 16> input{0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (std::size_t i = 0; i < 8; ++i)
        input[4 + i] = key[i];
    input[12] = counter;
    for (std::size_t i = 0; i < 3; ++i)
        input[13 + i] = nonce[i];
    std::array<std::uint32_t, 16> x = input;
    for (int round = 0; round < 10; ++round) {
        quarterRound(x, 0, 4, 8, 12);
        quarterRound(x, 1, 5, 9, 13);
        quarterRound(x, 2, 6, 10, 14);
        quarterRound(x, 3, 7, 11, 15);
        quarterRound(x, 0, 5, 10, 15);
        quarterRound(x, 1, 6, 11, 12);
        quarterRound(x, 2, 7, 8, 13);
        quarterRound(x, 3, 4, 9, 14);
    }
    std::array<std::uint8_t, 64> out{};
    for (std::size_t i = 0; i < 16; ++i) {
        std::uint32_t word = x[i] + input[i];
        for (std::size_t b = 0; b < 4; ++b)
            out[i * 4 + b] = static_cast<std::uint8_t>(word >> (8 * b));
    }
    return out;
}

void UuidGenerator::seed(const std::array<std::uint8_t, 32>& key) {
    for (std::size_t i = 0; i < 8; ++i)
        key_[i] = static_cast<std::uint32_t>(key[i * 4]) | static_cast<std::uint32_t>(key[i * 4 + 1]) << 8 |
                  static_cast<std::uint32_t>(key[i * 4 + 2]) << 16 | static_cast<std::uint32_t>(key[i * 4 + 3]) << 24;
    counter_ = 0;
    used_ = stream_.size();
    seeded_ = true;
}

std::string UuidGenerator::next() {
    if (used_ + 16 > stream_.size()) {
        stream_ = block(key_, counter_++, {0, 0, 0});
        used_ = 0;
    }
    std::uint8_t bytes[16];
    for (std::size_t i = 0; i < 16; ++i)
        bytes[i] = stream_[used_ + i];
    used_ += 16;
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40); // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80); // variant 10
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0f];
    }
    return text;
}

} // namespace norvak
