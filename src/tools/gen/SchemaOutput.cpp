// norvakgen --target json-schema and xsd: the tabs they read, the schema written as text or into the JSON document.
#include "tools/gen/SchemaOutput.h"

#include "codegen/JsonSchema.h"
#include "codegen/XmlSchema.h"
#include "support/OutputFile.h"
#include "tools/gen/GenCommand.h"

#include <nlohmann/json.hpp>

#include <string>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* jsonSchemaTarget = "json-schema";
constexpr const char* xsdTarget = "xsd";

// The tab of a format named, or the first in sequence without a name;
// nullptr when there is none.
const ModelPlugin* tabOf(const MessageSetModel& model, WireFormat format, const std::string& name) {
    for (const ModelPlugin* tab : model.tabs(format))
        if (name.empty() || tab->row->name == name)
            return tab;
    return nullptr;
}

std::string tabNames(const MessageSetModel& model, WireFormat format) {
    std::string known;
    for (const ModelPlugin* tab : model.tabs(format))
        known += (known.empty() ? "" : ", ") + tab->row->name;
    return known;
}

// The tabs a schema reads: for xsd the XML tab (--tab names it) and the
// first CWF tab, for json-schema the CWF tab (--tab names it) if any.
bool tabsOf(Output& report, const ToolOptions& values, const MessageSetModel& model, const ModelPlugin*& xmlTab,
            const ModelPlugin*& cwfTab) {
    const bool xsd = values.target == xsdTarget;
    const WireFormat named = xsd ? WireFormat::xml : WireFormat::cwf;
    const ModelPlugin* tab = tabOf(model, named, values.tab);
    const char* kind = xsd ? "XML" : "CWF";
    if (tab == nullptr && !values.tab.empty()) {
        report.print("*****Error - no %s tab %s: the %s tabs are %s\n", kind, values.tab.c_str(), kind,
                     tabNames(model, named).c_str());
        return false;
    }
    if (tab == nullptr && xsd) {
        report.print("*****Error - the message set has no XML tab: an XML Schema needs one\n");
        return false;
    }
    xmlTab = xsd ? tab : nullptr;
    cwfTab = xsd ? tabOf(model, WireFormat::cwf, "") : tab;
    return true;
}

} // namespace

bool isSchemaTarget(const std::string& target) {
    return target == jsonSchemaTarget || target == xsdTarget;
}

int writeSchemas(Output& report, const ToolOptions& values, const MessageSetModel& model,
                 const std::vector<const ModelMessage*>& messages, nlohmann::ordered_json* own) {
    if (!values.message.empty() && messages.empty()) {
        report.print("*****Error - no message %s in the message set\n", values.message.c_str());
        return genNotFound;
    }
    const ModelPlugin* xmlTab = nullptr;
    const ModelPlugin* cwfTab = nullptr;
    if (!tabsOf(report, values, model, xmlTab, cwfTab))
        return genNotFound;
    const bool xsd = xmlTab != nullptr;
    std::vector<std::string> approximations;
    Json schema;
    std::string text;
    if (xsd) {
        XmlSchemaDocument document = xmlSchemaOf(model, messages, *xmlTab, cwfTab);
        approximations = std::move(document.approximations);
        text = std::move(document.text);
        schema = text;
    } else {
        schema = jsonSchemaOf(model, messages, cwfTab, approximations);
        text = schema.dump(2) + "\n";
    }
    for (const std::string& why : approximations)
        report.print("*****Warning - %s\n", why.c_str());
    const std::string source = values.inputFile.empty() ? "message set " + values.messageSet : values.inputFile;
    if (own != nullptr) {
        (*own)["source"] = values.inputFile.empty() ? Json{{"messageSet", values.messageSet}} : Json{{"file", values.inputFile}};
        (*own)["target"] = values.target;
        (*own)["tab"] = xsd ? Json(xmlTab->row->name) : cwfTab != nullptr ? Json(cwfTab->row->name) : Json();
        (*own)["schema"] = std::move(schema);
        (*own)["approximations"] = approximations;
    } else if (std::string failure; !writeOutputFile(values.outputFile, text, failure)) {
        report.print("*****Error - the schema could not be written to %s: %s\n",
                     values.outputFile.empty() ? "standard output" : values.outputFile.c_str(), failure.c_str());
        return genNotWritten;
    }
    const char* what = xsd ? "XML Schema" : "JSON Schema";
    if (!approximations.empty())
        report.print("*****Warning - %zu field%s written as the nearest %s equivalent (exit code %d)\n",
                     approximations.size(), approximations.size() == 1 ? "" : "s", what,
                     static_cast<int>(genApproximated));
    report.printImportant("Generated the %s of %zu message%s of %s\n", what, messages.size(),
                          messages.size() == 1 ? "" : "s", source.c_str());
    return approximations.empty() ? genDone : genApproximated;
}

} // namespace norvak
