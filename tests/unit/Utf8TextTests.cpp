// Tests of the COBOL names made from UTF-8 identifiers.
#include "import/model/LanguageNames.h"
#include "support/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace norvak::test {
namespace {

std::string cut(std::string text, std::size_t maxBytes) {
    cutAtCharacterBoundary(text, maxBytes);
    return text;
}

std::string cobol(std::string name) {
    makeCobolName(name);
    return name;
}

TEST(Utf8Text, ACutKeepsWholeCharactersOnly) {
    const std::string u = "\xC3\xBC", euro = "\xE2\x82\xAC", clef = "\xF0\x9D\x84\x9E";
    EXPECT_EQ(cut("abc", 3), "abc");
    EXPECT_EQ(cut("abc", 2), "ab");
    EXPECT_EQ(cut("a" + u, 3), "a" + u);
    EXPECT_EQ(cut("a" + u, 2), "a");
    EXPECT_EQ(cut(euro + "x", 3), euro);
    EXPECT_EQ(cut(euro + "x", 2), "");
    EXPECT_EQ(cut("ab" + clef, 5), "ab");
    EXPECT_EQ(cut(std::string(127, 'a') + u + clef, 128), std::string(127, 'a'));
    // Bytes that form no UTF-8 sequence are cut like single characters.
    EXPECT_EQ(cut("\xE9\xE9\xE9", 2), "\xE9\xE9");
    EXPECT_EQ(cut("a\xE2\x82" "b", 2), "a\xE2");
    EXPECT_EQ(cut("\x80\x80\x80", 1), "\x80");
}

TEST(LanguageNames, CobolNamesAreAsciiWithOneLetterPerCharacter) {
    // "über-Größe", and 23 letters with "é" as the 24th character.
    EXPECT_EQ(cobol("\xC3\xBC" "ber-Gr\xC3\xB6\xC3\x9F" "e"), "CBER-GRCCE");
    EXPECT_EQ(cobol("abcdefghijklmnopqrstuvw\xC3\xA9xyz"), "ABCDEFGHIJKLMNOPQRSTUVWC");
    EXPECT_EQ(cobol("abcdefghijklmnopqrstuv\xE2\x82\xAC" "xyz"), "ABCDEFGHIJKLMNOPQRSTUVCX");
    EXPECT_EQ(cobol("x\xF0\x9D\x84\x9E" "y"), "XCY");
    std::string manyAccents;
    for (int i = 0; i < 30; ++i)
        manyAccents += "\xC3\xA9";
    EXPECT_EQ(cobol(manyAccents), std::string(24, 'C'));
    EXPECT_EQ(cobol("a\xE9\xE9z"), "ACCZ"); // not UTF-8: each byte is a character
}

} // namespace
} // namespace norvak::test
