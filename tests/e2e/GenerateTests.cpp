// Tests of norvakgen: the record layouts of stored message sets and of definitions files, as text and as JSON.
#include "e2e/GeneratedTargets.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// norvakgen --target layout: the same message set gives the same bytes from
// SQLite, PostgreSQL and the definitions file it was imported from; every
// JSON document is checked against its schema by the runner.

namespace norvak::test {
namespace {

// Every physical type, under UTF-16: characters take two bytes, a separate
// sign one character; an alignment pads, a repeat makes an array, and the
// strings of variable size make what follows relative.
const char* const everyKind =
    "<ZEPImport messageSet=\"Kinds\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\" ccsid=\"1200\"/>\n"
    "<Element ident=\"code\" type=\"string\" length=\"3\" lengthUnits=\"Characters\" "
    "physicalType=\"fixed\"/>\n"
    "<Element ident=\"count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"blob\" type=\"binary\" length=\"5\"/>\n"
    "<Element ident=\"ratio\" type=\"float\" length=\"8\" byteAlignment=\"8\"/>\n"
    "<Element ident=\"price\" type=\"decimal\" length=\"7\" decimalPoint=\"2\" "
    "signed=\"Separate Trailing\"/>\n"
    "<Element ident=\"packed\" type=\"decimal\" length=\"4\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"flag\" type=\"boolean\"/>\n"
    "<Element ident=\"at\" type=\"datetime\"/>\n"
    "<Element ident=\"at-exactly\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
    "<Element ident=\"long\" type=\"string\" physicalType=\"Length Encoded String 2\"/>\n"
    "<Element ident=\"text\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
    "<Type ident=\"kinds\" composition=\"sequence\">\n"
    "  <Element ref=\"code\"/>\n"
    "  <Element ref=\"count\"/>\n"
    "  <Element ref=\"blob\"/>\n"
    "  <Element ref=\"ratio\"/>\n"
    "  <Element ref=\"price\"/>\n"
    "  <Element ref=\"packed\"/>\n"
    "  <Element ref=\"flag\"/>\n"
    "  <Element ref=\"at\"/>\n"
    "  <Element ref=\"at-exactly\"/>\n"
    "  <Element ref=\"count\" repeat=\"3\"/>\n"
    "  <Element ref=\"short\"/>\n"
    "  <Element ref=\"long\"/>\n"
    "  <Element ref=\"text\"/>\n"
    "</Type>\n"
    "<Message ident=\"every-kind\" type=\"kinds\"/>\n";

const char* const everyKindLayout =
    "Message every-kind, CWF tab Wire, CCSID 1200, 2 bytes a character\n"
    "Offsets and lengths in bytes; a length is one occurrence's, a separate sign included\n"
    "Offset   Length  Field       Type                     Sign               Point  Repeat  Align  Notes\n"
    "0        6       code        Fixed Length\n"
    "6        2       count       Integer\n"
    "8        5       blob        Binary\n"
    "13       3       (padding)   padding                                                    8\n"
    "16       8       ratio       Float                                                      8\n"
    "24       9       price       Extended Decimal         Separate Trailing  2\n"
    "33       4       packed      Packed Decimal\n"
    "37       4       flag        Boolean\n"
    "41       4       at          Time Seconds\n"
    "45       8       at_exactly  Time Milliseconds\n"
    "53       2       count#2     Integer                                            3\n"
    "59       var     short       Length Encoded String 1                                           length encoded, 1 "
    "to 256 bytes\n"
    "short+0  var     long        Length Encoded String 2                                           length encoded, 2 "
    "to 65537 bytes\n"
    "long+0   var     text        Null Terminated                                                   null terminated, "
    "at least 2 bytes\n"
    "Size: at least 64 bytes, no maximum\n";

const char* const sendInvoiceLayout =
    "Message SendInvoice, CWF tab Binary, no CCSID, 1 byte a character\n"
    "Offsets and lengths in bytes; a length is one occurrence's, a separate sign "
    "included\n"
    "Offset  Length  Field           Type            Sign  Point  Repeat  Align  Notes\n"
    "0       4       InvoiceNumber   Integer\n"
    "4       4       OrderNumber     Integer                              4\n"
    "8       132     Customer_t      group\n"
    "8       10        CustomerId    Fixed Length\n"
    "18      40        CustomerName  Fixed Length\n"
    "58      82        Address_t     group\n"
    "58      40          Street      Fixed Length\n"
    "98      30          City        Fixed Length\n"
    "128     10          PostalCode  Fixed Length\n"
    "138     2           Country     Fixed Length\n"
    "140     10      InvoiceTotal    Packed Decimal\n"
    "150     3       Currency        Fixed Length\n"
    "153     4       Paid            Boolean\n"
    "Size: 157 bytes\n";

class Generate : public GeneratedTargetTest {
  protected:
    ProgramResult fromSet(const std::string& set, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = {"-s", set, "--target", "layout"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runConnected("norvakgen", arguments);
    }
    // No database: not even the environment's data source.
    static ProgramResult fromFile(const std::string& file, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = {"-f", file, "--target", "layout"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runProgram("norvakgen", arguments);
    }
};

TEST_P(Generate, AStoredSetAndTheFileItCameFromGiveTheSameTable) {
    for (const char* example : {"orders", "payments", "sensors"}) {
        SCOPED_TRACE(example);
        const std::string file = sourcePath(std::string("examples/") + example + ".xml");
        const std::string set = std::string("Gen_") + example;
        load(file, set);
        ProgramResult stored = fromSet(set);
        ASSERT_EQ(stored.exitCode, 0) << stored.errors;
        ProgramResult read = fromFile(file);
        ASSERT_EQ(read.exitCode, 0) << read.errors;
        EXPECT_EQ(stored.output, read.output);
        EXPECT_TRUE(hasLine(stored, "Offsets and lengths in bytes; a length is one occurrence's, a separate sign "
                                    "included"))
            << stored.output;
        EXPECT_EQ(fromSet(set).output, stored.output); // the same bytes every time
    }
    ProgramResult invoice = fromSet("Gen_orders", {"-m", "SendInvoice"});
    EXPECT_EQ(invoice.output, sendInvoiceLayout);
    EXPECT_NE(invoice.errors.find("Generated the layout of 1 message of message set Gen_orders"), std::string::npos)
        << invoice.errors;
    // A choice's alternatives at one offset, and offsets after a part that varies.
    ProgramResult transfer = fromSet("Gen_payments", {"-m", "credit-transfer"});
    EXPECT_TRUE(hasLine(transfer, "end_to_end_id_E+74   50        PAY_funding_source  choice")) << transfer.output;
    EXPECT_TRUE(hasLine(transfer, "end_to_end_id_E+74   45          PAY_account       group")) << transfer.output;
    EXPECT_TRUE(hasLine(transfer, "end_to_end_id_E+74   50          PAY_card          group")) << transfer.output;
    EXPECT_TRUE(hasLine(transfer, "Size: at least 318 bytes, no maximum")) << transfer.output;
}

TEST_P(Generate, EveryPhysicalTypeTakesItsBytesInTheTableAndTheJson) {
    TempDir folder;
    const std::string file = folder.write("kinds.xml", everyKind);
    load(file, "Kinds");
    ProgramResult stored = fromSet("Kinds");
    ASSERT_EQ(stored.exitCode, 0) << stored.errors;
    EXPECT_EQ(stored.output, everyKindLayout);
    EXPECT_EQ(fromFile(file).output, everyKindLayout);

    ProgramResult json = fromSet("Kinds", {"--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << json.output;
    nlohmann::json document = nlohmann::json::parse(json.output);
    EXPECT_EQ(document["source"], nlohmann::json({{"messageSet", "Kinds"}}));
    EXPECT_EQ(document["target"], "layout");
    ASSERT_EQ(document["layouts"].size(), 1U);
    const nlohmann::json& layout = document["layouts"][0];
    EXPECT_EQ(layout["message"], "every-kind");
    EXPECT_EQ(layout["ccsid"], "1200");
    EXPECT_EQ(layout["bytesPerCharacter"], 2);
    EXPECT_EQ(layout["minSize"], 64);
    EXPECT_TRUE(layout["maxSize"].is_null());
    const nlohmann::json& fields = layout["fields"];
    ASSERT_EQ(fields.size(), 14U);
    EXPECT_EQ(fields[3]["kind"], "padding");
    EXPECT_EQ(fields[3]["length"], 3);
    EXPECT_EQ(fields[5]["path"], "price");
    EXPECT_EQ(fields[5]["length"], 9);
    EXPECT_EQ(fields[5]["sign"], "Separate Trailing");
    EXPECT_EQ(fields[5]["decimalPoint"], "2");
    EXPECT_EQ(fields[5]["logicalType"], "decimal");
    EXPECT_EQ(fields[10]["repeat"], 3);
    EXPECT_EQ(fields[10]["maxSize"], 6);
    EXPECT_EQ(fields[12]["relativeTo"], "short");
    EXPECT_EQ(fields[12]["variable"], "length encoded");
    EXPECT_EQ(fields[12]["maxSize"], 65537);

    // The file gives the same layouts; only the source differs.
    ProgramResult read = fromFile(file, {"--format", "json"});
    ASSERT_EQ(read.exitCode, 0) << read.output;
    nlohmann::json fromText = nlohmann::json::parse(read.output);
    EXPECT_EQ(fromText["layouts"], document["layouts"]);
    EXPECT_EQ(fromText["source"], nlohmann::json({{"file", file}}));
}

TEST_P(Generate, AnOutputFileHoldsWhatStandardOutputWould) {
    load(sourcePath("examples/orders.xml"), "Orders");
    TempDir folder;
    const std::string out = folder.path() + "/orders.layout";
    ProgramResult written = fromSet("Orders", {"-o", out});
    ASSERT_EQ(written.exitCode, 0) << written.errors;
    EXPECT_EQ(written.output, "");
    EXPECT_EQ(readFile(out), fromSet("Orders").output);
    ProgramResult nowhere = fromSet("Orders", {"-o", folder.path() + "/no/such/folder/x"});
    EXPECT_EQ(nowhere.exitCode, 5);
}

// -o naming a folder: one file per message, named after its identifier, each
// holding what -m of that message writes, for every target.
TEST_P(Generate, AnOutputFolderGetsAFilePerMessage) {
    load(sourcePath("examples/orders.xml"), "Orders");
    const struct {
        const char* target;
        const char* extension;
    } targets[] = {{"layout", ".layout"}, {"copybook", ".cpy"}, {"c", ".h"}, {"json-schema", ".schema.json"},
                   {"xsd", ".xsd"}};
    for (const auto& [target, extension] : targets) {
        SCOPED_TRACE(target);
        TempDir folder;
        ProgramResult written = runConnected("norvakgen", {"-s", "Orders", "--target", target, "-o", folder.path()});
        EXPECT_TRUE(written.exitCode == 0 || written.exitCode == 9) << written.errors;
        EXPECT_EQ(written.output, "");
        for (const char* message : {"PlaceOrder", "SendInvoice"}) {
            ProgramResult one = runConnected("norvakgen", {"-s", "Orders", "--target", target, "-m", message});
            EXPECT_EQ(readFile(folder.path() + "/" + message + extension), one.output) << message;
        }
        // Written again, the files are replaced whole.
        ProgramResult again = runConnected("norvakgen", {"-s", "Orders", "--target", target, "-o", folder.path()});
        EXPECT_EQ(again.exitCode, written.exitCode);
    }
    TempDir folder;
    ProgramResult one = runConnected("norvakgen", {"-s", "Orders", "--target", "layout", "-m", "SendInvoice", "-o",
                                                   folder.path()});
    EXPECT_EQ(one.exitCode, 0) << one.errors;
    EXPECT_EQ(readFile(folder.path() + "/PlaceOrder.layout"), "") << "only the message -m names";
    EXPECT_NE(readFile(folder.path() + "/SendInvoice.layout"), "");
}

TEST_P(Generate, UnknownTargetsAndMistakesAreCommandLineErrors) {
    load(sourcePath("examples/orders.xml"), "Orders");
    const std::string orders = sourcePath("examples/orders.xml");
    ProgramResult unknown = runProgram("norvakgen", {"-f", orders, "--target", "cobol"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.errors.find("*****Error - unknown target cobol: the targets are layout, copybook, c, "
                                  "json-schema, xsd"),
              std::string::npos)
        << unknown.errors;
    EXPECT_EQ(unknown.output, "");
    ProgramResult none = runProgram("norvakgen", {"-f", orders});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.errors.find("*****Error - no target: give it with --target layout"), std::string::npos);
    ProgramResult both = runConnected("norvakgen", {"-s", "Orders", "-f", orders, "--target", "layout"});
    EXPECT_EQ(both.exitCode, 2);
    ProgramResult jsonToFile =
        runProgram("norvakgen", {"-f", orders, "--target", "layout", "-o", "x", "--format", "json"});
    EXPECT_EQ(jsonToFile.exitCode, 2);
    EXPECT_EQ(run("norvakgen", {}).exitCode, 1);
    ProgramResult help = run("norvakgen", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--target"), std::string::npos);

    // What the command line names and the set does not hold.
    EXPECT_EQ(fromSet("Missing").exitCode, 3);
    ProgramResult noMessage = fromSet("Orders", {"-m", "NoSuchMessage"});
    EXPECT_EQ(noMessage.exitCode, 8);
    EXPECT_NE(noMessage.errors.find("*****Error - no message NoSuchMessage in the message set"), std::string::npos);
    ProgramResult noTab = fromSet("Orders", {"--tab", "Other"});
    EXPECT_EQ(noTab.exitCode, 8);
    EXPECT_NE(noTab.errors.find("*****Error - no CWF tab Other: the CWF tabs are Binary"), std::string::npos);
    EXPECT_EQ(fromSet("Orders", {"--tab", "Binary"}).output, fromSet("Orders").output);
    ProgramResult noFile = fromFile("/nonexistent/definitions.xml");
    EXPECT_EQ(noFile.exitCode, 6);
    TempDir folder;
    ProgramResult bad = fromFile(folder.write("bad.xml", "<Element ident=\"X\" type=\"nothing\"/>\n"));
    EXPECT_EQ(bad.exitCode, 7);
    ProgramResult noCwf = fromFile(folder.write("xml-only.xml", "<XMLTab name=\"X\" ident=\"XML1\"/>\n"
                                                                "<Element ident=\"E\" type=\"string\"/>\n"
                                                                "<Type ident=\"T\" composition=\"sequence\">\n"
                                                                "  <Element ref=\"E\"/>\n"
                                                                "</Type>\n"
                                                                "<Message ident=\"M\" type=\"T\"/>\n"));
    EXPECT_EQ(noCwf.exitCode, 8) << noCwf.errors;
    EXPECT_NE(noCwf.errors.find("*****Error - the message set has no CWF tab"), std::string::npos) << noCwf.errors;
}

INSTANTIATE_TEST_SUITE_P(, Generate, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
