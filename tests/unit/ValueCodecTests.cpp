// Tests of the value codecs of each physical type: byte examples decoded and encoded again, and the faults they report.
#include "codec/CodecError.h"
#include "codec/ValueCodecs.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <memory>
#include <string>

namespace norvak {
namespace {

using Json = nlohmann::ordered_json;

LayoutField simple(int physicalType, int logicalType, std::int64_t length, int sign = signNone,
                   const char* point = nullptr) {
    LayoutField field;
    field.path = "F";
    field.name = "F";
    field.physicalType = physicalType;
    field.logicalType = logicalType;
    field.length = length;
    field.minSize = length;
    field.maxSize = length;
    field.signOrientation = sign;
    if (point != nullptr)
        field.decimalPoint = point;
    return field;
}

class Codec {
  public:
    explicit Codec(const char* ccsid, ByteOrder order = ByteOrder::big)
        : text_(std::make_unique<TextCodec>(*codePageOf(ccsid))), context_{*text_, order} {}

    Json decoded(const LayoutField& field, const std::string& bytes, std::optional<std::size_t> extent,
                 std::size_t* used = nullptr) const {
        std::size_t taken = 0;
        Json value = decodeValue(field, bytes, extent, context_, taken);
        if (used != nullptr)
            *used = taken;
        return value;
    }
    Json decoded(const LayoutField& field, const std::string& bytes) const {
        return decoded(field, bytes, bytes.size());
    }
    std::string encoded(const LayoutField& field, const Json& value) const {
        std::string out;
        std::optional<std::size_t> extent;
        if (field.variability == Variability::none && field.length)
            extent = static_cast<std::size_t>(*field.length);
        encodeValue(field, value, extent, context_, out);
        return out;
    }
    // The fault of a decode: "offset: reason".
    std::string decodeFault(const LayoutField& field, const std::string& bytes) const {
        try {
            decoded(field, bytes);
        } catch (const CodecFailure& failure) {
            return std::to_string(failure.error.offset) + ": " + failure.error.reason;
        }
        return "no fault";
    }
    std::string encodeFault(const LayoutField& field, const Json& value) const {
        try {
            encoded(field, value);
        } catch (const CodecFailure& failure) {
            return failure.error.reason;
        }
        return "no fault";
    }

