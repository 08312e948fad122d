#pragma once

#include "codec/NumericCodecs.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// How records follow one another in a file:
// - fixed: each the same number of bytes;
// - rdw: a record descriptor word before each (a 2-byte big-endian length
//   that counts the descriptor's 4 bytes too, then two zero bytes), as the
//   variable-length files of a mainframe hold them;
// - rdw-data: the same descriptor, its length counting the data only, as
//   GnuCOBOL writes its variable-length sequential files by default;
// - prefix2, prefix4: a 2- or 4-byte length of the data before each, in the
//   byte order of the binary numbers;
// - lines: each ends with a line feed (0x0A), the last one may not.
enum class Framing { fixed, rdw, rdwData, prefix2, prefix4, lines };

std::optional<Framing> framingNamed(std::string_view name);
inline constexpr const char* framingNames = "fixed, rdw, rdw-data, prefix2, prefix4, lines";

// Reads the records of a stream one at a time: never more than one record
// (and the stream's buffer) in memory.
class RecordReader {
  public:
    RecordReader(std::FILE* input, Framing framing, std::size_t fixedSize, ByteOrder byteOrder);

    enum class Next { record, bad, end };
    // The next record's bytes (without its frame). `bad` when its frame is
    // broken (a record cut short at the end, a descriptor that is no length),
    // with the bytes read in `record` and the reason in `why`; after a
    // broken descriptor the rest of the input is that one bad record, as no
    // record's start can be found after it.
    Next next(std::string& record, std::string& why);
    // Where the frame of the record read last begins in the input.
    std::int64_t offset() const { return offset_; }
    // Passes over `count` records unread; the number passed (fewer at the
    // end of the input).
    std::int64_t skip(std::int64_t count);
    // Whether the input failed (not its end): a read error.
    bool failed() const;

  private:
    bool readExactly(std::size_t bytes, std::string& into, std::size_t& got);
    Next prefixed(std::string& record, std::string& why);
    Next line(std::string& record);
    void readRest(std::string& into);

    std::FILE* input_;
    Framing framing_;
    std::size_t fixedSize_;
    ByteOrder byteOrder_;
    std::int64_t offset_ = 0;
    std::int64_t position_ = 0;
    bool broken_ = false;
};

// The record with its frame, appended to `out`; false, with the reason,
// when the frame cannot hold it (too long for its length, a line feed in a
// line, another size than a fixed record's).
bool frameRecord(Framing framing, std::string_view record, std::size_t fixedSize, ByteOrder byteOrder, std::string& out,
                 std::string& why);

} // namespace norvak
