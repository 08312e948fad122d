// Tests of programs running at the same time against one repository.
#include "e2e/GeneratedModels.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

namespace norvak::test {
namespace {

const std::string successLine = "Import was successful - please restart the norvakhub";
const std::string ordersLock = "UPDATE PROJECT SET NEXT_ID = NEXT_ID WHERE PROJECT_KEY = 100";

// Definitions of their own for one of several runs: a type with `count`
// elements and a message, all named after `stem`.
std::string definitionsOf(const std::string& stem, int count) {
    std::string text = "<CWFTab name=\"Binary\" ident=\"CWF1\"/>\n<Type ident=\"" + stem + "Type\">\n";
    for (int i = 0; i < count; ++i)
        text += "  <Element ident=\"" + stem + std::to_string(i) +
                "\" type=\"string\" length=\"10\" physicalType=\"fixed\"/>\n";
    text += "</Type>\n<Message ident=\"" + stem + "Message\" type=\"" + stem + "Type\"/>\n";
    return text;
}

void pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Runs that change a message set take its lock before they read anything,
// so that two of them run one after the other, and a run that waits says so.
class ConcurrentRuns : public OrdersTest {
  protected:
    void SetUp() override {
        OrdersTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createMessageSet("Invoices");
    }
    std::unique_ptr<RunningProgram> startLoad(const std::string& file, const std::string& set,
                                              std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"-f", file, "-s", set});
        return startConnected("norvakload", more);
    }
    std::string orders() { return sourcePath("examples/orders.xml"); }
    // A large import into `set`, caught while it writes its last rows, before
    // its commit (null when it did not get there): on SQLite it then holds
    // the database's write lock (its rows no longer fit the driver's page
    // cache), on PostgreSQL its message set's row and the tables' row locks.
    // Its verbose lines of those rows fill the pipe that the test reads no
    // more, so it cannot reach its commit before it is resumed and finished.
    std::unique_ptr<RunningProgram> pausedLargeImport(const std::string& set) {
        auto writer = startLoad(repo().folder().write("large-" + set + ".xml", generatedModel(4000)), set, {"-v"});
        if (!writer->waitForOutput("Created value member item", 300))
            return nullptr;
        writer->pause();
        return writer;
    }
    std::string count(const std::string& table, const std::string& where = "1 = 1") {
        return repo().query("SELECT COUNT(*) FROM " + table + " WHERE " + where)[0][0];
    }
    // Every id the runs drew from NEXT_ID of message set 100, and NEXT_ID itself.
    Rows idsOfOrders() {
        return repo().query("SELECT ID_VALUE FROM M_TYPE WHERE PROJECT = 100 UNION ALL SELECT ID_VALUE FROM "
                            "M_ELEMENT WHERE PROJECT = 100 UNION ALL SELECT ID_VALUE FROM M_MESSAGE WHERE PROJECT "
                            "= 100 UNION ALL SELECT ID_VALUE FROM M_VALUE WHERE PROJECT = 100 UNION ALL SELECT "
                            "MEMBER_ID FROM TYPE_MEMBER WHERE PROJECT = 100 UNION ALL SELECT MEMBER_ID FROM "
                            "VALUE_MEMBER WHERE PROJECT = 100");
    }
};

TEST_P(ConcurrentRuns, AnImportWaitsForTheLockSaysSoAndGivesUpAfterItsTimeout) {
    auto held = std::make_unique<HeldLock>(repo(), ordersLock);

    ProgramResult given = runConnected("norvakload", {"-f", orders(), "-s", "Orders", "--lock-timeout", "3"});
    EXPECT_EQ(given.exitCode, 115) << given.output;
    EXPECT_TRUE(hasLinesInOrder(
        given, {"Another run is changing message set Orders - waiting up to 1 seconds for it to finish",
                "*****Error - message set Orders is still being changed by another run after 3 seconds - nothing "
                "was changed"}))
        << given.output;
    EXPECT_FALSE(contains(given, "Searching for MessageSet")); // nothing of the set was read
    EXPECT_FALSE(contains(given, successLine));

    // A report-only run changes nothing and waits for no one.
    ProgramResult reportOnly = runConnected("norvakload", {"-f", orders(), "-s", "Orders", "-r"});
    EXPECT_EQ(reportOnly.exitCode, 0) << reportOnly.output;
    EXPECT_FALSE(contains(reportOnly, "Another run"));

    // A run that waits goes on as soon as the other run ends.
    auto waiting = startLoad(orders(), "Orders", {"--lock-timeout", "60"});
    pause(3000);
    held.reset();
    ProgramResult after = waiting->finish();
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_TRUE(hasLinesInOrder(after, {"Another run is changing message set Orders - waiting up to 58 seconds for it "
                                        "to finish",
                                        successLine}))
        << after.output;
    EXPECT_EQ(count("M_ELEMENT"), "16");
}

