// Tests of texts at the limits of the repository's columns, and of passwords never shown.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

// Widest text the repository's text columns hold, in bytes.
constexpr std::size_t columnWidth = 254;

const std::string successLine = "Import was successful - please restart the norvakhub";

// The bytes of the UTF-8 character at `at`, or 0 when no well-formed
// character starts there.
std::size_t characterLength(const std::string& text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                          : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool isUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = characterLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

bool isAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string repeated(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

// Checks a text made of a label's beginning and a suffix: within the column,
// valid UTF-8, and the label cut only where the suffix needs the room, before
// a whole character.
void expectLabelAndSuffix(const std::string& stored, const std::string& label, const std::string& suffix) {
    SCOPED_TRACE("label of " + std::to_string(label.size()) + " bytes, stored " + stored);
    EXPECT_LE(stored.size(), columnWidth);
    EXPECT_TRUE(isUtf8(stored));
    ASSERT_GE(stored.size(), suffix.size());
    ASSERT_EQ(stored.substr(stored.size() - suffix.size()), suffix);
    std::string kept = stored.substr(0, stored.size() - suffix.size());
    ASSERT_EQ(label.substr(0, kept.size()), kept);
    if (kept.size() < label.size()) {
        EXPECT_GT(kept.size() + characterLength(label, kept.size()) + suffix.size(), columnWidth)
            << "cut shorter than needed";
    }
}

// norvakload importing into the message set Orders (key 100, NEXT_ID 100000,
// plugin members 1 uuid, 2 C and 3 COBOL) made by norvakinit.
class NorvakloadTextLimits : public OrdersTest {
  protected:
    Rows q(const std::string& sql) { return repo().query(sql); }
};

// Labels of 250 to 254 bytes, of one-, two- and three-byte characters: the
// C name (label and attribute id) and the context tag hint (label and "CxTg")
// are cut to the column, never inside a character.
TEST_P(NorvakloadTextLimits, LanguageNamesAndContextTagHintsOfLongLabelsFitTheirColumns) {
    const std::string u = "\xC3\xBC", euro = "\xE2\x82\xAC";
    const std::vector<std::string> labels = {
        std::string(250, 'a'),   std::string(251, 'b'),     std::string(252, 'c'),
        std::string(253, 'd'),   std::string(254, 'e'),     repeated(u, 127),
        "f" + repeated(u, 126),  repeated(euro, 84) + "gh", "h" + repeated(euro, 84) + "i",
    };
    std::string definitions = "<Type ident=\"holder\" composition=\"sequence\">\n";
    for (std::size_t i = 0; i < labels.size(); ++i)
        definitions += "  <Element ident=\"e" + std::to_string(i) + "\" name=\"" + labels[i] + "\" type=\"string\"/>\n";
    definitions += "</Type>\n";

    ProgramResult result = load(definitions);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result, successLine)) << result.output;

    Rows names = q("SELECT e.NAME, a.ATTR_ID, a.ATTR_VALUE FROM M_ATTRIBUTE a JOIN M_ELEMENT e ON a.COMPONENT_ID = "
                   "e.ID_VALUE WHERE a.ATTR_NAME = 'C Language Name' ORDER BY a.ATTR_ID");
    ASSERT_EQ(names.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(names[i][0], labels[i]); // the label itself is stored whole
        expectLabelAndSuffix(names[i][2], labels[i], names[i][1]);
    }

    Rows hints = q("SELECT e.NAME, m.CONTEXT_TAG_HINT FROM TYPE_MEMBER m JOIN M_ELEMENT e ON m.CHILD_ID = e.ID_VALUE "
                   "ORDER BY m.SEQUENCE_NUM");
    ASSERT_EQ(hints.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(hints[i][0], labels[i]);
        expectLabelAndSuffix(hints[i][1], labels[i], "CxTg");
    }
    // Every derived text of a 254-byte label takes the whole column or
    // stops short of it by less than the character that no longer fits.
    EXPECT_EQ(hints[4][1], std::string(250, 'e') + "CxTg");
    EXPECT_EQ(hints[5][1], repeated(u, 125) + "CxTg");
    EXPECT_EQ(hints[6][1], "f" + repeated(u, 124) + "CxTg");
    EXPECT_EQ(hints[7][1], repeated(euro, 83) + "CxTg");
}

