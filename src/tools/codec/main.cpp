// norvakcodec: records of a message decoded to JSON lines and encoded back.
#include "dbsession/JsonEnvelope.h"
#include "support/ProgramInfo.h"
#include "tools/codec/CodecCommand.h"

#include <cstdio>
#include <string>
#include <vector>

// The records and the JSON go to standard output (or -o); everything about
// the run to standard error, as text or, with --report json, as one JSON
// document.
int main(int argc, char** argv) {
    constexpr const char* program = "norvakcodec";
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, program, "nuphsfmo", norvak::norvakcodecHelp))
            return norvak::finishReport(info, program, 0);
    }
    std::vector<const char*> arguments(argv, argv + argc);
    std::string report;
    if (!norvak::takeReportOption(arguments, report)) {
        norvak::Output out(stderr);
        out.print("*****Error - unknown --report %s: json or text\n", report.c_str());
        return norvak::finishReport(out, program, norvak::codecCommandLine);
    }
    const int count = static_cast<int>(arguments.size());
    if (report == "json")
        return norvak::runWithJsonDocument(program, stderr, [&](norvak::Output& out, nlohmann::ordered_json& own) {
            return norvak::runCodec(out, count, arguments.data(), &own);
        });
    norvak::Output out(stderr, true);
    const int exitCode = norvak::runToEnd(out, [&] { return norvak::runCodec(out, count, arguments.data(), nullptr); });
    return norvak::finishReport(out, argc > 0 ? argv[0] : program, exitCode);
}