// Two imports into one message set, the first caught before its commit: the
// second waits for it, says so, and reads the message set once the first
// has committed, finding what it wrote.
TEST_P(ConcurrentRuns, AnImportWaitsForAnotherImportIntoTheSameMessageSetAndRunsAfterIt) {
    auto first = pausedLargeImport("Orders");
    ASSERT_TRUE(first);
    auto second = startLoad(repo().folder().write("late.xml", "<Type ident=\"LateType\">\n  <Element ident=\"Late\" "
                                                               "type=\"string\" length=\"4\"/>\n</Type>\n"),
                            "Orders", {"--lock-timeout", "120"});
    const std::string waiting =
        "Another run is changing message set Orders - waiting up to 118 seconds for it to finish";
    EXPECT_TRUE(second->waitForOutput(waiting, 30));

    first->resume();
    ProgramResult written = first->finish(300);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    const std::string elementsLine = "M_ELEMENT        - ";
    std::string elementsWritten;
    for (const std::string& line : written.lines())
        if (line.rfind(elementsLine, 0) == 0)
            elementsWritten = line.substr(elementsLine.size());
    ASSERT_FALSE(elementsWritten.empty()) << written.output;

    ProgramResult after = second->finish(300);
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_TRUE(hasLinesInOrder(after, {waiting, elementsWritten + " existing elements found in message set",
                                        successLine}))
        << after.output;
    EXPECT_EQ(count("M_ELEMENT", "PROJECT = 100"), std::to_string(std::stol(elementsWritten) + 1));
}

TEST_P(ConcurrentRuns, ALockTimeoutMustBeAWholeNumberOfSeconds) {
    for (const char* bad : {"soon", "-1", "86401", ""}) {
        ProgramResult result =
            runConnected("norvakload", {"-f", orders(), "-s", "Orders", std::string("--lock-timeout=") + bad});
        EXPECT_EQ(result.exitCode, 200) << bad;
        EXPECT_TRUE(hasLine(result, std::string("*****Error - --lock-timeout takes a whole number of seconds from 0 "
                                                "to 86400, not ") +
                                        bad))
            << result.output;
    }
}

TEST_P(ConcurrentRuns, ImportsIntoOneMessageSetRunOneAfterTheOther) {
    std::vector<std::unique_ptr<RunningProgram>> runs;
    for (const char* stem : {"Alpha", "Beta", "Gamma"})
        runs.push_back(startLoad(repo().folder().write(std::string(stem) + ".xml", definitionsOf(stem, 30)),
                                 "Orders"));
    runs.push_back(startLoad(repo().folder().write("AlphaAgain.xml", definitionsOf("Alpha", 30)), "Orders"));
    for (auto& run : runs) {
        ProgramResult result = run->finish();
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_TRUE(hasLine(result, successLine)) << result.output;
    }

    // Three sets of 30 elements, a type with 30 members and a message each;
    // the second Alpha run reused what the first wrote.
    EXPECT_EQ(count("M_ELEMENT"), "90");
    EXPECT_EQ(count("M_TYPE"), "3");
    EXPECT_EQ(count("M_MESSAGE"), "3");
    EXPECT_EQ(count("TYPE_MEMBER"), "90");
    Rows ids = idsOfOrders();
    std::set<std::string> distinct;
    long highest = 0;
    for (const Row& row : ids) {
        distinct.insert(row[0]);
        highest = std::max(highest, std::stol(row[0]));
    }
    EXPECT_EQ(distinct.size(), ids.size()); // no id was handed out twice
    EXPECT_EQ(repo().query("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100"),
              (Rows{{std::to_string(highest + 1)}}));
    EXPECT_EQ(repo().query("SELECT COUNT(*), COUNT(DISTINCT ATTR_ID) FROM M_ATTRIBUTE WHERE PROJECT = 100")[0][0],
              repo().query("SELECT COUNT(*), COUNT(DISTINCT ATTR_ID) FROM M_ATTRIBUTE WHERE PROJECT = 100")[0][1]);
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "PROJECT_KEY = 100 AND PLUGIN_KEY = 4"), "1"); // one CWF tab
}

