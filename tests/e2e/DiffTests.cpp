// Tests of norvakdiff: differences, their verdicts and its exit codes.
#include "e2e/GeneratedModels.h"
#include "e2e/RoundTrip.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

// norvakdiff: what a definitions file would change in a message set (or in
// another file), one line per difference with its verdict per wire format;
// and norvakload's warning when it keeps stored items the file defines
// otherwise.

namespace norvak::test {
namespace {

// The shipped orders with a change of every kind the import takes: a new
// message, type and element, a removed message and member, an added
// optional member of stored elements, members in another order, another
// maximum, label, TDS tag and XML name.
std::string changedOrders() {
    std::string text = orders();
    text = replaced(text, "name=\"Customer number\"", "name=\"Customer no\"");
    text = replaced(text, "tag=\"CNM\"", "tag=\"CNX\"");
    text = replaced(text, "xmlName=\"customerId\"", "xmlName=\"customerID\"");
    text = replaced(text, "  <Element ref=\"Note\" minOccurs=\"0\"/>\n</Type>",
                    "  <Element ref=\"Paid\" minOccurs=\"0\"/>\n</Type>");
    text = replaced(text, "<Type ref=\"OrderLine\" minOccurs=\"1\" maxOccurs=\"unbounded\"/>",
                    "<Type ref=\"OrderLine\" minOccurs=\"1\" maxOccurs=\"100\"/>");
    text = replaced(text, "  <Element ref=\"CustomerId\"/>\n  <Element ref=\"CustomerName\"/>",
                    "  <Element ref=\"CustomerName\"/>\n  <Element ref=\"CustomerId\"/>");
    text = replaced(text, "<Message ident=\"SendInvoice\" name=\"Send an invoice\" type=\"Invoice\"/>",
                    "<Message ident=\"CancelOrder\" name=\"Cancel an order\" type=\"Order\"/>\n"
                    "<Type ident=\"Refund\" composition=\"sequence\">\n"
                    "  <Element ident=\"RefundAmount\" type=\"decimal\" length=\"9\" precision=\"2\" "
                    "physicalType=\"Packed\" tag=\"RFA\"/>\n</Type>");
    return text;
}

const char* const changedOrdersDifferences =
    "+ message CancelOrder                                          compatible\n"
    "- message SendInvoice                                          breaking\n"
    "~ member  Customer_t.CustomerName  position 2 -> 1             breaking\n"
    "~ member  Customer_t.CustomerId  position 1 -> 2               breaking\n"
    "~ member  Order_t.OrderLine_t  maxOccurs unbounded -> 100      breaking\n"
    "- member  Order_t.Note                                         breaking\n"
    "+ member  Order_t.Paid  minOccurs 0 maxOccurs (none) (position 6)  CWF: breaking; TDS, XML: compatible\n"
    "+ type    Refund_t                                             compatible\n"
    "~ element CustomerId  XML Name customerId -> customerID        XML: breaking\n"
    "~ element CustomerId  name \"Customer number\" -> \"Customer no\"  compatible\n"
    "~ element CustomerName  TDS Tag CNM -> CNX                     TDS: breaking\n"
    "+ element RefundAmount                                         compatible\n"
    "12 differences: 8 breaking, 4 compatible; norvakload would apply 3 of them and keep 8 as stored\n";

const char* const noDifference =
    "0 differences: 0 breaking, 0 compatible; norvakload would apply 0 of them and keep 0 as stored\n";

class Diff : public OrdersTest {
  protected:
    ProgramResult diff(const std::string& file, const std::string& set = "Orders",
                       std::vector<std::string> more = {}) {
        std::vector<std::string> arguments{"-s", set, "-f", file};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runConnected("norvakdiff", arguments);
    }
    std::string write(const std::string& name, const std::string& text) {
        return repo().folder().write(name, text);
    }
    void loadOrders() {
        ProgramResult loaded = loadFile(sourcePath("examples/orders.xml"));
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    }
};

TEST_P(Diff, AFileComparedWithItsOwnImportOrTheSetsExportShowsNoDifference) {
    struct Case {
        std::string set;
        std::string file;
    };
    std::vector<Case> cases{{"Orders", sourcePath("examples/orders.xml")},
                            {"Payments", sourcePath("examples/payments.xml")},
                            {"Sensors", sourcePath("examples/sensors.xml")},
                            {"Generated", write("generated.xml", generatedModel(600))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        if (c.set != "Orders")
            createMessageSet(c.set);
        ProgramResult loaded = runConnected("norvakload", {"-f", c.file, "-s", c.set});
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;

        ProgramResult compared = diff(c.file, c.set);
        EXPECT_EQ(compared.exitCode, 0) << compared.errors;
        EXPECT_EQ(compared.output, noDifference);

        std::string exported = repo().folder().path() + "/" + c.set + "-export.xml";
        ASSERT_EQ(exportSet(accessOf(repo()), c.set, {"-o", exported}).exitCode, 0);
        ProgramResult withExport = diff(exported, c.set);
        EXPECT_EQ(withExport.exitCode, 0) << withExport.errors;
        EXPECT_EQ(withExport.output, noDifference);

        // An identical import again keeps everything and has nothing to warn of.
        ProgramResult again = runConnected("norvakload", {"-f", c.file, "-s", c.set});
        ASSERT_EQ(again.exitCode, 0) << again.output;
        EXPECT_FALSE(contains(again, "norvakdiff")) << again.output;
    }
}

TEST_P(Diff, EachDifferenceIsOneLineWithItsVerdictPerWireFormat) {
    loadOrders();
    std::vector<std::string> before = canonicalRows(accessOf(repo()), "Orders");
    ProgramResult compared = diff(write("changed.xml", changedOrders()));
    EXPECT_EQ(compared.exitCode, 2) << compared.errors;
    EXPECT_EQ(compared.output, changedOrdersDifferences);
    EXPECT_NE(compared.errors.find("Compared " + repo().folder().path()), std::string::npos) << compared.errors;
    // It only reads.
    EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"), before);
}

TEST_P(Diff, WhatTheImportAppliesGoesAndWhatItKeepsIsWarnedOfAndStays) {
    loadOrders();
    std::string file = write("changed.xml", changedOrders());
    ProgramResult loaded = loadFile(file);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_TRUE(hasLine(loaded, "*****Warning - 8 definitions of the file differ from the stored items the import "
                                "keeps as they are; to see them: norvakdiff -n " +
                                    repo().dataSource() + " -s Orders -f " + file))
        << loaded.output;
    EXPECT_TRUE(hasLinesInOrder(loaded, {"2 existing messages found in message set",
                                         "*****Warning - 8 definitions of the file differ from the stored items the "
                                         "import keeps as they are; to see them: norvakdiff -n " +
                                             repo().dataSource() + " -s Orders -f " + file,
                                         "Import was successful - please restart the norvakhub"}))
        << loaded.output;

    // The new message, type and element are in; every other line stays.
    ProgramResult after = diff(file);
    EXPECT_EQ(after.exitCode, 2);
    std::string expected;
    std::istringstream lines(changedOrdersDifferences);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("+ message CancelOrder", 0) != 0 && line.rfind("+ type    Refund_t", 0) != 0 &&
            line.rfind("+ element RefundAmount", 0) != 0 && line.find(" differences: ") == std::string::npos)
            expected += line + "\n";
    }
    expected += "9 differences: 8 breaking, 1 compatible; norvakload would apply 0 of them and keep 8 as stored\n";
    EXPECT_EQ(after.output, expected);
}

TEST_P(Diff, ChangesTheImportRefusesTheFileForAreCountedAsSuch) {
    loadOrders();
    std::string text = replaced(orders(), "<Message ident=\"PlaceOrder\" name=\"Place an order\" type=\"Order\"/>",
                                "<Message ident=\"PlaceOrder\" name=\"Place an order\" type=\"Invoice\"/>");
    text = replaced(text, "<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBP\" role=\"ENUM\"/>",
                    "<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBP\" role=\"ENUM\"/>\n"
                    "  <Value ident=\"CurrencyJPY\" type=\"string\" value=\"JPY\" role=\"ENUM\"/>");
    std::string file = write("refused.xml", text);
    ProgramResult compared = diff(file);
    EXPECT_EQ(compared.exitCode, 2);
    EXPECT_EQ(compared.output, "~ message PlaceOrder  type Order_t -> Invoice_t  breaking\n"
                               "+ value   Currency: CurrencyJPY  (enumeration)   compatible\n"
                               "2 differences: 1 breaking, 1 compatible; norvakload would refuse the file over 2 of "
                               "them\n");
    ProgramResult loaded = loadFile(file);
    EXPECT_NE(loaded.exitCode, 0);
    EXPECT_FALSE(contains(loaded, "norvakdiff")) << loaded.output;
}

// A stored value keeps its text: the file that gives it another one is
// refused by the import, and the comparison says so of that line.
TEST_P(Diff, AChangedValueTextIsOneTheImportRefusesTheFileFor) {
    loadOrders();
    const Rows before = state();
    std::string file =
        write("retexted.xml", replaced(orders(), "<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBP\"",
                                       "<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBX\""));
    ProgramResult compared = diff(file);
    EXPECT_EQ(compared.exitCode, 2) << compared.errors;
    EXPECT_EQ(compared.output, "~ value   CurrencyGBP  text GBP -> GBX  breaking\n"
                               "1 difference: 1 breaking, 0 compatible; norvakload would refuse the file over 1 of "
                               "them\n");

    ProgramResult json = diff(file, "Orders", {"--format", "json"});
    nlohmann::json document = nlohmann::json::parse(json.output);
    ASSERT_EQ(document["differences"].size(), 1u) << json.output;
    const nlohmann::json& text = document["differences"][0];
    EXPECT_EQ(text["kind"], "value");
    EXPECT_EQ(text["field"], "text");
    EXPECT_EQ(text["old"], "GBP");
    EXPECT_EQ(text["new"], "GBX");
    EXPECT_EQ(text["refusedByImport"], true);
    EXPECT_EQ(text["keptByImport"], false);
    EXPECT_EQ(document["summary"]["refusedByImport"], 1);
    EXPECT_EQ(document["summary"]["importRefused"], true);

    ProgramResult loaded = loadFile(file);
    EXPECT_EQ(loaded.exitCode, 111) << loaded.output;
    EXPECT_TRUE(hasLine(loaded, "*****Error - value CurrencyGBP already in ZEP repository with different definition"))
        << loaded.output;
    EXPECT_EQ(state(), before);
}

TEST_P(Diff, OnlyCompatibleDifferencesEndWithOne) {
    loadOrders();
    std::string text = replaced(orders(), "<Message ident=\"SendInvoice\"",
                                "<Message ident=\"Reorder\" type=\"Order\"/>\n<Message ident=\"SendInvoice\"");
    ProgramResult compared = diff(write("more.xml", text));
    EXPECT_EQ(compared.exitCode, 1);
    EXPECT_EQ(compared.output, "+ message Reorder  compatible\n"
                               "1 difference: 0 breaking, 1 compatible; norvakload would apply 1 of them and keep 0 "
                               "as stored\n");
    // Imported, nothing is kept otherwise than the file has it: no warning.
    ProgramResult loaded = loadFile(write("more.xml", text));
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_FALSE(contains(loaded, "norvakdiff")) << loaded.output;
    EXPECT_EQ(diff(write("more.xml", text)).exitCode, 0);
}

TEST_P(Diff, OccurrencesThatLetMoreThroughBreakOnlyTheCustomWireFormat) {
    loadOrders();
    std::string text = replaced(orders(), "<Element ref=\"Country\" minOccurs=\"0\"/>",
                                "<Element ref=\"Country\" minOccurs=\"1\"/>");
    text = replaced(text, "<Element ref=\"Currency\"/>\n  <Type ref=\"OrderLine\"",
                    "<Element ref=\"Currency\" minOccurs=\"0\" maxOccurs=\"3\"/>\n  <Type ref=\"OrderLine\"");
    ProgramResult compared = diff(write("occurs.xml", text));
    EXPECT_EQ(compared.exitCode, 2);
    EXPECT_EQ(compared.output, "~ member  Address_t.Country  minOccurs 0 -> 1      breaking\n"
                               "~ member  Order_t.Currency  maxOccurs (none) -> 3  CWF: breaking; TDS, XML: compatible\n"
                               "~ member  Order_t.Currency  minOccurs (none) -> 0  CWF: breaking; TDS, XML: compatible\n"
                               "3 differences: 3 breaking, 0 compatible; norvakload would apply 0 of them and keep 3 "
                               "as stored\n");
}

TEST_P(Diff, TwoFilesCompareAsAFileWithTheSetTheOtherMade) {
    loadOrders();
    std::string changed = write("changed.xml", changedOrders());
    ProgramResult withSet = diff(changed);
    // No database at all: no data source can be found.
    ProgramResult withFile = runProgram("norvakdiff", {"--against", sourcePath("examples/orders.xml"), "-f", changed},
                                        "", {"ODBCINI=" + repo().folder().path() + "/none.ini"});
    EXPECT_EQ(withFile.exitCode, 2) << withFile.errors;
    EXPECT_EQ(withFile.output, withSet.output);
    ProgramResult same = runProgram("norvakdiff", {"--against", changed, "-f", changed});
    EXPECT_EQ(same.exitCode, 0) << same.errors;
    EXPECT_EQ(same.output, noDifference);
}

TEST_P(Diff, JsonNamesKindIdentifierFieldValuesVerdictsAndWhatTheImportDoes) {
    loadOrders();
    ProgramResult compared = diff(write("changed.xml", changedOrders()), "Orders", {"--format", "json"});
    EXPECT_EQ(compared.exitCode, 2);
    nlohmann::json document = nlohmann::json::parse(compared.output);
    EXPECT_EQ(document["formats"], nlohmann::json({"CWF", "TDS", "XML"}));
    EXPECT_EQ(document["exitCode"], 2);
    EXPECT_EQ(document["summary"]["differences"], 12);
    EXPECT_EQ(document["summary"]["breaking"], 8);
    EXPECT_EQ(document["summary"]["appliedByImport"], 3);
    EXPECT_EQ(document["summary"]["keptByImport"], 8);
    EXPECT_EQ(document["summary"]["importRefused"], false);
    ASSERT_EQ(document["differences"].size(), 12u);
    const nlohmann::json& paid = document["differences"][6];
    EXPECT_EQ(paid["change"], "added");
    EXPECT_EQ(paid["kind"], "member");
    EXPECT_EQ(paid["identifier"], "Order_t.Paid");
    EXPECT_EQ(paid["verdicts"], nlohmann::json({{"CWF", "breaking"}, {"TDS", "compatible"}, {"XML", "compatible"}}));
    EXPECT_EQ(paid["keptByImport"], true);
    EXPECT_EQ(paid["appliedByImport"], false);
    const nlohmann::json& tag = document["differences"][10];
    EXPECT_EQ(tag["change"], "changed");
    EXPECT_EQ(tag["identifier"], "CustomerName");
    EXPECT_EQ(tag["field"], "TDS Tag");
    EXPECT_EQ(tag["old"], "CNM");
    EXPECT_EQ(tag["new"], "CNX");
    EXPECT_EQ(tag["verdicts"], nlohmann::json({{"TDS", "breaking"}}));
    EXPECT_EQ(document["differences"][0]["old"], nullptr);
}

// A field only one side has is null on the other side, and only there.
TEST_P(Diff, JsonGivesNullForTheSideAFieldIsMissingFromAndTheValueOfTheOther) {
    loadOrders();
    std::string text = replaced(orders(), "tag=\"CID\" xmlName=\"customerId\"", "tag=\"CID\"");
    text = replaced(text, "tag=\"NTE\"", "tag=\"NTE\" xmlName=\"remark\"");
    std::string file = write("xml-names.xml", text);
    ProgramResult compared = diff(file);
    EXPECT_EQ(compared.output, "~ element CustomerId  XML Name customerId -> (none)  XML: breaking\n"
                               "~ element Note  XML Name (none) -> remark            XML: breaking\n"
                               "2 differences: 2 breaking, 0 compatible; norvakload would apply 0 of them and keep 2 "
                               "as stored\n")
        << compared.errors;

    ProgramResult json = diff(file, "Orders", {"--format", "json"});
    nlohmann::json document = nlohmann::json::parse(json.output);
    ASSERT_EQ(document["differences"].size(), 2u) << json.output;
    const nlohmann::json& removed = document["differences"][0];
    EXPECT_EQ(removed["identifier"], "CustomerId");
    EXPECT_EQ(removed["field"], "XML Name");
    EXPECT_EQ(removed["old"], "customerId");
    EXPECT_EQ(removed["new"], nullptr);
    const nlohmann::json& added = document["differences"][1];
    EXPECT_EQ(added["identifier"], "Note");
    EXPECT_EQ(added["field"], "XML Name");
    EXPECT_EQ(added["old"], nullptr);
    EXPECT_EQ(added["new"], "remark");
}

TEST_P(Diff, EachFailureHasItsOwnExitCodeAndLine) {
    loadOrders();
    std::string file = sourcePath("examples/orders.xml");
    ProgramResult noSet = diff(file, "Nowhere");
    EXPECT_EQ(noSet.exitCode, 7);
    EXPECT_NE(noSet.errors.find("*****Error - message set Nowhere not found - nothing was compared"),
              std::string::npos)
        << noSet.errors;

    ProgramResult unreadable = diff(repo().folder().path() + "/missing.xml");
    EXPECT_EQ(unreadable.exitCode, 5);
    EXPECT_NE(unreadable.errors.find("*****Error - unable to read definitions file"), std::string::npos)
        << unreadable.errors;

    std::string broken = write("broken.xml", "<Element ident=\"X\" type=\"strin\"/>\n");
    ProgramResult refused = diff(broken);
    EXPECT_EQ(refused.exitCode, 6);
    EXPECT_NE(refused.errors.find("has errors the import would refuse it for"), std::string::npos) << refused.errors;

    ProgramResult noDataSource = runProgram("norvakdiff", {"-n", "no_such_source", "-s", "Orders", "-f", file}, "",
                                            repo().environment());
    EXPECT_EQ(noDataSource.exitCode, 8);

    EXPECT_EQ(runConnected("norvakdiff", {"-s", "Orders"}).exitCode, 4);
    EXPECT_EQ(diff(file, "Orders", {"--format", "yaml"}).exitCode, 4);
    EXPECT_EQ(runProgram("norvakdiff", {"--against", file, "-f", file, "-s", "Orders"}).exitCode, 4);
    ProgramResult noOldFile = runProgram("norvakdiff", {"--against", "-f", file});
    EXPECT_EQ(noOldFile.exitCode, 4);
    EXPECT_NE(noOldFile.errors.find("*****Error - old definitions file missing from --against parameter"),
              std::string::npos)
        << noOldFile.errors;
    EXPECT_EQ(runProgram("norvakdiff", {}).exitCode, 3);
    for (const ProgramResult& result : {noSet, unreadable, refused})
        EXPECT_EQ(result.output, "");
}

TEST_P(Diff, WithoutTheInMemoryDatabaseTheImportSaysItCouldNotCompareAndGoesOn) {
    loadOrders();
    std::string file = write("changed.xml", changedOrders());
    std::vector<std::string> environment = repo().environment();
    environment.push_back("NORVAK_SCRATCH_DRIVER=no such driver");
    std::vector<std::string> connection{"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password()};
    auto with = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), connection.begin(), connection.end());
        return arguments;
    };
    ProgramResult compared = runProgram("norvakdiff", with({"-s", "Orders", "-f", file}), "", environment);
    EXPECT_EQ(compared.exitCode, 8);
    EXPECT_EQ(compared.output, "");
    ProgramResult loaded = runProgram("norvakload", with({"-s", "Orders", "-f", file}), "", environment);
    EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
    EXPECT_TRUE(hasLine(loaded, "*****Warning - the definitions of the file could not be compared with the stored "
                                "items the import keeps (no database in memory: is the SQLite ODBC driver "
                                "installed?)"))
        << loaded.output;
}

