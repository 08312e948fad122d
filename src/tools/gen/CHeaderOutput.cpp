// norvakgen --target c: the C headers written as text or into the JSON document, and what was approximated.
#include "tools/gen/CHeaderOutput.h"

#include "codegen/CHeader.h"
#include "support/OutputFile.h"
#include "tools/gen/GenCommand.h"

#include <nlohmann/json.hpp>

#include <string>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

Json headerJson(const CHeader& header, const RecordLayout& layout) {
    Json fields = Json::array();
    for (const CHeaderField& field : header.fields)
        fields.push_back({{"path", field.path}, {"member", field.member}});
    return {
        {"message", header.message},
        {"tab", layout.tab},
        {"struct", header.structName},
        {"guard", header.guard},
        {"text", header.text},
        {"fields", std::move(fields)},
        {"approximations", header.approximations},
    };
}

} // namespace

int writeCHeaders(Output& report, const ToolOptions& values, const MessageSetModel& model,
                  const std::vector<RecordLayout>& layouts, nlohmann::ordered_json* own) {
    const std::string source = values.inputFile.empty() ? "message set " + values.messageSet : values.inputFile;
    const std::vector<CHeader> headers = cHeadersOf(model, layouts);
    std::string text;
    Json all = Json::array();
    std::size_t approximated = 0;
    for (std::size_t h = 0; h < headers.size(); ++h) {
        const CHeader& header = headers[h];
        for (const std::string& why : header.approximations)
            report.print("*****Warning - message %s, field %s\n", header.message.c_str(), why.c_str());
        approximated += header.approximations.size();
        text += (text.empty() ? "" : "\n") + header.text;
        all.push_back(headerJson(header, layouts[h]));
    }
    if (own != nullptr) {
        (*own)["source"] =
            values.inputFile.empty() ? Json{{"messageSet", values.messageSet}} : Json{{"file", values.inputFile}};
        (*own)["target"] = "c";
        (*own)["headers"] = std::move(all);
    } else if (std::string failure; !writeOutputFile(values.outputFile, text, failure)) {
        report.print("*****Error - the C headers could not be written to %s: %s\n",
                     values.outputFile.empty() ? "standard output" : values.outputFile.c_str(), failure.c_str());
        return genNotWritten;
    }
    if (approximated > 0)
        report.print("*****Warning - %zu field%s written as the nearest C equivalent (exit code %d)\n", approximated,
                     approximated == 1 ? "" : "s", static_cast<int>(genApproximated));
    report.printImportant("Generated the C header of %zu message%s of %s\n", layouts.size(),
                          layouts.size() == 1 ? "" : "s", source.c_str());
    return approximated > 0 ? genApproximated : genDone;
}

} // namespace norvak
