// Tests of norvakapply beside other runs on the same message set, and killed while it writes.
#include "e2e/GeneratedModels.h"
#include "e2e/RoundTrip.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <thread>

namespace norvak::test {
namespace {

void pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

const std::vector<std::string> everything{"--allow-breaking", "--allow-removals"};

class ApplyBesideOtherRuns : public OrdersTest {
  protected:
    std::unique_ptr<RunningProgram> startApply(const std::string& file, std::vector<std::string> more) {
        more.insert(more.begin(), {"-s", "Orders", "-f", file});
        return startConnected("norvakapply", more);
    }
    std::vector<std::string> rowsOf(const std::string& set) { return canonicalRows(accessOf(repo()), set); }
    // The canonical rows of a fresh import of the file into a set of its own.
    std::vector<std::string> freshImport(const std::string& set, const std::string& file) {
        createMessageSet(set);
        ProgramResult loaded = runConnected("norvakload", {"-s", set, "-f", file});
        EXPECT_EQ(loaded.exitCode, 0) << loaded.output;
        return rowsOf(set);
    }
    std::string large() { return repo().folder().write("large.xml", generatedModel(3000)); }
};

// An import and an apply of one set run in turn: the one that comes second
// waits for the first to end and works on what it wrote.
TEST_P(ApplyBesideOtherRuns, AnApplyWaitsForAnImportOfTheSetAndWorksOnWhatItWrote) {
    auto import = startConnected("norvakload", {"-s", "Orders", "-f", large(), "-v"});
    ASSERT_TRUE(import->waitForOutput("Created value member item", 300));
    import->pause(); // before its commit, holding the set's lock
    auto apply = startApply(sourcePath("examples/payments.xml"), {"--allow-breaking", "--lock-timeout", "300"});
    pause(2000);
    import->resume();
    ProgramResult imported = import->finish(300);
    EXPECT_EQ(imported.exitCode, 0) << imported.errors;
    ProgramResult applied = apply->finish(300);
    // The items of the set (the import's among them) that the file does not define are kept.
    EXPECT_EQ(applied.exitCode, 2) << applied.errors;
    EXPECT_TRUE(contains({0, applied.errors, ""}, "Another run is changing message set Orders - waiting"))
        << applied.errors;
    EXPECT_NE(applied.output.find("keep    - element E2999_e  kept: not in the file\n"), std::string::npos)
        << "the plan was made on the rows the import committed";
    ProgramResult left = runConnected("norvakdiff", {"-s", "Orders", "-f", sourcePath("examples/payments.xml")});
    for (const std::string& line : left.lines())
        EXPECT_TRUE(line[0] == '-' || line.find(" differences:") != std::string::npos) << line;
}

TEST_P(ApplyBesideOtherRuns, AnImportOrARemovalOfTheSetWaitsForAnApply) {
    ASSERT_EQ(loadFile(large()).exitCode, 0);
    auto apply = startApply(sourcePath("examples/payments.xml"), everything);
    // The plan is printed once the set is locked and read, before the writing.
    ASSERT_TRUE(apply->waitForOutput(" differences: ", 300));
    apply->pause();
    ProgramResult load = runConnected("norvakload", {"-s", "Orders", "-f", sourcePath("examples/orders.xml"),
                                                     "--lock-timeout", "2"});
    EXPECT_EQ(load.exitCode, 115) << load.output;
    ProgramResult purge = runConnected("norvakpurge", {"-s", "Orders", "--lock-timeout", "2"});
    EXPECT_NE(purge.exitCode, 0) << purge.output;
    apply->resume();
    ProgramResult applied = apply->finish(300);
    EXPECT_EQ(applied.exitCode, 0) << applied.errors;
    EXPECT_EQ(rowsOf("Orders"), freshImport("Payments", sourcePath("examples/payments.xml")));
}

// Killed at any moment of its run, an apply leaves the set as it was or as
// the file says: never between.
TEST_P(ApplyBesideOtherRuns, AnApplyKilledAtAnyMomentLeavesTheSetAsItWasOrAsTheFileSays) {
    ASSERT_EQ(loadFile(large()).exitCode, 0);
    const std::vector<std::string> before = rowsOf("Orders");
    const std::vector<std::string> after = freshImport("Payments", sourcePath("examples/payments.xml"));
    std::mt19937 random(std::random_device{}());
    int stillBefore = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        auto apply = startApply(sourcePath("examples/payments.xml"), everything);
        if (attempt % 2 == 0)
            apply->waitForOutput(" differences: ", 300); // once it writes
        int delay = std::uniform_int_distribution<int>(0, 1500)(random);
        pause(delay);
        apply->kill();
        apply->finish();
        std::vector<std::string> rows = rowsOf("Orders");
        if (rows == before) {
            ++stillBefore;
            continue;
        }
        EXPECT_EQ(rows, after) << "killed after " << delay << " ms";
        break;
    }
    SCOPED_TRACE(stillBefore);
    // The lock and the set are free for the next run, which gets through.
    ProgramResult applied = runConnected("norvakapply", {"-s", "Orders", "-f", sourcePath("examples/payments.xml"),
                                                         "--allow-breaking", "--allow-removals",
                                                         "--lock-timeout", "30"});
    EXPECT_EQ(applied.exitCode, 0) << applied.errors;
    EXPECT_EQ(rowsOf("Orders"), after);
}

INSTANTIATE_TEST_SUITE_P(, ApplyBesideOtherRuns, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
