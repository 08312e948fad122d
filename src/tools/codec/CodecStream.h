#pragma once

#include "codec/Framing.h"
#include "codec/RecordCodec.h"
#include "support/Output.h"
#include "support/OutputFile.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace norvak {

// How records are read and written, and which of them.
struct StreamSettings {
    Framing framing = Framing::fixed;
    std::optional<std::int64_t> fixedSize; // the length of a fixed-length record
    ByteOrder byteOrder = ByteOrder::big;
    std::int64_t skip = 0;                 // records (or lines) passed over first
    std::optional<std::int64_t> count;     // the most records (or lines) read after them
    std::optional<std::int64_t> maxErrors; // the run ends at this many rejected
};

// What a run did: read = written + rejected, always.
struct StreamCounts {
    std::int64_t read = 0;
    std::int64_t written = 0;
    std::int64_t rejected = 0;
    bool stopped = false; // ended at --max-errors
};

// The rejects file, when there is one: each record or line that could not
// be decoded or encoded, written as it was read.
struct StreamOutputs {
    OutputFile& output;
    OutputFile* rejects = nullptr;
};

// Decodes the records of `input` to one JSON object a line; encodes the JSON
// objects of the lines of `input` to records. Each record or line rejected
// is said on `report` ("*****Error - record N (input byte O), byte B, field
// P: reason", or "line N, /pointer: reason"). codecDone, codecNotWritten or
// codecUnreadableInput; the counts tell the rest.
int decodeStream(Output& report, const RecordCodec& codec, std::FILE* input, const StreamOutputs& outputs,
                 const StreamSettings& settings, StreamCounts& counts);
int encodeStream(Output& report, const RecordCodec& codec, std::FILE* input, const StreamOutputs& outputs,
                 const StreamSettings& settings, StreamCounts& counts);

} // namespace norvak
