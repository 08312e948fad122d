// The output routine: what each kind of thing at the path becomes, on a real file system.
#include "support/OutputFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// The one routine every -o goes through: what is at the path is replaced
// whole only when it is a regular file (or nothing), keeps its mode and
// owner, is written where it stands when it is a device or a FIFO, and is
// never an SQLite database.

namespace norvak {
namespace {

namespace fs = std::filesystem;

class Folder {
  public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "norvak-output-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // The names in the folder (a temporary file left behind shows here).
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(path_))
            found.insert(entry.path().filename().string());
        return found;
    }

  private:
    std::string path_;
};

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

struct stat statusOf(const std::string& path, bool followLinks = true) {
    struct stat status {};
    if ((followLinks ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status)) != 0)
        ADD_FAILURE() << path << ": " << std::strerror(errno);
    return status;
}

const std::string sqliteHeader("SQLite format 3\0", 16);

TEST(OutputFile, ANewFileIsWrittenWithTheModeTheUmaskLeaves) {
    Folder folder;
    std::string failure;
    mode_t mask = ::umask(022);
    ASSERT_TRUE(writeOutputFile(folder / "new.xml", "text\n", failure)) << failure;
    ::umask(mask);
    EXPECT_EQ(contentOf(folder / "new.xml"), "text\n");
    EXPECT_EQ(statusOf(folder / "new.xml").st_mode & 07777, 0644u);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"new.xml"}));
}

TEST(OutputFile, AReplacedFileKeepsItsModeAndIsReplacedWhole) {
    Folder folder;
    writeFile(folder / "out.xml", "old\n");
    ASSERT_EQ(::chmod((folder / "out.xml").c_str(), 0600), 0);
    std::string failure;
    ASSERT_TRUE(writeOutputFile(folder / "out.xml", "new\n", failure)) << failure;
    EXPECT_EQ(contentOf(folder / "out.xml"), "new\n");
    EXPECT_EQ(statusOf(folder / "out.xml").st_mode & 07777, 0600u);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"out.xml"}));
}

TEST(OutputFile, AReplacedFileKeepsItsOwnerAndGroup) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another owner needs root";
    Folder folder;
    writeFile(folder / "theirs.xml", "old\n");
    ASSERT_EQ(::chown((folder / "theirs.xml").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod((folder / "theirs.xml").c_str(), 0600), 0);
    std::string failure;
    ASSERT_TRUE(writeOutputFile(folder / "theirs.xml", "new\n", failure)) << failure;
    struct stat status = statusOf(folder / "theirs.xml");
    EXPECT_EQ(status.st_uid, 65534u);
    EXPECT_EQ(status.st_gid, 65534u);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(contentOf(folder / "theirs.xml"), "new\n");
}

TEST(OutputFile, AFileWhoseOwnerCannotBeKeptIsLeftAsItWas) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to run a child as another user";
    Folder folder;
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    writeFile(folder / "roots.xml", "old\n");
    ASSERT_EQ(::chmod((folder / "roots.xml").c_str(), 0666), 0); // writable, yet not theirs to give away
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        std::string failure;
        bool written = writeOutputFile(folder / "roots.xml", "new\n", failure);
        ::_exit(!written && failure.find("cannot be kept") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(contentOf(folder / "roots.xml"), "old\n");
    EXPECT_EQ(statusOf(folder / "roots.xml").st_uid, 0u);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"roots.xml"}));
}

TEST(OutputFile, ASymbolicLinkIsFollowedToItsFileAndStaysALink) {
    Folder folder;
    ASSERT_EQ(::mkdir((folder / "real").c_str(), 0755), 0);
    writeFile(folder / "real/target.xml", "old\n");
    ASSERT_EQ(::chmod((folder / "real/target.xml").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real/target.xml", (folder / "link.xml").c_str()), 0);
    ASSERT_EQ(::symlink("link.xml", (folder / "link-to-link.xml").c_str()), 0);
    // A link to nothing yet names where the file is made.
    ASSERT_EQ(::symlink("real/made.xml", (folder / "dangling.xml").c_str()), 0);

    std::string failure;
    ASSERT_TRUE(writeOutputFile(folder / "link-to-link.xml", "new\n", failure)) << failure;
    EXPECT_TRUE(S_ISLNK(statusOf(folder / "link.xml", false).st_mode));
    EXPECT_TRUE(S_ISLNK(statusOf(folder / "link-to-link.xml", false).st_mode));
    EXPECT_EQ(contentOf(folder / "real/target.xml"), "new\n");
    EXPECT_EQ(statusOf(folder / "real/target.xml").st_mode & 07777, 0640u);

    ASSERT_TRUE(writeOutputFile(folder / "dangling.xml", "made\n", failure)) << failure;
    EXPECT_TRUE(S_ISLNK(statusOf(folder / "dangling.xml", false).st_mode));
    EXPECT_EQ(contentOf(folder / "real/made.xml"), "made\n");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"dangling.xml", "link-to-link.xml", "link.xml", "real"}));

    ASSERT_EQ(::symlink("loop.xml", (folder / "loop.xml").c_str()), 0);
    EXPECT_FALSE(writeOutputFile(folder / "loop.xml", "x\n", failure));
    EXPECT_EQ(failure, std::strerror(ELOOP));
}

