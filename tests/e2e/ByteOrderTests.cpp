// Tests of norvakgen --byte-order: the layout, copybook and C header of little-endian records, checked by cobc and gcc.
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// The byte order is a property of the records, not of the set: it is read
// from a definitions file (-f), with no database, so these tests run once.
// A COBOL program compiled with the copybook and cobc's native binary byte
// order writes a record of known values; its bytes must be the values in
// the byte order the copybook says, where the layout places them, and a C
// program reading the record into the header's struct must find them.

namespace norvak::test {
namespace {

// Binary integers of 2, 4 and 8 bytes and a float of 8, in a record of 32
// bytes: every exact-width member aligned but Skewed, which is an array of
// its bytes in the C header.
const char* const binaryFields =
    "<ZEPImport messageSet=\"Binary\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\" ccsid=\"500\"/>\n"
    "<Element ident=\"Stamp\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"Ratio\" type=\"float\" length=\"8\"/>\n"
    "<Element ident=\"Level\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Skewed\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Small\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Code\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Stamp\"/>\n"
    "  <Element ref=\"Ratio\"/>\n"
    "  <Element ref=\"Level\"/>\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Skewed\"/>\n"
    "  <Element ref=\"Small\"/>\n"
    "  <Element ref=\"Code\"/>\n"
    "</Type>\n"
    "<Message ident=\"binary-fields\" type=\"Rec\"/>\n";

// The values the COBOL program moves to the integers, by path.
const std::map<std::string, std::int64_t> integerValues = {{"Stamp", 0x0102030405060708LL},
                                                           {"Level", 0x01020304},
                                                           {"Count", 0x0102},
                                                           {"Skewed", -2},
                                                           {"Small", -3}};

bool installed(const char* tool) {
    return std::system((std::string(tool) + " --version > /dev/null 2>&1").c_str()) == 0;
}

ProgramResult generate(const std::string& file, const char* target, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"-f", file, "--target", target};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runProgram("norvakgen", arguments);
}

// The `value` of `length` bytes in a byte order, as the record holds it.
std::string integerBytes(std::int64_t value, long length, bool little) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    for (long b = 0; b < length; ++b) {
        const auto byte = static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * b) & 0xFFU);
        bytes[static_cast<std::size_t>(little ? b : length - 1 - b)] = byte;
    }
    return bytes;
}

// A program that writes one record of the copybook's message, its integers
// holding `integerValues`, Ratio 1.0 and Code "ABCD", to record.bin.
std::string writerProgram(const nlohmann::json& book) {
    std::map<std::string, std::string> names;
    for (const nlohmann::json& field : book["fields"])
        names[field["path"]] = field["name"];
    std::ostringstream program;
    program << "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. W.\n       ENVIRONMENT DIVISION.\n"
               "       INPUT-OUTPUT SECTION.\n       FILE-CONTROL.\n"
               "           SELECT OUT-RECORDS ASSIGN TO \"record.bin\"\n"
               "               ORGANIZATION SEQUENTIAL.\n"
               "       DATA DIVISION.\n       FILE SECTION.\n       FD OUT-RECORDS.\n       COPY \"record.cpy\".\n"
               "       PROCEDURE DIVISION.\n           OPEN OUTPUT OUT-RECORDS\n"
            << "           MOVE LOW-VALUES TO " << book["record"].get<std::string>() << "\n";
    for (const auto& [path, value] : integerValues)
        program << "           MOVE " << value << " TO " << names[path] << "\n";
    program << "           MOVE 1.0 TO " << names["Ratio"] << "\n"
            << "           MOVE \"ABCD\" TO " << names["Code"] << "\n"
            << "           WRITE " << book["record"].get<std::string>() << "\n"
            << "           CLOSE OUT-RECORDS\n           STOP RUN.\n";
    return program.str();
}

// The bytes the copybook's program writes, compiled with `options`.
std::string recordWritten(const TempDir& folder, const nlohmann::json& book, const std::string& options) {
    folder.write("record.cpy", book["text"]);
    folder.write("writer.cob", writerProgram(book));
    const std::string build = "cd '" + folder.path() + "' && rm -f record.bin && cobc -x " + options +
                              " -o writer writer.cob > cobc.log 2>&1 && ./writer > run.log 2>&1";
    EXPECT_EQ(std::system(build.c_str()), 0) << readFile(folder.path() + "/cobc.log") << book["text"];
    return readFile(folder.path() + "/record.bin");
}

// The layout's offset and length of each field, by path.
std::map<std::string, std::pair<long, long>> placesOf(const std::string& file) {
    ProgramResult layout = generate(file, "layout", {"--format", "json", "--byte-order", "little"});
    EXPECT_EQ(layout.exitCode, 0) << layout.errors;
    std::map<std::string, std::pair<long, long>> places;
    const nlohmann::json document = nlohmann::json::parse(layout.output);
    for (const nlohmann::json& field : document["layouts"][0]["fields"])
        places[field["path"]] = {field["offset"].get<long>(), field["length"].get<long>()};
    return places;
}