TEST_P(ConcurrentRuns, SetUpsAllocateDistinctKeysAndOneNameOnce) {
    std::vector<std::unique_ptr<RunningProgram>> runs;
    for (const char* name : {"S1", "S2", "S3", "S4", "Same", "Same"})
        runs.push_back(startConnected("norvakinit", {"-s", name}));
    int refused = 0;
    for (auto& run : runs) {
        ProgramResult result = run->finish();
        if (result.exitCode == 2 && hasLine(result, "*****Error - message set Same already exists with key " +
                                                        repo().query("SELECT PROJECT_KEY FROM PROJECT WHERE NAME = "
                                                                     "'Same'")[0][0] +
                                                        " - nothing was changed"))
            ++refused;
        else
            EXPECT_EQ(result.exitCode, 0) << result.output;
    }
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(repo().query("SELECT COUNT(*), COUNT(DISTINCT PROJECT_KEY), MAX(PROJECT_KEY) FROM PROJECT"),
              (Rows{{"7", "7", "106"}}));
    EXPECT_EQ(repo().query("SELECT NEXT_PROJECT_KEY FROM REPOSITORY"), (Rows{{"107"}}));
}

TEST_P(ConcurrentRuns, PurgeWaitsForARunThatChangesTheMessageSet) {
    HeldLock held(repo(), ordersLock);
    ProgramResult purge = runConnected("norvakpurge", {"-s", "Orders", "--lock-timeout", "2"});
    EXPECT_EQ(purge.exitCode, 4) << purge.output;
    EXPECT_TRUE(hasLine(purge, "*****Error - message set Orders is still being changed by another run after 2 "
                               "seconds - nothing was changed"))
        << purge.output;
    EXPECT_FALSE(contains(purge, "Deleting entries"));
    EXPECT_EQ(count("PROJECT"), "2");
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "PROJECT_KEY = 100"), "3");
}

TEST_P(ConcurrentRuns, APurgeKilledHalfWayLeavesTheMessageSetWhole) {
    ProgramResult load = runConnected("norvakload", {"-f", orders(), "-s", "Orders"});
    ASSERT_EQ(load.exitCode, 0) << load.output;
    const std::string everything =
        "SELECT (SELECT COUNT(*) FROM PROJECT), (SELECT COUNT(*) FROM M_TYPE), (SELECT COUNT(*) FROM M_ELEMENT), "
        "(SELECT COUNT(*) FROM M_VALUE), (SELECT COUNT(*) FROM TYPE_MEMBER), (SELECT COUNT(*) FROM VALUE_MEMBER), "
        "(SELECT COUNT(*) FROM M_ATTRIBUTE), (SELECT COUNT(*) FROM M_MEMBER_ATTRIBUTE), (SELECT COUNT(*) FROM "
        "REG_PLUGIN_MEMBER)";
    Rows before = repo().query(everything);

    // Another connection keeps VALUE_MEMBER from being emptied (PostgreSQL)
    // or, on SQLite, where a reader holds no writer back in WAL journal
    // mode, the database in rollback mode is kept from going into WAL mode
    // (the removal's first step), so the removal is caught; then it is
    // killed.
    {
        bool sqlite = repo().backend() == Backend::sqlite;
        if (sqlite)
            repo().execute("PRAGMA journal_mode = DELETE");
        HeldLock reader(repo(), sqlite ? "SELECT COUNT(*) FROM VALUE_MEMBER" : "LOCK TABLE VALUE_MEMBER IN SHARE MODE",
                        /*takeLockFile*/ false);
        auto purge = startConnected("norvakpurge", {"-s", "Orders"});
        pause(2500);
        purge->kill();
        EXPECT_EQ(purge->finish().exitCode, -1000);
    }
    EXPECT_EQ(repo().query(everything), before);
}

