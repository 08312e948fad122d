// norvakcodec: its command line, the checks of its values, and the run of decode or encode over the streams.
#include "tools/codec/CodecCommand.h"
#include "tools/common/ModelledSetSource.h"

#include "codec/CodePages.h"
#include "codec/Framing.h"
#include "codec/RecordCodec.h"
#include "support/OutputFile.h"
#include "support/StringUtilities.h"
#include "tools/codec/CodecSource.h"
#include "tools/codec/CodecStream.h"
#include "tools/common/OptionParser.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace norvak {

namespace {

// The command line of norvakcodec: the tools' options and its own.
struct CodecOptions : ToolOptions {
    std::string command; // decode or encode
    std::string input;   // INPUT: empty or "-" for standard input
    std::string records;
    std::string ccsid;
    std::string byteOrder;
    std::string format;
    std::string rejects;
    std::string maxErrors;
    std::string skip;
    std::string count;
};

template <std::string CodecOptions::*member> constexpr std::string ToolOptions::*own() {
    return static_cast<std::string ToolOptions::*>(member);
}

OptionSpec ownOption(const char* name, std::string ToolOptions::*value, const char* missing) {
    return {.name = name, .value = value, .missingMessage = missing, .emptyIsMissing = true};
}

const OptionSpec codecOptions[] = {
    dataSourceSpec,
    userSpec,
    passwordSpec,
    schemaSpec,
    messageSetSpec,
    outputSpec,
    definitionsFileSpec,
    messageSpec,
    tabSpec,
    ownOption(
        "records", own<&CodecOptions::records>(),
        "*****Error - framing missing from --records parameter: fixed, rdw, rdw-data, prefix2, prefix4 or lines\n"),
    ownOption("ccsid", own<&CodecOptions::ccsid>(), "*****Error - CCSID missing from --ccsid parameter\n"),
    ownOption("byte-order", own<&CodecOptions::byteOrder>(),
              "*****Error - byte order missing from --byte-order parameter: big or little\n"),
    ownOption("format", own<&CodecOptions::format>(), "*****Error - format missing from --format parameter: jsonl\n"),
    ownOption("rejects", own<&CodecOptions::rejects>(), "*****Error - file missing from --rejects parameter\n"),
    ownOption("max-errors", own<&CodecOptions::maxErrors>(),
              "*****Error - number missing from --max-errors parameter\n"),
    ownOption("skip", own<&CodecOptions::skip>(), "*****Error - number missing from --skip parameter\n"),
    ownOption("count", own<&CodecOptions::count>(), "*****Error - number missing from --count parameter\n"),
    quietSpec,
};

bool takesValue(const std::string& argument) {
    for (const OptionSpec& option : codecOptions) {
        if (option.value == nullptr)
            continue;
        if (argument == std::string("--") + option.name ||
            (option.letter != 0 && argument == std::string("-") + option.letter))
            return true;
    }
    return false;
}

// The command and INPUT taken out of the arguments: the first and the
// second argument that are no option and no option's value.
bool takeCommandAndInput(Output& report, std::vector<const char*>& arguments, CodecOptions& values) {
    std::vector<std::string> positionals;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string argument = arguments[i];
        if (takesValue(argument)) {
            const bool valueFollows =
                i + 1 < arguments.size() && (arguments[i + 1][0] != '-' || std::strcmp(arguments[i + 1], "-") == 0);
            i += valueFollows ? 1 : 0;
        } else if (argument == "-" || !argument.starts_with("-")) {
            positionals.push_back(argument);
            arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i--));
        }
    }
    if (positionals.empty() || (positionals[0] != "decode" && positionals[0] != "encode")) {
        report.print("*****Error - no command: decode or encode comes first\n");
        return false;
    }
    values.command = positionals[0];
    if (positionals.size() > 2) {
        report.print("*****Error - more than one input: %s and %s\n", positionals[1].c_str(), positionals[2].c_str());
        return false;
    }
    values.input = positionals.size() == 2 ? positionals[1] : "";
    return true;
}

// A count of the command line: a whole number, at least `least`.
bool countOf(Output& report, const std::string& text, const char* option, std::int64_t least,
             std::optional<std::int64_t>& value) {
    if (text.empty())
        return true;
    constexpr std::size_t longest = 18;
    if (text.size() > longest || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoll(text) < least) {
        report.print("*****Error - %s takes a whole number of at least %lld, not %s\n", option,
                     static_cast<long long>(least), text.c_str());
        return false;
    }
    value = std::stoll(text);
    return true;
}

bool sourceAccepted(Output& report, const CodecOptions& values) {
    if (!messageSetSourceAccepted(report, values))
        return false;
    if (values.message.empty()) {
        report.print("*****Error - no message: give it with -m\n");
        return false;
    }
    return true;
}