TEST(ByteOrder, AnythingButBigOrLittleIsACommandLineMistakeBeforeConnecting) {
    const std::string orders = sourcePath("examples/orders.xml");
    // Before connecting: a data source that does not exist is never tried.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-n", "nowhere", "-s", "Orders", "--target", "layout", "--byte-order", "middle"},
          std::vector<std::string>{"-f", orders, "--target", "c", "--byte-order", "Little"},
          std::vector<std::string>{"-f", orders, "--target", "c", "--byte-order=native"}}) {
        ProgramResult refused = runProgram("norvakgen", arguments);
        EXPECT_EQ(refused.exitCode, 2) << refused.errors;
        EXPECT_NE(refused.errors.find("*****Error - unknown byte order "), std::string::npos) << refused.errors;
        EXPECT_NE(refused.errors.find(": the byte orders are big, little"), std::string::npos) << refused.errors;
        EXPECT_EQ(refused.output, "");
    }
    ProgramResult missing = runProgram("norvakgen", {"-f", orders, "--target", "c", "--byte-order"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.errors.find("*****Error - byte order missing from --byte-order parameter"), std::string::npos)
        << missing.errors;
    ProgramResult help = runProgram("norvakgen", {"--help"});
    EXPECT_NE(help.output.find("  --byte-order ORDER      big or little"), std::string::npos) << help.output;
}

TEST(ByteOrder, BigIsTheDefaultAndOnlyLittleChangesWhatIsWritten) {
    const std::string orders = sourcePath("examples/orders.xml");
    for (const char* target : {"layout", "copybook", "c", "json-schema", "xsd"}) {
        SCOPED_TRACE(target);
        ProgramResult plain = generate(orders, target);
        ProgramResult big = generate(orders, target, {"--byte-order", "big"});
        ProgramResult little = generate(orders, target, {"--byte-order", "little"});
        EXPECT_EQ(big.exitCode, plain.exitCode);
        EXPECT_EQ(little.exitCode, plain.exitCode);
        EXPECT_EQ(big.output, plain.output);
        // The schemas are of the logical content, which the byte order does not change.
        if (std::string(target).ends_with("schema") || std::string(target) == "xsd")
            EXPECT_EQ(little.output, plain.output);
        else
            EXPECT_NE(little.output, plain.output);
    }
    ProgramResult layout = generate(orders, "layout", {"-m", "SendInvoice", "--byte-order", "little"});
    EXPECT_EQ(layout.lines().at(1), "Byte order: binary integers and floats little-endian") << layout.output;
    EXPECT_FALSE(contains(generate(orders, "layout"), "Byte order")) << "a big-endian table is as it always was";
    for (const char* order : {"big", "little"}) {
        ProgramResult json = generate(orders, "layout", {"--format", "json", "--byte-order", order});
        ASSERT_EQ(json.exitCode, 0) << json.output;
        const nlohmann::json document = nlohmann::json::parse(json.output);
        for (const nlohmann::json& one : document["layouts"])
            EXPECT_EQ(one["byteOrder"], order);
    }
    EXPECT_EQ(nlohmann::json::parse(generate(orders, "layout", {"--format", "json"}).output)["layouts"][0]["byteOrder"],
              "big");
}

TEST(ByteOrder, EachFileOfAnOutputFolderSaysTheByteOrder) {
    TempDir folder;
    const std::string orders = sourcePath("examples/orders.xml");
    ProgramResult written = generate(orders, "c", {"--byte-order", "little", "-o", folder.path()});
    EXPECT_EQ(written.exitCode, 9) << written.errors;
    for (const char* message : {"PlaceOrder", "SendInvoice"}) {
        const std::string header = readFile(folder.path() + "/" + message + ".h");
        EXPECT_NE(header.find("/* Byte order: little-endian"), std::string::npos) << header;
        EXPECT_EQ(header, generate(orders, "c", {"-m", message, "--byte-order", "little"}).output);
    }
    ProgramResult books = generate(orders, "copybook", {"--byte-order", "little", "-o", folder.path()});
    EXPECT_EQ(books.exitCode, 9) << books.errors;
    EXPECT_NE(readFile(folder.path() + "/SendInvoice.cpy").find("(-fbinary-byteorder=native)"), std::string::npos);
}

