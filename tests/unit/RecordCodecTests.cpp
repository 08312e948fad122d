// Tests of the record codec and the framings: records of a layout made from definitions texts, decoded and encoded
// again.
#include "codec/CodecError.h"
#include "codec/Framing.h"
#include "codec/RecordCodec.h"
#include "import/driver/ScratchImport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace norvak {
namespace {

using Json = nlohmann::ordered_json;

// A counter before the array it sizes (at most 3 items), a group, a string
// whose length an earlier field holds, and a choice of a number or a text.
const char* const orderDefinitions =
    "<ZEPImport messageSet=\"Codec\"/>\n"
    "<CWFTab name=\"Wire\" ident=\"CWF1\"/>\n"
    "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
    "<Element ident=\"Size\" type=\"integer\" length=\"1\"/>\n"
    "<Element ident=\"Note\" type=\"string\" length=\"6\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Price\" type=\"decimal\" length=\"3\" decimalPoint=\"2\" physicalType=\"Packed Decimal\"/>\n"
    "<Element ident=\"Number\" type=\"integer\" length=\"4\"/>\n"
    "<Element ident=\"Word\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
    "<Element ident=\"Lines\" type=\"Line\"/>\n"
    "<Type ident=\"Line\" composition=\"sequence\">\n"
    "  <Element ref=\"Code\"/>\n"
    "  <Element ref=\"Price\"/>\n"
    "</Type>\n"
    "<Type ident=\"Either\" composition=\"choice\">\n"
    "  <Element ref=\"Number\"/>\n"
    "  <Element ref=\"Word\"/>\n"
    "</Type>\n"
    "<Type ident=\"Order\" composition=\"sequence\">\n"
    "  <Element ref=\"Count\"/>\n"
    "  <Element ref=\"Size\"/>\n"
    "  <Element ref=\"Note\" lengthRef=\"Size\"/>\n"
    "  <Type ref=\"Either\"/>\n"
    "  <Element ref=\"Lines\" repeat=\"Count\"/>\n"
    "</Type>\n"
    "<Message ident=\"order\" type=\"Order\"/>\n"
    "<Message ident=\"either\" type=\"Either\"/>\n";

class OrderRecords : public ::testing::Test {
  protected:
    void SetUp() override {
        ScratchImport outcome;
        set_ = importIntoModel(orderDefinitions, "codec.xml", "", nullptr, outcome);
        ASSERT_TRUE(set_) << outcome.report;
        const MessageSetModel& model = set_->model();
        layout_ = recordLayout(model, *model.messageNamed("order"), *model.tabs(WireFormat::cwf).front());
        text_ = std::make_unique<TextCodec>(*codePageOf("819"));
        codec_ = std::make_unique<RecordCodec>(layout_, *text_, ByteOrder::big);
    }
    std::string decodeFault(const std::string& record) const {
        try {
            codec_->decode(record, false);
        } catch (const CodecFailure& failure) {
            return std::to_string(failure.error.offset) + " " + failure.error.path + ": " + failure.error.reason;
        }
        return "no fault";
    }
    std::string encodeFault(const Json& content) const {
        try {
            codec_->encode(content, std::nullopt);
        } catch (const CodecFailure& failure) {
            return failure.error.pointer + ": " + failure.error.reason;
        }
        return "no fault";
    }