bool formsAccepted(Output& report, const CodecOptions& values, StreamSettings& settings) {
    if (!values.format.empty() && values.format != "jsonl") {
        report.print(values.format == "xml" ? "*****Error - --format xml is not there yet: the format is jsonl\n"
                                            : "*****Error - unknown --format %s: the format is jsonl\n",
                     values.format.c_str());
        return false;
    }
    if (!values.records.empty()) {
        const std::optional<Framing> framing = framingNamed(values.records);
        if (!framing) {
            report.print("*****Error - unknown --records %s: %s\n", values.records.c_str(), framingNames);
            return false;
        }
        settings.framing = *framing;
    }
    if (!values.byteOrder.empty() && values.byteOrder != "big" && values.byteOrder != "little") {
        report.print("*****Error - unknown byte order %s: the byte orders are big, little\n", values.byteOrder.c_str());
        return false;
    }
    settings.byteOrder = values.byteOrder == "little" ? ByteOrder::little : ByteOrder::big;
    if (!values.ccsid.empty() && !codePageOf(values.ccsid)) {
        report.print("*****Error - unknown --ccsid %s: the CCSIDs known are %s\n", values.ccsid.c_str(),
                     knownCcsids().c_str());
        return false;
    }
    std::optional<std::int64_t> skip;
    const bool counts = countOf(report, values.skip, "--skip", 0, skip) &&
                        countOf(report, values.count, "--count", 0, settings.count) &&
                        countOf(report, values.maxErrors, "--max-errors", 1, settings.maxErrors);
    settings.skip = skip.value_or(0);
    return counts;
}

} // namespace

namespace {

// Takes every "--choice PATH=ALTERNATIVE" (or "--choice=...") out of the
// arguments; false, after saying so, for one without its value.
bool takeChoices(Output& report, std::vector<const char*>& arguments, std::vector<std::string>& choices) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::size_t taken = 0;
        if (std::strcmp(arguments[i], "--choice") == 0) {
            taken = i + 1 < arguments.size() ? 2 : 1;
            choices.emplace_back(taken == 2 ? arguments[i + 1] : "");
        } else if (std::strncmp(arguments[i], "--choice=", 9) == 0) {
            taken = 1;
            choices.emplace_back(arguments[i] + 9);
        }
        if (taken == 0)
            continue;
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i + taken));
        if (choices.back().find('=') == std::string::npos) {
            report.print("*****Error - choice missing from --choice parameter: PATH=ALTERNATIVE\n");
            return false;
        }
        --i;
    }
    return true;
}

// The alternatives --choice names, given to the codec; false after saying
// which the layout does not hold.
bool choicesTaken(Output& report, const std::vector<std::string>& choices, const std::string& message,
                  RecordCodec& codec) {
    bool taken = true;
    for (const std::string& choice : choices) {
        const std::size_t equals = choice.find('=');
        if (!codec.selectAlternative(choice.substr(0, equals), choice.substr(equals + 1))) {
            report.print("*****Error - message %s has no choice %s with an alternative %s\n", message.c_str(),
                         choice.substr(0, equals).c_str(), choice.substr(equals + 1).c_str());
            taken = false;
        }
    }
    return taken;
}

} // namespace

bool takeReportOption(std::vector<const char*>& arguments, std::string& report) {
    report = "text";
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::size_t taken = 0;
        if (std::strcmp(arguments[i], "--report") == 0) {
            report = i + 1 < arguments.size() ? arguments[i + 1] : "";
            taken = i + 1 < arguments.size() ? 2 : 1;
        } else if (std::strncmp(arguments[i], "--report=", 9) == 0) {
            report = arguments[i] + 9;
            taken = 1;
        }
        if (taken == 0)
            continue;
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i + taken));
        if (report != "json" && report != "text")
            return false;
        --i;
    }
    return true;
}

namespace {

// The input's stream: the file INPUT names, or standard input.
class InputStream {
  public:
    explicit InputStream(const std::string& name)
        : file_(name.empty() || name == "-" ? stdin : std::fopen(name.c_str(), "rb")), owned_(file_ != stdin) {}
    ~InputStream() {
        if (owned_ && file_ != nullptr)
            std::fclose(file_);
    }
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    std::FILE* file() const { return file_; }