TEST(ByteOrder, TheCHeaderNamesTheRecordsByteOrderInItsComments) {
    if (!installed("gcc") || !installed("clang"))
        GTEST_SKIP() << "gcc or clang is not installed: the C headers are not compiled";
    TempDir folder;
    const std::string file = folder.write("binary.xml", binaryFields);
    ProgramResult big = generate(file, "c");
    ProgramResult little = generate(file, "c", {"--byte-order", "little"});
    ASSERT_EQ(little.exitCode, 0) << little.errors;
    for (const char* member : {"    int64_t Stamp; /* offset 0, Time Milliseconds: int64_t, little-endian */",
                               "    double Ratio; /* offset 8, Float: double, little-endian IEEE */",
                               "    int32_t Level; /* offset 16, Integer: int32_t, little-endian */",
                               "    unsigned char Skewed[4]; /* offset 22, Integer: int32_t, little-endian */",
                               "    int16_t Small; /* offset 26, Integer: int16_t, little-endian */"}) {
        EXPECT_TRUE(hasLine(little, member)) << member << "\n" << little.output;
        EXPECT_FALSE(hasLine(big, member)) << member;
    }
    EXPECT_NE(little.output.find("Every member holds the record's bytes as they are"), std::string::npos);
    EXPECT_EQ(little.output.find("big-endian"), std::string::npos) << little.output;
    EXPECT_TRUE(hasLine(big, "    unsigned char Skewed[4]; /* offset 22, Integer: int32_t, big-endian */"));
    folder.write("little.h", little.output);
    for (const char* compiler : {"gcc", "clang"}) {
        const std::string compile = "cd '" + folder.path() + "' && " + compiler +
                                    " -std=c11 -Wall -Werror -fsyntax-only -x c little.h > cc.log 2>&1";
        EXPECT_EQ(std::system(compile.c_str()), 0) << compiler << "\n" << readFile(folder.path() + "/cc.log");
    }
    // The 2-byte length of a Length Encoded String 2 is a binary integer of the record too.
    ProgramResult payments = generate(sourcePath("examples/payments.xml"), "c", {"--byte-order", "little"});
    EXPECT_NE(payments.output.find("Length Encoded String 2: a 2-byte little-endian length"), std::string::npos)
        << payments.output;
    EXPECT_EQ(payments.output.find("big-endian"), std::string::npos) << payments.output;
}

// On a little-endian machine cobc's native binary byte order stores COMP
// little-endian, as the copybook of --byte-order little asks; without the
// option it stores COMP big-endian, as the default copybook says.
TEST(ByteOrder, ACopybookOfLittleEndianRecordsWritesItsIntegersLowByteFirst) {
    if (std::endian::native != std::endian::little)
        GTEST_SKIP() << "the machine is not little-endian";
    if (!installed("cobc"))
        GTEST_SKIP() << "cobc (GnuCOBOL) is not installed: the copybooks are not compiled";
    TempDir folder;
    const std::string file = folder.write("binary.xml", binaryFields);
    const std::map<std::string, std::pair<long, long>> places = placesOf(file);
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "little" : "big");
        ProgramResult written =
            generate(file, "copybook", {"--format", "json", "--byte-order", little ? "little" : "big"});
        ASSERT_EQ(written.exitCode, 0) << written.output;
        const nlohmann::json book = nlohmann::json::parse(written.output)["copybooks"][0];
        const std::string text = book["text"];
        EXPECT_EQ(text.find("COMP-5"), std::string::npos) << text;
        EXPECT_EQ(text.find("(-fbinary-byteorder=native)") != std::string::npos, little) << text;
        const std::string record = recordWritten(folder, book, little ? "-fbinary-byteorder=native" : "");
        ASSERT_EQ(record.size(), 32U);
        for (const auto& [path, value] : integerValues) {
            const auto [offset, length] = places.at(path);
            EXPECT_EQ(record.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)),
                      integerBytes(value, length, little))
                << path;
        }
        EXPECT_EQ(record.substr(28), "ABCD");
        if (!little)
            continue;
        EXPECT_EQ(record.substr(8, 8), integerBytes(0x3FF0000000000000LL, 8, true)) << "Ratio, 1.0";
        // The C header's struct reads the same record as it is.
        if (!installed("gcc"))
            continue;
        folder.write("little.h", generate(file, "c", {"--byte-order", "little"}).output);
        folder.write("reader.c", "#include <stdio.h>\n#include \"little.h\"\nint main(void) {\n"
                                 "    struct binary_fields r;\n    FILE *in = fopen(\"record.bin\", \"rb\");\n"
                                 "    if (in == NULL || fread(&r, sizeof r, 1, in) != 1) return 1;\n"
                                 "    printf(\"%lld %g %ld %d %d\\n\", (long long)r.Stamp, r.Ratio, (long)r.Level,\n"
                                 "           r.Count, r.Small);\n    return fclose(in);\n}\n");
        const std::string run = "cd '" + folder.path() +
                                "' && gcc -std=c11 -Wall -Werror -o reader reader.c > cc.log 2>&1 && ./reader > read.out";
        ASSERT_EQ(std::system(run.c_str()), 0) << readFile(folder.path() + "/cc.log");
        EXPECT_EQ(readFile(folder.path() + "/read.out"), "72623859790382856 1 16909060 258 -3\n");
    }
}

} // namespace
} // namespace norvak::test
