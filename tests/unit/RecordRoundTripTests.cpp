// Tests that random valid records round-trip exactly: every physical type encoded, decoded to the same JSON, encoded to
// the same bytes.
#include "codec/RecordCodec.h"
#include "import/driver/ScratchImport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace norvak {
namespace {

using Json = nlohmann::ordered_json;

const char* const everyTypeDefinitions =
    "<ZEPImport messageSet=\"Random\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Small\" type=\"integer\" length=\"1\"/>\n"
    "<Element ident=\"Whole\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Wide\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Packed\" type=\"decimal\" length=\"5\" decimalPoint=\"3\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Lead\" type=\"decimal\" length=\"6\" physicalType=\"Extended Decimal\" signed=\"Included "
    "Leading\"/>\n"
    "<Element ident=\"Trail\" type=\"decimal\" length=\"6\" decimalPoint=\"2\" physicalType=\"Extended Decimal\" "
    "signed=\"Included Trailing\"/>\n"
    "<Element ident=\"SepLead\" type=\"decimal\" length=\"4\" physicalType=\"Extended Decimal\" signed=\"Separate "
    "Leading\"/>\n"
    "<Element ident=\"SepTrail\" type=\"decimal\" length=\"4\" decimalPoint=\"4\" physicalType=\"Extended Decimal\" "
    "signed=\"Separate Trailing\"/>\n"
    "<Element ident=\"Plain\" type=\"decimal\" length=\"5\" physicalType=\"Extended Decimal\" signed=\"None\"/>\n"
    "<Element ident=\"Single\" type=\"float\" length=\"4\"/>\n"
    "<Element ident=\"Double\" type=\"float\" length=\"8\"/>\n"
    "<Element ident=\"Text\" type=\"string\" length=\"8\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Right\" type=\"string\" length=\"6\" physicalType=\"fixed\" justification=\"right\" "
    "padChar=\"'*'\"/>\n"
    "<Element ident=\"Ended\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
    "<Element ident=\"Short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
    "<Element ident=\"Long\" type=\"string\" physicalType=\"Length Encoded String 2\"/>\n"
    "<Element ident=\"Blob\" type=\"binary\" length=\"3\"/>\n"
    "<Element ident=\"Flag\" type=\"boolean\"/>\n"
    "<Element ident=\"At\" type=\"datetime\"/>\n"
    "<Element ident=\"Exactly\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
    "<Element ident=\"Item\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Pairs\" type=\"Pair\"/>\n"
    "<Type ident=\"Pair\" composition=\"sequence\">\n"
    "  <Element ref=\"Small\"/>\n"
    "  <Element ref=\"Whole\" byteAlignment=\"4\"/>\n"
    "</Type>\n"
    "<Type ident=\"Rec\" composition=\"sequence\">\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Wide\"/>\n"
    "  <Element ref=\"Packed\"/>\n"
    "  <Element ref=\"Lead\"/>\n"
    "  <Element ref=\"Trail\"/>\n"
    "  <Element ref=\"SepLead\"/>\n"
    "  <Element ref=\"SepTrail\"/>\n"
    "  <Element ref=\"Plain\"/>\n"
    "  <Element ref=\"Single\"/>\n"
    "  <Element ref=\"Double\"/>\n"
    "  <Element ref=\"Text\"/>\n"
    "  <Element ref=\"Right\"/>\n"
    "  <Element ref=\"Ended\"/>\n"
    "  <Element ref=\"Short\"/>\n"
    "  <Element ref=\"Long\"/>\n"
    "  <Element ref=\"Blob\"/>\n"
    "  <Element ref=\"Flag\"/>\n"
    "  <Element ref=\"At\"/>\n"
    "  <Element ref=\"Exactly\"/>\n"
    "  <Element ref=\"Pairs\" repeat=\"2\"/>\n"
    "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"rec\" type=\"Rec\"/>\n";

class RandomContent {
  public:
    explicit RandomContent(unsigned seed) : random_(seed) {}

