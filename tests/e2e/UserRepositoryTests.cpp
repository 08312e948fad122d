// End-to-end tests of norvakinit without -n: the user's embedded repository, registered once as the user data
// source norvak, which the shipped examples and -n norvak then reach.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

const std::string orders = sourcePath("examples/orders.xml");

// A user of their own: a home folder, XDG_DATA_HOME set or not, and the
// user's odbc.ini in the home (unixODBC takes the home of the password
// database, not HOME, so the file is named through ODBCINI).
class FreshUser {
  public:
    // With `ownDataHome`, XDG_DATA_HOME names a folder that does not exist yet;
    // otherwise it is empty, which stands for ~/.local/share.
    explicit FreshUser(bool ownDataHome = false) : dataHome_(ownDataHome ? data_.path() + "/data" : std::string()) {}
    std::string home() const { return home_.path(); }
    std::string odbcIni() const { return home() + "/.odbc.ini"; }
    std::string repositoryFile() const {
        return (dataHome_.empty() ? home() + "/.local/share" : dataHome_) + "/norvak/repository.db";
    }
    ProgramResult run(const std::string& program, const std::vector<std::string>& arguments) const {
        return runProgram(program, arguments, "",
                          {"HOME=" + home(), "XDG_DATA_HOME=" + dataHome_, "ODBCINI=" + odbcIni()});
    }

  private:
    TempDir home_;
    TempDir data_;
    std::string dataHome_;
};

TEST(UserRepository, NorvakinitWithoutDataSourceRegistersTheEmbeddedRepositoryOnce) {
    FreshUser user;
    ProgramResult first = user.run("norvakinit", {});
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(hasLinesInOrder(first, {"Created the repository " + user.repositoryFile() +
                                            " and the data source norvak in " + user.odbcIni() + ": use -n norvak",
                                        "Connection successful norvak", "Repository norvak is ready"}))
        << first.output;
    EXPECT_TRUE(std::filesystem::exists(user.repositoryFile()));
    std::string registered = readFile(user.odbcIni());
    EXPECT_EQ(registered, "[norvak]\nDescription=Norvak embedded repository\nDriver=SQLite3\nDatabase=" +
                              user.repositoryFile() + "\n\n");

    // Again: the data source is there, and so are the tables.
    ProgramResult second = user.run("norvakinit", {});
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_TRUE(hasLinesInOrder(second, {"Using the data source norvak, which is defined already, as it is: use -n "
                                         "norvak",
                                         "Repository tables: 0 created, 20 already present"}))
        << second.output;
    EXPECT_EQ(readFile(user.odbcIni()), registered);

    // What the shipped examples and the README take from here.
    ProgramResult set = user.run("norvakinit", {"-n", "norvak", "-s", "Orders"});
    ASSERT_EQ(set.exitCode, 0) << set.output;
    ProgramResult load = user.run("norvakload", {"-f", orders}); // ZEP_DB="norvak"
    ASSERT_EQ(load.exitCode, 0) << load.output;
    ProgramResult show = user.run("norvakshow", {"-n", "norvak"});
    EXPECT_EQ(show.exitCode, 0) << show.output;
    EXPECT_TRUE(contains(show, " Orders\n")) << show.output;
    EXPECT_TRUE(contains(show, " PlaceOrder\n")) << show.output;
}

TEST(UserRepository, AMessageSetWithoutDataSourceGoesIntoTheEmbeddedRepository) {
    FreshUser user(true);
    ProgramResult init = user.run("norvakinit", {"-s", "Orders", "-l", "C"});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_TRUE(hasLine(init, "Created message set Orders with key 100, next id 100000")) << init.output;
    EXPECT_TRUE(std::filesystem::exists(user.repositoryFile())) << user.repositoryFile();
    EXPECT_FALSE(std::filesystem::exists(user.home() + "/.local"));
    ProgramResult show = user.run("norvakshow", {"-n", "norvak", "-s", "Orders"});
    EXPECT_EQ(show.exitCode, 0) << show.output;
}

TEST(UserRepository, ADataSourceNorvakThatExistsIsUsedAsItIs) {
    FreshUser user;
    std::string database = user.home() + "/elsewhere.db";
    std::string section = "[norvak]\nDriver=SQLite3\nDatabase=" + database + "\n";
    TempDir files;
    std::string odbcIni = files.write("odbc.ini", section);
    ProgramResult init = runProgram("norvakinit", {}, "", {"HOME=" + user.home(), "ODBCINI=" + odbcIni});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_TRUE(hasLine(init, "Using the data source norvak, which is defined already, as it is: use -n norvak"))
        << init.output;
    EXPECT_EQ(readFile(odbcIni), section);
    EXPECT_TRUE(std::filesystem::exists(database));
    EXPECT_FALSE(std::filesystem::exists(user.home() + "/.local"));
}

TEST(UserRepository, ARepositoryFolderThatCannotBeMadeChangesNothing) {
    // The tests' own default: a data folder under /dev/null.
    ProgramResult init = runProgram("norvakinit", {"-s", "Orders"});
    EXPECT_EQ(init.exitCode, 5) << init.output;
    EXPECT_TRUE(hasLine(init, "*****Error - the embedded repository cannot be set up: the folder "
                              "/dev/null/norvak-test-data/norvak cannot be created: Not a directory - nothing was "
                              "changed"))
        << init.output;
    EXPECT_FALSE(contains(init, "Connecting to database"));
    // The usage is asked for with "?", as before.
    ProgramResult usage = runProgram("norvakinit", {"?"});
    EXPECT_EQ(usage.exitCode, 1) << usage.output;
    EXPECT_TRUE(contains(usage, "Command usage is:")) << usage.output;
    // The other programs keep their usage without -n.
    EXPECT_EQ(runProgram("norvakshow", {}).exitCode, 1);
    EXPECT_EQ(runProgram("norvakpurge", {}).exitCode, 1);
}

} // namespace
} // namespace norvak::test
