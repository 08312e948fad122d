// Tests of norvakload reading definitions files, and of their errors.
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

namespace norvak::test {
namespace {

// A clean parse goes on to connect; the tests define no data source, so the connect fails.
const std::string connectLine = "\nConnecting to database ";
const std::string stoppedTail = "errors were found in the input definitions file\nutility is ending\n";

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string repeated(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

ProgramResult load(const std::string& file, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"-f", file});
    return runProgram("norvakload", extra);
}

void expectParsedCleanly(const ProgramResult& result) {
    EXPECT_EQ(result.exitCode, 255) << result.output;
    EXPECT_NE(result.output.find(connectLine), std::string::npos) << result.output;
    EXPECT_TRUE(endsWith(result.output, " failed\n")) << result.output;
}

void expectStoppedAfterParse(const ProgramResult& result) {
    EXPECT_EQ(result.exitCode, 200) << result.output;
    EXPECT_TRUE(endsWith(result.output, "\n" + stoppedTail)) << result.output;
}

// A file using every tag kind; the one unquoted value is "composition".
const std::string everyTagKind =
    "<?xml version=\"1.0\"?>\n"
    "<!-- every tag kind -->\n"
    "<ZEPImport ZEP_DB=\"filedb\" DBUser=\"loader\" DBPw=\"Zq7wPassX\" messageSet=\"Orders\"/>\n"
    "<CWFTab name=\"Binary1\" ident=\"cwf1\"/>\n"
    "<TDSTab name=\"Text1\" ident=\"tds1\" msgStd=\"SWIFT\"/>\n"
    "<XMLTab name=\"XML1\" ident=\"xml1\" supXmlDecl=\"No\"/>\n"
    "<Type ident=\"OrderType\" composition=sequence>\n"
    "  <Element ident=\"orderId\" type=\"integer\" tag=\"OID\">\n"
    "    <Value ident=\"minId\" type=\"integer\" role=\"MIN_INCL\" value=\"1\"/>\n"
    "  </Element>\n"
    "  <Element ident=\"note\" type=\"string\"></Element>\n"
    "</Type>\n"
    "<Message ident=\"Order\" type=\"OrderType\"/>\n";

TEST(NorvakloadDefinitionsFile, UnreadableFileEndsWith96AfterUsage) {
    TempDir dir;
    for (const auto& [path, reason] : {std::pair{dir.path() + "/missing.xml", "No such file or directory"},
                                       std::pair{dir.path(), "Is a directory"}}) {
        ProgramResult result = load(path);
        EXPECT_EQ(result.exitCode, 96) << path;
        // The operating system's reason follows the line it explains.
        std::string expected = "Processing input file " + path + "\nUnable to open input file " + path + "\n  " +
                               path + ": " + reason + "\nUnable to read input defintions file " + path +
                               "\n\nnorvakload V1.00\n";
        EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
        EXPECT_TRUE(endsWith(result.output, "are primarily for debugging purposes.\n"));
        EXPECT_EQ(result.output.find("bytes read"), std::string::npos);
    }
}

TEST(NorvakloadDefinitionsFile, ReadsFromAPipe) {
    std::string text = "<Type ident=\"t1\" composition=\"sequence\"/>\n";
    ProgramResult result = runProgram("norvakload", {"-f", "/dev/stdin"}, text);
    EXPECT_NE(result.output.find("\n\n" + std::to_string(text.size()) + " bytes read from data file /dev/stdin\n"),
              std::string::npos)
        << result.output;
    expectParsedCleanly(result);
}

TEST(NorvakloadDefinitionsFile, FileWithoutAnyTag) {
    TempDir dir;
    for (const std::string& content :
         {std::string(), std::string("just text, no tags\n"), std::string("<!-- a comment that never ends <Type/>")}) {
        std::string file = dir.write("defs.xml", content);
        ProgramResult result = load(file);
        std::string expected = "\n" + std::to_string(content.size()) + " bytes read from data file " + file +
                               "\n*****Error - no beginning bracket (\"<\") found in file\n" + stoppedTail;
        EXPECT_TRUE(endsWith(result.output, expected)) << result.output;
        expectStoppedAfterParse(result);
    }
}

TEST(NorvakloadDefinitionsFile, TextEndsAtTheFirstNulByteAndAnyByteUpTo32IsABlank) {
    TempDir dir;
    std::string content = std::string("<Type\xA0ident=\"t\xE9\x31\"\r\n\tcomposition=\"seq\"/>") + '\0' + "<Bad/>";
    std::string file = dir.write("defs.xml", content);
    ProgramResult result = load(file);
    EXPECT_TRUE(hasLine(result, std::to_string(content.size()) + " bytes read from data file " + file));
    expectParsedCleanly(result);
}

TEST(NorvakloadDefinitionsFile, AcceptedTagSyntax) {
    TempDir dir;
    std::string file = dir.write("defs.xml", "<?xml version='1.0'?> <?xml second?>\n"
                                             "<&#84;ype ident='t\"1' composition=seq name=\"a'b\"/>\n"
                                             "<Type ident=\"t2\" composition=\"sequence\" name=\"x&abc;y\">\n"
                                             "  <Element ident=\"e1\" type=\"string\" name=/>\n"
                                             "  <Element ident=\"e2\" type=\"string\"></Element >\n"
                                             "</Type >\n"
                                             "</> <Anything after the end of the top level is not read>");
    ProgramResult result = load(file);
    EXPECT_TRUE(hasLine(result, "Unrecognized parameter substitution ABC"));
    expectParsedCleanly(result);

    // At the top level the end of the text ends the walk, even inside a tag.
    ProgramResult cutOff = load(dir.write("cut.xml", "<Type ident=\"t\" composition=\"seq\""));
    expectParsedCleanly(cutOff);
}

TEST(NorvakloadDefinitionsFile, SyntaxErrorsAreReportedAndEndTheRun) {
    const std::pair<std::string, std::string> cases[] = {
        {"<Foo/>", "*****Error - Unrecognized XML tag name found - Foo/>"},
        {"<element ident=\"a\"/>", "*****Error - Unrecognized XML tag name found - element ident=\"a\"/>"},
        {"<?XML version=\"1.0\"?><Type/>",
         "*****Error - Unrecognized XML tag name found - ?XML version=\"1.0\"?><Type/>"},
        {"<!DOCTYPE defs>\n<Type/>", "*****Error - Unrecognized XML tag name found - !DOCTYPE defs>"},
        {"<Type ident=\"t1\" composition=\"seq\" colour=\"red\"/>", "*****Error - unrecognized attribute colour found"},
        {"<Type ident \"t1\" composition=\"seq\"/>", "*****Error - Attribute ident missing equal sign"},
        {"<Type composition=\"seq\" ident=\"t1/>", "***** Error - Attribute ident missing trailing quotation mark"},
        {"<Type composition=\"seq\" ident=t1", "attribute ident value missing leading quotation"},
        {"<Type ident=\"t\" composition=\"seq\"><Element ident=\"e\" type=\"string\"></Elem></Type>",
         "*****Error - mismatched begin tag and end tag (Elem,Element) for parent Type"},
        {"<Type ident=\"t\" composition=\"seq\"><Element ident=\"e\"/></Typo>",
         "*****Error - mismatched begin tag and end tag (Type,Typo) for parent name Element"},
        {"<Type ident=\"t\" composition=\"seq\"></Type", "*****Error - missing termination character for Type"},
        {"<Type ident=\"t\" composition=\"seq\"><Element ident=\"e\" type=\"string\"/>",
         "*****Error - End of file found before end of element Element"},
        {"<Type ident=\"t\" composition=\"seq\"><Element ident=\"e\"",
         "*****Error - End of file found before end of element Element"},
        {"<Type ident=\"t\" composition=\"seq\"><!-- never closed </Type>",
         "***** Error - missing ending delimiter on comment"},
        {"<Type ident=\"t&ampabcdefghijklmnopq\" composition=\"seq\"/>",
         "Escape character without termination found ampabcdefghijklm"},
    };
    TempDir dir;
    for (const auto& [content, message] : cases) {
        ProgramResult result = load(dir.write("defs.xml", content));
        EXPECT_TRUE(hasLine(result, message)) << content << "\n" << result.output;
        expectStoppedAfterParse(result);
    }
}

TEST(NorvakloadDefinitionsFile, DeepNestingEndsNormally) {
    TempDir dir;
    const int depth = 100000;
    std::string open;
    for (int i = 0; i < depth; ++i)
        open += "<Type ident=\"t" + std::to_string(i) + "\" composition=\"sequence\">";

    ProgramResult unclosed = load(dir.write("unclosed.xml", open));
    expectStoppedAfterParse(unclosed);
    auto lines = unclosed.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "*****Error - End of file found before end of element Type"),
              depth - 1);

    ProgramResult closed = load(dir.write("closed.xml", open + repeated("</Type>", depth)));
    expectParsedCleanly(closed);

    ProgramResult elements =
        load(dir.write("elements.xml", "<Type ident=\"t\" composition=\"sequence\">" +
                                           repeated("<Element ident=\"e\" type=\"string\">", depth)));
    expectStoppedAfterParse(elements);
}

