// norvakgen --target copybook: the copybooks written as text or into the JSON document, and what was approximated.
#include "tools/gen/CopybookOutput.h"

#include "codegen/Copybook.h"
#include "support/OutputFile.h"
#include "tools/gen/GenCommand.h"

#include <nlohmann/json.hpp>

#include <string>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

Json copybookJson(const Copybook& book, const RecordLayout& layout) {
    Json fields = Json::array();
    for (const CopybookField& field : book.fields)
        fields.push_back({{"path", field.path}, {"name", field.name}, {"subscripts", field.subscripts}});
    return {
        {"message", book.message}, {"tab", layout.tab},           {"record", book.recordName},
        {"text", book.text},       {"fields", std::move(fields)}, {"approximations", book.approximations},
    };
}

} // namespace

int writeCopybooks(Output& report, const ToolOptions& values, const MessageSetModel& model,
                   const std::vector<RecordLayout>& layouts, nlohmann::ordered_json* own) {
    const std::string source = values.inputFile.empty() ? "message set " + values.messageSet : values.inputFile;
    std::string text;
    Json all = Json::array();
    std::size_t approximated = 0;
    for (const RecordLayout& layout : layouts) {
        const Copybook book = copybookOf(model, layout);
        for (const std::string& why : book.approximations)
            report.print("*****Warning - message %s, field %s\n", book.message.c_str(), why.c_str());
        approximated += book.approximations.size();
        text += (text.empty() ? "" : "\n") + book.text;
        all.push_back(copybookJson(book, layout));
    }
    if (own != nullptr) {
        (*own)["source"] =
            values.inputFile.empty() ? Json{{"messageSet", values.messageSet}} : Json{{"file", values.inputFile}};
        (*own)["target"] = "copybook";
        (*own)["copybooks"] = std::move(all);
    } else if (std::string failure; !writeOutputFile(values.outputFile, text, failure)) {
        report.print("*****Error - the copybooks could not be written to %s: %s\n",
                     values.outputFile.empty() ? "standard output" : values.outputFile.c_str(), failure.c_str());
        return genNotWritten;
    }
    if (approximated > 0)
        report.print("*****Warning - %zu field%s written as the nearest COBOL equivalent (exit code %d)\n",
                     approximated, approximated == 1 ? "" : "s", static_cast<int>(genApproximated));
    report.printImportant("Generated the copybook of %zu message%s of %s\n", layouts.size(),
                          layouts.size() == 1 ? "" : "s", source.c_str());
    return approximated > 0 ? genApproximated : genDone;
}

} // namespace norvak