    std::optional<ModelledSet> set_;
    RecordLayout layout_;
    std::unique_ptr<TextCodec> text_;
    std::unique_ptr<RecordCodec> codec_;
};

TEST_F(OrderRecords, CountsLengthsGroupsAndChoicesDecodeAndEncodeToTheSameBytes) {
    EXPECT_TRUE(codec_->unsupported().empty());
    // The most bytes: 2 + 1 + 6 + 4 + 1 * (3 + 3): a repeat reference of a
    // definitions file has no repeat count, so at most 1 item, as the
    // copybook's OCCURS 0 TO 1.
    EXPECT_EQ(codec_->mostBytes(), 19);
    const std::string record = std::string("\x00\x01\x03", 3) + "Hi!" + "ABCD" + "X1 " + std::string("\x12\x34\x5D", 3);
    const Json content = codec_->decode(record, false);
    EXPECT_EQ(content.dump(), R"({"Count":1,"Size":3,"Note":"Hi!","Either":{"Number":1094861636},)"
                              R"("Lines":[{"Code":"X1","Price":"-123.45"}]})");
    EXPECT_EQ(codec_->encode(content, std::nullopt), record);
    // The count and length fields are written from what they count.
    Json fewer = Json::parse(R"({"Size":2,"Note":"Yo","Either":{"Word":"Q"},"Lines":[]})");
    EXPECT_EQ(codec_->encode(fewer, std::nullopt), std::string("\x00\x00\x02", 3) + "YoQ   ");
    // A fixed-length record: filled with blanks to its most bytes.
    EXPECT_EQ(codec_->encode(fewer, 19), std::string("\x00\x00\x02", 3) + "YoQ" + std::string(13, ' '));
    EXPECT_EQ(codec_->decode(codec_->encode(fewer, 19), true)["Note"], "Yo");
    // An alternative chosen: decode gives it alone, or the fault of it.
    EXPECT_FALSE(codec_->selectAlternative("Either", "Nothing"));
    EXPECT_FALSE(codec_->selectAlternative("Lines", "Code"));
    ASSERT_TRUE(codec_->selectAlternative("Either", "Word"));
    EXPECT_EQ(codec_->decode(record, false)["Either"].dump(), R"({"Word":"ABCD"})");
    ASSERT_TRUE(codec_->selectAlternative("Either", "Number"));
    EXPECT_EQ(codec_->decode(record, false)["Either"].dump(), R"({"Number":1094861636})");
}

TEST_F(OrderRecords, FaultsNameTheByteTheFieldAndTheReason) {
    const std::string head = std::string("\x00\x01\x00", 3) + "ABCD";
    EXPECT_EQ(decodeFault(head + "X1 " + std::string("\x12\xA4\x5C", 3)),
              "11 Lines[0].Price: a packed digit out of range (byte 0xA4)");
    EXPECT_EQ(decodeFault(std::string("\x00\x02\x00", 3) + "ABCD"),
              "7 Lines: a count of 2 (Count), above the most 1 or below 0");
    EXPECT_EQ(decodeFault(std::string("\x00\x00\x07", 3) + "ABCD"),
              "3 Note: a length of 7 (Size), beyond what the field holds");
    EXPECT_EQ(decodeFault(head + "X1"), "9 Lines[0].Code: the field needs 3 bytes; the record ends after 2");
    EXPECT_EQ(decodeFault(std::string("\x00\x00\x00", 3) + "ABCDZ"), "7 : 1 bytes after the last field of the record");

    EXPECT_EQ(encodeFault(Json::parse(R"({"Count":1,"Note":"","Either":{"Word":"A"},"Lines":[]})")),
              "/Lines: the field Count holds 1 where 0 are given");
    EXPECT_EQ(encodeFault(Json::parse(R"({"Note":"","Either":{"Word":"A"},"Lines":[],"Extra":1})")),
              "/Extra: a member the record does not hold");
    EXPECT_EQ(encodeFault(Json::parse(R"({"Note":"","Lines":[]})")), "/Either: the member is missing");
    EXPECT_EQ(encodeFault(Json::parse(R"({"Note":"","Either":{"Word":"A"},"Lines":[{"Code":"A","Price":"x"}]})")),
              "/Lines/0/Price: \"x\" is no decimal number");
    EXPECT_EQ(encodeFault(Json::parse(R"({"Note":"1234567","Either":{"Word":"A"},"Lines":[]})")),
              "/Note: 7 bytes, more than the field's most 6");
}

// A message whose type is a choice: the record is the object of one of its
// alternatives, the first that decodes cleanly.
TEST_F(OrderRecords, AMessageOfAChoiceIsTheObjectOfOneAlternative) {
    const MessageSetModel& model = set_->model();
    const RecordLayout layout =
        recordLayout(model, *model.messageNamed("either"), *model.tabs(WireFormat::cwf).front());
    RecordCodec codec(layout, *text_, ByteOrder::big);
    EXPECT_EQ(codec.mostBytes(), 4);
    EXPECT_EQ(codec.decode("ABCD", false).dump(), R"({"Number":1094861636})");
    // A choice is one alternative: an object of two is refused.
    EXPECT_THROW(codec.encode(Json::parse(R"({"Number":1,"Word":"AB"})"), std::nullopt), CodecFailure);
    EXPECT_EQ(codec.encode(Json::parse(R"({"Word":"AB"})"), std::nullopt), "AB  ");
    EXPECT_EQ(codec.encode(codec.decode("ABCD", false), std::nullopt), "ABCD");
    ASSERT_TRUE(codec.selectAlternative("", "Word"));
    EXPECT_EQ(codec.decode("ABCD", false).dump(), R"({"Word":"ABCD"})");
}

// Reads every record of the bytes in the framing: "record:BYTES" or
// "bad:REASON" a line.
std::string readAll(const std::string& bytes, Framing framing, std::size_t fixedSize) {
    std::FILE* input = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    RecordReader reader(input, framing, fixedSize, ByteOrder::big);
    std::string seen;
    std::string record;
    std::string why;
    for (RecordReader::Next next; (next = reader.next(record, why)) != RecordReader::Next::end;)
        seen += (next == RecordReader::Next::record ? "record:" + record : "bad:" + why) + "@" +
                std::to_string(reader.offset()) + "\n";
    std::fclose(input);
    return seen;
}

std::string framed(Framing framing, const std::string& record, std::size_t fixedSize = 0) {
    std::string out;
    std::string why;
    return frameRecord(framing, record, fixedSize, ByteOrder::big, out, why) ? out : "refused: " + why;
}

TEST(Framings, EachFramingReadsWhatItWritesAndTellsABrokenFrame) {
    EXPECT_EQ(readAll("abcdefgh", Framing::fixed, 3),
              "record:abc@0\nrecord:def@3\nbad:a record of 2 bytes at the end of the input, where 3 are expected@6\n");
    EXPECT_EQ(framed(Framing::rdw, "abc"), std::string("\x00\x07\x00\x00", 4) + "abc");
    EXPECT_EQ(framed(Framing::rdwData, "abc"), std::string("\x00\x03\x00\x00", 4) + "abc");
    EXPECT_EQ(framed(Framing::prefix2, "abc"), std::string("\x00\x03", 2) + "abc");
    EXPECT_EQ(framed(Framing::prefix4, "abc"), std::string("\x00\x00\x00\x03", 4) + "abc");
    EXPECT_EQ(framed(Framing::lines, "abc"), "abc\n");
    EXPECT_EQ(framed(Framing::lines, "a\nc"), "refused: the record holds a line feed byte (0x0A), which ends a line");
    EXPECT_EQ(framed(Framing::fixed, "abc", 4), "refused: a record of 3 bytes where the fixed length is 4");
    for (Framing framing : {Framing::rdw, Framing::rdwData, Framing::prefix2, Framing::prefix4, Framing::lines}) {
        const std::string two = framed(framing, "abc") + framed(framing, "");
        EXPECT_EQ(readAll(two, framing, 0),
                  "record:abc@0\nrecord:@" + std::to_string(two.size() - framed(framing, "").size()) + "\n");
    }
    EXPECT_EQ(readAll(std::string("\x00\x02\x00\x00", 4) + "rest", Framing::rdw, 0),
              "bad:a record descriptor or length prefix that is no length; the rest of the input is not read as "
              "records@0\n");
    EXPECT_EQ(readAll(std::string("\x00\x09\x00\x00", 4) + "abc", Framing::rdw, 0),
              "bad:a record of 5 bytes cut short at the end of the input after 3@0\n");
    EXPECT_EQ(framingNamed("rdw-data"), Framing::rdwData);
    EXPECT_FALSE(framingNamed("vb"));
}

} // namespace
} // namespace norvak