// Entry and exit lines of the trace, by routine name.
std::vector<std::pair<bool, std::string>> traceCalls(const ProgramResult& result) {
    std::vector<std::pair<bool, std::string>> calls;
    for (const std::string& line : result.lines()) {
        bool entry = line.rfind("==> ", 0) == 0;
        if (!entry && line.rfind("<== ", 0) != 0)
            continue;
        std::string name = line.substr(4, line.find_first_of(" :,", 4) - 4);
        if (name != "readFileData") // reports its entry only
            calls.emplace_back(entry, name);
    }
    return calls;
}

TEST(NorvakloadDefinitionsFile, TraceFollowsTheWalkOfEveryTagKind) {
    TempDir dir;
    std::string file = dir.write("defs.xml", everyTagKind);
    ProgramResult result = load(file, {"-t"});
    ASSERT_EQ(result.exitCode, 255) << result.output;

    std::vector<std::string> stack;
    for (const auto& [entry, name] : traceCalls(result)) {
        if (entry) {
            stack.push_back(name);
        } else {
            ASSERT_FALSE(stack.empty()) << "exit without entry: " << name;
            ASSERT_EQ(stack.back(), name);
            stack.pop_back();
        }
    }
    EXPECT_TRUE(stack.empty());

    const char* expectedInOrder[] = {"Processing input file ",
                                     "==> readFileData fileName ",
                                     "==> parseXMLfile",
                                     "==> removeComments buffer=0x",
                                     "==> processQuest: ptr=0x",
                                     "==> processLevel: topLevel=1 parent  typeId 0 elemId 0 ptr=0x",
                                     "==> processItem currType=0 currElem=0 ptr=0x",
                                     "==> getAttrValueZEPImport attrName ZEP_DB value filedb",
                                     "<== processItem ZEPImport ptr=0x",
                                     "==> getAttrValueCWFTab attrName name value Binary1",
                                     "<== processItem CWFTab ptr=0x",
                                     "==> getAttrValueTDSTab attrName msgStd value SWIFT",
                                     "==> getAttrValueXMLTab attrName supXmlDecl value No",
                                     "==> getAttrValueType attrName ident value OrderType",
                                     "==> getAttrValue eType=2 attrName composition value sequence",
                                     "==> getAttrValueType attrName composition value sequence",
                                     "==> processTypeDef currTypeId 0",
                                     "==> createTypeEntry: OrderType composition 6, typeContent 0, baseType 0",
                                     "==> insertNewType OrderType, composition 6 typeContent 0",
                                     "<== processTypeDef returned typeId 1",
                                     "==> processLevel: topLevel=0 parent Type typeId 1 elemId 0 ptr=0x",
                                     "==> createElementEntry: identifier orderId",
                                     "==> createAttrEntry: typeId 1 class 103 attrKeyType 27 attrValue OID",
                                     "==> createTypeMemberEntry: typeId 1 itemType 2 itemId 1 ident ",
                                     "<== processElementDef returned elemId 1",
                                     "==> processLevel: topLevel=0 parent Element typeId 1 elemId 1 ptr=0x",
                                     "==> processItem currType=1 currElem=1 ptr=0x",
                                     "==> createValueEntry: minId dataType 50106",
                                     "==> createValueMemberEntry: valueId 1, elemId 1, role 1",
                                     "<== processLevel: topLevel=0 parent Element ptr=0x",
                                     "==> processItem currType=1 currElem=0 ptr=0x",
                                     "==> createElementEntry: identifier note",
                                     "<== processLevel: topLevel=0 parent Type ptr=0x",
                                     "==> processItem currType=0 currElem=0 ptr=0x",
                                     "==> processMessageDef currTypeId 0",
                                     "==> createMessageEntry: identifier Order",
                                     "<== processMessageDef",
                                     "<== processLevel: topLevel=1 parent  ptr=0x",
                                     "<== parseXMLfile, errSw=0",
                                     "Connecting to database "};
    auto lines = result.lines();
    std::size_t at = 0;
    for (const char* prefix : expectedInOrder) {
        while (at < lines.size() && lines[at].rfind(prefix, 0) != 0)
            ++at;
        ASSERT_LT(at, lines.size()) << "missing, or out of order: " << prefix << "\n" << result.output;
        ++at;
    }
    // Quoted values go straight to their handler; only the unquoted one is dispatched.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("==> getAttrValue eType", 0) == 0; }),
              1);
}

