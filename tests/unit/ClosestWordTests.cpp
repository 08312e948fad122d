// The closest known word to a mistyped one, for the hints after an unknown keyword or attribute.
#include "support/ClosestWord.h"

#include <gtest/gtest.h>

#include <string_view>

namespace norvak {
namespace {

constexpr std::string_view words[] = {"string", "integer", "length", "lengthRef", "Packed Decimal", "pack"};

std::string_view closest(std::string_view word) {
    return closestWord(word, words).value_or("(none)");
}

TEST(ClosestWord, FindsTheWordOneOrTwoSlipsAway) {
    EXPECT_EQ(closest("strng"), "string");       // a letter dropped
    EXPECT_EQ(closest("lenght"), "length");      // two letters swapped
    EXPECT_EQ(closest("integr"), "integer");
    EXPECT_EQ(closest("Packd Decimal"), "Packed Decimal");
    EXPECT_EQ(closest("lengthref"), "lengthRef"); // another case
    EXPECT_EQ(closest("PACK"), "pack");
}

TEST(ClosestWord, SaysNothingForAKnownWordOrOneTooFarFromAny) {
    EXPECT_EQ(closest("string"), "(none)");
    EXPECT_EQ(closest("xyz"), "(none)");
    EXPECT_EQ(closest("st"), "(none)"); // two edits from nothing is no slip in a word of two letters
    EXPECT_EQ(closest("decimal"), "(none)");
    EXPECT_EQ(closest(""), "(none)");
}

} // namespace
} // namespace norvak
