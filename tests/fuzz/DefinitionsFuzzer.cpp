// libFuzzer target: the whole reading of a definitions text and the model
// checks that need no database.
//
// The input bytes are the definitions file's text, handed to the reader as
// the driver hands it the text readFileData gives: the bytes, terminated by
// a NUL (a NUL among them ends the text for the reader, as in a file).
// parseXMLfile removes the comments and substitutes the references. When the
// text reads without errors, the checks follow in the driver's order, each
// stage only when the ones before it found nothing:
//   resolveReferences, the table listing (as with -d), checkDupIdents,
//   checkRecursion, then the physical-format checks of every element use, in
//   the order and with the arguments the writing of the type members gives
//   them (src/import/repository/ItemEmission.cpp), without writing a row.
// Each run is a fresh ImportRun whose output is collected, never printed. The
// first run traces and lists its tables (as with -t -d) and has the default
// table capacities; two more runs, with small tables that grow as needed,
// take what the first cannot reach: the duplicate check on the unresolved
// model, and the recursion and physical-format checks in a message set that
// already has a custom wire format, past duplicate identifiers. No output
// may show the password of ZEPImport's DBPw: a run that does is a finding.
//
// Then the JSON writers, whose texts may be any bytes: norvakload's report
// (importReportJson) of each run's output and message set, norvakdiff's
// differences (diffReportJson) made of the items the first run defines
// (identifiers, labels, types, value texts, tab names as formats), and
// support's jsonText of the input itself. Each must give valid JSON
// (nlohmann's parser is strict about UTF-8) and the companion member of a
// text that is not UTF-8 must give its bytes back: anything else, and any
// exception, is a finding.
//
// A run that cannot allocate its tables (a huge MaxElement and the like) ends
// as the driver ends it, with its allocation message: TableStorageError and
// std::bad_alloc are outcomes, not findings. Allocations larger than 1 GiB
// fail here (see __asan_default_options) so that such runs stay within the
// fuzzer's memory limit. Any other exception, any sanitizer report, any
// timeout is a finding.

#include "import/driver/ImportRun.h"
#include "import/driver/JsonReport.h"
#include "import/driver/TableListings.h"
#include "import/model/ConsistencyChecks.h"
#include "import/model/PhysicalFormatChecks.h"
#include "import/reader/TagWalker.h"
#include "support/JsonText.h"
#include "support/Output.h"
#include "support/StringUtilities.h"
#include "support/Utf8Text.h"
#include "tools/diff/DefinitionsDiff.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

// Defaults of the sanitizer options; ASAN_OPTIONS given to a run come first.
// An allocation above 1 GiB returns null, which the tables report as storage
// they cannot have, as on a machine with less memory.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