    std::int64_t between(std::int64_t least, std::int64_t most) {
        return std::uniform_int_distribution<std::int64_t>(least, most)(random_);
    }
    // A decimal text as decode writes it: `digits` digits, `scale` of them
    // after the point.
    std::string decimal(int digits, int scale, bool sign) {
        std::int64_t most = 1;
        for (int d = 0; d < digits; ++d)
            most *= 10;
        const std::int64_t value = between(sign ? -(most - 1) : 0, most - 1);
        std::string text = std::to_string(value < 0 ? -value : value);
        if (scale > 0) {
            if (text.size() <= static_cast<std::size_t>(scale))
                text.insert(0, static_cast<std::size_t>(scale) + 1 - text.size(), '0');
            text.insert(text.size() - static_cast<std::size_t>(scale), ".");
        }
        return (value < 0 ? "-" : "") + text;
    }
    // Letters and digits, none at the ends that padding would take.
    std::string text(std::size_t most) {
        static const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::string text(static_cast<std::size_t>(between(0, static_cast<std::int64_t>(most))), ' ');
        for (char& c : text)
            c = letters[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(letters.size()) - 1))];
        return text;
    }
    Json record() {
        Json content = Json::object();
        content["Count"] = between(0, 1);
        content["Wide"] = between(INT32_MIN, INT32_MAX);
        content["Packed"] = decimal(9, 3, true);
        content["Lead"] = decimal(6, 0, true);
        content["Trail"] = decimal(6, 2, true);
        content["SepLead"] = decimal(4, 0, true);
        content["SepTrail"] = decimal(4, 4, true);
        content["Plain"] = decimal(5, 0, false);
        content["Single"] = static_cast<double>(between(-1000000, 1000000)) / 64;
        content["Double"] = static_cast<double>(between(-1000000000, 1000000000)) / 1024;
        content["Text"] = text(8);
        content["Right"] = text(6);
        content["Ended"] = text(20);
        content["Short"] = text(40);
        content["Long"] = text(300);
        content["Blob"] = std::string("AAEC/w==").substr(0, 4); // 3 bytes
        content["Flag"] = between(0, 1) == 1;
        content["At"] = "20" + std::to_string(between(10, 37)) + "-0" + std::to_string(between(1, 9)) + "-1" +
                        std::to_string(between(0, 9)) + "T0" + std::to_string(between(0, 9)) + ":3" +
                        std::to_string(between(0, 9)) + ":4" + std::to_string(between(0, 9)) + "Z";
        content["Exactly"] =
            "1969-12-31T23:59:5" + std::to_string(between(0, 9)) + "." + std::to_string(between(100, 999)) + "Z";
        content["Pairs"] = Json::array();
        for (int p = 0; p < 2; ++p)
            content["Pairs"].push_back({{"Small", between(-128, 127)}, {"Whole", between(INT32_MIN, INT32_MAX)}});
        content["Item"] = Json::array();
        for (std::int64_t i = 0; i < content["Count"].get<std::int64_t>(); ++i)
            content["Item"].push_back(text(4));
        return content;
    }

  private:
    std::mt19937_64 random_;
};

TEST(RandomRecords, EncodeThenDecodeGivesTheSameJsonAndDecodeThenEncodeTheSameBytes) {
    ScratchImport outcome;
    std::optional<ModelledSet> set = importIntoModel(everyTypeDefinitions, "random.xml", "", nullptr, outcome);
    ASSERT_TRUE(set) << outcome.report;
    const MessageSetModel& model = set->model();
    const RecordLayout layout = recordLayout(model, *model.messageNamed("rec"), *model.tabs(WireFormat::cwf).front());
    for (const char* ccsid : {"1208", "037", "1047", "850"}) {
        for (ByteOrder order : {ByteOrder::big, ByteOrder::little}) {
            SCOPED_TRACE(std::string(ccsid) + (order == ByteOrder::big ? " big" : " little"));
            TextCodec text(*codePageOf(ccsid));
            const RecordCodec codec(layout, text, order);
            ASSERT_TRUE(codec.unsupported().empty());
            RandomContent random(20261209);
            for (int r = 0; r < 200; ++r) {
                const Json content = random.record();
                const std::string bytes = codec.encode(content, std::nullopt);
                const Json decoded = codec.decode(bytes, false);
                ASSERT_EQ(decoded, content) << decoded.dump() << "\n" << content.dump();
                ASSERT_EQ(codec.encode(decoded, std::nullopt), bytes);
            }
        }
    }
}

} // namespace
} // namespace norvak