  private:
    std::unique_ptr<TextCodec> text_;
    ValueContext context_;
};

// Decodes the bytes to the value, and encodes the value to the same bytes.
void roundTrip(const Codec& codec, const LayoutField& field, const std::string& bytes, const Json& value) {
    EXPECT_EQ(codec.decoded(field, bytes), value) << value.dump();
    EXPECT_EQ(codec.encoded(field, value), bytes) << value.dump();
}

TEST(PackedDecimal, DigitsTwoAByteTheSignInTheLastHalfByteExactAtTheScale) {
    const Codec codec("1208");
    const LayoutField amount = simple(physicalPacked, logicalDecimal, 4, signNone, "2");
    roundTrip(codec, amount, std::string("\x01\x23\x45\x6D", 4), "-1234.56");
    roundTrip(codec, amount, std::string("\x99\x99\x99\x9C", 4), "99999.99");
    roundTrip(codec, amount, std::string("\x00\x00\x00\x5C", 4), "0.05");
    roundTrip(codec, amount, std::string("\x00\x00\x00\x0C", 4), "0.00");
    // A, E, F positive and B negative are read; written again as C and D.
    EXPECT_EQ(codec.decoded(amount, std::string("\x01\x23\x45\x6F", 4)), "1234.56");
    EXPECT_EQ(codec.decoded(amount, std::string("\x01\x23\x45\x6B", 4)), "-1234.56");
    EXPECT_EQ(codec.encoded(amount, "1234.5"), std::string("\x01\x23\x45\x0C", 4));
    // An integer: a JSON number, digits with no point.
    const LayoutField count = simple(physicalPacked, logicalInteger, 3);
    roundTrip(codec, count, std::string("\x12\x34\x5D", 3), -12345);

    EXPECT_EQ(codec.decodeFault(amount, std::string("\x01\x2A\x45\x6C", 4)),
              "1: a packed digit out of range (byte 0x2A)");
    EXPECT_EQ(codec.decodeFault(amount, std::string("\x01\x23\x45\x67", 4)),
              "3: no sign in the last half byte of a packed decimal (byte 0x67)");
    EXPECT_EQ(codec.encodeFault(amount, "100000.00"),
              "100000.00 has more digits than a packed decimal of 4 bytes holds");
    EXPECT_EQ(codec.encodeFault(amount, "1.234"),
              "the decimal 1.234 has more than the 2 digits after the point the field holds");
    EXPECT_EQ(codec.encodeFault(amount, "1e3"), "\"1e3\" is no decimal number");
    EXPECT_EQ(codec.encodeFault(amount, 1.5),
              "a JSON number with a fraction, which is not exact: give the decimal as a string");
    EXPECT_EQ(codec.encoded(amount, 12), std::string("\x00\x01\x20\x0C", 4));
}

TEST(ZonedDecimal, AsciiSignsAsGnuCobolWritesThem) {
    const Codec codec("819");
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "12s", -123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "123", 123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedLeading), "q23", -123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalDecimal, 4, signSeparateLeading, "1"), "-123", "-12.3");
    roundTrip(codec, simple(physicalExtendedDecimal, logicalDecimal, 4, signSeparateTrailing, "1"), "123+", "12.3");
    roundTrip(codec, simple(physicalExtendedDecimal, logicalDecimal, 4, signNone, "4"), "0042", "0.0042");
    // The overpunch letters are read too.
    EXPECT_EQ(codec.decoded(simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "12L"), -123);
    EXPECT_EQ(codec.decoded(simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "12C"), 123);

    const LayoutField plain = simple(physicalExtendedDecimal, logicalInteger, 3);
    EXPECT_EQ(codec.decodeFault(plain, "1A3"), "1: a zoned byte that is no digit (0x41)");
    EXPECT_EQ(codec.decodeFault(simple(physicalExtendedDecimal, logicalInteger, 4, signSeparateLeading), "*123"),
              "0: no sign character (byte 0x2A)");
    EXPECT_EQ(codec.encodeFault(plain, -1), "-1 is negative; the field holds no sign");
    EXPECT_EQ(codec.encodeFault(plain, 1000), "1000 has more digits than the zoned field's 3");
}

TEST(ZonedDecimal, EbcdicZonesCDAndF) {
    const Codec codec("037");
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "\xF1\xF2\xD3", -123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "\xF1\xF2\xC3", 123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedLeading), "\xD1\xF2\xF3", -123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 3), "\xF1\xF2\xF3", 123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 4, signSeparateLeading), "\x60\xF1\xF2\xF3", -123);
    roundTrip(codec, simple(physicalExtendedDecimal, logicalInteger, 4, signSeparateTrailing), "\xF1\xF2\xF3\x4E", 123);
    // F is read as positive where a sign is included.
    EXPECT_EQ(codec.decoded(simple(physicalExtendedDecimal, logicalInteger, 3, signIncludedTrailing), "\xF1\xF2\xF3"),
              123);
    EXPECT_EQ(codec.decodeFault(simple(physicalExtendedDecimal, logicalInteger, 3), "\xF1\x32\xF3"),
              "1: a zoned byte that is no digit (0x32)");
}