// Labels that start with, or reach byte 24 in the middle of, a character
// outside ASCII: the COBOL names are ASCII, one letter for each such
// character; the C names keep the characters whole.
TEST_P(NorvakloadTextLimits, CobolNamesAreAsciiAndNoNameEndsInsideACharacter) {
    const std::string uber = "\xC3\xBC" "ber-Gr\xC3\xB6\xC3\x9F" "e"; // über-Größe
    const std::string across = "abcdefghijklmnopqrstuvw\xC3\xA9xyz";   // é: bytes 24 and 25
    const std::string across3 = "abcdefghijklmnopqrstuv\xE2\x82\xACxyz"; // €: bytes 23 to 25
    const std::string title = "\xC3\x9C" "bersicht Gr\xC3\xB6\xC3\x9F" "e"; // Übersicht Größe
    ProgramResult result = load("<Type ident=\"holder\" composition=\"sequence\">\n"
                                "  <Element ident=\"e1\" name=\"" + uber + "\" type=\"string\"/>\n"
                                "  <Element ident=\"e2\" name=\"" + across + "\" type=\"string\"/>\n"
                                "  <Element ident=\"e3\" name=\"" + across3 + "\" type=\"string\"/>\n"
                                "</Type>\n"
                                "<Message ident=\"m1\" name=\"" + title + "\" type=\"holder\"/>\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLine(result, successLine)) << result.output;

    // Type ...00, elements ...01 to ...03, message ...04.
    EXPECT_EQ(q("SELECT COMPONENT_ID, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_NAME IN ('COBOL Language Name', "
                "'Message Copy Book Name') ORDER BY ATTR_ID"),
              (Rows{{"100001", "CBER-GRCCE100001"},
                    {"100002", "ABCDEFGHIJKLMNOPQRSTUVWC100002"},
                    {"100003", "ABCDEFGHIJKLMNOPQRSTUVCX100003"},
                    {"100004", "BERSICHT.CPY"},
                    {"100004", "CBERSICHT GRCCE100004"}}));
    Rows all = q("SELECT ATTR_NAME, ATTR_VALUE FROM M_ATTRIBUTE");
    for (const Row& row : all) {
        EXPECT_TRUE(isUtf8(row[1])) << row[0] << ": " << row[1];
        if (row[0] != "C Language Name") {
            EXPECT_TRUE(isAscii(row[1])) << row[0] << ": " << row[1];
        }
    }
    Rows cNames = q("SELECT ATTR_ID, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_NAME = 'C Language Name' ORDER BY ATTR_ID");
    ASSERT_EQ(cNames.size(), 3u);
    EXPECT_EQ(cNames[0][1], "\xC3\xBC" "ber_Gr\xC3\xB6\xC3\x9F" "e" + cNames[0][0]);
    EXPECT_EQ(cNames[1][1], across + cNames[1][0]);
    EXPECT_EQ(cNames[2][1], across3 + cNames[2][0]);
    EXPECT_EQ(q("SELECT NAME FROM M_ELEMENT ORDER BY ID_VALUE"), (Rows{{uber}, {across}, {across3}}));
}

// A NUL byte ends the text: what stands before it is imported, what follows
// is not, and a warning says where the text ended.
TEST_P(NorvakloadTextLimits, ANulByteEndsTheTextWithAWarning) {
    const std::string before = "<Type ident=\"holder\" composition=\"sequence\">\n"
                               "  <Element ident=\"kept\" type=\"string\"/>\n"
                               "</Type>\n";
    const std::string after = "<Element ident=\"dropped\" type=\"string\"/>\n";
    const std::string file = repo().folder().write("defs.xml", before + std::string(1, '\0') + after);
    ProgramResult result = runConnected("norvakload", {"-f", file, "-s", "Orders"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::size_t total = before.size() + 1 + after.size();
    EXPECT_TRUE(hasLinesInOrder(result, {std::to_string(total) + " bytes read from data file " + file,
                                         "*****Warning - definitions file " + file + " holds a NUL byte at byte " +
                                             std::to_string(before.size() + 1) + " of " + std::to_string(total) +
                                             "; the text ends there",
                                         successLine}))
        << result.output;
    EXPECT_EQ(q("SELECT IDENTIFIER FROM M_ELEMENT"), (Rows{{"kept"}}));
}

INSTANTIATE_TEST_SUITE_P(, NorvakloadTextLimits, allBackends(), backendParamName);

// Whatever form a password attribute takes in the definitions file, no
// output of the program shows its text, trace included.
TEST(NorvakloadPasswordText, NoFormOfThePasswordAttributeIsShown) {
    const std::string forms[] = {
        "<ZEPImport DBPw Pw4Tz9/>",         "<ZEPImport DBPw \"Pw4 Tz9\"/>", "<ZEPImport DBPw\"Pw4Tz9\"/>",
        "<ZEPImport dbpw=Pw4Tz9/>",         "<ZEPImport DBPW='Pw4Tz9'/>",    "<ZEPImport DBPw=\"Pw4Tz9",
        "<Element ident=\"e\" DBPw=Pw4Tz9/>", "<ZEPImprt DBPw Pw4Tz9/>",
    };
    TempDir dir;
    for (const std::string& form : forms) {
        std::string file = dir.write("defs.xml", form + "\n");
        ProgramResult result = runProgram("norvakload", {"-t", "-f", file});
        EXPECT_EQ(result.exitCode, 200) << result.output;
        for (const char* piece : {"Pw4", "Tz9"})
            EXPECT_EQ(result.output.find(piece), std::string::npos) << form << "\n" << result.output;
    }
}

} // namespace
} // namespace norvak::test
