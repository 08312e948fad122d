// Tests of norvakexport: files that import as the same rows, and canonical rows.
#include "e2e/GeneratedModels.h"
#include "e2e/RoundTrip.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>

// norvakexport: a message set back to a definitions file that imports into
// an empty message set as the same rows, and its canonical rows.

namespace norvak::test {
namespace {

// What a folder holds, entry by entry: its kind, mode, owner, device or
// link text and content; to compare the file system before and after a run.
using FolderState = std::map<std::string, std::tuple<unsigned, unsigned, unsigned long, std::string>>;
FolderState folderState(const std::string& folder) {
    FolderState state;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string path = entry.path().string();
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            continue;
        std::string what;
        if (S_ISLNK(status.st_mode))
            what = "link to " + std::filesystem::read_symlink(path).string();
        else if (S_ISREG(status.st_mode))
            what = readFile(path);
        state[entry.path().filename().string()] = {static_cast<unsigned>(status.st_mode),
                                                   static_cast<unsigned>(status.st_uid),
                                                   static_cast<unsigned long>(status.st_rdev), what};
    }
    return state;
}

class Export : public RepositoryTest {
  protected:
    RepositoryAccess access() { return accessOf(repo()); }

    // Imports the file into a new message set and checks the round trip, and
    // that importing the export into the same message set adds nothing.
    void importAndRoundTrip(const std::string& file, const std::string& set) {
        createMessageSet(set);
        ProgramResult load = runConnected("norvakload", {"-f", file, "-s", set});
        ASSERT_EQ(load.exitCode, 0) << load.output;
        ProgramResult exported = exportSet(access(), set, {"-o", repo().folder().path() + "/" + set + ".xml"});
        ASSERT_EQ(exported.exitCode, 0) << exported.errors;
        EXPECT_TRUE(roundTrips(access(), set, copyBackend(GetParam())));

        std::vector<std::string> before = canonicalRows(access(), set);
        ProgramResult again = runConnected("norvakload", {"-f", repo().folder().path() + "/" + set + ".xml", "-s", set});
        ASSERT_EQ(again.exitCode, 0) << again.output;
        for (const char* table : {"M_MESSAGE        - 0", "M_ELEMENT        - 0", "M_VALUE          - 0",
                                  "VALUE_MEMBER     - 0", "M_TYPE           - 0", "TYPE_MEMBER      - 0",
                                  "M_ATTRIBUTE      - 0", "MEMBER_ATTRIBUTE - 0"})
            EXPECT_TRUE(hasLine(again, table)) << table << "\n" << again.output;
        EXPECT_EQ(canonicalRows(access(), set), before);
    }
};

TEST_P(Export, ShippedExamplesComeBackAsTheSameRows) {
    for (const char* example : {"orders", "payments", "sensors"}) {
        SCOPED_TRACE(example);
        importAndRoundTrip(sourcePath(std::string("examples/") + example + ".xml"), std::string("Set_") + example);
    }
}

TEST_P(Export, AGeneratedModelWithEveryAttributeComesBackAsTheSameRows) {
    std::string file = repo().folder().write("generated.xml", generatedModel(2400));
    importAndRoundTrip(file, "Generated");
    // Every kind of row is there to compare.
    std::vector<std::string> rows = canonicalRows(access(), "Generated");
    for (const char* kind : {"M_TYPE ", "M_ELEMENT ", "M_MESSAGE ", "M_VALUE ", "TYPE_MEMBER ", "VALUE_MEMBER ",
                             "REG_PLUGIN_MEMBER ", "M_ATTRIBUTE ", "M_MEMBER_ATTRIBUTE "})
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.rfind(kind, 0) == 0; }))
            << kind;
    EXPECT_GT(rows.size(), 20000u);
}

TEST_P(Export, TheSameMessageSetGivesTheSameFileEveryTime) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    ProgramResult first = exportSet(access(), "Orders");
    ProgramResult second = exportSet(access(), "Orders");
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_EQ(first.output, second.output);
    EXPECT_EQ(first.output.find("DBPw"), std::string::npos);
    EXPECT_NE(first.output.find("<ZEPImport messageSet=\"Orders\"/>"), std::string::npos);
    EXPECT_NE(first.errors.find("Exported message set Orders: 5 types, 16 elements, 6 values, 2 messages, 3 wire formats"),
              std::string::npos)
        << first.errors;
}

