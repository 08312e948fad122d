// The main every tool shares: --help and --version, --format json or text, and the run with its report.
#include "tools/common/ToolMain.h"

#include "dbsession/JsonEnvelope.h"
#include "support/ProgramInfo.h"

#include <string>
#include <vector>

namespace norvak {

int toolMain(int argc, char** argv, const ToolMainSettings& settings, const ToolRun& run) {
    {
        Output info(stdout);
        if (answerInfoRequest(info, argc, argv, settings.program, settings.valueLetters, settings.help))
            return finishReport(info, settings.program, 0);
    }
    std::vector<const char*> arguments(argv, argv + argc);
    std::string format;
    if (!takeFormatOption(arguments, format)) {
        Output report(settings.reportStream);
        if (format.empty())
            report.print("*****Error - output format missing from --format parameter (use json or text)\n");
        else
            report.print("*****Error - unknown --format %s: json or text\n", format.c_str());
        return finishReport(report, settings.program, settings.commandLineExitCode);
    }
    const int count = static_cast<int>(arguments.size());
    if (format == "json")
        return runWithJsonDocument(settings.program, stdout, [&](Output& report, nlohmann::ordered_json& own) {
            return run(report, count, arguments.data(), &own);
        });
    Output report(settings.reportStream, settings.flushEachLine);
    int exitCode = runToEnd(report, [&] { return run(report, count, arguments.data(), nullptr); });
    return finishReport(report, argc > 0 ? argv[0] : settings.program, exitCode);
}

} // namespace norvak
