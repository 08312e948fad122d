// Tests of the keyword vocabularies and their codes.
#include "import/reader/Keywords.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace norvak {
namespace {

using Vocabulary = std::vector<std::pair<std::string, int>>;

// Every keyword of a vocabulary gives its code; a word outside it gives `unknown`.
template <class Parse> void expectVocabulary(const Vocabulary& words, Parse parse, int unknown) {
    for (const auto& [word, code] : words)
        EXPECT_EQ(parse(word.c_str()), code) << '"' << word << '"';
    EXPECT_EQ(parse("no such keyword"), unknown);
}

TEST(Keywords, LogicalTypesInAnyCaseAndByTheirCodes) {
    Vocabulary words{{"STR", 50105},     {"string", 50105},  {"", 50105},         {"INT", 50106},   {"Integer", 50106},
                     {"float", 50107},   {"BIN", 50109},     {"binary", 50109},   {"bool", 50213},  {"BOOLEAN", 50213},
                     {"date", 50222},    {"DateTime", 50222}, {"dec", 50224},     {"DECIMAL", 50224}, {"50105", 50105},
                     {"50106", 50106},   {"50107", 50107},   {"50109", 50109},    {"50213", 50213}, {"50222", 50222},
                     {"50224", 50224},   {"50108", 0}};
    expectVocabulary(words, parseLogicalType, 0);
}

TEST(Keywords, PhysicalTypesInTheirExactSpelling) {
    Vocabulary words{{"Integer", 1},
                     {"int", 1},
                     {"Extended Decimal", 2},
                     {"Decimal", 2},
                     {"dec", 2},
                     {"Float", 3},
                     {"Packed Decimal", 4},
                     {"Packed", 4},
                     {"pack", 4},
                     {"Length Encoded String 1", 5},
                     {"Encoded 1", 5},
                     {"enc1", 5},
                     {"Length Encoded String 2", 6},
                     {"Encoded 2", 6},
                     {"enc2", 6},
                     {"Null Terminated", 7},
                     {"Null Term", 7},
                     {"null", 7},
                     {"Fixed Length", 8},
                     {"fixed", 8},
                     {"fix", 8},
                     {"fixlen", 8},
                     {"Boolean", 9},
                     {"bool", 9},
                     {"Binary", 10},
                     {"bin", 10},
                     {"Time Seconds", 11},
                     {"Seconds", 11},
                     {"sec", 11},
                     {"Time Milliseconds", 12},
                     {"Milliseconds", 12},
                     {"mil", 12},
                     {"INTEGER", 0}};
    expectVocabulary(words, parsePhysicalType, 0);
}

TEST(Keywords, UnitsAlignmentSignsNullKeysAndRenders) {
    expectVocabulary({{"Bytes", 0},
                      {"0", 0},
                      {"Characters", 1},
                      {"char", 1},
                      {"1", 1},
                      {"Character Units", 2},
                      {"char units", 2},
                      {"2", 2},
                      {"End of BitStream", 3},
                      {"end", 3},
                      {"3", 3}},
                     parseLengthUnits, -1);
    for (const auto& [word, code] : Vocabulary{{"1", 0}, {"2", 2}, {"4", 4}, {"8", 8}, {"16", 16}}) {
        bool valid = false;
        EXPECT_EQ(parseByteAlignment(word.c_str(), valid), code) << word;
        EXPECT_TRUE(valid) << word;
    }
    bool valid = true;
    parseByteAlignment("3", valid);
    EXPECT_FALSE(valid);
    expectVocabulary({{"Included Leading", 1},
                      {"Incl Lead", 1},
                      {"1", 1},
                      {"Included Trailing", 2},
                      {"Incl Trail", 2},
                      {"2", 2},
                      {"Separate Leading", 3},
                      {"Sep Lead", 3},
                      {"3", 3},
                      {"Separate Trailing", 4},
                      {"Sep Trail", 4},
                      {"4", 4},
                      {"None", 0}},
                     parseSignOrientation, 0);
    expectVocabulary({{"NULLPadFill", 0},
                      {"pad", 0},
                      {"0", 0},
                      {"NULLLogicalValue", 1},
                      {"logical", 1},
                      {"1", 1},
                      {"NULLLiteralValue", 2},
                      {"literal", 2},
                      {"2", 2}},
                     parseNullKey, -1);
    expectVocabulary({{"Element", 0},
                      {"elem", 0},
                      {"0", 0},
                      {"Attribute", 1},
                      {"ATTR", 1},
                      {"1", 1},
                      {"ElementAttrID", 2},
                      {"attrid", 2},
                      {"2", 2},
                      {"ElementAttrVal", 3},
                      {"ATTRVAL", 3},
                      {"3", 3},
                      {"ElementAttrIDVal", 4},
                      {"AttrIdVal", 4},
                      {"idval", 4},
                      {"4", 4}},
                     parseRender, -1);
}

TEST(Keywords, CompositionsContentsAndRolesInAnyCase) {
    expectVocabulary({{"empty", 1},     {"Choice", 2},    {"simple", 3},   {"SIMPLE_UNORD", 3}, {"simple_unordered", 3},
                      {"unord", 4},     {"UNORDER", 4},   {"Unordered", 4}, {"ord", 5},         {"ORDER", 5},
                      {"ordered", 5},   {"", 5},          {"seq", 6},      {"Sequence", 6},     {"msg", 7},
                      {"MESSAGE", 7},   {"1", 1},         {"7", 7},        {"8", 0}},
                     parseComposition, 0);
    expectVocabulary({{"closed", 1}, {"", 1}, {"Defined", 2}, {"OPEN", 3}, {"3", 3}, {"4", 0}}, parseTypeContent, 0);
    expectVocabulary({{"min_incl", 1},
                      {"MIN_INCLUSIVE", 1},
                      {"MAX_INCL", 2},
                      {"max_inclusive", 2},
                      {"MIN_LEN", 3},
                      {"MIN_LENGTH", 3},
                      {"MAX_LEN", 4},
                      {"MAX_LENGTH", 4},
                      {"enum", 5},
                      {"ENUMERATION", 5},
                      {"DEF", 6},
                      {"Default", 6},
                      {"NULL", 7},
                      {"AllowNull", 7},
                      {"SCALE", 8},
                      {"DateTempl", 9},
                      {"DATETEMPLATE", 9}},
                     [](const char* value) { return static_cast<int>(parseRole(value)); }, 0);
}

TEST(Keywords, DataElementSeparationsWithTheirCanonicalTexts) {
    struct Case {
        const char* word;
        int code;
        const char* text;
    };
    for (const Case& c : {Case{"1", 1, "Tagged Delimited"}, Case{"tagdelim", 1, "Tagged Delimited"},
                          Case{"Tagged Delimited", 1, "Tagged Delimited"}, Case{"TAGFIX", 2, "Tagged Fixed Length"},
                          Case{"tagged fixed length", 2, "Tagged Fixed Length"},
                          Case{"ALLDELIM", 3, "All Elements Delimited"},
                          Case{"all elements delimited", 3, "All Elements Delimited"},
                          Case{"VARDELIM", 4, "Variable Length Elements Delimited"},
                          Case{"Variable Length Elements Delimited", 4, "Variable Length Elements Delimited"},
                          Case{"fixlen", 5, "Fixed Length"}, Case{"FIXEDLEN", 5, "Fixed Length"},
                          Case{"Fixed Length", 5, "Fixed Length"}, Case{"6", 6, "Fixed Length AL3"},
                          Case{"FIXAL3", 6, "Fixed Length AL3"}, Case{"fixedal3", 6, "Fixed Length AL3"},
                          Case{"Fixed Length AL3", 6, "Fixed Length AL3"}}) {
        const char* text = nullptr;
        bool recognized = false;
        EXPECT_EQ(parseDataElemSep(c.word, text, recognized), c.code) << c.word;
        EXPECT_TRUE(recognized) << c.word;
        EXPECT_STREQ(text, c.text) << c.word;
    }
    const char* text = nullptr;
    bool recognized = true;
    parseDataElemSep("sideways", text, recognized);
    EXPECT_FALSE(recognized);
}

} // namespace
} // namespace norvak
