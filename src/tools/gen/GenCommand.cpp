// norvakgen: its command line, the model read from a message set or a definitions file, and the layouts written.
#include "tools/gen/GenCommand.h"

#include "import/driver/ImportDriver.h"
#include "layout/RecordLayout.h"
#include "support/Diagnostics.h"
#include "support/OutputFile.h"
#include "support/StringUtilities.h"
#include "tools/common/ModelledSetSource.h"
#include "tools/ToolCommandLine.h"
#include "tools/common/OptionParser.h"
#include "tools/gen/CHeaderOutput.h"
#include "tools/gen/CopybookOutput.h"
#include "tools/gen/LayoutReport.h"
#include "tools/gen/OutputFolder.h"
#include "tools/gen/SchemaOutput.h"

#include <nlohmann/json.hpp>

#include <filesystem>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

namespace {

// The targets norvakgen makes.
constexpr std::string_view layoutTarget = "layout";
constexpr std::string_view copybookTarget = "copybook";
constexpr std::string_view cTarget = "c";

bool targetAccepted(Output& report, const std::string& target) {
    if (target.empty()) {
        report.print("*****Error - no target: give it with --target layout (or copybook, c)\n");
        return false;
    }
    if (target == layoutTarget || target == copybookTarget || target == cTarget || isSchemaTarget(target))
        return true;
    report.print("*****Error - unknown target %s: the targets are layout, copybook, c, json-schema, xsd\n",
                 target.c_str());
    return false;
}

// The checks of the command line's values once read; false after a mistake.
bool valuesAccepted(Output& report, const ToolOptions& values, bool json) {
    if (!messageSetSourceAccepted(report, values))
        return false;
    if (json && !values.outputFile.empty()) {
        report.print("*****Error - with --format json the layouts are in the document on standard output: -o is not "
                     "taken with it\n");
        return false;
    }
    if (!targetAccepted(report, values.target))
        return false;
    if (!values.byteOrder.empty() && !byteOrderNamed(values.byteOrder)) {
        report.print("*****Error - unknown byte order %s: the byte orders are big, little\n", values.byteOrder.c_str());
        return false;
    }
    return true;
}

// How norvakgen ends when it cannot read the message set.
constexpr ModelSourceOutcomes sourceOutcomes{genNoMessageSet, genDatabaseError, genUnreadableFile,
                                             genDefinitionErrors, "generated"};

// The messages to lay out, by identifier: the one named, or every one.
std::vector<const ModelMessage*> chosenMessages(const MessageSetModel& model, const std::string& identifier) {
    std::vector<const ModelMessage*> chosen;
    for (const ModelMessage& message : model.messages())
        if (identifier.empty() || message.row->identifier == identifier)
            chosen.push_back(&message);
    std::stable_sort(chosen.begin(), chosen.end(), [](const ModelMessage* a, const ModelMessage* b) {
        return a->row->identifier < b->row->identifier;
    });
    if (!identifier.empty() && chosen.size() > 1)
        chosen.resize(1); // the first row read of an identifier counts
    return chosen;
}

// The layouts of the set's messages; genDone, or genNotFound after saying why.
int layoutsOf(Output& report, const MessageSetModel& model, const ToolOptions& values,
              std::vector<RecordLayout>& layouts) {
    const ModelPlugin* tab = chosenCwfTab(report, model, values.tab, "a record layout needs one");
    if (tab == nullptr)
        return genNotFound;
    std::vector<const ModelMessage*> messages = chosenMessages(model, values.message);
    if (!values.message.empty() && messages.empty()) {
        report.print("*****Error - no message %s in the message set\n", values.message.c_str());
        return genNotFound;
    }
    const ByteOrder order = byteOrderNamed(values.byteOrder).value_or(ByteOrder::big);
    for (const ModelMessage* message : messages) {
        layouts.push_back(recordLayout(model, *message, *tab));
        layouts.back().byteOrder = order;
    }
    return genDone;
}

constexpr OptionSpec genOptions[] = {
    dataSourceSpec,
    userSpec,
    passwordSpec,
    schemaSpec,
    messageSetSpec,
    outputSpec,
    definitionsFileSpec,
    messageSpec,
    tabSpec,
    {.name = "target",
     .value = &ToolOptions::target,
     .missingMessage = "*****Error - target missing from --target parameter: the targets are layout, copybook, c, "
                       "json-schema, xsd\n",
     .emptyIsMissing = true},
    {.name = "byte-order",
     .value = &ToolOptions::byteOrder,
     .missingMessage = "*****Error - byte order missing from --byte-order parameter: the byte orders are big, little\n",
     .emptyIsMissing = true},
    quietSpec,
};

// The layouts into the document, or written as the table; genDone, or
// genNotWritten after saying why.
int writeLayouts(Output& report, const ToolOptions& values, const std::vector<RecordLayout>& layouts,
                 nlohmann::ordered_json* own) {
    const std::string source = values.inputFile.empty() ? "message set " + values.messageSet : values.inputFile;
    if (own != nullptr) {
        (*own)["source"] = values.inputFile.empty() ? nlohmann::ordered_json{{"messageSet", values.messageSet}}
                                                    : nlohmann::ordered_json{{"file", values.inputFile}};
        (*own)["target"] = std::string(layoutTarget);
        nlohmann::ordered_json all = nlohmann::ordered_json::array();
        for (const RecordLayout& layout : layouts)
            all.push_back(layoutJson(layout));
        (*own)["layouts"] = std::move(all);
    } else if (std::string failure; !writeOutputFile(values.outputFile, layoutText(layouts), failure)) {
        report.print("*****Error - the layouts could not be written to %s: %s\n",
                     values.outputFile.empty() ? "standard output" : values.outputFile.c_str(), failure.c_str());
        return genNotWritten;
    }
    report.printImportant("Generated the layout of %zu message%s of %s\n", layouts.size(),
                          layouts.size() == 1 ? "" : "s", source.c_str());
    return genDone;
}

void printUsage(Output& out) {
    out.print("%s", norvakgenHelp);
}

// The target of the messages chosen, written to -o FILE, standard output or the document.
int generate(Output& report, const ToolOptions& values, const MessageSetModel& model, nlohmann::ordered_json* own) {
    if (isSchemaTarget(values.target))
        return writeSchemas(report, values, model, chosenMessages(model, values.message), own);
    std::vector<RecordLayout> layouts;
    if (int found = layoutsOf(report, model, values, layouts); found != genDone)
        return found;
    if (values.target == copybookTarget)
        return writeCopybooks(report, values, model, layouts, own);
    if (values.target == cTarget)
        return writeCHeaders(report, values, model, layouts, own);
    return writeLayouts(report, values, layouts, own);
}

// -o naming a folder: one file per message, named after its identifier, each
// written whole (to a temporary file, then renamed). The run stops at the
// first file that cannot be written or message that cannot be made.
int generateIntoFolder(Output& report, const ToolOptions& values, const MessageSetModel& model) {
    std::vector<const ModelMessage*> messages = chosenMessages(model, values.message);
    if (!values.message.empty() && messages.empty()) {
        report.print("*****Error - no message %s in the message set\n", values.message.c_str());
        return genNotFound;
    }
    FolderFileNames names;
    int exitCode = genDone;
    for (const ModelMessage* message : messages) {
        ToolOptions one = values;
        one.message = message->row->identifier;
        one.outputFile = (std::filesystem::path(values.outputFile) / names.next(one.message, values.target)).string();
        int written = generate(report, one, model, nullptr);
        if (written != genDone && written != genApproximated)
            return written;
        if (written == genApproximated)
            exitCode = genApproximated;
    }
    return exitCode;
}

} // namespace