namespace {

using namespace norvak;

// The repository id of the element a reference names, as the writing finds
// it; 0 when unknown.
int referencedElement(ImportRun& run, int reference) {
    int elemId = findElemIdFromName(run, run, reference);
    return elemId != 0 ? run.elements[elemId].zepId : 0;
}

// The checks of one element use, in the order the writing of its CWF and TDS
// member attributes makes them (createCwfMemberAttrs, createTdsMemberAttrs).
void checkElementUse(ImportRun& run, int memberId) {
    const TypeMemberEntry member = run.typeMembers[memberId];
    const int elemId = member.elemId;
    const ElementEntry element = run.elements[elemId];
    const EffectiveFormat format = effectiveFormat(member, element);
    const int physicalType = format.physicalType > 0 ? format.physicalType : 0;

    checkPhysicalType(run, run, run, physicalType, elemId);
    int length = format.length > 0 ? leadingNumberOrZero(run.text(format.length)) : 0;
    int lengthResult = checkLength(run, run, run, physicalType, length, member.lengthRef, format.lengthUnits, elemId);
    if (member.lengthRef > 0 && lengthResult == 0) {
        if (referencedElement(run, member.lengthRef) == 0)
            run.error("*****Error - Unable to resolve length reference %s for element %s\n",
                      run.text(member.lengthRef), run.text(element.ident));
        else
            checkLengthReference(run, run, memberId, member.lengthRef);
    }
    if (format.lengthUnits >= 1)
        checkLengthUnits(run, run, run, physicalType, format.lengthUnits, elemId);
    if (format.signedCode >= 1)
        checkSignOrientation(run, run, run, physicalType, format.signedCode, elemId);
    if (format.decimalPoint > 0)
        checkVirtualDecimalPoint(run, run, run, physicalType, elemId);
    if (format.justification > 0)
        checkJustification(run, run, run, physicalType, elemId);
    if (format.padChar > 0)
        checkPaddingChar(run, run, run, physicalType, elemId);
    if (member.repeatRef > 0) {
        if (referencedElement(run, member.repeatRef) == 0)
            run.error("*****Error - Unable to resolve repeat count reference %s for element %s\n",
                      run.text(member.repeatRef), run.text(element.ident));
        else
            checkLengthReference(run, run, memberId, member.repeatRef);
    }
    // The XML format of a use is only for date and time elements; the writing
    // of the XML member attributes judges that itself, by the rule of
    // checkFormatString.
    if (member.xmlFormat > 0)
        checkFormatString(run, run, elemId);
    // The TDS member attributes: the length reference again.
    if (member.lengthRef > 0)
        checkLengthReference(run, run, memberId, member.lengthRef);
}

// Every element use of every type, in the order the writing takes the type
// members, ending where the writing would end: at the first error after a
// member. Items get the repository ids the writing would give them first.
void checkPhysicalFormats(ImportRun& run) {
    for (int id = 1; id <= run.elements.count(); ++id) {
        if (run.elements[id].zepId == 0)
            run.elements[id].zepId = 100000 + id;
    }
    for (int typeId = 1; typeId <= run.types.count() && !run.errSw; ++typeId) {
        for (int id = run.types[typeId].firstMember; id != 0 && !run.errSw; id = run.typeMembers[id].next) {
            const TypeMemberEntry& member = run.typeMembers[id];
            if ((member.itemType & memberExists) || !(member.itemType & memberElement))
                continue;
            checkElementUse(run, id);
        }
    }
}

// The CWF tabs the message set has once the file's tabs are created: those
// of the repository (`repositoryTab`) and those of the file it does not have
// yet (createZEPtabs, without its rows).
void addCustomWireFormats(ImportRun& run, bool repositoryTab) {
    int memberId = 0;
    if (repositoryTab)
        run.cwfTabs.add(++memberId, insertName(run, run, "CWF in the repository"));
    for (const CwfTabDefinition& tab : run.cwfTabList) {
        bool known = false;
        for (std::int32_t name : run.cwfTabs.names)
            known = known || name == tab.name;
        if (!known)
            run.cwfTabs.add(++memberId, tab.name);
    }
}

enum class Stages { driver, duplicatesOnly, pastDuplicates };

// Tables of a few entries, which grow as the text needs: they hold what the
// default capacities hold, and take the way of a table that doubles (and of
// a name table that grows) early. Much quicker to set up, too.
bool allocateSmallTables(ImportRun& run) {
    return run.elements.allocate(2) && run.types.allocate(2) && run.messages.allocate(1) &&
           run.attributes.allocate(2) && run.memberAttributes.allocate(1) && run.values.allocate(1) &&
           run.valueMembers.allocate(1) && run.typeMembers.allocate(2) && run.names.allocate(64);
}

// The stages of one run over the text, ending where the driver would end.
void runStages(ImportRun& run, const std::string& input, Stages stages) {
    if (!(stages == Stages::driver ? run.allocateTables() : allocateSmallTables(run)))
        return;
    run.traceSw = stages == Stages::driver ? 1 : 0;
    run.showTablesSw = run.traceSw;
    std::string text = input; // the reader edits the text in place; data() ends with a NUL
    parseXMLfile(run.diagnostics(), run.options(), run.model(), run.state(), text.data());
    if (run.errSw)
        return;
    if (stages == Stages::duplicatesOnly) {
        checkDupIdents(run, run);
        return;
    }
    addCustomWireFormats(run, stages == Stages::pastDuplicates);
    resolveReferences(run, run, run);
    if (run.showTablesSw)
        showTables(run, run);
    if (run.errSw)
        return;
    if (stages == Stages::driver) {
        checkDupIdents(run, run);
        if (run.errSw)
            return;
    }
    checkRecursion(run, run);
    if (run.errSw)
        return;
    checkPhysicalFormats(run);
    if (run.showTablesSw)
        showTables(run, run);
}

// Whether the password the run took could only have come into its output
// from the password itself: eight or more letters and digits with an upper
// and a lower case letter and a digit (no keyword, number, address or
// upper-cased text is such a word), standing once in a text without
// references or comments (so no other attribute holds or makes it).
bool passwordIsTraceable(const std::string& input, const std::string& password) {
    if (password.size() < 8 || input.find('&') != std::string::npos || input.find("<!--") != std::string::npos)
        return false;
    bool upper = false, lower = false, digit = false;
    for (char c : password) {
        upper = upper || (c >= 'A' && c <= 'Z');
        lower = lower || (c >= 'a' && c <= 'z');
        digit = digit || (c >= '0' && c <= '9');
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    std::size_t first = input.find(password);
    return upper && lower && digit && first != std::string::npos &&
           input.find(password, first + 1) == std::string::npos;
}

[[noreturn]] void jsonFinding(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s:\n%s\n", what, text.c_str());
    std::abort();
}

// A JSON text one of the writers made: it must parse.
nlohmann::json parsedJson(const std::string& text, const char* writer) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        jsonFinding(writer, std::string(error.what()) + "\n" + text);
    }
}

