#include "import/driver/JsonReport.h"

#include "dbsession/DiagnosticRecords.h"
#include "support/JsonText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>

namespace norvak {

namespace {

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// A line or column number of a place: digits alone that make a number.
std::optional<long> placeNumber(const std::string& text) {
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::string importReportJson(const Output& report, int exitCode, const ImportOutcome& outcome) {
    using nlohmann::json;
    const RunCounters& c = outcome.counters;
    json document = {
        {"program", "norvakload"},
        {"exitCode", exitCode & 0xff}, // as the process ends
        {"messageSet", outcome.messageSet},
        {"reportOnly", outcome.reportOnly},
        {"rowsAdded",
         {{"M_MESSAGE", c.messagesAdded},
          {"M_ELEMENT", c.elementsAdded},
          {"M_VALUE", c.valuesAdded},
          {"VALUE_MEMBER", c.valueMembersAdded},
          {"M_TYPE", c.typesAdded},
          {"TYPE_MEMBER", c.typeMembersAdded},
          {"M_ATTRIBUTE", c.attributesAdded},
          {"M_MEMBER_ATTRIBUTE", c.memberAttributesAdded}}},
        {"reused",
         {{"types", c.typesReused}, {"elements", c.elementsReused}, {"values", c.valuesReused},
          {"messages", c.messagesReused}}},
        {"errors", json::array()},
        {"warnings", json::array()},
    };

    // The report's lines, each an error when it was printed as one or reads
    // as one, a warning when it reads as one.
    const std::string& text = report.text();
    const auto& errorRanges = report.errorRanges();
    json* last = nullptr;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        bool printedAsError = std::any_of(errorRanges.begin(), errorRanges.end(), [&](const auto& range) {
            return begin >= range.first && begin < range.second;
        });
        if (startsWith(line, "  at ") && last != nullptr) {
            // "  at FILE:LINE:COL" places the error before it.
            std::string place = line.substr(5);
            std::size_t columnAt = place.rfind(':');
            std::size_t lineAt = columnAt == std::string::npos ? std::string::npos : place.rfind(':', columnAt - 1);
            std::optional<long> lineNumber, columnNumber;
            if (lineAt != std::string::npos) {
                lineNumber = placeNumber(place.substr(lineAt + 1, columnAt - lineAt - 1));
                columnNumber = placeNumber(place.substr(columnAt + 1));
            }
            if (lineNumber && columnNumber) {
                (*last)["file"] = place.substr(0, lineAt);
                (*last)["line"] = *lineNumber;
                (*last)["column"] = *columnNumber;
            }
        } else if (startsWith(line, "  did you mean ") && last != nullptr) {
            // The hint after an unknown word belongs to its error.
            (*last)["hint"] = line.substr(2);
        } else if ((isDriverLine(line) || isNextStepLine(line)) && !document["errors"].empty()) {
            // The driver's messages and the next step belong to the error
            // whose report they follow.
            json& error = document["errors"].back();
            if (isDriverLine(line))
                error["driver"].push_back(std::string(driverSaid(line)));
            else
                error["hint"] = line.substr(2);
        } else if (startsWith(line, "*****Warning")) {
            document["warnings"].push_back({{"text", line}});
            last = nullptr;
        } else if (printedAsError || startsWith(line, "*****")) {
            document["errors"].push_back({{"text", line}});
            last = &document["errors"].back();
        } else if (!line.empty()) {
            last = nullptr;
        }
        begin = end + 1;
    }
    return jsonText(document, 2) + "\n";
}


} // namespace norvak
