// Tests of the test repositories themselves: statements run, each repository separate.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace norvak::test {
namespace {

class RepositoryConnection : public RepositoryTest {};

// Runs one statement (without single quotes) in another process that finds
// the data source the way the programs do: by name, through environment().
std::string runThroughDataSource(const TestRepository& repository, const std::string& sql) {
    std::string command = "printf '%s\\n' '" + sql + "' | env";
    for (const std::string& setting : repository.environment())
        command += " '" + setting + "'";
    command +=
        " isql -b " + repository.dataSource() + " '" + repository.user() + "' '" + repository.password() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run: " + command);
    std::string output;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        output.append(buffer.data(), n);
    int status = pclose(pipe);
    return status == 0 ? output : "exit status " + std::to_string(status) + ": " + output;
}

// The database the data source leads to is the one the repository made.
void expectOwnDatabase(const TestRepository& repository) {
    if (repository.backend() == Backend::postgres) {
        EXPECT_EQ(repository.query("SELECT current_database(), current_user"),
                  (Rows{{repository.database(), repository.user()}}));
    } else {
        EXPECT_TRUE(std::filesystem::is_regular_file(repository.database())) << repository.database();
    }
}

TEST_P(RepositoryConnection, StatementsRunAndRowsComeBackAsText) {
    repo().execute("CREATE TABLE sample (id INTEGER NOT NULL, label VARCHAR(40))");
    repo().execute("INSERT INTO sample (id, label) VALUES (1, 'plain')");
    repo().execute("INSERT INTO sample (id, label) VALUES (2, NULL)");
    repo().execute("INSERT INTO sample (id, label) VALUES (3, 'it''s quoted')");
    repo().execute("INSERT INTO sample (id, label) VALUES (4, '')");
    repo().execute("DELETE FROM sample WHERE id = 99"); // touches no row and still succeeds
    EXPECT_EQ(repo().query("SELECT id, label FROM sample ORDER BY id"),
              (Rows{{"1", "plain"}, {"2", nullText}, {"3", "it's quoted"}, {"4", ""}}));
    EXPECT_EQ(repo().query("SELECT label FROM sample WHERE id = 99"), Rows{});
    expectOwnDatabase(repo());

    // A program given environment() reaches the same database by the data source name.
    EXPECT_EQ(runThroughDataSource(repo(), "DELETE FROM sample WHERE id = 1"), "SQLRowCount returns 1\n");
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM sample"), (Rows{{"3"}}));

    try {
        repo().execute("INSERT INTO missing_table (id) VALUES (1)");
        ADD_FAILURE() << "a statement on a missing table succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("missing_table"), std::string::npos) << error.what();
    }
}

TEST_P(RepositoryConnection, EachRepositoryIsSeparateAndGoesAwayWithItsObject) {
    repo().execute("CREATE TABLE sample (id INTEGER)");
    repo().execute("INSERT INTO sample (id) VALUES (7)");
    std::string otherDatabase;
    std::string otherFolder;
    {
        TestRepository other(GetParam());
        otherDatabase = other.database();
        otherFolder = other.folder().path();
        EXPECT_NE(other.database(), repo().database());
        EXPECT_NE(other.environment(), repo().environment());
        EXPECT_THROW(other.query("SELECT id FROM sample"), std::runtime_error);
        other.execute("CREATE TABLE sample (id INTEGER)");
        other.execute("INSERT INTO sample (id) VALUES (8)");
        EXPECT_EQ(other.query("SELECT id FROM sample"), (Rows{{"8"}}));
        expectOwnDatabase(other);
    }
    EXPECT_EQ(repo().query("SELECT id FROM sample"), (Rows{{"7"}}));
    EXPECT_FALSE(std::filesystem::exists(otherFolder));
    if (GetParam() == Backend::postgres) {
        EXPECT_EQ(repo().query("SELECT COUNT(*) FROM pg_database WHERE datname = '" + otherDatabase + "'"),
                  (Rows{{"0"}}));
    }
}

INSTANTIATE_TEST_SUITE_P(, RepositoryConnection, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