// The bytes escapedBytes wrote.
std::string unescapedBytes(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += static_cast<char>(hexByteValue(text.substr(i + 2, 2).c_str()));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// A text written through jsonText as a member: what a reader of the JSON
// gets back must be its bytes.
void checkJsonTextOf(const std::string& text) {
    nlohmann::json document = parsedJson(jsonText(nlohmann::json{{"text", text}}), "jsonText");
    const std::string shown = document.at("text").get<std::string>();
    const std::string bytes = isUtf8Text(text) ? shown : unescapedBytes(document.at("textBytes").get<std::string>());
    if (bytes != text || shown != utf8Replaced(text) || document.contains("textBytes") == isUtf8Text(text))
        jsonFinding("jsonText does not give the bytes of the text back", text);
}

// norvakload's JSON report of the run.
void writeImportReport(ImportRun& run, const Output& out) {
    ImportOutcome outcome;
    outcome.messageSet = run.messageSetName;
    outcome.counters = run.counters;
    parsedJson(importReportJson(out, run.errSw ? 200 : 0, outcome), "importReportJson");
}

// norvakdiff's JSON of differences made of the items the run defines.
void writeDifferences(ImportRun& run) {
    constexpr int most = 64; // of each kind
    SetComparison comparison;
    for (const CwfTabDefinition& tab : run.cwfTabList)
        comparison.formats.push_back(run.text(tab.name));
    auto add = [&](char change, const char* kind, int ident, int oldText, int newText) {
        SetDifference d;
        d.change = change;
        d.kind = kind;
        d.identifier = run.text(ident);
        d.field = oldText != 0 || newText != 0 ? "name" : "";
        d.oldValue = run.text(oldText);
        d.newValue = run.text(newText);
        d.note = run.text(newText);
        for (const std::string& format : comparison.formats)
            d.verdicts.push_back({format, change != '~'});
        d.breaking = change != '~';
        comparison.differences.push_back(std::move(d));
    };
    for (int id = 1; id <= std::min(run.elements.count(), most); ++id)
        add('~', "element", run.elements[id].ident, run.elements[id].label, run.elements[id].typeName);
    for (int id = 1; id <= std::min(run.types.count(), most); ++id)
        add('+', "type", run.types[id].ident, 0, run.types[id].label);
    for (int id = 1; id <= std::min(run.messages.count(), most); ++id)
        add('-', "message", run.messages[id].ident, run.messages[id].label, run.messages[id].typeName);
    for (int id = 1; id <= std::min(run.values.count(), most); ++id)
        add('~', "value", run.values[id].ident, run.values[id].label, run.values[id].valueText);
    parsedJson(diffReportJson(comparison, comparison.differences.empty() ? 0 : 1), "diffReportJson");
}

// One fresh run over the text. Its output must never show the password
// (DBPw of ZEPImport): a finding when it does.
void importText(const std::string& input, Stages stages) {
    Output out;
    ImportRun run(out);
    try {
        runStages(run, input, stages);
    } catch (const TableStorageError&) {
        // The driver ends the run with "Error allocating storage for element,
        // value, type or names table".
    } catch (const std::bad_alloc&) {
        // The same line.
    }
    if (passwordIsTraceable(input, run.dbPassword) && out.text().find(run.dbPassword) != std::string::npos) {
        std::fprintf(stderr, "The password %s is shown in the output of the run:\n%s\n", run.dbPassword.c_str(),
                     out.text().c_str());
        std::abort();
    }
    writeImportReport(run, out);
    if (stages == Stages::driver)
        writeDifferences(run);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    importText(input, Stages::driver);
    importText(input, Stages::duplicatesOnly);
    importText(input, Stages::pastDuplicates);
    checkJsonTextOf(input);
    return 0;
}