TEST(NorvakloadDefinitionsFile, PasswordFromTheFileIsNeverShown) {
    TempDir dir;
    std::string file = dir.write("defs.xml", everyTagKind + "<ZEPImport DBPw=Hunter2xYz/>\n");
    for (const std::vector<std::string>& extra : {std::vector<std::string>{}, {"-t"}, {"-t", "-v", "-d"}}) {
        ProgramResult result = load(file, extra);
        EXPECT_EQ(result.exitCode, 255);
        for (const std::string& line : result.lines()) {
            EXPECT_EQ(line.find("Zq7wPassX"), std::string::npos) << line;
            EXPECT_EQ(line.find("Hunter2xYz"), std::string::npos) << line;
        }
    }
}

TEST(NorvakloadDefinitionsFile, UnallocatableTableEndsWithStorageError) {
    std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
    int mode = -1;
    overcommit >> mode;
    if (mode == 1)
        GTEST_SKIP() << "this machine grants every allocation (overcommit_memory=1)";
    TempDir dir;
    ProgramResult result = load(dir.write("defs.xml", "<ZEPImport MaxElement=\"2000000000\"/>\n"
                                                      "<Type ident=\"t\" composition=\"sequence\"/>\n"));
    EXPECT_EQ(result.exitCode, 254) << result.output;
    EXPECT_TRUE(endsWith(result.output, "\nError allocating storage for element, value, type or names table\n"))
        << result.output;
}

// Texts go to repository columns of 254 characters: a longer value is refused
// while the file is read, so it can never reach the repository.
TEST(NorvakloadDefinitionsFile, ValuesLongerThanTheRepositoryTextsAreRefused) {
    TempDir dir;
    auto definitions = [](std::size_t length) {
        return "<Type ident=\"t\" composition=\"sequence\">\n  <Element ident=\"e\" type=\"string\" name=\"" +
               std::string(length, 'n') + "\"/>\n</Type>\n";
    };
    ProgramResult fits = load(dir.write("fits.xml", definitions(254)));
    expectParsedCleanly(fits);

    ProgramResult tooLong = load(dir.write("long.xml", definitions(255)));
    EXPECT_EQ(tooLong.exitCode, 200);
    EXPECT_TRUE(hasLine(tooLong, "*****Error - value of attribute name is longer than 254 characters"));
}

} // namespace
} // namespace norvak::test
