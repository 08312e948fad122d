// The framings of record files: fixed length, record descriptor words, length prefixes and lines, read and written as
// streams.
#include "codec/Framing.h"

#include <cstdlib>
#include <unordered_map>

namespace norvak {

namespace {

constexpr std::size_t descriptorBytes = 4;
constexpr std::uint64_t descriptorMost = 0xFFFF;
// The most bytes a 4-byte length prefix is taken to give: beyond, it is no length.
constexpr std::uint64_t prefixMost = std::uint64_t{64} * 1024 * 1024;

std::size_t prefixBytes(Framing framing) {
    return framing == Framing::prefix2 ? 2 : 4;
}

} // namespace

std::optional<Framing> framingNamed(std::string_view name) {
    static const std::unordered_map<std::string_view, Framing> named = {
        {"fixed", Framing::fixed},     {"rdw", Framing::rdw},         {"rdw-data", Framing::rdwData},
        {"prefix2", Framing::prefix2}, {"prefix4", Framing::prefix4}, {"lines", Framing::lines}};
    auto found = named.find(name);
    return found == named.end() ? std::nullopt : std::optional<Framing>(found->second);
}

RecordReader::RecordReader(std::FILE* input, Framing framing, std::size_t fixedSize, ByteOrder byteOrder)
    : input_(input), framing_(framing), fixedSize_(fixedSize), byteOrder_(byteOrder) {}

bool RecordReader::failed() const {
    return std::ferror(input_) != 0;
}

bool RecordReader::readExactly(std::size_t bytes, std::string& into, std::size_t& got) {
    const std::size_t before = into.size();
    into.resize(before + bytes);
    got = bytes == 0 ? 0 : std::fread(into.data() + before, 1, bytes, input_);
    into.resize(before + got);
    position_ += static_cast<std::int64_t>(got);
    return got == bytes;
}

void RecordReader::readRest(std::string& into) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, input_)) > 0) {
        into.append(buffer, got);
        position_ += static_cast<std::int64_t>(got);
    }
    broken_ = true;
}

RecordReader::Next RecordReader::next(std::string& record, std::string& why) {
    record.clear();
    offset_ = position_;
    if (broken_)
        return Next::end;
    if (framing_ == Framing::lines)
        return line(record);
    if (framing_ != Framing::fixed)
        return prefixed(record, why);
    std::size_t got = 0;
    if (readExactly(fixedSize_, record, got))
        return Next::record;
    if (got == 0)
        return Next::end;
    why = "a record of " + std::to_string(got) + " bytes at the end of the input, where " + std::to_string(fixedSize_) +
          " are expected";
    return Next::bad;
}

RecordReader::Next RecordReader::prefixed(std::string& record, std::string& why) {
    const bool descriptor = framing_ == Framing::rdw || framing_ == Framing::rdwData;
    const std::size_t frame = descriptor ? descriptorBytes : prefixBytes(framing_);
    std::string head;
    std::size_t got = 0;
    if (!readExactly(frame, head, got)) {
        record = head;
        why = "a record's frame cut short at the end of the input";
        return got == 0 ? Next::end : Next::bad;
    }
    std::uint64_t length =
        descriptor ? readUnsigned(std::string_view(head).substr(0, 2), ByteOrder::big) : readUnsigned(head, byteOrder_);
    bool valid = !descriptor || (head[2] == '\0' && head[3] == '\0');
    if (framing_ == Framing::rdw) {
        valid = valid && length >= descriptorBytes;
        length -= valid ? descriptorBytes : 0;
    }
    if (!valid || length > (frame == 4 && !descriptor ? prefixMost : descriptorMost)) {
        record = head;
        readRest(record);
        why = "a record descriptor or length prefix that is no length; the rest of the input is not read as records";
        return Next::bad;
    }
    if (readExactly(static_cast<std::size_t>(length), record, got))
        return Next::record;
    record.insert(0, head);
    why = "a record of " + std::to_string(length) + " bytes cut short at the end of the input after " +
          std::to_string(got);
    return Next::bad;
}

RecordReader::Next RecordReader::line(std::string& record) {
    int c = 0;
    bool any = false;
    while ((c = std::getc(input_)) != EOF) {
        any = true;
        ++position_;
        if (c == '\n')
            return Next::record;
        record += static_cast<char>(c);
    }
    return any ? Next::record : Next::end;
}

std::int64_t RecordReader::skip(std::int64_t count) {
    std::int64_t passed = 0;
    std::string record;
    std::string why;
    while (passed < count && next(record, why) != Next::end)
        ++passed;
    return passed;
}

bool frameRecord(Framing framing, std::string_view record, std::size_t fixedSize, ByteOrder byteOrder, std::string& out,
                 std::string& why) {
    switch (framing) {
    case Framing::fixed:
        if (record.size() != fixedSize) {
            why = "a record of " + std::to_string(record.size()) + " bytes where the fixed length is " +
                  std::to_string(fixedSize);
            return false;
        }
        break;
    case Framing::lines:
        if (record.find('\n') != std::string_view::npos) {
            why = "the record holds a line feed byte (0x0A), which ends a line";
            return false;
        }
        out += record;
        out += '\n';
        return true;
    case Framing::rdw:
    case Framing::rdwData: {
        const std::uint64_t length = record.size() + (framing == Framing::rdw ? descriptorBytes : 0);
        if (length > descriptorMost) {
            why = "a record of " + std::to_string(record.size()) + " bytes, more than a record descriptor holds";
            return false;
        }
        writeUnsigned(length, 2, ByteOrder::big, out);
        out.append(2, '\0');
        break;
    }
    default: {
        const std::size_t bytes = prefixBytes(framing);
        if (bytes == 2 && record.size() > descriptorMost) {
            why = "a record of " + std::to_string(record.size()) + " bytes, more than a 2-byte length holds";
            return false;
        }
        writeUnsigned(record.size(), bytes, byteOrder, out);
        break;
    }
    }
    out += record;
    return true;
}

} // namespace norvak