  private:
    std::FILE* file_;
    bool owned_;
};

bool opened(Output& report, OutputFile& file, const std::string& path, const char* what) {
    std::string failure;
    if (file.open(path, failure))
        return true;
    report.print("*****Error - the %s could not be written to %s: %s\n", what,
                 path.empty() ? "standard output" : path.c_str(), failure.c_str());
    return false;
}

bool committed(Output& report, OutputFile& file, const std::string& path, const char* what) {
    std::string failure;
    if (file.commit(failure))
        return true;
    report.print("*****Error - the %s could not be written to %s: %s\n", what,
                 path.empty() ? "standard output" : path.c_str(), failure.c_str());
    return false;
}

int runStreams(Output& report, const CodecOptions& values, const RecordCodec& codec, const StreamSettings& settings,
               StreamCounts& counts) {
    InputStream input(values.input);
    if (input.file() == nullptr) {
        report.print("*****Error - unable to read input %s: %s\n", values.input.c_str(), std::strerror(errno));
        return codecUnreadableInput;
    }
    OutputFile output;
    OutputFile rejects;
    if (!opened(report, output, values.outputFile, "output") ||
        (!values.rejects.empty() && !opened(report, rejects, values.rejects, "rejects")))
        return codecNotWritten;
    const StreamOutputs outputs{output, values.rejects.empty() ? nullptr : &rejects};
    int exitCode = values.command == "decode" ? decodeStream(report, codec, input.file(), outputs, settings, counts)
                                              : encodeStream(report, codec, input.file(), outputs, settings, counts);
    if (exitCode == codecUnreadableInput)
        report.print("*****Error - reading input %s failed\n", values.input.empty() ? "-" : values.input.c_str());
    if (!committed(report, output, values.outputFile, "output") ||
        (!values.rejects.empty() && !committed(report, rejects, values.rejects, "rejects")))
        exitCode = codecNotWritten;
    return exitCode;
}

// The code page of the records: --ccsid, the tab's, or UTF-8; nothing after
// saying why.
std::unique_ptr<TextCodec> textCodecOf(Output& report, const CodecOptions& values, const RecordLayout& layout) {
    const std::string ccsid = !values.ccsid.empty() ? values.ccsid : layout.ccsid.value_or(defaultCcsid);
    const std::optional<CodePage> page = codePageOf(ccsid);
    if (!page) {
        report.print("*****Error - the CCSID %s of tab %s is not one the codec knows (%s): give one with --ccsid\n",
                     ccsid.c_str(), layout.tab.c_str(), knownCcsids().c_str());
        return nullptr;
    }
    try {
        return std::make_unique<TextCodec>(*page);
    } catch (const std::runtime_error& error) {
        report.print("*****Error - CCSID %s: %s\n", ccsid.c_str(), error.what());
        return nullptr;
    }
}

// Whether the codec reads every field of the layout, and the length of a
// fixed-length record; false after saying why not.
bool layoutAccepted(Output& report, const RecordCodec& codec, const RecordLayout& layout, StreamSettings& settings) {
    bool accepted = true;
    for (const std::string& line : codec.unsupported()) {
        report.print("*****Error - message %s, field %s\n", layout.message.c_str(), line.c_str());
        accepted = false;
    }
    if (accepted && settings.framing == Framing::fixed) {
        settings.fixedSize = codec.mostBytes();
        if (!settings.fixedSize || *settings.fixedSize <= 0) {
            report.print("*****Error - the records of message %s have no fixed length (a field has no most size): "
                         "give their framing with --records (%s)\n",
                         layout.message.c_str(), framingNames);
            accepted = false;
        }
    }
    return accepted;
}

int finalCode(int streamed, const StreamCounts& counts) {
    if (streamed != codecDone)
        return streamed;
    if (counts.stopped)
        return codecTooManyErrors;
    return counts.rejected > 0 ? codecRejected : codecDone;
}

void summarise(Output& report, const CodecOptions& values, const StreamSettings& settings, const StreamCounts& counts,
               nlohmann::ordered_json* own) {
    if (counts.stopped)
        report.print("*****Error - the run ended at %lld rejected (--max-errors)\n",
                     static_cast<long long>(*settings.maxErrors));
    report.print("%s message %s: %lld read, %lld written, %lld rejected\n",
                 values.command == "decode" ? "Decoded records of" : "Encoded records of", values.message.c_str(),
                 static_cast<long long>(counts.read), static_cast<long long>(counts.written),
                 static_cast<long long>(counts.rejected));
    if (own != nullptr) {
        (*own)["command"] = values.command;
        (*own)["message"] = values.message;
        (*own)["records"] = {{"read", counts.read}, {"written", counts.written}, {"rejected", counts.rejected}};
        (*own)["stoppedAtMaxErrors"] = counts.stopped;
    }
}

} // namespace