TEST_P(Export, AnOutputFileIsReplacedWholeOrLeftAsItWas) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    std::string target = repo().folder().write("out.xml", "old content\n");

    ProgramResult missing = exportSet(access(), "Nothing", {"-o", target});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.errors.find("*****Error - message set Nothing not found - nothing was written"),
              std::string::npos)
        << missing.errors;
    EXPECT_EQ(readFile(target), "old content\n");

    ProgramResult written = exportSet(access(), "Orders", {"-o", target});
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    EXPECT_TRUE(written.output.empty());
    EXPECT_EQ(readFile(target), exportSet(access(), "Orders").output);

    ProgramResult unwritable = exportSet(access(), "Orders", {"-o", repo().folder().path() + "/no/such/dir/x.xml"});
    EXPECT_EQ(unwritable.exitCode, 5);
    EXPECT_NE(unwritable.errors.find("*****Error - the export could not be written to"), std::string::npos);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(repo().folder().path()))
        ++files;
    EXPECT_EQ(files, 1 + (GetParam() == Backend::sqlite ? 2 : 0) + 1) << "a temporary file was left behind";
}

TEST_P(Export, RowsNoDefinitionDescribesAreCountedNotDroppedSilently) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    // Rows another tool could have written: an attribute of a key the file
    // has no name for, a plugin member of an unknown kind, a category.
    std::string element = repo().query("SELECT MIN(ID_VALUE) FROM M_ELEMENT")[0][0];
    std::string tab = repo().query("SELECT MEMBER_ID FROM REG_PLUGIN_MEMBER WHERE PLUGIN_KEY = 6")[0][0];
    repo().execute("INSERT INTO M_ATTRIBUTE (PROJECT, ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, "
                   "ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, "
                   "STATUS) VALUES (100, 999999, " + element + ", 103, 'Encoding', 'enum', 'XML', 0, 0, 254, " + tab +
                   ", 32, 'hex', 0)");
    repo().execute("INSERT INTO REG_PLUGIN_MEMBER (PROJECT_KEY, MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, ACTIVE, "
                   "LAYER_FINAL, REG_NAME, STATUS) VALUES (100, 77, 9, 77, 1, 0, 'Other plugin', 0)");
    repo().execute("INSERT INTO M_CATEGORY (PROJECT, ID_VALUE, IDENTIFIER, NAME) VALUES (100, 5, 'c', 'c')");
    // A C name another tool changed: the import would make it again otherwise.
    repo().execute("UPDATE M_ATTRIBUTE SET ATTR_VALUE = 'renamed' WHERE ATTR_NAME = 'C Language Name' AND "
                   "COMPONENT_ID = " + element);

    ProgramResult exported = exportSet(access(), "Orders");
    EXPECT_EQ(exported.exitCode, 6);
    for (const char* line : {"*****Warning - not exported: 1 attribute rows the definitions format has no attribute for",
                             "*****Warning - not exported: 1 plugin members of a kind the definitions format has no tag for",
                             "*****Warning - not exported: 1 rows of table M_CATEGORY, which no definition describes",
                             "*****Warning - not exported: 1 uuids, language names or copy book names other than the "
                             "import makes"})
        EXPECT_NE(exported.errors.find(line), std::string::npos) << line << "\n" << exported.errors;
    // The rest is there, and imports.
    EXPECT_NE(exported.output.find("<Element ident=\"CustomerId\""), std::string::npos);
    createMessageSet("Copy");
    std::string file = repo().folder().write("partial.xml", exported.output);
    EXPECT_EQ(runConnected("norvakload", {"-f", file, "-s", "Copy"}).exitCode, 0);
}

TEST_P(Export, CommandLineMistakesAndMissingSetsAreToldApart) {
    EXPECT_EQ(run("norvakexport", {}).exitCode, 1);
    ProgramResult help = run("norvakexport", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--canonical"), std::string::npos);
    ProgramResult noSet = runProgram("norvakexport", {"-n", repo().dataSource()}, "", repo().environment());
    EXPECT_EQ(noSet.exitCode, 2);
    EXPECT_NE(noSet.errors.find("*****Error - no message set: give it with -s"), std::string::npos);
    ProgramResult unknown = runProgram("norvakexport", {"-n", repo().dataSource(), "-s", "x", "-x"}, "",
                                       repo().environment());
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.errors.find("*****Error - unrecognized command line parameter -x"), std::string::npos);
    ProgramResult badSchema = runProgram("norvakexport", {"-n", repo().dataSource(), "-s", "x", "-h", "a;b"}, "",
                                         repo().environment());
    EXPECT_EQ(badSchema.exitCode, 2);
    ProgramResult noSource = runProgram("norvakexport", {"-n", "no_such_source", "-s", "x"});
    EXPECT_EQ(noSource.exitCode, 4);
}