TEST_P(Diff, AnImportHalfwayIsNotSeenAndNothingIsWritten) {
    loadOrders();
    std::vector<std::string> committed = canonicalRows(accessOf(repo()), "Orders");
    {
        HeldLock writer(repo(), "UPDATE PROJECT SET NEXT_ID = NEXT_ID WHERE PROJECT_KEY = 100");
        writer.run("INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE, NAME, STATUS, "
                   "DESCOPED_IND) VALUES (100, 999998, 'Halfway', 100000, 0, 'halfway', 0, 0)");
        ProgramResult compared = diff(sourcePath("examples/orders.xml"));
        EXPECT_EQ(compared.exitCode, 0) << compared.errors;
        EXPECT_EQ(compared.output, noDifference);
    }
    EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"), committed);
}

TEST_P(Diff, QuotesAndTextBeyondAsciiAreShownWhole) {
    const std::string base = "<Element ident=\"Größe\" name=\"O'Neil's size\" type=\"string\" length=\"5\" "
                             "tag=\"G'R\"/>\n"
                             "<Type ident=\"Maß\">\n  <Element ref=\"Größe\"/>\n</Type>\n"
                             "<Message ident=\"Ölmessung\" type=\"Maß\"/>\n";
    ProgramResult loaded = load(base);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    std::string changed = replaced(replaced(base, "O'Neil's size", "Größe"), "tag=\"G'R\"", "tag=\"1e3\"") +
                          "<Message ident=\"Zähler\" type=\"Maß\"/>\n";
    ProgramResult compared = diff(write("quoted.xml", changed));
    EXPECT_EQ(compared.exitCode, 1) << compared.errors;
    // Columns count characters; the set has no tabs, so the tag makes no row.
    EXPECT_EQ(compared.output, "+ message Zähler                                compatible\n"
                               "~ element Größe  name \"O'Neil's size\" -> Größe  compatible\n"
                               "2 differences: 0 breaking, 2 compatible; norvakload would apply 1 of them and keep 1 "
                               "as stored\n");
    ProgramResult same = diff(write("same.xml", base));
    EXPECT_EQ(same.output, noDifference) << same.errors;
}

TEST_P(Diff, ADatabaseUserThatMayOnlyReadCanCompare) {
    if (GetParam() != Backend::postgres)
        GTEST_SKIP() << "the embedded database has no users";
    loadOrders();
    const std::string reader = "reader_" + repo().database();
    repo().execute("CREATE ROLE " + reader + " LOGIN PASSWORD 'Read-only-1'");
    struct DroppedRole {
        TestRepository& repo;
        std::string role;
        ~DroppedRole() {
            try {
                repo.execute("REVOKE ALL ON ALL TABLES IN SCHEMA public FROM " + role);
                repo.execute("DROP ROLE " + role);
            } catch (const std::exception& failure) {
                ADD_FAILURE() << failure.what();
            }
        }
    } dropped{repo(), reader};
    repo().execute("GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + reader);
    ProgramResult compared =
        run("norvakdiff", {"-n", repo().dataSource(), "-u", reader, "-p", "Read-only-1", "-s", "Orders", "-f",
                           write("changed.xml", changedOrders())});
    EXPECT_EQ(compared.exitCode, 2) << compared.errors;
    EXPECT_EQ(compared.output, changedOrdersDifferences);
}

INSTANTIATE_TEST_SUITE_P(, Diff, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
