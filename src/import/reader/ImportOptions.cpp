// The attributes of the ZEPImport element: connection, message set, affixes and capacities.
#include "import/reader/ImportOptions.h"

#include "import/model/DefinitionModel.h"
#include "import/model/RunOptions.h"
#include "support/ConnectionText.h"
#include "support/Diagnostics.h"
#include "support/PasswordMask.h"
#include "support/SqlNames.h"
#include "support/StringUtilities.h"

#include <cstring>
#include <string_view>
#include <vector>
#include <string>

namespace norvak {

namespace {

struct TextOption {
    const char* attrName;
    std::string RunOptions::*setting;
    std::size_t limit; // accepted when the value is shorter
    const char* label;
};

const TextOption textOptions[] = {
    {"msgPrefix", &RunOptions::msgPrefix, 15, "message prefix"},
    {"msgSuffix", &RunOptions::msgSuffix, 15, "message suffix"},
    {"elemPrefix", &RunOptions::elemPrefix, 15, "element prefix"},
    {"elemSuffix", &RunOptions::elemSuffix, 15, "element suffix"},
    {"typePrefix", &RunOptions::typePrefix, 15, "type prefix"},
    {"typeSuffix", &RunOptions::typeSuffix, 15, "type suffix"},
    {"valuePrefix", &RunOptions::valuePrefix, 15, "value prefix"},
    {"valueSuffix", &RunOptions::valueSuffix, 15, "value suffix"},
    {"ZEP_DB", &RunOptions::databaseName, 127, "database name"},
    {"DBUser", &RunOptions::dbUserId, 63, "database user id"},
    {"DBPw", &RunOptions::dbPassword, 63, "database password"},
    {"schema", &RunOptions::schemaPrefix, 63, "database schema name"},
    {"messageSet", &RunOptions::messageSetName, longestMessageSetName + 1, "message set"},
};

// A table capacity: its smallest accepted value, its lines and how its table
// gets storage for a new capacity (keeping the entries it holds).
struct CapacityOption {
    const char* attrName;
    int minimum;
    CheckedFormat<int> setLine;
    CheckedFormat<int> warningLine;
    bool (*resize)(DefinitionModel& model, int capacity);
};

const CapacityOption capacityOptions[] = {
    {"MaxElement", 4096, "Maximum elements set to %d\n",
     "*****Warning - Maximum elements (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.elements.allocate(capacity); }},
    {"MaxType", 1024, "Maximum types set to %d\n", "*****Warning - Maximum types (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.types.allocate(capacity); }},
    {"MaxAttribute", 512, "Maximum attributes set to %d\n",
     "*****Warning - Maximum attributes (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.attributes.allocate(capacity); }},
    {"MaxValue", 1024, "Maximum values set to %d\n", "*****Warning - Maximum values (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.values.allocate(capacity); }},
    {"MaxTypeMember", 2048, "Maximum type members set to %d\n",
     "*****Warning - Maximum type members (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.typeMembers.allocate(capacity); }},
    {"MaxMemberAttribute", 512, "Maximum member attributes set to %d\n",
     "*****Warning - Maximum member attributes (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.memberAttributes.allocate(capacity); }},
    {"MaxValueMember", 8192, "Maximum value members set to %d\n",
     "*****Warning - Maximum value members (%d) value lower than minimum\n",
     [](DefinitionModel& model, int capacity) { return model.valueMembers.allocate(capacity); }},
};

void setCapacity(Diagnostics& diag, DefinitionModel& model, const CapacityOption& option, const char* value) {
    int capacity = leadingNumberOrZero(value);
    if (capacity < option.minimum) {
        diag.printChecked(option.warningLine, capacity);
        diag.print("and will be ignored\n");
        return;
    }
    if (!option.resize(model, capacity))
        throw TableStorageError();
    diag.printChecked(option.setLine, capacity);
}

bool takeOption(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName,
                const char* value) {
    for (const TextOption& option : textOptions) {
        if (std::strcmp(attrName, option.attrName) != 0)
            continue;
        bool schema = option.setting == &RunOptions::schemaPrefix;
        if (schema && !isSchemaPrefix(value)) {
            // The schema is pasted into every statement: only a plain name is
            // taken, and not one of the database system's own schemas.
            if (checkSchemaPrefix(value) == SchemaCheck::systemSchema)
                diag.error("*****Error - %s parameter on ZEPImport %s %s\n", option.label, value,
                           schemaRefusal(value));
            else
                diag.error("*****Error - %s parameter on ZEPImport is not an SQL identifier %s\n", option.label,
                           value);
            return true;
        }
        // A connection string is longer than any data source name.
        bool connection = option.setting == &RunOptions::databaseName && isConnectionString(value);
        if (std::strlen(value) < (connection ? longestConnectionString + 1 : option.limit)) {
            options.*option.setting = value;
        } else {
            bool secret = option.setting == &RunOptions::dbPassword;
            std::string shown = connection ? shownDataSource(value) : value;
            diag.error("*****Error - %s parameter on ZEPImport is too long %s\n", option.label,
                       secret ? maskedPassword(value) : shown.c_str());
        }
        return true;
    }
    for (const CapacityOption& option : capacityOptions) {
        if (std::strcmp(attrName, option.attrName) == 0) {
            setCapacity(diag, model, option, value);
            return true;
        }
    }
    return false;
}

} // namespace

void getAttrValueZEPImport(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName,
                           const char* value) {
    bool secret = std::strcmp(attrName, "DBPw") == 0;
    // A connection string in ZEP_DB shows its password masked.
    std::string shown = std::strcmp(attrName, "ZEP_DB") == 0 ? shownDataSource(value) : value;
    diag.trace("==> getAttrValueZEPImport attrName %s value %s\n", attrName,
               secret ? maskedPassword(value) : shown.c_str());
    bool found = takeOption(diag, options, model, attrName, value);
    if (!found) {
        diag.error("*****Error - unrecognized attribute %s found\n", attrName);
        std::vector<std::string_view> known;
        for (const TextOption& option : textOptions)
            known.emplace_back(option.attrName);
        for (const CapacityOption& option : capacityOptions)
            known.emplace_back(option.attrName);
        diag.hint(attrName, known);
    }
    diag.trace("<== getAttrValueZEPImport attrFound %d\n", found ? 1 : 0);
}

} // namespace norvak