// A large import caught before its commit: every other run still honours its own lock timeout or
// reads the last committed state, and says why it waits; nothing they do
// reaches the repository.
TEST_P(ConcurrentRuns, RunsBesideALargeImportHonourTheirTimeoutsOrReadTheLastCommittedState) {
    ProgramResult first = runConnected("norvakload", {"-f", orders(), "-s", "Orders"});
    ASSERT_EQ(first.exitCode, 0) << first.output;
    std::string exportedOrders = repo().folder().path() + "/orders-export.xml";
    auto exportOrders = [&] {
        std::filesystem::remove(exportedOrders);
        return startConnected("norvakexport", {"-s", "Orders", "-o", exportedOrders})->finish(30);
    };
    ASSERT_EQ(exportOrders().exitCode, 0);
    const std::string ordersBefore = readFile(exportedOrders);
    const Rows before = state();

    auto writer = pausedLargeImport("Invoices");
    ASSERT_TRUE(writer);

    ProgramResult purge = startConnected("norvakpurge", {"-s", "Invoices", "--lock-timeout", "2"})->finish(30);
    EXPECT_EQ(purge.exitCode, 4) << purge.output << purge.errors;
    EXPECT_TRUE(hasLine(purge, "*****Error - message set Invoices is still being changed by another run after 2 "
                               "seconds - nothing was changed"))
        << purge.output;

    ProgramResult load = startLoad(orders(), "Invoices", {"--lock-timeout", "3"})->finish(30);
    EXPECT_EQ(load.exitCode, 115) << load.output << load.errors;
    EXPECT_TRUE(hasLinesInOrder(
        load, {"Another run is changing message set Invoices - waiting up to 1 seconds for it to finish",
               "*****Error - message set Invoices is still being changed by another run after 3 seconds - nothing "
               "was changed"}))
        << load.output;

    // Runs that only read read what was committed before the import.
    ProgramResult exported = exportOrders();
    EXPECT_EQ(exported.exitCode, 0) << exported.output << exported.errors;
    EXPECT_EQ(readFile(exportedOrders), ordersBefore);
    ProgramResult shown = startConnected("norvakshow", {"-s", "Invoices"})->finish(30);
    EXPECT_EQ(shown.exitCode, 0) << shown.output << shown.errors;
    ProgramResult compared = startConnected("norvakdiff", {"-s", "Orders", "-f", orders()})->finish(30);
    EXPECT_EQ(compared.exitCode, 0) << compared.output << compared.errors;
    ProgramResult reportOnly = startLoad(orders(), "Orders", {"-r"})->finish(30);
    EXPECT_EQ(reportOnly.exitCode, 0) << reportOnly.output << reportOnly.errors;
    for (const ProgramResult* reader : {&exported, &shown, &compared, &reportOnly})
        EXPECT_FALSE(contains(*reader, "Another run")) << reader->output;

    // A set-up of the repository: on SQLite, with its one writer, it waits
    // for the import; on PostgreSQL it finds every index there and changes
    // nothing the import holds.
    ProgramResult setUp = startConnected("norvakinit", {"--lock-timeout", "2"})->finish(30);
    if (GetParam() == Backend::sqlite) {
        EXPECT_EQ(setUp.exitCode, 4) << setUp.output << setUp.errors;
        EXPECT_TRUE(hasLine(setUp, "*****Error - the repository is still being changed by another run after 2 "
                                   "seconds - nothing was changed"))
            << setUp.output;
    } else {
        EXPECT_EQ(setUp.exitCode, 0) << setUp.output << setUp.errors;
        EXPECT_FALSE(contains(setUp, "Another run")) << setUp.output;
    }

    writer->resume();
    ProgramResult written = writer->finish(300);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    EXPECT_EQ(state()[0][9], before[0][9]); // NEXT_ID of Orders
    EXPECT_EQ(count("PROJECT"), "2");
    EXPECT_EQ(count("M_ELEMENT", "PROJECT = 100"), before[0][1]);
    EXPECT_TRUE(hasLine(written, "M_ELEMENT        - " + count("M_ELEMENT", "PROJECT = 101"))) << written.output;
    ASSERT_EQ(exportOrders().exitCode, 0);
    EXPECT_EQ(readFile(exportedOrders), ordersBefore);
}

