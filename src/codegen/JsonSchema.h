#pragma once

#include "codegen/SchemaForms.h"
#include "setmodel/MessageSetModel.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace norvak {

// The JSON Schema of messages' logical content, as a record codec reads and
// writes it: an object per type (under $defs), keyed by the identifiers of
// its members' elements, types and messages; what JSON Schema cannot say
// of a field written as its nearest equivalent with a "$comment" and listed
// in `approximations`.
//
// The schema of the messages (one: its type; several: any of them), the
// numbers and lengths bounded by the CWF tab `cwfTab` where there is one.
nlohmann::ordered_json jsonSchemaOf(const MessageSetModel& model, const std::vector<const ModelMessage*>& messages,
                                    const ModelPlugin* cwfTab, std::vector<std::string>& approximations);

// The schema of one simple value: its logical type, within what its CWF
// form holds and the facets of its values. What it cannot say is added to
// `approximations`, one reason each.
nlohmann::ordered_json jsonValueSchema(int logicalType, const CwfForm& form, const ValueFacets& facets,
                                       std::vector<std::string>& approximations);

// The pattern of a decimal's text: an optional sign (a plus sign alone when
// it is unsigned) and the digits, at most `fraction` after the point.
std::string decimalPattern(const std::optional<DecimalDigits>& digits, bool sign);

} // namespace norvak