TEST(BinaryNumbers, IntegersFloatsBooleansAndTimesInEitherByteOrder) {
    const Codec big("1208");
    const Codec little("1208", ByteOrder::little);
    roundTrip(big, simple(physicalInteger, logicalInteger, 2), "\xFF\xFE", -2);
    roundTrip(little, simple(physicalInteger, logicalInteger, 2), "\xFE\xFF", -2);
    roundTrip(big, simple(physicalInteger, logicalInteger, 4), "\x7F\xFF\xFF\xFF", 2147483647);
    roundTrip(big, simple(physicalInteger, logicalInteger, 1), "\x80", -128);
    roundTrip(big, simple(physicalInteger, logicalDecimal, 4, signNone, "2"), std::string("\x00\x00\x04\xD2", 4),
              "12.34");
    EXPECT_EQ(big.encodeFault(simple(physicalInteger, logicalInteger, 2), 32768),
              "32768 does not fit in a binary integer of 2 bytes");

    roundTrip(big, simple(physicalFloat, logicalFloat, 4), std::string("\x3F\xC0\x00\x00", 4), 1.5);
    roundTrip(little, simple(physicalFloat, logicalFloat, 8), std::string("\x00\x00\x00\x00\x00\x00\xF8\xBF", 8), -1.5);
    EXPECT_EQ(big.decodeFault(simple(physicalFloat, logicalFloat, 4), std::string("\x7F\xC0\x00\x00", 4)),
              "0: a float that is not a number or infinite, which JSON does not hold");

    roundTrip(big, simple(physicalBoolean, logicalBoolean, 4), std::string("\x00\x00\x00\x01", 4), true);
    roundTrip(big, simple(physicalBoolean, logicalBoolean, 4), std::string(4, '\0'), false);
    EXPECT_EQ(big.decodeFault(simple(physicalBoolean, logicalBoolean, 4), std::string("\x00\x00\x00\x02", 4)),
              "0: a boolean that is neither 0 nor 1 (2)");

    roundTrip(big, simple(physicalTimeSeconds, logicalDateTime, 4), std::string("\x00\x01\x5F\xCD", 4),
              "1970-01-02T01:01:01Z");
    roundTrip(big, simple(physicalTimeSeconds, logicalDateTime, 4), "\xFF\xFF\xFF\xFF", "1969-12-31T23:59:59Z");
    roundTrip(big, simple(physicalTimeMilliseconds, logicalDateTime, 8),
              std::string("\x00\x00\x00\x00\x00\x00\x05\xDC", 8), "1970-01-01T00:00:01.500Z");
    EXPECT_EQ(big.encodeFault(simple(physicalTimeSeconds, logicalDateTime, 4), "2026-02-30T00:00:00Z"),
              "\"2026-02-30T00:00:00Z\" names a day its month does not have");
}

TEST(Texts, PaddingJustificationTerminatorsAndPrefixesUnderTheCodePage) {
    const Codec utf8("1208");
    LayoutField name = simple(physicalFixedLength, logicalString, 5);
    roundTrip(utf8, name, "AB   ", "AB");
    roundTrip(utf8, name, "     ", "");
    name.justification = "Right Justify";
    name.paddingCharacter = "'*'";
    roundTrip(utf8, name, "***AB", "AB");
    EXPECT_EQ(utf8.encodeFault(name, "ABCDEF"), "a text of 6 bytes; the field holds 5");
    EXPECT_EQ(utf8.decodeFault(simple(physicalFixedLength, logicalString, 2), "A\xFF"),
              "1: a byte that is no character of code page 1208");

    const Codec ebcdic("1047");
    roundTrip(ebcdic, simple(physicalFixedLength, logicalString, 4), "\xC1\xC2\x40\x40", "AB");
    roundTrip(Codec("1200"), simple(physicalFixedLength, logicalString, 6), std::string("\x00\x41\x00\x20\x00\x20", 6),
              "A");

    LayoutField terminated = simple(physicalNullTerminated, logicalString, 0);
    terminated.length.reset();
    terminated.variability = Variability::nullTerminated;
    std::size_t used = 0;
    EXPECT_EQ(utf8.decoded(terminated, std::string("AB\0rest", 7), std::nullopt, &used), "AB");
    EXPECT_EQ(used, 3U);
    EXPECT_EQ(utf8.encoded(terminated, "AB"), std::string("AB\0", 3));
    try {
        utf8.decoded(terminated, "ABC", std::nullopt);
        ADD_FAILURE() << "no fault";
    } catch (const CodecFailure& failure) {
        EXPECT_EQ(failure.error.reason, "no terminator before the end of the record");
    }

    LayoutField prefixed = terminated;
    prefixed.physicalType = physicalLengthEncoded2;
    prefixed.variability = Variability::lengthEncoded;
    EXPECT_EQ(utf8.decoded(prefixed,
                           std::string("\x00\x02"
                                       "ABC",
                                       5),
                           std::nullopt, &used),
              "AB");
    EXPECT_EQ(used, 4U);
    EXPECT_EQ(utf8.encoded(prefixed, "AB"), std::string("\x00\x02"
                                                        "AB",
                                                        4));
    prefixed.physicalType = physicalLengthEncoded1;
    EXPECT_EQ(utf8.decoded(prefixed,
                           "\x02"
                           "AB",
                           std::nullopt, &used),
              "AB");

    roundTrip(utf8, simple(physicalBinary, logicalBinary, 2), std::string("\x00\xFF", 2), "AP8=");
    EXPECT_EQ(utf8.encodeFault(simple(physicalBinary, logicalBinary, 2), "AP8"), "the text is no base64");
    EXPECT_EQ(utf8.encodeFault(simple(physicalBinary, logicalBinary, 2), "AA=="), "1 bytes where the field holds 2");
}

