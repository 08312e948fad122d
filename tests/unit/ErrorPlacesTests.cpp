// Tests of the places in the file as written that errors name.
#include "import/reader/TextPreparation.h"
#include "unit/TestRun.h"

#include <gtest/gtest.h>

// An error found while a definitions file is read names where the offending
// tag or attribute starts in the file as written, comments included.

namespace norvak::test {
namespace {

TEST(ErrorPlaces, OffsetsAfterCommentsAreRemovedMapBackToTheFileAsWritten) {
    const char* text = "ab\n<!-- c\nd -->e\nf<!---->g\n";
    TextPlaces places(text);
    // "ab\n" then the comment (12 bytes) goes: "e" stands at offset 3.
    places.removed(3, 12);
    // "e\nf" then the empty comment (7 bytes) goes: "g" stands at offset 6.
    places.removed(6, 7);
    EXPECT_EQ(places.lineAndColumn(0), (std::pair<std::size_t, std::size_t>{1, 1}));
    EXPECT_EQ(places.lineAndColumn(3), (std::pair<std::size_t, std::size_t>{3, 6}));
    EXPECT_EQ(places.lineAndColumn(5), (std::pair<std::size_t, std::size_t>{4, 1}));
    EXPECT_EQ(places.lineAndColumn(6), (std::pair<std::size_t, std::size_t>{4, 9}));
}

TEST(ErrorPlaces, EachErrorWhileReadingIsFollowedByItsPlace) {
    TestRun t;
    t.run.sourceName = "defs.xml";
    t.parse("<?xml version=\"1.0\"?>\n<!-- two\nlines -->\n<Type ident=\"T\">\n"
            "  <Element ident=\"E\" <!-- x --> type=\"string\" lenght=\"5\"/>\n</Type>\n");
    EXPECT_EQ(t.output(), "*****Error - unrecognized attribute lenght found\n  at defs.xml:5:47\n"
                          "  did you mean length instead of lenght?\n");

    TestRun rule;
    rule.run.sourceName = "defs.xml";
    rule.parse("<Type ident=\"T\" composition=\"seq\">\n\t<Element ident=\"B\" type=\"boolean\" length=\"1\"/>\n</Type>");
    EXPECT_EQ(rule.lines(), (std::vector<std::string>{"*****Error - Length (1) not valid for element type boolean",
                                                      "  at defs.xml:2:2"}));

    TestRun unclosed;
    unclosed.run.sourceName = "defs.xml";
    unclosed.parse("<Type ident=\"T\"/>\n  <!-- never closed\n");
    EXPECT_EQ(unclosed.lines(), (std::vector<std::string>{"***** Error - missing ending delimiter on comment",
                                                          "  at defs.xml:2:3"}));
}

} // namespace
} // namespace norvak::test
