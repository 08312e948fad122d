// Tests of the comparison of what two definitions texts make.
#include "import/driver/ScratchImport.h"
#include "import/repository/SetComparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Comparing what two definitions texts make, as norvakdiff --against does:
// the old text imported into a message set held in memory, the new one into
// another that starts with the old one's bindings and tabs. Each difference
// with its verdict per wire format and what the import would do with it.

namespace norvak {
namespace {

const std::string tabs = "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n"
                         "<TDSTab name=\"Tagged\" ident=\"TDS1\" msgStd=\"UNKNOWN\" tagDataSep=\"=\"/>\n"
                         "<XMLTab name=\"Xml\" ident=\"XML1\" rootTagName=\"Root\"/>\n";

const std::string elements =
    "<Element ident=\"Name\" type=\"string\" length=\"40\" physicalType=\"fixed\" tag=\"NAM\" xmlName=\"name\"/>\n"
    "<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\" tag=\"COD\">\n"
    "  <Value ident=\"CodeA\" type=\"string\" value=\"A\" role=\"ENUM\"/>\n"
    "  <Value ident=\"CodeB\" type=\"string\" value=\"B\" role=\"ENUM\"/>\n"
    "</Element>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"4\" physicalType=\"Integer\" tag=\"CNT\"/>\n";

std::string definitions(const std::string& members, const std::string& more = std::string(),
                        const std::string& wireFormats = tabs) {
    return wireFormats + elements + "<Type ident=\"Rec\" composition=\"sequence\">\n" + members + "</Type>\n" +
           "<Message ident=\"Msg\" type=\"Rec\"/>\n" + more;
}

const std::string members = "  <Element ref=\"Name\"/>\n  <Element ref=\"Code\" minOccurs=\"0\"/>\n"
                            "  <Element ref=\"Count\" minOccurs=\"1\" maxOccurs=\"5\"/>\n";

SetComparison compared(const std::string& oldText, const std::string& newText) {
    ScratchImport before = importIntoScratch(oldText, "old.xml", "", nullptr);
    EXPECT_TRUE(before.imported) << before.report;
    ScratchImport after = importIntoScratch(newText, "new.xml", "", &before.rows);
    EXPECT_TRUE(after.imported) << after.report;
    return compareMessageSets(before.rows, after.rows);
}

// "~ member Rec.Count maxOccurs 5 -> 9: CWF: breaking; TDS, XML: compatible"
std::vector<std::string> lines(const SetComparison& comparison) {
    std::vector<std::string> texts;
    for (const SetDifference& d : comparison.differences) {
        std::string text = std::string(1, d.change) + " " + d.kind + " " + d.identifier;
        if (!d.field.empty())
            text += " " + d.field + " " + (d.oldPresent ? d.oldValue : "(none)") + " -> " +
                    (d.newPresent ? d.newValue : "(none)");
        texts.push_back(text + ": " + verdictText(d, comparison.formats));
    }
    return texts;
}

using Lines = std::vector<std::string>;

TEST(SetComparison, TheSameDefinitionsCompareAlikeWhateverTheirForm) {
    EXPECT_EQ(lines(compared(definitions(members), definitions(members))), Lines{});
    // Attribute order, keyword spellings and comments make the same rows.
    std::string respelled = definitions(members);
    respelled.replace(respelled.find("physicalType=\"Integer\""), 22, "physicalType=\"int\"");
    respelled = "<!-- the same, written otherwise -->\n" + respelled;
    EXPECT_EQ(lines(compared(definitions(members), respelled)), Lines{});
}

TEST(SetComparison, MembersAddedRemovedAndMovedHaveTheirVerdictsPerFormat) {
    const std::string optional = "  <Element ref=\"Name\"/>\n  <Element ref=\"Code\" minOccurs=\"0\"/>\n"
                                 "  <Element ref=\"Count\" minOccurs=\"1\" maxOccurs=\"5\"/>\n"
                                 "  <Element ref=\"Name\" minOccurs=\"0\"/>\n";
    EXPECT_EQ(lines(compared(definitions(members), definitions(optional))),
              (Lines{"+ member Rec.Name#2: CWF: breaking; TDS, XML: compatible"}));
    const std::string required = "  <Element ref=\"Name\"/>\n  <Element ref=\"Code\" minOccurs=\"0\"/>\n"
                                 "  <Element ref=\"Count\" minOccurs=\"1\" maxOccurs=\"5\"/>\n"
                                 "  <Element ref=\"Name\"/>\n";
    EXPECT_EQ(lines(compared(definitions(members), definitions(required))), (Lines{"+ member Rec.Name#2: breaking"}));
    const std::string fewer = "  <Element ref=\"Name\"/>\n  <Element ref=\"Count\" minOccurs=\"1\" maxOccurs=\"5\"/>\n";
    EXPECT_EQ(lines(compared(definitions(members), definitions(fewer))), (Lines{"- member Rec.Code: breaking"}));
    const std::string moved = "  <Element ref=\"Code\" minOccurs=\"0\"/>\n  <Element ref=\"Name\"/>\n"
                              "  <Element ref=\"Count\" minOccurs=\"1\" maxOccurs=\"5\"/>\n";
    EXPECT_EQ(lines(compared(definitions(members), definitions(moved))),
              (Lines{"~ member Rec.Code position 2 -> 1: breaking", "~ member Rec.Name position 1 -> 2: breaking"}));
}

TEST(SetComparison, OccurrencesThatLetMoreThroughBreakOnlyTheCustomWireFormat) {
    auto with = [](const std::string& code, const std::string& count) {
        return definitions("  <Element ref=\"Name\"/>\n  <Element ref=\"Code\" " + code + "/>\n  <Element ref=\"Count\" " +
                           count + "/>\n");
    };
    const std::string base = with("minOccurs=\"0\"", "minOccurs=\"1\" maxOccurs=\"5\"");
    EXPECT_EQ(lines(compared(base, with("minOccurs=\"0\"", "minOccurs=\"1\" maxOccurs=\"9\""))),
              (Lines{"~ member Rec.Count maxOccurs 5 -> 9: CWF: breaking; TDS, XML: compatible"}));
    EXPECT_EQ(lines(compared(base, with("minOccurs=\"0\"", "minOccurs=\"1\" maxOccurs=\"unbounded\""))),
              (Lines{"~ member Rec.Count maxOccurs 5 -> unbounded: CWF: breaking; TDS, XML: compatible"}));
    EXPECT_EQ(lines(compared(base, with("minOccurs=\"0\"", "minOccurs=\"1\" maxOccurs=\"3\""))),
              (Lines{"~ member Rec.Count maxOccurs 5 -> 3: breaking"}));
    EXPECT_EQ(lines(compared(base, with("minOccurs=\"1\"", "minOccurs=\"1\" maxOccurs=\"5\""))),
              (Lines{"~ member Rec.Code minOccurs 0 -> 1: breaking"}));
    EXPECT_EQ(lines(compared(base, with("minOccurs=\"0\"", "minOccurs=\"0\" maxOccurs=\"5\""))),
              (Lines{"~ member Rec.Count minOccurs 1 -> 0: CWF: breaking; TDS, XML: compatible"}));
}

TEST(SetComparison, APropertyBreaksItsOwnFormatAndIsTheElementsWhenEveryUseChanged) {
    std::string longer = definitions(members);
    longer.replace(longer.find("length=\"40\""), 11, "length=\"50\"");
    EXPECT_EQ(lines(compared(definitions(members), longer)),
              (Lines{"~ element Name CWF Length 40 -> 50: CWF: breaking",
                     "~ element Name TDS Length 40 -> 50: TDS: breaking"}));
    std::string renamed = definitions(members);
    renamed.replace(renamed.find("xmlName=\"name\""), 14, "xmlName=\"fullName\"");
    renamed.replace(renamed.find("tag=\"NAM\""), 9, "tag=\"NME\"");
    EXPECT_EQ(lines(compared(definitions(members), renamed)),
              (Lines{"~ element Name TDS Tag NAM -> NME: TDS: breaking",
                     "~ element Name XML Name name -> fullName: XML: breaking"}));
}

TEST(SetComparison, ValuesComeAndGoWithTheirUses) {
    std::string more = definitions(members);
    more.replace(more.find("</Element>"), 10,
                 "  <Value ident=\"CodeC\" type=\"string\" value=\"C\" role=\"ENUM\"/>\n</Element>");
    SetComparison added = compared(definitions(members), more);
    EXPECT_EQ(lines(added), (Lines{"+ value Code: CodeC: compatible"}));
    // The stored element keeps its values: the import refuses a new one.
    EXPECT_TRUE(added.refused);
    EXPECT_TRUE(added.differences.at(0).refusedByImport);

    SetComparison removed = compared(more, definitions(members));
    EXPECT_EQ(lines(removed), (Lines{"- value Code: CodeC: breaking"}));
    EXPECT_FALSE(removed.refused);
    EXPECT_TRUE(removed.differences.at(0).keptByImport);
}

TEST(SetComparison, NewItemsAreAppliedChangedOnesKeptAndSomeRefused) {
    SetComparison added =
        compared(definitions(members), definitions(members, "<Message ident=\"Other\" type=\"Rec\"/>\n"));
    ASSERT_EQ(lines(added), (Lines{"+ message Other: compatible"}));
    EXPECT_TRUE(added.differences[0].appliedByImport);
    EXPECT_FALSE(added.differences[0].keptByImport);

    SetComparison gone =
        compared(definitions(members, "<Message ident=\"Other\" type=\"Rec\"/>\n"), definitions(members));
    ASSERT_EQ(lines(gone), (Lines{"- message Other: breaking"}));
    EXPECT_FALSE(gone.differences[0].appliedByImport);
    EXPECT_FALSE(gone.differences[0].keptByImport);

    std::string retyped = definitions(members);
    const std::string counted = "ident=\"Count\" type=\"integer\" length=\"4\" physicalType=\"Integer\"";
    retyped.replace(retyped.find(counted), counted.size(), "ident=\"Count\" type=\"string\" length=\"4\" physicalType=\"fixed\"");
    SetComparison refused = compared(definitions(members), retyped);
    EXPECT_TRUE(refused.refused);
    Lines retypedLines = lines(refused);
    EXPECT_NE(std::find(retypedLines.begin(), retypedLines.end(), "~ element Count type integer -> string: breaking"),
              retypedLines.end());

    // A member that uses an item the set does not hold: refused too.
    const std::string withNew = members + "  <Element ident=\"Extra\" type=\"string\" length=\"2\" minOccurs=\"0\"/>\n";
    SetComparison grown = compared(definitions(members), definitions(withNew));
    EXPECT_TRUE(grown.refused);
    EXPECT_EQ(lines(grown), (Lines{"+ member Rec.Extra: CWF: breaking; TDS, XML: compatible",
                                   "+ element Extra: compatible"}));
}

TEST(SetComparison, TabsAndSetsWithoutThem) {
    const std::string oneTab = "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n";
    SetComparison added = compared(definitions(members, "", oneTab), definitions(members, "", oneTab + "<XMLTab name=\"Xml\" ident=\"XML1\"/>\n"));
    EXPECT_EQ(added.formats, (std::vector<std::string>{"CWF", "XML"}));
    ASSERT_FALSE(added.differences.empty());
    EXPECT_EQ(lines(added).back(), "+ tab XML Xml: XML: compatible");

    // A tab the file defines otherwise: its setting, for its own format.
    std::string separated = tabs;
    separated.replace(separated.find("tagDataSep=\"=\""), 14, "tagDataSep=\":\"");
    SetComparison resettled = compared(definitions(members), definitions(members, "", separated));
    ASSERT_EQ(resettled.differences.size(), 1u);
    EXPECT_EQ(resettled.differences[0].kind, "tab");
    EXPECT_EQ(resettled.differences[0].identifier, "TDS Tagged");
    EXPECT_EQ(verdictText(resettled.differences[0], resettled.formats), "TDS: breaking");
    EXPECT_TRUE(resettled.differences[0].keptByImport);
    // A tab the file leaves out stays as the set has it.
    EXPECT_EQ(lines(compared(definitions(members), definitions(members, "", "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n"))),
              Lines{});

    SetComparison plain = compared(definitions(members, "", ""), definitions(members, "<Message ident=\"M2\" type=\"Rec\"/>\n", ""));
    EXPECT_EQ(plain.formats, (std::vector<std::string>{"logical"}));
    EXPECT_EQ(lines(plain), (Lines{"+ message M2: compatible"}));
}

TEST(SetComparison, VerdictsReadAsOneTextGroupedByOutcome) {
    std::vector<std::string> formats{"CWF", "TDS", "XML"};
    SetDifference d;
    d.verdicts = {{"CWF", true}, {"TDS", false}, {"XML", false}};
    EXPECT_EQ(verdictText(d, formats), "CWF: breaking; TDS, XML: compatible");
    d.verdicts = {{"CWF", true}, {"TDS", true}, {"XML", true}};
    EXPECT_EQ(verdictText(d, formats), "breaking");
    d.verdicts = {{"TDS", true}};
    EXPECT_EQ(verdictText(d, formats), "TDS: breaking");
    d.verdicts = {{"CWF", false}, {"TDS", false}, {"XML", false}};
    EXPECT_EQ(verdictText(d, formats), "compatible");
}

// The texts an import of the new side would send: those of the items the
// old side does not hold, with their members, properties and new tabs;
// nothing of an item it holds, however the file defines it otherwise.
TEST(SetComparison, TheTextsTheImportWritesAreThoseOfTheItemsTheSetDoesNotHold) {
    const std::string oldText = tabs + "<Element ident=\"Name\" name=\"old label\" type=\"string\" length=\"40\" "
                                       "physicalType=\"fixed\" tag=\"NAM\"/>\n";
    const std::string newText = tabs + "<XMLTab name=\"Xml2\" ident=\"XML2\" rootTagName=\"Second\"/>\n" +
                                "<Element ident=\"Name\" name=\"new label\" type=\"string\" length=\"40\" "
                                "physicalType=\"fixed\" tag=\"NEW\"/>\n"
                                "<Type ident=\"Rec\" name=\"record label\" composition=\"sequence\">\n"
                                "  <Element ref=\"Name\" minOccurs=\"0\" maxOccurs=\"7\"/>\n</Type>\n"
                                "<Element ident=\"Code\" name=\"code label\" type=\"string\" length=\"3\" "
                                "physicalType=\"fixed\" tag=\"COD\">\n"
                                "  <Value ident=\"CodeA\" name=\"value label\" type=\"string\" value=\"A!\" "
                                "role=\"ENUM\"/>\n</Element>\n";
    ScratchImport before = importIntoScratch(oldText, "old.xml", "", nullptr);
    ASSERT_TRUE(before.imported) << before.report;
    ScratchImport after = importIntoScratch(newText, "new.xml", "", &before.rows);
    ASSERT_TRUE(after.imported) << after.report;
    std::vector<std::string> texts = textsTheImportWrites(before.rows, after.rows);
    auto has = [&](const std::string& text) { return std::find(texts.begin(), texts.end(), text) != texts.end(); };
    for (const char* text :
         {"Rec", "record label", "7", "Code", "code label", "COD", "CodeA", "value label", "A!", "Xml2", "Second"})
        EXPECT_TRUE(has(text)) << text;
    // The stored element is reused as stored: its new label and tag are not sent.
    for (const char* text : {"new label", "NEW", "old label", "NAM"})
        EXPECT_FALSE(has(text)) << text;
    // Compared with itself, a set has nothing to write.
    EXPECT_EQ(textsTheImportWrites(after.rows, after.rows), std::vector<std::string>{});
}

} // namespace
} // namespace norvak