TEST(CodePages, EveryCodePageNamedConvertsThroughIconv) {
    for (const char* ccsid :
         {"037",  "273",  "277",  "278",  "280",  "284",  "285",  "297",  "500", "871", "1047", "1140", "1141",
          "1142", "1143", "1144", "1145", "1146", "1147", "1148", "1149", "819", "850", "1252", "1208", "1200"}) {
        SCOPED_TRACE(ccsid);
        const std::optional<CodePage> page = codePageOf(ccsid);
        ASSERT_TRUE(page);
        TextCodec text(*page);
        std::string bytes;
        EXPECT_TRUE(text.fromUtf8("A1", bytes));
        EXPECT_EQ(text.character('0')[0] == '\xF0', page->ebcdic);
    }
    EXPECT_FALSE(codePageOf("999"));
    EXPECT_FALSE(codePageOf("37x"));
}

// The UTF-8 of the bytes by iconv itself, one conversion of the whole text;
// nothing when a byte does not convert.
std::optional<std::string> iconvUtf8(const char* codeSet, const std::string& bytes) {
    iconv_t handle = iconv_open("UTF-8", codeSet);
    std::string out(bytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* at = out.data();
    std::size_t outLeft = out.size();
    const bool done = iconv(handle, &in, &inLeft, &at, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(handle);
    if (!done)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

// Texts of the code pages of one byte a character convert as iconv converts
// them: every byte alone, all bytes at once, a byte that is no character
// refused at its offset; UTF-8 texts as they are, and back.
TEST(CodePages, TextsConvertAsIconvConvertsThem) {
    for (const char* ccsid : {"037", "273", "1047", "1141", "819", "850", "1252", "1208"}) {
        SCOPED_TRACE(ccsid);
        const std::optional<CodePage> page = codePageOf(ccsid);
        ASSERT_TRUE(page);
        TextCodec text(*page);
        std::string every;
        for (int byte = 0; byte < 256; ++byte) {
            const std::string two = std::string("A") + static_cast<char>(byte);
            const std::optional<std::string> expected = iconvUtf8(page->codeSet, two);
            std::string got;
            std::size_t badAt = 99;
            EXPECT_EQ(text.toUtf8(two, got, badAt), expected.has_value()) << byte;
            if (expected) {
                EXPECT_EQ(got, *expected) << byte;
                std::string back;
                EXPECT_TRUE(text.fromUtf8(got, back)) << byte;
                EXPECT_EQ(back, two) << byte;
                every += two[1];
            } else {
                EXPECT_EQ(badAt, 1U) << byte;
            }
        }
        std::string all;
        std::size_t badAt = 0;
        ASSERT_TRUE(text.toUtf8(every, all, badAt));
        EXPECT_EQ(all, iconvUtf8(page->codeSet, every));
    }
    TextCodec latin(*codePageOf("819"));
    std::string bytes;
    EXPECT_FALSE(latin.fromUtf8("\xE2\x82\xAC", bytes)); // the euro sign: no byte of ISO-8859-1
}

} // namespace
} // namespace norvak