TEST_P(Export, AnImportInProgressIsNotSeenHalfWritten) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    std::vector<std::string> committed = canonicalRows(access(), "Orders");
    {
        // Another run's uncommitted rows, held while the export reads.
        HeldLock writer(repo(), "UPDATE PROJECT SET NEXT_ID = NEXT_ID WHERE PROJECT_KEY = 100");
        writer.run("INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_CATEGORY, TYPE_FLAGS, LOGICAL_DATA_TYPE, "
                   "TYPE_COMPOSITION, TYPE_CONTENT, NAME, STATUS, DESCOPED_IND) VALUES (100, 999998, 'halfway', 3, "
                   "0, 0, 6, 1, 'halfway', 0, 0)");
        EXPECT_EQ(canonicalRows(access(), "Orders"), committed);
    }
}

// An -o never writes over a database: the repository's own SQLite file (on
// PostgreSQL, another SQLite database) is refused with exit code 5, named or
// reached through a link, and the repository and the folder stay as they were.
TEST_P(Export, TheRepositoryDatabaseIsNeverWrittenOver) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    std::vector<std::string> rows = canonicalRows(access(), "Orders");
    const std::string folder = repo().folder().path();
    std::string database = GetParam() == Backend::sqlite
                               ? repo().database()
                               : repo().folder().write("other.db", std::string("SQLite format 3\0", 16) +
                                                                       std::string(4080, '\0'));
    ASSERT_EQ(::symlink(database.c_str(), (folder + "/repository").c_str()), 0);
    FolderState before = folderState(folder);
    ASSERT_TRUE(before.count(std::filesystem::path(database).filename().string()));

    for (const std::string& target : {database, folder + "/repository"}) {
        for (bool canonical : {false, true}) {
            SCOPED_TRACE(target + (canonical ? " --canonical" : ""));
            std::vector<std::string> options{"-o", target};
            if (canonical)
                options.push_back("--canonical");
            ProgramResult result = exportSet(access(), "Orders", options);
            EXPECT_EQ(result.exitCode, 5) << result.errors;
            EXPECT_NE(result.errors.find("*****Error - the export could not be written to " + target +
                                         ": it is an SQLite database (or its journal), which an output never "
                                         "replaces"),
                      std::string::npos)
                << result.errors;
            EXPECT_EQ(folderState(folder), before);
        }
    }
    // Nor what the database keeps beside it: replacing the lock file would let two runs change it at once.
    const std::string lockFile = database + ".norvak-lock";
    if (!std::filesystem::exists(lockFile))
        std::ofstream(lockFile).flush();
    const FolderState withLockFile = folderState(folder);
    ProgramResult overLock = exportSet(access(), "Orders", {"-o", lockFile});
    EXPECT_EQ(overLock.exitCode, 5) << overLock.errors;
    EXPECT_NE(overLock.errors.find("it belongs to the SQLite database beside it"), std::string::npos) << overLock.errors;
    EXPECT_EQ(folderState(folder), withLockFile);
    EXPECT_EQ(canonicalRows(access(), "Orders"), rows);
    EXPECT_EQ(runConnected("norvakshow", {"-s", "Orders"}).exitCode, 0);
}

// What -o names keeps what it is: a link stays a link (its file is written),
// a file keeps its mode, a FIFO and a device are written where they stand.
TEST_P(Export, AnOutputKeepsWhatIsAtThePath) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    const std::string expected = exportSet(access(), "Orders").output;
    const std::string folder = repo().folder().path();
    std::string file = repo().folder().write("private.xml", "old\n");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("private.xml", (folder + "/link.xml").c_str()), 0);
    ASSERT_EQ(::mkfifo((folder + "/pipe").c_str(), 0600), 0);
    bool device = ::geteuid() == 0 && ::mknod((folder + "/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    FolderState before = folderState(folder);

    ProgramResult written = exportSet(access(), "Orders", {"-o", folder + "/link.xml"});
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    FolderState after = folderState(folder);
    std::get<3>(before["private.xml"]) = expected; // only the content of the file the link names changes
    EXPECT_EQ(after, before);

    // The FIFO, held open at both ends by the test while the export writes
    // into it (the file, some kilobytes, fits in the pipe), then read.
    int readEnd = ::open((folder + "/pipe").c_str(), O_RDONLY | O_NONBLOCK);
    int writeEnd = ::open((folder + "/pipe").c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_TRUE(readEnd >= 0 && writeEnd >= 0);
    ProgramResult piped = exportSet(access(), "Orders", {"-o", folder + "/pipe"});
    ::close(writeEnd);
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(readEnd, buffer, sizeof buffer)) > 0;)
        received.append(buffer, static_cast<std::size_t>(n));
    ::close(readEnd);
    EXPECT_EQ(piped.exitCode, 0) << piped.errors;
    EXPECT_EQ(received, expected);
    if (device) {
        ProgramResult intoDevice = exportSet(access(), "Orders", {"-o", folder + "/null", "--canonical"});
        EXPECT_EQ(intoDevice.exitCode, 0) << intoDevice.errors;
    }
    EXPECT_EQ(folderState(folder), after);
}

