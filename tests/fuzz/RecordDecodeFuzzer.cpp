// libFuzzer target: the decode of a record of every physical type from any bytes, and the encode of what it decodes.
//
// The input is one record of a message whose layout holds every physical
// type, sign orientation, padding, alignment, a fixed repeat of a group and
// a repeat reference (the message of tests/fuzz/records.xml, read once).
// It is decoded under an ASCII and an EBCDIC code page, in both byte
// orders. Decode may refuse the bytes (CodecFailure is an outcome); when
// it gives a document, encode of that document must give bytes, and those
// bytes must decode to the same document. Any other exception, a document
// that does not come back the same, a sanitizer report or a timeout is a
// finding. The input is also read as a stream of records in each framing.

#include "codec/CodecError.h"
#include "codec/Framing.h"
#include "codec/RecordCodec.h"
#include "import/driver/ScratchImport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

using Json = nlohmann::ordered_json;

struct Fixture {
    std::optional<norvak::ModelledSet> set;
    norvak::RecordLayout layout;
    std::unique_ptr<norvak::TextCodec> ascii;
    std::unique_ptr<norvak::TextCodec> ebcdic;
};

Fixture& fixture() {
    static Fixture made = [] {
        Fixture fixture;
        std::ifstream file(std::string(NORVAK_FUZZ_DIR) + "/records.xml");
        std::stringstream text;
        text << file.rdbuf();
        norvak::ScratchImport outcome;
        fixture.set = norvak::importIntoModel(text.str(), "records.xml", "", nullptr, outcome);
        if (!fixture.set) {
            std::fprintf(stderr, "records.xml does not import:\n%s", outcome.report.c_str());
            std::abort();
        }
        const norvak::MessageSetModel& model = fixture.set->model();
        fixture.layout =
            norvak::recordLayout(model, *model.messageNamed("rec"), *model.tabs(norvak::WireFormat::cwf).front());
        fixture.ascii = std::make_unique<norvak::TextCodec>(*norvak::codePageOf("1208"));
        fixture.ebcdic = std::make_unique<norvak::TextCodec>(*norvak::codePageOf("037"));
        return fixture;
    }();
    return made;
}

void roundTrip(const norvak::RecordCodec& codec, std::string_view bytes) {
    Json decoded;
    try {
        decoded = codec.decode(bytes, false);
    } catch (const norvak::CodecFailure&) {
        return;
    }
    const std::string encoded = codec.encode(decoded, std::nullopt); // must not fail
    if (codec.decode(encoded, false) != decoded) {
        std::fprintf(stderr, "decoded again to another document: %s\n", decoded.dump().c_str());
        std::abort();
    }
}

void readFramings(std::string_view bytes) {
    for (norvak::Framing framing : {norvak::Framing::fixed, norvak::Framing::rdw, norvak::Framing::rdwData,
                                    norvak::Framing::prefix2, norvak::Framing::prefix4, norvak::Framing::lines}) {
        std::string copy(bytes);
        std::FILE* input = fmemopen(copy.data(), copy.size(), "rb");
        if (input == nullptr)
            return;
        norvak::RecordReader reader(input, framing, 7, norvak::ByteOrder::big);
        std::string record;
        std::string why;
        while (reader.next(record, why) != norvak::RecordReader::Next::end) {
        }
        std::fclose(input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Fixture& made = fixture();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (norvak::ByteOrder order : {norvak::ByteOrder::big, norvak::ByteOrder::little}) {
        roundTrip(norvak::RecordCodec(made.layout, *made.ascii, order), bytes);
        roundTrip(norvak::RecordCodec(made.layout, *made.ebcdic, order), bytes);
    }
    if (size > 0)
        readFramings(bytes);
    return 0;
}
