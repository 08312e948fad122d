// norvakload --format json: the members of its document beyond the envelope every program's has.
#include "import/driver/JsonReport.h"

#include "dbsession/JsonEnvelope.h"

namespace norvak {

nlohmann::ordered_json importOwnMembers(const ImportOutcome& outcome) {
    const RunCounters& c = outcome.counters;
    return {
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
    };
}

std::string importReportJson(const Output& report, int exitCode, const ImportOutcome& outcome) {
    return jsonDocument("norvakload", exitCode, report, importOwnMembers(outcome));
}

} // namespace norvak
