// Tests of reading a definitions file and of the in-place text operations.
#include "unit/TestRun.h"

#include "support/StringUtilities.h"
#include "import/reader/TextPreparation.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <thread>

namespace norvak::test {
namespace {

namespace fs = std::filesystem;

struct ScratchDir {
    fs::path path = fs::temp_directory_path() / ("norvak-textprep-" + std::to_string(::getpid()));
    ScratchDir() { fs::create_directories(path); }
    ~ScratchDir() { fs::remove_all(path); }
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path / name, std::ios::binary) << content;
        return (path / name).string();
    }
};

// Runs one of the in-place text operations on a copy; the result ends at its first NUL.
template <class Operation> std::string edited(TestRun& t, Operation operation, const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    operation(t.run, buffer.data());
    return buffer.data();
}

TEST(TextPreparation, ReadFileDataKeepsEveryByteOrReportsAnUnreadableFile) {
    ScratchDir dir;
    TestRun t;
    t.run.traceSw = 1;
    const std::string content = "<Element\r\n\tident=\"a\"/>\r\n";
    std::string defs = dir.write("defs.xml", content), empty = dir.write("empty.xml", "");
    EXPECT_EQ(readFileData(t.run, defs), content);
    EXPECT_EQ(readFileData(t.run, empty), "");
    EXPECT_FALSE(readFileData(t.run, dir.path.string() + "/none.xml").has_value());
    EXPECT_FALSE(readFileData(t.run, dir.path.string()).has_value());
    EXPECT_EQ(t.output(), "==> readFileData fileName " + defs + "\n\n24 bytes read from data file " + defs + "\n" +
                              "==> readFileData fileName " + empty + "\n\n0 bytes read from data file " + empty + "\n" +
                              "==> readFileData fileName " + dir.path.string() + "/none.xml\n" +
                              "Unable to open input file " + dir.path.string() + "/none.xml\n" + "  " +
                              dir.path.string() + "/none.xml: No such file or directory\n" +
                              "==> readFileData fileName " + dir.path.string() + "\n" + "Unable to open input file " +
                              dir.path.string() + "\n" + "  " + dir.path.string() + ": Is a directory\n");
    EXPECT_EQ(t.run.errSw, 0);
}

TEST(TextPreparation, ReadFileDataReadsAPipeToItsEnd) {
    ScratchDir dir;
    fs::path pipe = dir.path / "defs.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { dir.write("defs.pipe", std::string(100000, 'x')); });
    TestRun t;
    auto text = readFileData(t.run, pipe.string());
    writer.join();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 100000u);
    EXPECT_EQ(t.output(), "\n100000 bytes read from data file " + pipe.string() + "\n");
}

