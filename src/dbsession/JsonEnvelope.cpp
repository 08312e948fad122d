// The envelope of every program's JSON document, made of the run's report, and the run that writes the document.
#include "dbsession/JsonEnvelope.h"

#include "dbsession/DiagnosticRecords.h"
#include "support/JsonText.h"
#include "support/ProgramInfo.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <optional>
#include <string_view>

namespace norvak {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A line or column number of a place: digits alone that make a number.
std::optional<long> placeNumber(std::string_view text) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

// Lines that begin like errors but only tell what a run did not do.
bool isNote(std::string_view line) {
    return line == "***** Report only switch was selected" || line == "***** Database has not been changed";
}

// The text of an error or warning line without its leading asterisks and blanks.
std::string withoutMarks(std::string_view line) {
    std::size_t at = line.find_first_not_of("* ");
    return std::string(at == std::string_view::npos ? std::string_view() : line.substr(at));
}

// The SQLSTATE a database error line ends with.
std::optional<std::string> stateOf(std::string_view line) {
    for (std::string_view label : {std::string_view(" SQLSTATE "), std::string_view(" SQLSTATUS ")}) {
        std::size_t at = line.rfind(label);
        if (at != std::string_view::npos && startsWith(line, "*****Database error ")) {
            std::string_view state = line.substr(at + label.size());
            if (state.size() == 5)
                return std::string(state);
        }
    }
    return std::nullopt;
}

// "  at FILE:LINE:COL" places the entry before it.
void addPlace(nlohmann::ordered_json& entry, std::string_view place) {
    std::size_t columnAt = place.rfind(':');
    if (columnAt == std::string_view::npos || columnAt == 0)
        return;
    std::size_t lineAt = place.rfind(':', columnAt - 1);
    if (lineAt == std::string_view::npos)
        return;
    std::optional<long> line = placeNumber(place.substr(lineAt + 1, columnAt - lineAt - 1));
    std::optional<long> column = placeNumber(place.substr(columnAt + 1));
    if (!line || !column)
        return;
    entry["file"] = std::string(place.substr(0, lineAt));
    entry["line"] = *line;
    entry["column"] = *column;
}

// The errors and warnings of a report, taken line by line.
class ReportEntries {
  public:
    using Json = nlohmann::ordered_json;

    void take(std::string_view line, bool printedAsError) {
        if (explains(line))
            return;
        if (startsWith(line, "*****Warning")) {
            warnings.push_back({{"text", withoutMarks(line)}});
            last_ = &warnings.back();
        } else if (!isNote(line) && (printedAsError || startsWith(line, "*****"))) {
            Json entry = {{"text", withoutMarks(line)}};
            if (std::optional<std::string> state = stateOf(line))
                entry["code"] = *state;
            errors.push_back(std::move(entry));
            last_ = &errors.back();
        } else if (!line.empty() && !startsWith(line, "  ")) {
            last_ = nullptr;
        }
    }

    Json errors = Json::array();
    Json warnings = Json::array();

  private:
    Json* last_ = nullptr; // the entry the explaining lines belong to

    // A line that explains the entry before it: its place, the closest
    // known word, and the driver's messages and the next step, which explain
    // the error reported last whatever lines the run printed in between.
    bool explains(std::string_view line) {
        if (last_ != nullptr && startsWith(line, "  at ")) {
            addPlace(*last_, line.substr(5));
        } else if (last_ != nullptr && startsWith(line, "  did you mean ")) {
            (*last_)["hint"] = std::string(line.substr(2));
        } else if ((isDriverLine(line) || isNextStepLine(line)) && (last_ != nullptr || !errors.empty())) {
            Json& explained = last_ != nullptr ? *last_ : errors.back();
            if (isDriverLine(line))
                explained["driver"].push_back(std::string(driverSaid(line)));
            else
                explained["hint"] = std::string(line.substr(2));
        } else {
            return false;
        }
        return true;
    }
};

} // namespace

nlohmann::ordered_json jsonEnvelope(const char* program, int exitCode, const Output& report) {
    ReportEntries entries;
    const std::string& text = report.text();
    const auto& errorRanges = report.errorRanges();
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        bool printedAsError = std::any_of(errorRanges.begin(), errorRanges.end(), [&](const auto& range) {
            return begin >= range.first && begin < range.second;
        });
        entries.take(std::string_view(text.data() + begin, end - begin), printedAsError);
        begin = end + 1;
    }
    return {{"program", program},
            {"version", toolsetVersion()},
            {"exitCode", exitCode & 0xff}, // as the process ends
            {"errors", std::move(entries.errors)},
            {"warnings", std::move(entries.warnings)}};
}

std::string jsonDocument(const char* program, int exitCode, const Output& report, const nlohmann::ordered_json& own) {
    nlohmann::ordered_json document = jsonEnvelope(program, exitCode, report);
    if (own.is_object())
        for (const auto& [name, value] : own.items())
            if (!document.contains(name))
                document[name] = value;
    return jsonText(document, 2) + "\n";
}

int runWithJsonDocument(const char* program, std::FILE* stream,
                        const std::function<int(Output& report, nlohmann::ordered_json& own)>& run) {
    Output collected;
    nlohmann::ordered_json own = nlohmann::ordered_json::object();
    const int exitCode = runToEnd(collected, [&] { return run(collected, own); });
    // The run has ended (committed or rolled back): its exit code stands
    // whatever happens to the document.
    std::string document;
    try {
        document = jsonDocument(program, exitCode, collected, own);
    } catch (const std::exception&) {
        document = std::string("{\"program\": \"") + program + "\", \"version\": \"" + toolsetVersion() +
                   "\", \"exitCode\": " + std::to_string(exitCode & 0xff) +
                   ", \"errors\": [{\"text\": \"Error - the JSON document could not be made\"}], \"warnings\": []}\n";
    }
    Output out(stream);
    out.write(document.data(), document.size());
    return finishReport(out, program, exitCode);
}

} // namespace norvak
