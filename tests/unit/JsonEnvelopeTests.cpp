// The envelope every program's JSON document opens with (dbsession/JsonEnvelope.h):
// which report lines are errors and warnings, and what the lines after them add.

#include "dbsession/JsonEnvelope.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace norvak::test {
namespace {

using Json = nlohmann::ordered_json;

TEST(JsonEnvelope, OpensWithTheProgramItsVersionAndTheExitCodeAsTheProcessEndsWithIt) {
    Output report;
    Json envelope = jsonEnvelope("norvakshow", -1, report);
    std::string names;
    for (const auto& [name, value] : envelope.items())
        names += name + " ";
    EXPECT_EQ(names, "program version exitCode errors warnings ");
    EXPECT_EQ(envelope["program"], "norvakshow");
    EXPECT_EQ(envelope["version"], toolsetVersion());
    EXPECT_EQ(envelope["exitCode"], 255);
}

TEST(JsonEnvelope, ErrorsAndWarningsLoseTheirAsterisksAndDatabaseErrorsKeepTheirState) {
    Output report;
    report.print("Connecting to database repo using  pw \n");
    report.print("*****Database error -1 during SQLConnect in routine connectToZEP SQLSTATE 08001\n");
    report.print("*****Database error -1 during SQLExecDirect in routine getZEPInfo SQLSTATUS HY000\n");
    report.print("***** ERROR - Duplicate type name or key value detected (T)\n");
    report.print("*****Warning - XML tab XML already exists - was not created\n");
    report.print("***** Report only switch was selected\n");
    report.print("***** Database has not been changed\n");
    report.printError("Messageset Nope not found in PROJECT table\n");
    report.print("Messageset Nope looked for\n");
    Json envelope = jsonEnvelope("norvakload", 110, report);
    const Json& errors = envelope["errors"];
    ASSERT_EQ(errors.size(), 4u) << envelope.dump(2);
    EXPECT_EQ(errors[0]["text"], "Database error -1 during SQLConnect in routine connectToZEP SQLSTATE 08001");
    EXPECT_EQ(errors[0]["code"], "08001");
    EXPECT_EQ(errors[1]["code"], "HY000");
    EXPECT_EQ(errors[2]["text"], "ERROR - Duplicate type name or key value detected (T)");
    EXPECT_FALSE(errors[2].contains("code"));
    EXPECT_EQ(errors[3]["text"], "Messageset Nope not found in PROJECT table"); // printed as an error
    ASSERT_EQ(envelope["warnings"].size(), 1u);
    EXPECT_EQ(envelope["warnings"][0]["text"], "Warning - XML tab XML already exists - was not created");
}

TEST(JsonEnvelope, TheLinesAfterAnEntryExplainIt) {
    Output report;
    report.print("*****Error - unrecognized attribute lenght found\n");
    report.print("  at defs.xml:5:36\n");
    report.print("  did you mean length?\n");
    report.print("*****Database error -1 during SQLConnect in routine connectToZEP SQLSTATE 08001\n");
    report.print("Database connection to repo failed\n");
    report.print("  the driver said: [08001] could not connect to server: Connection refused\n");
    report.print("  the driver said: [08001] second record\n");
    report.print("  no database server answers where data source repo points: start the server, or correct "
                 "Servername= and Port= in the data source's entry\n");
    report.print("*****Warning - a warning with a place\n");
    report.print("  at other.xml:1:2\n");
    Json envelope = jsonEnvelope("norvakload", 255, report);
    const Json& errors = envelope["errors"];
    ASSERT_EQ(errors.size(), 2u) << envelope.dump(2);
    EXPECT_EQ(errors[0]["file"], "defs.xml");
    EXPECT_EQ(errors[0]["line"], 5);
    EXPECT_EQ(errors[0]["column"], 36);
    EXPECT_EQ(errors[0]["hint"], "did you mean length?");
    // Across the plain line between them, the driver's messages belong to the error.
    ASSERT_EQ(errors[1]["driver"].size(), 2u) << envelope.dump(2);
    EXPECT_EQ(errors[1]["driver"][0], "[08001] could not connect to server: Connection refused");
    EXPECT_EQ(errors[1]["driver"][1], "[08001] second record");
    EXPECT_EQ(errors[1]["hint"], "no database server answers where data source repo points: start the server, or "
                                 "correct Servername= and Port= in the data source's entry");
    EXPECT_EQ(envelope["warnings"][0]["file"], "other.xml");
}

TEST(JsonEnvelope, TheDocumentHasTheProgramsOwnMembersAfterTheEnvelopeWhichTheyCannotReplace) {
    Output report;
    report.print("*****Error - message set X not found\n");
    Json own = {{"messageSets", Json::array()}, {"exitCode", 0}, {"errors", "none"}};
    Json document = Json::parse(jsonDocument("norvakshow", 2, report, own));
    std::string names;
    for (const auto& [name, value] : document.items())
        names += name + " ";
    EXPECT_EQ(names, "program version exitCode errors warnings messageSets ");
    EXPECT_EQ(document["exitCode"], 2);
    EXPECT_EQ(document["errors"].size(), 1u);
}

} // namespace
} // namespace norvak::test