TEST(TextPreparation, ReadFileDataRefusesAFileLargerThanTheLimit) {
    EXPECT_EQ(maxDefinitionsFileSize, 2147483647u);
    ScratchDir dir;
    std::string atLimit = dir.write("100.xml", std::string(100, 'x'));
    std::string overLimit = dir.write("101.xml", std::string(101, 'x'));
    TestRun t;
    EXPECT_EQ(readFileData(t.run, atLimit, 100), std::string(100, 'x'));
    EXPECT_EQ(t.output(), "\n100 bytes read from data file " + atLimit + "\n");

    TestRun over;
    EXPECT_FALSE(readFileData(over.run, overLimit, 100).has_value());
    EXPECT_EQ(over.output(), "*****Error - definitions file " + overLimit + " is larger than 100 bytes\n"
                             "Unable to open input file " + overLimit + "\n");

    // A stream of unknown length is refused once it passes the limit, not
    // read to an end it never reaches: the writer keeps the pipe open after
    // one byte more than the limit, so a read to the end would never end.
    fs::path pipe = dir.path / "endless.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::promise<void> readerDone;
    std::thread writer([&] {
        int fd = ::open(pipe.c_str(), O_WRONLY);
        std::string bytes((1 << 20) + 1, 'x');
        for (std::size_t written = 0; fd >= 0 && written < bytes.size();) {
            ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        readerDone.get_future().wait();
        if (fd >= 0)
            ::close(fd);
    });
    TestRun endless;
    EXPECT_FALSE(readFileData(endless.run, pipe.string(), 1 << 20).has_value());
    readerDone.set_value();
    writer.join();
    EXPECT_EQ(endless.output(), "*****Error - definitions file " + pipe.string() + " is larger than 1048576 bytes\n"
                                "Unable to open input file " + pipe.string() + "\n");
}

TEST(TextPreparation, ReadFileDataRefusesAStreamAtItsFirstNulByte) {
    // /dev/zero is refused after its first block, not after 2 GiB.
    TestRun zero;
    EXPECT_FALSE(readFileData(zero.run, "/dev/zero").has_value());
    EXPECT_EQ(zero.output(), "*****Error - definitions file /dev/zero is not a regular file and holds a NUL byte at "
                             "byte 1: it is not a definitions text and is read no further\n"
                             "Unable to open input file /dev/zero\n");
    EXPECT_EQ(zero.run.errSw, 1);

    // A pipe with a NUL after some text, in its second block.
    ScratchDir dir;
    fs::path pipe = dir.path / "nul.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { dir.write("nul.pipe", std::string(70000, 'x') + std::string("\0y", 2)); });
    TestRun piped;
    EXPECT_FALSE(readFileData(piped.run, pipe.string()).has_value());
    writer.join();
    EXPECT_EQ(piped.output(), "*****Error - definitions file " + pipe.string() +
                                  " is not a regular file and holds a NUL byte at byte 70001: it is not a definitions "
                                  "text and is read no further\n"
                                  "Unable to open input file " + pipe.string() + "\n");
}

TEST(TextPreparation, ReadFileDataWarnsWhereANulByteEndsTheText) {
    ScratchDir dir;
    const std::string content("<Element ident=\"a\"/>\0<Element ident=\"b\"/>", 41);
    std::string middle = dir.write("middle.xml", content), first = dir.write("first.xml", std::string("\0x", 2));
    TestRun t;
    EXPECT_EQ(readFileData(t.run, middle), content); // the whole file; the reader stops at the NUL
    EXPECT_EQ(readFileData(t.run, first), std::string("\0x", 2));
    EXPECT_EQ(t.output(), "\n41 bytes read from data file " + middle + "\n*****Warning - definitions file " + middle +
                              " holds a NUL byte at byte 21 of 41; the text ends there\n"
                              "\n2 bytes read from data file " + first + "\n*****Warning - definitions file " + first +
                              " holds a NUL byte at byte 1 of 2; the text ends there\n");
    EXPECT_EQ(t.run.errSw, 0);
}

TEST(TextPreparation, RemoveCommentsJoinsTheTextAroundEachComment) {
    TestRun t;
    EXPECT_EQ(edited(t, removeComments, "a<!--x-->b"), "ab");
    EXPECT_EQ(edited(t, removeComments, "<!-- a <!-- b --> c"), " c");
    EXPECT_EQ(edited(t, removeComments, "<a v=\"<!--\"/>-->z<!---->"), "<a v=\"z");
    EXPECT_EQ(edited(t, removeComments, "<!-->-->q"), "q");
    EXPECT_EQ(t.output(), "");

    t.run.traceSw = 1;
    EXPECT_EQ(edited(t, removeComments, "ab<!--cd"), "ab");
    EXPECT_EQ(t.run.errSw, 1);
    ASSERT_EQ(t.lines().size(), 3u);
    EXPECT_TRUE(std::regex_match(t.lines()[0], std::regex("==> removeComments buffer=0x[0-9a-f]+ length=8")));
    EXPECT_EQ(t.lines()[1], "***** Error - missing ending delimiter on comment");
    EXPECT_EQ(t.lines()[2], "<== removeComments length=2");
    // Once the error switch is set the text ends where the scan stands.
    EXPECT_EQ(edited(t, removeComments, "abc"), "");
}

TEST(TextPreparation, ReplaceParamsSubstitutesReferencesAndControlRuns) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"&lt;&LT;&Lt;", "<<<"}, {"a&amp;b&gt;c", "a&b>c"}, {"&apos;&apost;&quot;&quote;", "''\"\""},
        {"&amp;lt;", "&lt;"}, // a produced "&" is not read again
        {"&#65;&#x41;&#X61;", "AAa"}, {"&#x4;", "\x04"}, {"&#65x;", "A"},
        // A numeric reference names a code point, stored as its UTF-8 bytes.
        {"&#233;&#xE9;", "\xC3\xA9\xC3\xA9"}, {"&#8364;", "\xE2\x82\xAC"}, {"&#x414;", "\xD0\x94"},
        {"&#321;", "\xC5\x81"}, {"a&#256;b", "a\xC4\x80" "b"}, {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
        {"a&#0;b", "a"}, {"a&#;b", "a"}, {"a&#x0;b", "a"},
        // No character: kept as written.
        {"a&#4294967361;b", "a&#4294967361;b"}, {"&#x110000;", "&#x110000;"}, {"&#xD800;", "&#xD800;"},
        {"a\r\nb", "a b"}, {"a \r\n b", "a   b"}, {"\t\x01x\x1f", " x "}, {"\x7f\xe9", "\x7f\xe9"},
    };
    // clang-format on
    TestRun t;
    for (auto [value, expected] : cases)
        EXPECT_EQ(edited(t, replaceParams, value), expected) << value;
    EXPECT_EQ(t.output(), "Unrecognized parameter substitution #4294967361\n"
                          "Unrecognized parameter substitution #X110000\n"
                          "Unrecognized parameter substitution #XD800\n");

    TestRun traced;
    traced.run.traceSw = 1;
    EXPECT_EQ(edited(traced, replaceParams, "x&abc;y\r\n"), "x&abc;y ");
    EXPECT_EQ(edited(traced, replaceParams, "&;&abcdefghijklmnop;"), "&;&abcdefghijklmnop;"); // 16 letters: looked up
    EXPECT_EQ(traced.run.errSw, 0);
    const std::vector<std::string> lines = traced.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("==> replaceParams buffer=0x[0-9a-f]+ length=9")));
    EXPECT_EQ(lines[1], "Unrecognized parameter substitution ABC");
    EXPECT_EQ(lines[2], "<== replaceParams length=8");
    EXPECT_EQ(lines[4], "Unrecognized parameter substitution ");
    EXPECT_EQ(lines[5], "Unrecognized parameter substitution ABCDEFGHIJKLMNOP");
}

