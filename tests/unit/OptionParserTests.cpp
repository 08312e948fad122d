// The command-line parser of our own tools: exact names, values as the next argument, stray arguments.
#include "tools/common/OptionParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak {
namespace {

constexpr OptionSpec exportOptions[] = {
    dataSourceSpec, userSpec, passwordSpec, schemaSpec, messageSetSpec,
    outputSpec,
    {.name = "canonical", .flag = &ToolOptions::canonical},
    lockTimeoutSpec,
};

struct Parsed {
    bool ok;
    ToolOptions values;
    std::string lines;
};

Parsed parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "norvakexport");
    Output out;
    Parsed parsed{false, {}, {}};
    parsed.ok = parseToolOptions(out, static_cast<int>(arguments.size()), arguments.data(), exportOptions,
                                 parsed.values);
    parsed.lines = out.text();
    return parsed;
}

TEST(ToolOptionParser, TakesShortAndLongFormsWithTheirValues) {
    Parsed parsed = parse({"-n", "norvak", "--message-set", "Orders", "--output=out.xml", "--canonical", "-h", "zep",
                           "--lock-timeout", "30", "--password=-starts-with-a-dash"});
    ASSERT_TRUE(parsed.ok) << parsed.lines;
    EXPECT_EQ(parsed.values.dataSource, "norvak");
    EXPECT_EQ(parsed.values.messageSet, "Orders");
    EXPECT_EQ(parsed.values.outputFile, "out.xml");
    EXPECT_TRUE(parsed.values.canonical);
    EXPECT_EQ(parsed.values.schemaPrefix, "zep.");
    EXPECT_EQ(parsed.values.lockTimeoutSeconds, 30);
    EXPECT_EQ(parsed.values.password, "-starts-with-a-dash");
    EXPECT_EQ(parsed.lines, "");

    Parsed dash = parse({"-s", "Orders", "-o", "-"});
    ASSERT_TRUE(dash.ok) << dash.lines;
    EXPECT_EQ(dash.values.outputFile, "-");
}

TEST(ToolOptionParser, NamesAreTakenExactly) {
    // "-output.xml" is no "-o utput.xml".
    Parsed glued = parse({"-s", "Orders", "-output.xml"});
    EXPECT_FALSE(glued.ok);
    EXPECT_TRUE(glued.values.outputFile.empty());
    EXPECT_EQ(glued.lines, "*****Error - unrecognized command line parameter -output.xml (a value follows its option "
                           "as the next argument: -o VALUE)\n");

    Parsed abbreviated = parse({"-s", "Orders", "--canon", "--lock", "5"});
    EXPECT_FALSE(abbreviated.ok);
    EXPECT_FALSE(abbreviated.values.canonical);
    EXPECT_EQ(abbreviated.values.lockTimeoutSeconds, defaultLockTimeoutSeconds);
    EXPECT_NE(abbreviated.lines.find("unrecognized command line parameter --canon\n"), std::string::npos);
    EXPECT_NE(abbreviated.lines.find("unrecognized command line parameter --lock\n"), std::string::npos);

    Parsed unknown = parse({"--dry-run", "-x", "-s", "Orders"});
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.lines, "*****Error - unrecognized command line parameter --dry-run\n"
                             "*****Error - unrecognized command line parameter -x\n");
    EXPECT_EQ(unknown.values.messageSet, "Orders");
}

TEST(ToolOptionParser, AStrayArgumentIsAnError) {
    Parsed stray = parse({"-s", "Orders", "out.xml"});
    EXPECT_FALSE(stray.ok);
    EXPECT_EQ(stray.lines, "*****Error - stray argument out.xml: every value follows its option, as in -o FILE\n");
    EXPECT_TRUE(stray.values.outputFile.empty());

    EXPECT_FALSE(parse({"-s", "Orders", "--", "-o"}).ok);
}

TEST(ToolOptionParser, AnOptionIsNeverTheValueOfTheOptionBeforeIt) {
    Parsed parsed = parse({"-o", "-s", "Orders"});
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.lines, "*****Error - output file missing from -o parameter\n");
    EXPECT_TRUE(parsed.values.outputFile.empty());
    EXPECT_EQ(parsed.values.messageSet, "Orders");

    Parsed last = parse({"-s", "Orders", "-o"});
    EXPECT_FALSE(last.ok);
    EXPECT_EQ(last.lines, "*****Error - output file missing from -o parameter\n");

    Parsed empty = parse({"-s", "Orders", "-o", ""});
    EXPECT_FALSE(empty.ok);
}

TEST(ToolOptionParser, ALockTimeoutIsAWholeNumberOfSecondsUpToADay) {
    for (const char* bad : {"-5", "abc", "86401", "1.5", ""}) {
        Parsed parsed = parse({"-s", "Orders", "--lock-timeout", bad});
        EXPECT_FALSE(parsed.ok) << bad;
        EXPECT_EQ(parsed.lines, std::string("*****Error - --lock-timeout takes a whole number of seconds from 0 to "
                                            "86400, not ") +
                                    bad + "\n");
    }
    Parsed most = parse({"--lock-timeout=86400"});
    EXPECT_TRUE(most.ok) << most.lines;
    EXPECT_EQ(most.values.lockTimeoutSeconds, 86400);
}

TEST(ToolOptionParser, ASchemaIsAnIdentifierAndGetsItsPeriod) {
    Parsed refused = parse({"-h", "x;DROP TABLE PROJECT"});
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.values.schemaRefused);
    EXPECT_TRUE(refused.values.schemaPrefix.empty());
    EXPECT_EQ(parse({"-h", "zep."}).values.schemaPrefix, "zep.");
}

TEST(ToolOptionParser, EachWalkStartsAfresh) {
    // getopt_long keeps its place between calls; the parser starts each walk over.
    EXPECT_FALSE(parse({"-s", "A", "-x"}).ok);
    Parsed second = parse({"-s", "B"});
    EXPECT_TRUE(second.ok) << second.lines;
    EXPECT_EQ(second.values.messageSet, "B");
}

} // namespace
} // namespace norvak
