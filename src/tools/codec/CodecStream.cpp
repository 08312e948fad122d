// norvakcodec's streams: records decoded to JSON lines and JSON lines encoded to records, one at a time, the rejects
// set aside.
#include "tools/codec/CodecStream.h"

#include "codec/CodecError.h"
#include "tools/codec/CodecCommand.h"

#include <string>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

// A record or line that could not be read: said, written to the rejects
// file, counted. False when the rejects file could not be written.
bool reject(Output& report, const StreamOutputs& outputs, const std::string& place, const std::string& bytes,
            StreamCounts& counts, const StreamSettings& settings) {
    report.print("*****Error - %s - rejected\n", place.c_str());
    ++counts.rejected;
    if (settings.maxErrors && counts.rejected >= *settings.maxErrors)
        counts.stopped = true;
    return outputs.rejects == nullptr || outputs.rejects->write(bytes);
}

std::string decodePlace(std::int64_t number, std::int64_t inputOffset, const CodecError& error) {
    std::string place = "record " + std::to_string(number) + " (input byte " + std::to_string(inputOffset) +
                        "), byte " + std::to_string(error.offset);
    if (!error.path.empty())
        place += ", field " + error.path;
    return place + ": " + error.reason;
}

bool sliceDone(const StreamSettings& settings, const StreamCounts& counts) {
    return counts.stopped || (settings.count && counts.read >= *settings.count);
}

} // namespace

int decodeStream(Output& report, const RecordCodec& codec, std::FILE* input, const StreamOutputs& outputs,
                 const StreamSettings& settings, StreamCounts& counts) {
    RecordReader reader(input, settings.framing, static_cast<std::size_t>(settings.fixedSize.value_or(0)),
                        settings.byteOrder);
    std::int64_t number = reader.skip(settings.skip);
    std::string record;
    std::string why;
    std::string line;
    RecordReader::Next next = RecordReader::Next::end;
    while (!sliceDone(settings, counts) && (next = reader.next(record, why)) != RecordReader::Next::end) {
        ++number;
        ++counts.read;
        std::string place;
        std::string bytes;
        if (next == RecordReader::Next::record) {
            try {
                codec.decodeText(record, settings.framing == Framing::fixed, line);
                line += '\n';
                if (!outputs.output.write(line))
                    return codecNotWritten;
                ++counts.written;
                continue;
            } catch (const CodecFailure& failure) {
                place = decodePlace(number, reader.offset(), failure.error);
            }
            frameRecord(settings.framing, record, record.size(), settings.byteOrder, bytes, why);
        } else {
            bytes = record;
            place =
                "record " + std::to_string(number) + " (input byte " + std::to_string(reader.offset()) + "): " + why;
        }
        if (!reject(report, outputs, place, bytes, counts, settings))
            return codecNotWritten;
    }
    return reader.failed() ? codecUnreadableInput : codecDone;
}

namespace {

// The record of one line of JSON, framed; empty with `place` set when the
// line is rejected.
std::string encodedLine(const RecordCodec& codec, const std::string& line, std::int64_t number,
                        const StreamSettings& settings, std::string& place) {
    const std::string at = "line " + std::to_string(number);
    Json content;
    try {
        content = Json::parse(line);
    } catch (const Json::parse_error& error) {
        place = at + ": no JSON (at byte " + std::to_string(error.byte) + " of the line)";
        return "";
    }
    std::string framed;
    try {
        const std::string record =
            codec.encode(content, settings.framing == Framing::fixed ? settings.fixedSize : std::nullopt);
        std::string why;
        if (!frameRecord(settings.framing, record, record.size(), settings.byteOrder, framed, why))
            place = at + ": " + why;
    } catch (const CodecFailure& failure) {
        place = at + (failure.error.pointer.empty() ? "" : ", " + failure.error.pointer) + ": " + failure.error.reason;
    }
    return framed;
}

} // namespace

int encodeStream(Output& report, const RecordCodec& codec, std::FILE* input, const StreamOutputs& outputs,
                 const StreamSettings& settings, StreamCounts& counts) {
    RecordReader reader(input, Framing::lines, 0, settings.byteOrder);
    std::int64_t number = reader.skip(settings.skip);
    std::string line;
    std::string why;
    while (!sliceDone(settings, counts) && reader.next(line, why) != RecordReader::Next::end) {
        ++number;
        ++counts.read;
        const std::string original = line + "\n";
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string place;
        const std::string framed = encodedLine(codec, line, number, settings, place);
        if (place.empty()) {
            if (!outputs.output.write(framed))
                return codecNotWritten;
            ++counts.written;
        } else if (!reject(report, outputs, place, original, counts, settings)) {
            return codecNotWritten;
        }
    }
    return reader.failed() ? codecUnreadableInput : codecDone;
}

} // namespace norvak