TEST(TextPreparation, ReplaceParamsReportsAReferenceWithoutTermination) {
    TestRun t;
    EXPECT_EQ(edited(t, replaceParams, "&abcdefghijklmnopq;"), "&abcdefghijklmnopq;");
    EXPECT_EQ(edited(t, replaceParams, "a&lt"), "a&lt");
    EXPECT_EQ(edited(t, replaceParams, "b&"), "b&");
    EXPECT_EQ(t.output(), "Escape character without termination found abcdefghijklmnop\n"
                          "Escape character without termination found lt\n"
                          "Escape character without termination found \n");
    EXPECT_EQ(t.run.errSw, 1);
}

TEST(StringUtilities, ScansStopAtTheEndAndHighBytesAreBlanks) {
    char text[] = " \t\x80\xff<!-- <b> --><!--c--><d>";
    EXPECT_EQ(skipBlanks(text), text + 4);
    EXPECT_EQ(findNextTag(text), text + 24);
    char open[] = "x<!-- <b>";
    EXPECT_EQ(findNextTag(open), open + 9);
    EXPECT_EQ(findCommentEnd(open), open + 9);
    EXPECT_EQ(hexByteValue("4 1") * 1000 + hexByteValue("fF0"), 4255);
    EXPECT_EQ(leadingNumber(" -12ab"), -12);
    EXPECT_EQ(leadingNumber("-2147483648"), INT32_MIN);
    EXPECT_FALSE(leadingNumber("2147483648").has_value());
    EXPECT_FALSE(isNumericValue("99999999999"));
}

} // namespace
} // namespace norvak::test
