// Tests of norvakcodec on EBCDIC records the test makes itself, with a code-page table of its own.
#include "e2e/ProgramRunner.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

// The bytes of CCSID 037 records come from the small table below, not from
// the codec's code pages nor iconv: texts with letters of both cases and
// punctuation, a packed decimal, zoned decimals with an included and a
// separate sign, and a table whose count field says how many of its items
// the fixed-block record holds (0 or its most, the rest of the record
// blanks). Decode must give the values the test put there, and encode of
// those lines the same bytes.

namespace norvak::test {
namespace {

const char* const ebcdicDefinitions =
    "<ZEPImport messageSet=\"Ebcdic\"/>\n"
    "<CWFTab name=\"Host\" ident=\"CWF1\"/>\n"
    "<Element ident=\"Name\" type=\"string\" length=\"12\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Amount\" type=\"decimal\" length=\"4\" decimalPoint=\"2\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Zoned\" type=\"decimal\" length=\"5\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Trailing\"/>\n"
    "<Element ident=\"Signed\" type=\"decimal\" length=\"4\" decimalPoint=\"1\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Leading\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Item\" type=\"string\" length=\"6\" physicalType=\"fixed\"/>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Name\"/>\n"
    "  <Element ref=\"Amount\"/>\n"
    "  <Element ref=\"Zoned\"/>\n"
    "  <Element ref=\"Signed\"/>\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"rec\" type=\"Rec\"/>\n";

// The test's own EBCDIC (CCSID 037) table of the characters it uses.
std::string ebcdic(const std::string& text) {
    static const std::map<char, unsigned char> table = [] {
        std::map<char, unsigned char> made = {{' ', 0x40}, {'.', 0x4B}, {'+', 0x4E}, {'&', 0x50},
                                              {'!', 0x5A}, {'$', 0x5B}, {'-', 0x60}, {'/', 0x61},
                                              {',', 0x6B}, {'#', 0x7B}, {'@', 0x7C}};
        const char* const rows[] = {"ABCDEFGHI", "JKLMNOPQR", "STUVWXYZ",  "abcdefghi",
                                    "jklmnopqr", "stuvwxyz",  "0123456789"};
        const unsigned char starts[] = {0xC1, 0xD1, 0xE2, 0x81, 0x91, 0xA2, 0xF0};
        for (int row = 0; row < 7; ++row)
            for (int i = 0; rows[row][i] != '\0'; ++i)
                made[rows[row][i]] = static_cast<unsigned char>(starts[row] + i);
        return made;
    }();
    std::string bytes;
    for (char c : text)
        bytes += static_cast<char>(table.at(c));
    return bytes;
}

std::string padded(const std::string& text, std::size_t size) {
    return ebcdic(text + std::string(size - text.size(), ' '));
}

std::string bytesOf(std::initializer_list<unsigned char> bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(CodecEbcdic, RecordsMadeWithAnOwnTableDecodeToTheirValuesAndEncodeBack) {
    // Name, Amount (-1234.56 packed), Zoned (-12345: the last zone D),
    // Signed (-4.2: four digits after a separate leading minus), Count, then the table.
    const std::string full = padded("Oslo, A&B.", 12) + bytesOf({0x01, 0x23, 0x45, 0x6D}) +
                             bytesOf({0xF1, 0xF2, 0xF3, 0xF4, 0xD5}) + ebcdic("-0042") + bytesOf({0x00, 0x01}) +
                             padded("Pen$!", 6);
    const std::string empty = padded("zurich/#1 @x", 12) + bytesOf({0x00, 0x99, 0x99, 0x9C}) +
                              bytesOf({0xF0, 0xF0, 0xF0, 0xF0, 0xC7}) + ebcdic("+9999") + bytesOf({0x00, 0x00}) +
                              ebcdic("      ");
    ASSERT_EQ(full.size(), 34U);
    ASSERT_EQ(empty.size(), 34U);
    TempDir folder;
    const std::string file = folder.write("ebcdic.xml", ebcdicDefinitions);
    const std::string records = folder.write("records.bin", full + empty);
    ProgramResult decoded =
        runProgram("norvakcodec", {"decode", "-f", file, "-m", "rec", "--ccsid", "037", "--records", "fixed", records});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.errors;
    EXPECT_EQ(decoded.output,
              "{\"Name\":\"Oslo, A&B.\",\"Amount\":\"-1234.56\",\"Zoned\":\"-12345\",\"Signed\":\"-4.2\",\"Count\":1,"
              "\"Item\":[\"Pen$!\"]}\n"
              "{\"Name\":\"zurich/#1 @x\",\"Amount\":\"999.99\",\"Zoned\":\"7\",\"Signed\":\"999.9\",\"Count\":0,"
              "\"Item\":[]}\n");
    ProgramResult encoded =
        runProgram("norvakcodec", {"encode", "-f", file, "-m", "rec", "--ccsid", "037", "--records", "fixed", "-q"},
                   decoded.output);
    ASSERT_EQ(encoded.exitCode, 0) << encoded.errors;
    EXPECT_EQ(encoded.output, full + empty);
    // An ASCII digit where the zoned field holds an EBCDIC one is rejected
    // with its place.
    std::string bad = full;
    bad[16] = '1';
    ProgramResult rejected = runProgram("norvakcodec", {"decode", "-f", file, "-m", "rec", "--ccsid", "037"}, bad);
    EXPECT_EQ(rejected.exitCode, 9) << rejected.errors;
    EXPECT_NE(rejected.errors.find("record 1 (input byte 0), byte 16, field Zoned"), std::string::npos)
        << rejected.errors;
}

} // namespace
} // namespace norvak::test