// A definition without an identifier, or whose identifier names another
// definition too, is left out of the file with what refers to it (members,
// value uses, a message of its type), counted, and the rest imports.
TEST_P(Export, DefinitionsLeftOutAreLeftOutOfTheFileAndTheRestImports) {
    createMessageSet("Orders");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    repo().execute("UPDATE M_ELEMENT SET IDENTIFIER = '' WHERE IDENTIFIER = 'CustomerId'");
    repo().execute("UPDATE M_VALUE SET IDENTIFIER = 'Sku' WHERE IDENTIFIER = 'CurrencyEUR'");
    repo().execute("UPDATE M_TYPE SET IDENTIFIER = 'Paid' WHERE IDENTIFIER = 'Order_t'");
    std::vector<std::string> rows = canonicalRows(access(), "Orders");

    ProgramResult exported = exportSet(access(), "Orders", {"-o", repo().folder().path() + "/partial.xml"});
    EXPECT_EQ(exported.exitCode, 6) << exported.errors;
    for (const char* line : {"*****Warning - not exported: 1 definitions without an identifier",
                             "*****Warning - not exported: 4 identifiers that name more than one definition",
                             "*****Warning - not exported: 1 messages whose type is left out",
                             "*****Warning - not exported: 3 type members whose item is left out",
                             "*****Warning - not exported: 1 value uses whose value is left out"})
        EXPECT_NE(exported.errors.find(line), std::string::npos) << line << "\n" << exported.errors;
    std::string file = readFile(repo().folder().path() + "/partial.xml");
    for (const char* gone : {"ident=\"\"", "\"Sku\"", "\"Paid\"", "PlaceOrder", "CurrencyEUR"})
        EXPECT_EQ(file.find(gone), std::string::npos) << gone << "\n" << file;
    EXPECT_NE(file.find("<Element ident=\"CustomerName\""), std::string::npos);
    EXPECT_EQ(canonicalRows(access(), "Orders"), rows) << "the export changed the repository";

    createMessageSet("Copy");
    ProgramResult load = runConnected("norvakload", {"-f", repo().folder().path() + "/partial.xml", "-s", "Copy"});
    EXPECT_EQ(load.exitCode, 0) << load.output;
    ProgramResult copy = exportSet(access(), "Copy");
    EXPECT_EQ(copy.exitCode, 0) << copy.errors;
    EXPECT_NE(copy.output.find("<Type ident=\"Invoice_t\""), std::string::npos);
}

// Every name norvakinit takes (up to 127 bytes, with the characters a file
// must escape) is written in <ZEPImport/>, and the file imports into the
// set it names without -s.
TEST_P(Export, EveryMessageSetNameComesBackInTheFile) {
    std::string name = "Ordres & <\"S\xC3\xA4tze\"> 'x' ";
    name += std::string(127 - name.size(), 'n');
    ASSERT_EQ(name.size(), 127u);
    createMessageSet(name);
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", name}).exitCode, 0);
    std::vector<std::string> rows = canonicalRows(access(), name);
    std::string file = repo().folder().path() + "/named.xml";
    ProgramResult exported = exportSet(access(), name, {"-o", file});
    ASSERT_EQ(exported.exitCode, 0) << exported.errors;
    EXPECT_NE(readFile(file).find("<ZEPImport messageSet=\"Ordres &amp; &lt;&quot;S\xC3\xA4tze&quot;&gt; 'x' nnn"),
              std::string::npos)
        << readFile(file);
    ProgramResult again = runConnected("norvakload", {"-f", file});
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_TRUE(hasLine(again, "M_ELEMENT        - 0")) << again.output;
    EXPECT_EQ(canonicalRows(access(), name), rows);
}

INSTANTIATE_TEST_SUITE_P(, Export, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
