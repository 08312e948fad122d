// Tests of norvakapply: its plan, its gates, its dry run, its exit codes and its JSON document.
#include "e2e/DefinitionEdits.h"
#include "e2e/GeneratedModels.h"
#include "e2e/RoundTrip.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <random>
#include <set>
#include <sstream>

namespace norvak::test {
namespace {

// The shipped orders with a change of most kinds: a new message, member and
// element name, a removed message and member, another maximum, TDS tag and
// XML name.
std::string changedOrders() {
    std::string text = orders();
    text = replaced(text, "name=\"Customer number\"", "name=\"Customer no\"");
    text = replaced(text, "tag=\"CNM\"", "tag=\"CNX\"");
    text = replaced(text, "xmlName=\"customerId\"", "xmlName=\"customerID\"");
    text = replaced(text, "  <Element ref=\"Note\" minOccurs=\"0\"/>\n</Type>",
                    "  <Element ref=\"Paid\" minOccurs=\"0\"/>\n</Type>");
    text = replaced(text, "<Type ref=\"OrderLine\" minOccurs=\"1\" maxOccurs=\"unbounded\"/>",
                    "<Type ref=\"OrderLine\" minOccurs=\"1\" maxOccurs=\"100\"/>");
    text = replaced(text, "<Message ident=\"SendInvoice\" name=\"Send an invoice\" type=\"Invoice\"/>",
                    "<Message ident=\"CancelOrder\" name=\"Cancel an order\" type=\"Order\"/>");
    return text;
}

const char* const changedOrdersPlan =
    "insert  + message CancelOrder\n"
    "keep    - message SendInvoice  kept: not in the file\n"
    "update  ~ member  Order_t.OrderLine_t  maxOccurs unbounded -> 100\n"
    "delete  - member  Order_t.Note\n"
    "insert  + member  Order_t.Paid  minOccurs 0 maxOccurs (none) (position 6)\n"
    "update  ~ element CustomerId  XML Name customerId -> customerID\n"
    "update  ~ element CustomerId  name \"Customer number\" -> \"Customer no\"\n"
    "update  ~ element CustomerName  TDS Tag CNM -> CNX\n"
    "8 differences: 6 breaking, 2 compatible; plan: 2 insert, 4 update, 1 delete, 1 keep\n";

const char* const nothingPlanned = "0 differences: 0 breaking, 0 compatible; plan: 0 insert, 0 update, 0 delete, 0 keep\n";

bool saidLine(const ProgramResult& result, const std::string& line) {
    std::istringstream lines(result.errors);
    for (std::string said; std::getline(lines, said);) {
        if (said == line)
            return true;
    }
    return false;
}

class Apply : public OrdersTest {
  protected:
    void SetUp() override {
        OrdersTest::SetUp();
        ProgramResult loaded = loadFile(sourcePath("examples/orders.xml"));
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    }
    ProgramResult apply(const std::string& file, std::vector<std::string> more = {}, const std::string& set = "Orders") {
        std::vector<std::string> arguments{"-s", set, "-f", file};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runConnected("norvakapply", arguments);
    }
    std::string write(const std::string& name, const std::string& text) {
        return repo().folder().write(name, text);
    }
    // Every row of Orders as the canonical rows give them, and the counts and NEXT_ID.
    std::pair<std::vector<std::string>, Rows> everything() {
        return {canonicalRows(accessOf(repo()), "Orders"), state()};
    }
    // norvakdiff's lines of the file against Orders, without its line of counts.
    std::string diffLines(const std::string& file) {
        std::string lines = runConnected("norvakdiff", {"-s", "Orders", "-f", file}).output;
        lines.erase(lines.rfind('\n', lines.size() - 2) + 1);
        return lines;
    }
};

TEST_P(Apply, ThePlanIsTheComparisonsLinesThenWhatIsDoneWithEachAndADryRunWritesNothing) {
    const auto before = everything();
    std::string file = write("changed.xml", changedOrders());
    ProgramResult planned = apply(file, {"--dry-run", "--allow-breaking"});
    EXPECT_EQ(planned.exitCode, 2) << planned.errors;
    EXPECT_EQ(planned.output, diffLines(file) + changedOrdersPlan);
    EXPECT_TRUE(saidLine(planned, "*****Warning - 1 item only message set Orders holds is kept: not in the file "
                                  "(give --allow-removals to delete it)"))
        << planned.errors;
    EXPECT_TRUE(saidLine(planned, "Dry run: 7 changes planned for message set Orders of " + repo().dataSource() +
                                      " - nothing was written"))
        << planned.errors;

    // With the removals allowed the message only the set holds is deleted, and nothing is left kept.
    ProgramResult removing = apply(file, {"--dry-run", "--allow-breaking", "--allow-removals"});
    EXPECT_EQ(removing.exitCode, 0) << removing.errors;
    EXPECT_NE(removing.output.find("\ndelete  - message SendInvoice\n"), std::string::npos) << removing.output;
    EXPECT_NE(removing.output.find("plan: 2 insert, 4 update, 2 delete, 0 keep\n"), std::string::npos);
    EXPECT_EQ(everything(), before);
}

TEST_P(Apply, TheBreakingGateRefusesTheRunNamingTheLinesAtFault) {
    const auto before = everything();
    std::string file = write("changed.xml", changedOrders());
    for (bool dryRun : {true, false}) {
        SCOPED_TRACE(dryRun);
        ProgramResult refused = apply(file, dryRun ? std::vector<std::string>{"--dry-run"} : std::vector<std::string>{});
        EXPECT_EQ(refused.exitCode, 1) << refused.errors;
        EXPECT_EQ(refused.output, diffLines(file) + changedOrdersPlan);
        EXPECT_TRUE(hasLinesInOrder(
            {0, refused.errors, ""},
            {"*****Error - 5 breaking changes refused: give --allow-breaking to apply them - nothing was written",
             "*****Error - breaking: ~ member  Order_t.OrderLine_t  maxOccurs unbounded -> 100  breaking",
             "*****Error - breaking: - member  Order_t.Note  breaking",
             "*****Error - breaking: + member  Order_t.Paid  minOccurs 0 maxOccurs (none) (position 6)  CWF: "
             "breaking; TDS, XML: compatible",
             "*****Error - breaking: ~ element CustomerId  XML Name customerId -> customerID  XML: breaking",
             "*****Error - breaking: ~ element CustomerName  TDS Tag CNM -> CNX  TDS: breaking",
             "Refused: message set Orders of " + repo().dataSource() + " is unchanged"}))
            << refused.errors;
        // The removal is kept, so it is not at fault; the compatible name is not either.
        EXPECT_FALSE(contains({0, refused.errors, ""}, "breaking: - message SendInvoice")) << refused.errors;
        EXPECT_EQ(everything(), before);
    }
}

// Only an item the set holds and the file does not define is a removal the
// gate keeps; a member the file dropped from a type it defines is deleted.
TEST_P(Apply, ItemsOnlyTheSetHoldsAreKeptWithoutAllowRemovalsAndAreNotAtFault) {
    std::string file =
        write("fewer.xml", replaced(orders(), "<Message ident=\"SendInvoice\" name=\"Send an invoice\" "
                                              "type=\"Invoice\"/>",
                                    ""));
    ProgramResult kept = apply(file, {"--dry-run"});
    EXPECT_EQ(kept.exitCode, 2) << kept.errors;
    EXPECT_EQ(kept.output, "- message SendInvoice  breaking\n"
                           "keep    - message SendInvoice  kept: not in the file\n"
                           "1 difference: 1 breaking, 0 compatible; plan: 0 insert, 0 update, 0 delete, 1 keep\n");
    // A real run has nothing to write and says how it ends.
    ProgramResult real = apply(file);
    EXPECT_EQ(real.exitCode, 2) << real.errors;
    EXPECT_TRUE(saidLine(real, "Nothing to apply: message set Orders of " + repo().dataSource() + " matches " + file))
        << real.errors;

    ProgramResult removal = apply(file, {"--dry-run", "--allow-removals"});
    EXPECT_EQ(removal.exitCode, 1) << removal.errors;
    EXPECT_TRUE(saidLine(removal, "*****Error - breaking: - message SendInvoice  breaking")) << removal.errors;
    ProgramResult both = apply(file, {"--dry-run", "--allow-removals", "--allow-breaking"});
    EXPECT_EQ(both.exitCode, 0) << both.errors;
    EXPECT_NE(both.output.find("delete  - message SendInvoice\n"), std::string::npos) << both.output;

    std::string dropped = write("dropped.xml", replaced(orders(), "  <Element ref=\"Note\" minOccurs=\"0\"/>\n", ""));
    ProgramResult member = apply(dropped, {"--dry-run", "--allow-breaking"});
    EXPECT_EQ(member.exitCode, 0) << member.errors;
    EXPECT_NE(member.output.find("delete  - member  Order_t.Note\n"), std::string::npos) << member.output;
}

TEST_P(Apply, TheSetsOwnFileHasNothingToApply) {
    const auto before = everything();
    for (bool dryRun : {true, false}) {
        ProgramResult same = apply(sourcePath("examples/orders.xml"),
                                   dryRun ? std::vector<std::string>{"--dry-run"} : std::vector<std::string>{});
        EXPECT_EQ(same.exitCode, 0) << same.errors;
        EXPECT_EQ(same.output, nothingPlanned);
    }
    EXPECT_EQ(everything(), before);
}

// The ids of the items of a message set, by kind and identifier, and the uuids they hold.
Rows itemIds(const TestRepository& repo, int key) {
    std::string set = std::to_string(key);
    return repo.query("SELECT 'type', IDENTIFIER, CAST(ID_VALUE AS VARCHAR(20)) FROM M_TYPE WHERE PROJECT = " + set +
                      " UNION ALL SELECT 'element', IDENTIFIER, CAST(ID_VALUE AS VARCHAR(20)) FROM M_ELEMENT WHERE PROJECT = " + set +
                      " UNION ALL SELECT 'message', IDENTIFIER, CAST(ID_VALUE AS VARCHAR(20)) FROM M_MESSAGE WHERE PROJECT = " + set +
                      " UNION ALL SELECT 'value', IDENTIFIER, CAST(ID_VALUE AS VARCHAR(20)) FROM M_VALUE WHERE PROJECT = " + set +
                      " UNION ALL SELECT 'uuid', CAST(COMPONENT_ID AS VARCHAR(20)), ATTR_VALUE FROM M_ATTRIBUTE "
                      "WHERE ATTR_NAME = 'uuid' AND PROJECT = " + set + " ORDER BY 1, 2, 3");
}

// The rows of `after` whose kind and identifier (or owner) `before` has too: they are the same.
Rows keptOf(const Rows& before, const Rows& after) {
    std::set<std::pair<std::string, std::string>> named;
    for (const Row& row : after)
        named.emplace(row[0], row[1]);
    Rows kept;
    for (const Row& row : before) {
        if (named.count({row[0], row[1]}) != 0)
            kept.push_back(row);
    }
    return kept;
}

class ApplyWriting : public Apply {
  protected:
    // A message set made by norvakinit with the bindings of Orders, holding
    // the file as a fresh import makes it.
    std::vector<std::string> freshImport(const std::string& set, const std::string& file) {
        createMessageSet(set);
        ProgramResult loaded = runConnected("norvakload", {"-s", set, "-f", file});
        EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
        return canonicalRows(accessOf(repo()), set);
    }
};

TEST_P(ApplyWriting, TheSetEndsAsAFreshImportOfTheFileAndItsItemsKeepTheirIdsAndUuids) {
    const auto before = everything();
    const Rows idsBefore = itemIds(repo(), 100);
    std::string file = write("changed.xml", changedOrders());
    ProgramResult applied = apply(file, {"--allow-breaking", "--allow-removals"});
    ASSERT_EQ(applied.exitCode, 0) << applied.errors;
    EXPECT_NE(applied.output.find("plan: 2 insert, 4 update, 2 delete, 0 keep\n"), std::string::npos);
    EXPECT_TRUE(contains({0, applied.errors, ""}, "Applied: 8 changes to message set Orders of " +
                                                      repo().dataSource() + " ("))
        << applied.errors;
    EXPECT_EQ(runConnected("norvakdiff", {"-s", "Orders", "-f", file}).output,
              "0 differences: 0 breaking, 0 compatible; norvakload would apply 0 of them and keep 0 as stored\n");
    EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"), freshImport("Fresh", file));
    const Rows idsAfter = itemIds(repo(), 100);
    EXPECT_EQ(keptOf(idsBefore, idsAfter), keptOf(idsAfter, idsBefore)) << "an item on both sides kept its id";
    EXPECT_LT(keptOf(idsBefore, idsAfter).size(), idsBefore.size()) << "the removed message and its uuid are gone";

    // Applying the set's own file again restores its rows, the removed message with new ids.
    ProgramResult back =
        apply(sourcePath("examples/orders.xml"), {"--allow-breaking", "--allow-removals", "--format", "json"});
    ASSERT_EQ(back.exitCode, 0) << back.errors;
    nlohmann::json document = nlohmann::json::parse(back.output);
    EXPECT_EQ(document["applied"], true);
    EXPECT_GT(document["written"]["inserted"], 0);
    EXPECT_GT(document["written"]["deleted"], 0);
    EXPECT_EQ(everything().first, before.first);
    ProgramResult again = apply(sourcePath("examples/orders.xml"));
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(again.output, nothingPlanned);
}

TEST_P(ApplyWriting, WithoutAllowRemovalsTheItemsOnlyTheSetHoldsStayWithEverythingTheyHold) {
    auto aboutTheMessage = [this] {
        std::vector<std::string> lines;
        for (const std::string& line : canonicalRows(accessOf(repo()), "Orders")) {
            if (line.find("SendInvoice") != std::string::npos)
                lines.push_back(line);
        }
        return lines;
    };
    const std::vector<std::string> before = aboutTheMessage();
    ASSERT_FALSE(before.empty());
    std::string file = write("changed.xml", changedOrders());
    ProgramResult applied = apply(file, {"--allow-breaking"});
    EXPECT_EQ(applied.exitCode, 2) << applied.errors;
    EXPECT_TRUE(contains({0, applied.errors, ""}, "Applied: 7 changes")) << applied.errors;
    EXPECT_EQ(aboutTheMessage(), before);
    ProgramResult left = runConnected("norvakdiff", {"-s", "Orders", "-f", file});
    EXPECT_EQ(left.output, "- message SendInvoice  breaking\n"
                           "1 difference: 1 breaking, 0 compatible; norvakload would apply 0 of them and keep 0 as "
                           "stored\n");
}

// With removals allowed, a file of other items replaces the set's whole:
// its tabs as well, which an import would keep.
TEST_P(ApplyWriting, AFileOfOtherItemsReplacesEveryItemAndTabWithRemovalsAllowed) {
    const auto before = everything();
    for (const char* example : {"examples/payments.xml", "examples/sensors.xml"}) {
        SCOPED_TRACE(example);
        ProgramResult applied = apply(sourcePath(example), {"--allow-breaking", "--allow-removals"});
        ASSERT_EQ(applied.exitCode, 0) << applied.errors;
        EXPECT_NE(applied.output.find("\ndelete  - tab "), std::string::npos) << applied.output;
        EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"),
                  freshImport(std::string("Fresh") + (example[9] == 'p' ? "P" : "S"), sourcePath(example)));
    }
    ProgramResult back = apply(sourcePath("examples/orders.xml"), {"--allow-breaking", "--allow-removals"});
    ASSERT_EQ(back.exitCode, 0) << back.errors;
    EXPECT_EQ(everything().first, before.first);
}

// A statement the database refuses halfway through the changes: the
// transaction is rolled back whole.
TEST_P(ApplyWriting, AWriteTheDatabaseRefusesLeavesTheSetAsItWas) {
    if (GetParam() == Backend::sqlite) {
        repo().execute("CREATE TRIGGER refuse_messages BEFORE INSERT ON M_MESSAGE BEGIN SELECT RAISE(ABORT, "
                       "'no new messages'); END");
    } else {
        repo().execute("CREATE FUNCTION refuse_messages() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'no new "
                       "messages'; END $$ LANGUAGE plpgsql");
        repo().execute("CREATE TRIGGER refuse_messages BEFORE INSERT ON M_MESSAGE FOR EACH ROW EXECUTE FUNCTION "
                       "refuse_messages()");
    }
    const auto before = everything();
    ProgramResult refused = apply(write("changed.xml", changedOrders()), {"--allow-breaking", "--allow-removals"});
    EXPECT_EQ(refused.exitCode, 9) << refused.errors;
    EXPECT_TRUE(contains({0, refused.errors, ""}, "*****Error - writing the changes to message set Orders failed - "
                                                  "nothing was written"))
        << refused.errors;
    EXPECT_EQ(everything(), before);
}

// A set named like a number beside Orders, texts at the columns' width with
// quotes and letters beyond ASCII: written whole, and Orders untouched.
TEST_P(ApplyWriting, TextsAtTheirWidthWithQuotesInASetNamedLikeANumberAreWrittenWhole) {
    const auto orders = everything();
    createMessageSet("12.50");
    ASSERT_EQ(runConnected("norvakload", {"-s", "12.50", "-f", sourcePath("examples/orders.xml")}).exitCode, 0);
    const std::string tail(243, 'x');
    const std::string label = "It's \"q\" \xC3\xBC" + tail; // 254 bytes
    std::string file = write("wide.xml", replaced(changedOrders(), "name=\"Customer no\"",
                                                  "name=\"It's &quot;q&quot; \xC3\xBC" + tail + "\""));
    ProgramResult applied =
        runConnected("norvakapply", {"-s", "12.50", "-f", file, "--allow-breaking", "--allow-removals", "-q"});
    ASSERT_EQ(applied.exitCode, 0) << applied.errors;
    EXPECT_EQ(repo().query("SELECT NAME FROM M_ELEMENT WHERE PROJECT = 101 AND IDENTIFIER = 'CustomerId'"),
              (Rows{{label}}));
    EXPECT_EQ(runConnected("norvakdiff", {"-s", "12.50", "-f", file}).output,
              "0 differences: 0 breaking, 0 compatible; norvakload would apply 0 of them and keep 0 as stored\n");
    EXPECT_EQ(canonicalRows(accessOf(repo()), "12.50"), freshImport("Wide", file));
    EXPECT_EQ(everything().first, orders.first);
}

// Out of memory at any moment after connecting (reading the set, importing
// the file in memory, pairing the rows, writing them, reading them back):
// the run ends with its own exit code and the set is as it was.
TEST_P(ApplyWriting, RunningOutOfMemoryAtAnyMomentLeavesTheSetAsItWas) {
    const std::vector<std::string> before = everything().first;
    std::string file = write("changed.xml", changedOrders());
    const std::vector<std::string> after = freshImport("Fresh", file);
    int ranOut = 0;
    // The run makes about 12500 allocations after it connects.
    for (const char* allocations : {"0", "2500", "5000", "7500", "10000", "12000"}) {
        std::vector<std::string> environment = repo().environment();
        environment.push_back(std::string("LD_PRELOAD=") + NORVAK_FAILING_ALLOCATION);
        environment.push_back(std::string("NORVAK_FAIL_NEW_AFTER=") + allocations);
        environment.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0:allocator_may_return_null=1");
        ProgramResult result = runProgram("norvakapply",
                                          {"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password(),
                                           "-s", "Orders", "-f", file, "--allow-breaking", "--allow-removals"},
                                          std::string(), environment);
        if (result.exitCode == 0) {
            EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"), after) << allocations;
            ASSERT_EQ(apply(sourcePath("examples/orders.xml"), {"--allow-breaking", "--allow-removals"}).exitCode, 0);
            continue;
        }
        ++ranOut;
        EXPECT_EQ(result.exitCode, 254) << allocations << "\n" << result.errors;
        EXPECT_TRUE(contains({0, result.errors, ""}, "*****Error - out of memory - the run ended early and its "
                                                      "changes have been rolled back"))
            << result.errors;
        EXPECT_EQ(canonicalRows(accessOf(repo()), "Orders"), before) << allocations;
    }
    EXPECT_GE(ranOut, 4);
}

// The seed of the generated edits: NORVAK_APPLY_SEED when set, otherwise a
// new one each run (said with any failure, to run it again).
unsigned editSeed() {
    const char* given = std::getenv("NORVAK_APPLY_SEED");
    return given != nullptr && *given != '\0' ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                              : std::random_device{}();
}

// For a generated file A imported into a set and a file B made of A by a few
// hundred random edits of every kind: after an apply of B with everything
// allowed the set has no difference from B, holds what a fresh import of B
// holds, its items that B still has kept their ids and uuids; and an apply of
// A brings back A's rows.
TEST_P(ApplyWriting, AGeneratedFileAndRandomEditsOfItApplyBothWaysExactly) {
    const unsigned seed = editSeed();
    SCOPED_TRACE("NORVAK_APPLY_SEED=" + std::to_string(seed));
    const int elements = 1500;
    std::string a = write("a.xml", generatedModel(elements));
    std::string b = write("b.xml", editedModel(elements, seed, 300));
    createMessageSet("Generated");
    ASSERT_EQ(runConnected("norvakload", {"-s", "Generated", "-f", a}).exitCode, 0);
    const std::vector<std::string> rowsOfA = canonicalRows(accessOf(repo()), "Generated");
    const Rows idsOfA = itemIds(repo(), 101);

    ProgramResult applied =
        runConnected("norvakapply", {"-s", "Generated", "-f", b, "--allow-breaking", "--allow-removals", "-q"});
    ASSERT_EQ(applied.exitCode, 0) << applied.errors;
    ProgramResult left = runConnected("norvakdiff", {"-s", "Generated", "-f", b});
    EXPECT_EQ(left.output,
              "0 differences: 0 breaking, 0 compatible; norvakload would apply 0 of them and keep 0 as stored\n");
    EXPECT_EQ(canonicalRows(accessOf(repo()), "Generated"), freshImport("FreshB", b));
    const Rows idsOfB = itemIds(repo(), 101);
    EXPECT_EQ(keptOf(idsOfA, idsOfB), keptOf(idsOfB, idsOfA)) << "an item on both sides kept its id and uuid";
    EXPECT_GT(keptOf(idsOfA, idsOfB).size(), idsOfA.size() / 2);

    ProgramResult back =
        runConnected("norvakapply", {"-s", "Generated", "-f", a, "--allow-breaking", "--allow-removals", "-q"});
    ASSERT_EQ(back.exitCode, 0) << back.errors;
    EXPECT_EQ(canonicalRows(accessOf(repo()), "Generated"), rowsOfA);
}

INSTANTIATE_TEST_SUITE_P(, ApplyWriting, allBackends(), backendParamName);

TEST_P(Apply, JsonGivesThePlanTheGatesAndTheOutcome) {
    std::string file = write("changed.xml", changedOrders());
    ProgramResult refused = apply(file, {"--dry-run", "--format", "json"});
    EXPECT_EQ(refused.exitCode, 1);
    nlohmann::json document = nlohmann::json::parse(refused.output);
    EXPECT_EQ(document["program"], "norvakapply");
    EXPECT_EQ(document["exitCode"], 1);
    EXPECT_EQ(document["messageSet"], "Orders");
    EXPECT_EQ(document["dryRun"], true);
    EXPECT_EQ(document["applied"], false);
    EXPECT_EQ(document["gates"]["breakingRefused"], true);
    EXPECT_EQ(document["gates"]["breaking"].size(), 5u);
    EXPECT_EQ(document["gates"]["breaking"][1], "- member  Order_t.Note");
    EXPECT_EQ(document["gates"]["removalsKept"], 1);
    EXPECT_EQ(document["summary"]["insert"], 2);
    EXPECT_EQ(document["summary"]["update"], 4);
    EXPECT_EQ(document["summary"]["delete"], 1);
    EXPECT_EQ(document["summary"]["keep"], 1);
    ASSERT_EQ(document["differences"].size(), 8u);
    EXPECT_EQ(document["differences"][1]["identifier"], "SendInvoice");
    EXPECT_EQ(document["differences"][1]["action"], "keep");
    EXPECT_EQ(document["differences"][3]["action"], "delete");
    EXPECT_EQ(document["errors"][0]["text"],
              "Error - 5 breaking changes refused: give --allow-breaking to apply them - nothing was written");

    ProgramResult allowed = apply(file, {"--dry-run", "--allow-breaking", "--allow-removals", "--format", "json"});
    EXPECT_EQ(allowed.exitCode, 0);
    nlohmann::json open = nlohmann::json::parse(allowed.output);
    EXPECT_EQ(open["gates"]["breakingRefused"], false);
    EXPECT_EQ(open["gates"]["removalsKept"], 0);
    EXPECT_EQ(open["differences"][1]["action"], "delete");
}

TEST_P(Apply, EachFailureHasItsOwnExitCodeAndWritesNothing) {
    const auto before = everything();
    std::string file = sourcePath("examples/orders.xml");
    for (bool dryRun : {true, false}) {
        SCOPED_TRACE(dryRun);
        std::vector<std::string> mode = dryRun ? std::vector<std::string>{"--dry-run"} : std::vector<std::string>{};
        ProgramResult noSet = apply(file, mode, "Nowhere");
        EXPECT_EQ(noSet.exitCode, 7);
        EXPECT_TRUE(saidLine(noSet, "*****Error - message set Nowhere not found - nothing was written")) << noSet.errors;
        ProgramResult unreadable = apply(repo().folder().path() + "/missing.xml", mode);
        EXPECT_EQ(unreadable.exitCode, 5) << unreadable.errors;
        ProgramResult broken = apply(write("broken.xml", "<Element ident=\"X\" type=\"strin\"/>\n"), mode);
        EXPECT_EQ(broken.exitCode, 6) << broken.errors;
        EXPECT_TRUE(contains({0, broken.errors, ""}, "has errors the import would refuse it for")) << broken.errors;
        std::vector<std::string> arguments{"-n", "no_such_source", "-s", "Orders", "-f", file};
        arguments.insert(arguments.end(), mode.begin(), mode.end());
        EXPECT_EQ(runProgram("norvakapply", arguments, "", repo().environment()).exitCode, 9);
        for (const ProgramResult& result : {noSet, unreadable, broken})
            EXPECT_EQ(result.output, "");
    }
    EXPECT_EQ(runConnected("norvakapply", {"-s", "Orders"}).exitCode, 4);
    EXPECT_EQ(runConnected("norvakapply", {"-f", file}).exitCode, 4);
    EXPECT_EQ(apply(file, {"--allow-everything"}).exitCode, 4);
    EXPECT_EQ(apply(file, {"--lock-timeout", "-5"}).exitCode, 4);
    EXPECT_EQ(apply(file, {"--format", "yaml"}).exitCode, 4);
    EXPECT_EQ(apply(file, {"stray"}).exitCode, 4);
    EXPECT_EQ(runProgram("norvakapply", {}).exitCode, 3);
    EXPECT_EQ(everything(), before);
}

TEST_P(Apply, ARealRunWaitsForTheSetsLockAndGivesUpAfterItsTimeout) {
    std::string changed = write("changed.xml", changedOrders());
    HeldLock held(repo(), "UPDATE PROJECT SET NEXT_ID = NEXT_ID WHERE PROJECT_KEY = 100");
    ProgramResult locked = apply(changed, {"--allow-breaking", "--lock-timeout", "2"});
    EXPECT_EQ(locked.exitCode, 8) << locked.errors;
    EXPECT_EQ(locked.output, "") << "nothing of the set was read";
    // A dry run takes no lock.
    ProgramResult dry = apply(changed, {"--dry-run", "--allow-breaking", "--lock-timeout", "2"});
    EXPECT_EQ(dry.exitCode, 2) << dry.errors;
}

INSTANTIATE_TEST_SUITE_P(, Apply, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