const char* const norvakgenHelp =
    "Usage: norvakgen -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                 -s MessageSet {-m Message} {--tab Name} --target Target {--byte-order Order}\n"
    "                 {-o File} {-q} {--format json}\n"
    "       norvakgen -f File {-m Message} {--tab Name} --target Target {--byte-order Order} {-o File} {-q}\n"
    "                 {--format json}\n"
    "\n"
    "Writes what programs need of the messages of a stored message set, or of a definitions file read\n"
    "with no database. The target layout is the record of each message in a CWF tab: every field's\n"
    "offset and length in bytes, physical type, sign, virtual decimal point, repeat and alignment,\n"
    "the alternatives of a choice at one offset, the parts whose size is known only when a record is\n"
    "read, and the least and most bytes of the record. The target copybook is a COBOL record of each\n"
    "message made from its layout; the target c is a C11 header of each message, a struct whose members\n"
    "lie at the layout's offsets, with _Static_asserts of every offset and size. The target json-schema\n"
    "is a JSON Schema (2020-12) of the messages' logical content, its numbers and lengths bounded by the\n"
    "CWF tab where there is one; the target xsd is an XML Schema of the messages as an XML tab writes\n"
    "them. What a target cannot hold is written as its nearest equivalent with a comment, said as a\n"
    "warning, and the run ends with exit code 9.\n"
    "\n"
    "Options:\n"
    "  -n, --data-source NAME  ODBC data source of the repository\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  the message set to read\n"
    "  -f, --file FILE         read a definitions file instead of a message set (no database)\n"
    "  -m, --message IDENT     only the message of this identifier (every message without -m)\n"
    "  --tab NAME              the CWF tab of this name (the first CWF tab without --tab); for xsd the\n"
    "                          XML tab of this name (the first XML tab)\n"
    "  --target TARGET         what to write: layout, copybook, c, json-schema or xsd\n"
    "  --byte-order ORDER      big or little: the byte order of the records' binary integers and floats\n"
    "                          (big without it); the layout shows it, the copybook and the C header say\n"
    "                          it in their comments, the schemas do not change\n"
    "  -o, --output FILE       write to File (replaced whole, or left as it was when the run fails); a\n"
    "                          folder gets one file per message, named after its identifier;\n"
    "                          standard output without -o\n"
    "  -q, --quiet             on standard error only warnings, errors and the closing line\n"
    "  --format json|text      the output with the run's errors and warnings as one JSON document on\n"
    "                          standard output (without -o), whatever the outcome; or as text (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-o File, never -oFile) or\n"
    "follows = in a long form (--output=File). - as File is standard output (standard input for -f).\n"
    "Any other argument is a mistake.\n"
    "\n"
    "Exit codes: 0 written, 1 usage shown, 2 command line mistake, 3 no such message set, 4 database\n"
    "error, 5 output not written, 6 the definitions file could not be read, 7 the definitions file has\n"
    "errors the import would refuse, 8 no such message or CWF tab (or XML tab for xsd), 9 written, with\n"
    "fields the target cannot express written as their nearest equivalent.\n";

int runGenerate(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    if (toolUsageRequested(argc, argv)) {
        printUsage(report);
        return genUsage;
    }
    ToolOptions values;
    const bool parsed = parseToolOptions(report, argc, argv, genOptions, values);
    if (values.inputFile.empty())
        takeConnectionDefaults(values.dataSource, values.user, values.password);
    report.setQuiet(values.quiet);
    if (values.outputFile == "-")
        values.outputFile.clear(); // standard output
    if (!parsed || !valuesAccepted(report, values, own != nullptr))
        return genCommandLine;

    Diagnostics diagnostics(report);
    int exitCode = genDone;
    std::optional<ModelledSet> modelled =
        values.inputFile.empty() ? modelOfMessageSet(diagnostics, values, "norvakgen", sourceOutcomes, exitCode)
                                 : modelOfDefinitionsFile(report, values.inputFile, sourceOutcomes, exitCode);
    if (!modelled)
        return exitCode;
    std::error_code error;
    if (!values.outputFile.empty() && std::filesystem::is_directory(values.outputFile, error))
        return generateIntoFolder(report, values, modelled->model());
    return generate(report, values, modelled->model(), own);
}

} // namespace norvak