// A run that only reads a SQLite database that is not in WAL journal mode
// (a run of an earlier version writes it) would wait inside the driver for
// the writer: it says that it waits, and for what, and reads once the writer
// is done.
TEST_P(ConcurrentRuns, AReaderOfADatabaseNotInWalModeSaysThatItWaitsForTheWriter) {
    if (GetParam() != Backend::sqlite)
        GTEST_SKIP() << "a PostgreSQL reader never waits for a writer";
    repo().execute("PRAGMA journal_mode = DELETE");
    auto held = std::make_unique<HeldLock>(repo(), ordersLock);
    auto shown = startConnected("norvakshow", {"-s", "Orders"});
    pause(3000);
    held.reset();
    ProgramResult result = shown->finish(30);
    EXPECT_EQ(result.exitCode, 0) << result.output << result.errors;
    EXPECT_TRUE(hasLinesInOrder(result, {"Another run is changing the repository - waiting up to 598 seconds for it to "
                                         "finish",
                                         "Connected to database " + repo().dataSource()}))
        << result.output;

    // In WAL mode, which any run that changes the repository sets up, it reads at once.
    repo().execute("PRAGMA journal_mode = WAL");
    HeldLock again(repo(), ordersLock);
    ProgramResult beside = startConnected("norvakshow", {"-s", "Orders"})->finish(30);
    EXPECT_EQ(beside.exitCode, 0) << beside.output << beside.errors;
    EXPECT_FALSE(contains(beside, "Another run")) << beside.output;
}

// Creating an index on PostgreSQL waits for every run that writes its
// table: a set-up creates only the missing ones, within its lock timeout.
TEST_P(ConcurrentRuns, ASetUpOnAServerCreatesAMissingIndexWithinItsLockTimeout) {
    if (GetParam() == Backend::sqlite)
        GTEST_SKIP() << "on SQLite a set-up waits for the lock file of any run that writes";
    const std::string missing = "SELECT COUNT(*) FROM pg_indexes WHERE indexname = 'm_element_identifier_trimmed'";
    repo().execute("DROP INDEX M_ELEMENT_IDENTIFIER_TRIMMED");
    const Rows before = state();
    auto writer = pausedLargeImport("Invoices");
    ASSERT_TRUE(writer);

    ProgramResult setUp = startConnected("norvakinit", {"-s", "Parts", "--lock-timeout", "3"})->finish(30);
    EXPECT_EQ(setUp.exitCode, 4) << setUp.output << setUp.errors;
    EXPECT_TRUE(hasLinesInOrder(
        setUp, {"Another run is changing the repository - waiting up to 1 seconds for it to finish",
                "*****Error - the repository is still being changed by another run after 3 seconds - nothing was "
                "changed"}))
        << setUp.output;
    EXPECT_EQ(repo().query(missing), (Rows{{"0"}}));
    EXPECT_EQ(count("PROJECT"), "2");

    writer->resume();
    ASSERT_EQ(writer->finish(300).exitCode, 0);
    EXPECT_EQ(state()[0][9], before[0][9]); // NEXT_ID of Orders
    ProgramResult after = runConnected("norvakinit", {"-s", "Parts", "--lock-timeout", "3"});
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_EQ(repo().query(missing), (Rows{{"1"}}));
    EXPECT_EQ(count("PROJECT"), "3");
}

TEST_P(ConcurrentRuns, ImportsIntoDifferentMessageSetsDoNotWaitForEachOtherOnAServer) {
    if (GetParam() == Backend::sqlite)
        GTEST_SKIP() << "SQLite has one write lock for the whole database";
    HeldLock held(repo(), ordersLock);
    ProgramResult result = runConnected("norvakload", {"-f", orders(), "-s", "Invoices", "--lock-timeout", "1"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_FALSE(contains(result, "Another run"));
}

INSTANTIATE_TEST_SUITE_P(, ConcurrentRuns, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