TEST(OutputFile, AFifoIsWrittenWhereItStands) {
    Folder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = contentOf(folder / "pipe"); });
    std::string text(3 << 20, 'x'); // more than a pipe holds, and more than the output's buffer
    text += "end\n";
    std::string failure;
    bool written = writeOutputFile(folder / "pipe", text, failure);
    if (!written) { // the reader waits for a writer
        int fd = ::open((folder / "pipe").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    reader.join();
    ASSERT_TRUE(written) << failure;
    EXPECT_EQ(received, text);
    EXPECT_TRUE(S_ISFIFO(statusOf(folder / "pipe", false).st_mode));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"pipe"}));
}

TEST(OutputFile, DevNullIsWrittenIntoNotReplaced) {
    struct stat before = statusOf("/dev/null");
    std::string failure;
    ASSERT_TRUE(writeOutputFile("/dev/null", "text\n", failure)) << failure;
    struct stat after = statusOf("/dev/null");
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST(OutputFile, ACharacterDeviceOfItsOwnIsWrittenIntoNotReplaced) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    Folder folder;
    // The node of /dev/null, made where nothing else depends on it.
    ASSERT_EQ(::mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    struct stat before = statusOf(folder / "null");
    std::string failure;
    ASSERT_TRUE(writeOutputFile(folder / "null", "text\n", failure)) << failure;
    struct stat after = statusOf(folder / "null");
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"null"}));
}

TEST(OutputFile, DevStdoutIsTheProgramsOwnStandardOutputAsItWasOpened) {
    Folder folder;
    writeFile(folder / "log.txt", "first\n");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // as a shell runs `program -o /dev/stdout >> log.txt`
        int fd = ::open((folder / "log.txt").c_str(), O_WRONLY | O_APPEND);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0)
            ::_exit(2);
        std::string failure;
        ::_exit(writeOutputFile("/dev/stdout", "second\n", failure) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(contentOf(folder / "log.txt"), "first\nsecond\n");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"log.txt"}));
}

TEST(OutputFile, AnSqliteDatabaseIsRefusedWhateverItsName) {
    Folder folder;
    const std::string database = sqliteHeader + std::string(4080, '\0');
    for (const char* name : {"norvak.db", "export.xml"}) {
        SCOPED_TRACE(name);
        writeFile(folder / name, database);
        std::string failure;
        EXPECT_FALSE(writeOutputFile(folder / name, "<ZEPImport/>\n", failure));
        EXPECT_NE(failure.find("SQLite database"), std::string::npos) << failure;
        EXPECT_EQ(contentOf(folder / name), database);
    }
    // Through a link too, and its journals.
    ASSERT_EQ(::symlink("norvak.db", (folder / "repository").c_str()), 0);
    std::string failure;
    EXPECT_FALSE(writeOutputFile(folder / "repository", "x", failure));
    writeFile(folder / "norvak.db-journal", std::string("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + "rest");
    EXPECT_FALSE(writeOutputFile(folder / "norvak.db-journal", "x", failure));
    writeFile(folder / "norvak.db-wal", std::string("\x37\x7f\x06\x82", 4) + "rest");
    EXPECT_FALSE(writeOutputFile(folder / "norvak.db-wal", "x", failure));
    EXPECT_EQ(folder.names(),
              (std::set<std::string>{"export.xml", "norvak.db", "norvak.db-journal", "norvak.db-wal", "repository"}));
    // A text that merely mentions it is no database.
    EXPECT_FALSE(startsLikeSqliteFile("SQLite format 3 is a file format"));
    EXPECT_TRUE(startsLikeSqliteFile(sqliteHeader));
}

TEST(OutputFile, ADirectoryIsRefusedAndAMissingFolderNamed) {
    Folder folder;
    ASSERT_EQ(::mkdir((folder / "dir").c_str(), 0755), 0);
    std::string failure;
    EXPECT_FALSE(writeOutputFile(folder / "dir", "x", failure));
    EXPECT_EQ(failure, "it is a directory");
    EXPECT_FALSE(writeOutputFile(folder / "no/such/file.xml", "x", failure));
    EXPECT_EQ(failure, std::strerror(ENOENT));
    EXPECT_EQ(folder.names(), (std::set<std::string>{"dir"}));
}

TEST(OutputFile, AFileTheRunMayNotWriteIsNotReplaced) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    Folder folder;
    writeFile(folder / "read-only.xml", "old\n");
    ASSERT_EQ(::chmod((folder / "read-only.xml").c_str(), 0444), 0);
    std::string failure;
    EXPECT_FALSE(writeOutputFile(folder / "read-only.xml", "new\n", failure));
    EXPECT_EQ(contentOf(folder / "read-only.xml"), "old\n");
}

TEST(OutputFile, AStreamedOutputNotCommittedLeavesTheFileAsItWas) {
    Folder folder;
    writeFile(folder / "out.txt", "old\n");
    {
        OutputFile output;
        std::string failure;
        ASSERT_TRUE(output.open(folder / "out.txt", failure)) << failure;
        EXPECT_TRUE(output.replacesWhole());
        for (int i = 0; i < 100000; ++i)
            output.write("a line of the output\n");
        EXPECT_EQ(contentOf(folder / "out.txt"), "old\n"); // not yet
    }
    EXPECT_EQ(contentOf(folder / "out.txt"), "old\n");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"out.txt"}));

    OutputFile output;
    std::string failure;
    ASSERT_TRUE(output.open(folder / "out.txt", failure)) << failure;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        std::string line = "line " + std::to_string(i) + "\n";
        output.write(line);
        expected += line;
    }
    ASSERT_TRUE(output.commit(failure)) << failure;
    EXPECT_EQ(contentOf(folder / "out.txt"), expected);
    EXPECT_EQ(folder.names(), (std::set<std::string>{"out.txt"}));
}

} // namespace
} // namespace norvak