int runCodec(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    if (toolUsageRequested(argc, argv)) {
        report.print("%s", norvakcodecHelp);
        return codecUsage;
    }
    CodecOptions values;
    std::vector<const char*> arguments(argv, argv + argc);
    std::vector<std::string> choices;
    const bool commandTaken = takeChoices(report, arguments, choices) && takeCommandAndInput(report, arguments, values);
    const bool parsed = commandTaken && parseToolOptions(report, static_cast<int>(arguments.size()), arguments.data(),
                                                         codecOptions, values);
    if (values.inputFile.empty())
        takeConnectionDefaults(values.dataSource, values.user, values.password);
    report.setQuiet(values.quiet);
    if (values.outputFile == "-")
        values.outputFile.clear();
    StreamSettings settings;
    if (!parsed || !sourceAccepted(report, values) || !formsAccepted(report, values, settings))
        return codecCommandLine;

    int exitCode = codecDone;
    const std::optional<ModelledSet> set = readCodecSet(report, values, exitCode);
    if (!set)
        return exitCode;
    RecordLayout layout;
    if (const int found = layoutOfMessage(report, set->model(), values, layout); found != codecDone)
        return found;
    const std::unique_ptr<TextCodec> text = textCodecOf(report, values, layout);
    if (!text)
        return codecNotFound;
    RecordCodec codec(layout, *text, settings.byteOrder);
    if (!choicesTaken(report, choices, values.message, codec) || !layoutAccepted(report, codec, layout, settings))
        return codecNotFound;
    StreamCounts counts;
    const int streamed = runStreams(report, values, codec, settings, counts);
    summarise(report, values, settings, counts, own);
    return finalCode(streamed, counts);
}

const char* const norvakcodecHelp =
    "Usage: norvakcodec decode|encode -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                   -s MessageSet -m Message {--tab Name} {options} {INPUT|-} {-o OUTPUT|-}\n"
    "       norvakcodec decode|encode -f File -m Message {--tab Name} {options} {INPUT|-} {-o OUTPUT|-}\n"
    "\n"
    "decode reads the records of a message from INPUT (standard input without it) and writes one JSON\n"
    "object a line, shaped as the message's generated JSON Schema says; encode reads such lines and\n"
    "writes the records. The record is the message's layout in a CWF tab (as norvakgen --target layout\n"
    "shows it). Decimals are strings of their exact digits. A record or line that cannot be read is\n"
    "written unchanged to the rejects file, said on standard error with its place and reason, and\n"
    "counted; the others go on.\n"
    "\n"
    "Options:\n"
    "  -n, --data-source NAME  ODBC data source of the repository\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  the message set to read\n"
    "  -f, --file FILE         read a definitions file instead of a message set (no database)\n"
    "  -m, --message IDENT     the message of the records\n"
    "  --tab NAME              the CWF tab of this name (the first CWF tab without --tab)\n"
    "  --choice PATH=NAME      decode gives only the alternative NAME of the choice at PATH (every\n"
    "                          alternative that decodes without it); may be given again\n"
    "  --records FRAMING       fixed (the default: the record's most bytes each), rdw (a record descriptor\n"
    "                          word counting itself), rdw-data (one counting the data only, as GnuCOBOL\n"
    "                          writes), prefix2, prefix4 (a length before each) or lines\n"
    "  --ccsid N               the code page of the text (the tab's CCSID without it; 1208, UTF-8,\n"
    "                          when the tab has none)\n"
    "  --byte-order ORDER      big (the default) or little: binary numbers and length prefixes\n"
    "  --format jsonl          one JSON object a line (the one format so far)\n"
    "  --rejects FILE          where the records or lines that cannot be read are written, unchanged\n"
    "  --max-errors N          end the run at the Nth rejected record\n"
    "  --skip N                pass over the first N records (lines for encode)\n"
    "  --count N               read at most N records (lines) after them\n"
    "  -o, --output FILE       write to File (replaced whole when the run ends); standard output without -o\n"
    "  -q, --quiet             on standard error only the rejected records and errors (and, after the\n"
    "                          first, the lines that follow it)\n"
    "  --report json|text      the run's report on standard error as one JSON document (with the counts)\n"
    "                          or as text (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-o File, never -oFile) or\n"
    "follows = in a long form (--output=File). - as INPUT is standard input, as File standard output.\n"
    "\n"
    "Exit codes: 0 every record written, 1 usage shown, 2 command line mistake, 3 no such message set,\n"
    "4 database error, 5 output or rejects file not written, 6 the definitions file could not be read,\n"
    "7 the definitions file has errors the import would refuse, 8 no such message or CWF tab, or a\n"
    "layout the codec cannot read, 9 records rejected (the others written), 10 the run ended at\n"
    "--max-errors, 11 the input could not be read.\n";

} // namespace norvak
