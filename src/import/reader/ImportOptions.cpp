#include "import/reader/ImportOptions.h"

#include "import/model/ImportRun.h"
#include "support/StringUtilities.h"
#include "support/SqlNames.h"
#include "support/PasswordMask.h"

#include <cstring>
#include <string>

namespace norvak {

namespace {

struct TextOption {
    const char* attrName;
    std::string ImportRun::*setting;
    std::size_t limit; // accepted when the value is shorter
    const char* label;
};

const TextOption textOptions[] = {
    {"msgPrefix", &ImportRun::msgPrefix, 15, "message prefix"},
    {"msgSuffix", &ImportRun::msgSuffix, 15, "message suffix"},
    {"elemPrefix", &ImportRun::elemPrefix, 15, "element prefix"},
    {"elemSuffix", &ImportRun::elemSuffix, 15, "element suffix"},
    {"typePrefix", &ImportRun::typePrefix, 15, "type prefix"},
    {"typeSuffix", &ImportRun::typeSuffix, 15, "type suffix"},
    {"valuePrefix", &ImportRun::valuePrefix, 15, "value prefix"},
    {"valueSuffix", &ImportRun::valueSuffix, 15, "value suffix"},
    {"ZEP_DB", &ImportRun::databaseName, 127, "database name"},
    {"DBUser", &ImportRun::dbUserId, 63, "database user id"},
    {"DBPw", &ImportRun::dbPassword, 63, "database password"},
    {"schema", &ImportRun::schemaPrefix, 63, "database schema name"},
    {"messageSet", &ImportRun::messageSetName, 127, "message set"},
};

// A table capacity: its smallest accepted value, its lines and how its table
// gets storage for a new capacity (keeping the entries it holds).
struct CapacityOption {
    const char* attrName;
    int minimum;
    CheckedFormat<int> setLine;
    CheckedFormat<int> warningLine;
    bool (*resize)(ImportRun& run, int capacity);
};

const CapacityOption capacityOptions[] = {
    {"MaxElement", 4096, "Maximum elements set to %d\n",
     "*****Warning - Maximum elements (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.elements.allocate(capacity); }},
    {"MaxType", 1024, "Maximum types set to %d\n", "*****Warning - Maximum types (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.types.allocate(capacity); }},
    {"MaxAttribute", 512, "Maximum attributes set to %d\n",
     "*****Warning - Maximum attributes (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.attributes.allocate(capacity); }},
    {"MaxValue", 1024, "Maximum values set to %d\n", "*****Warning - Maximum values (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.values.allocate(capacity); }},
    {"MaxTypeMember", 2048, "Maximum type members set to %d\n",
     "*****Warning - Maximum type members (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.typeMembers.allocate(capacity); }},
    {"MaxMemberAttribute", 512, "Maximum member attributes set to %d\n",
     "*****Warning - Maximum member attributes (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.memberAttributes.allocate(capacity); }},
    {"MaxValueMember", 8192, "Maximum value members set to %d\n",
     "*****Warning - Maximum value members (%d) value lower than minimum\n",
     [](ImportRun& run, int capacity) { return run.valueMembers.allocate(capacity); }},
};

void setCapacity(ImportRun& run, const CapacityOption& option, const char* value) {
    int capacity = leadingNumberOrZero(value);
    if (capacity < option.minimum) {
        run.printChecked(option.warningLine, capacity);
        run.print("and will be ignored\n");
        return;
    }
    if (!option.resize(run, capacity))
        throw TableStorageError();
    run.printChecked(option.setLine, capacity);
}

bool takeOption(ImportRun& run, const char* attrName, const char* value) {
    for (const TextOption& option : textOptions) {
        if (std::strcmp(attrName, option.attrName) != 0)
            continue;
        bool schema = option.setting == &ImportRun::schemaPrefix;
        if (schema && !isSchemaPrefix(value)) {
            // The schema is pasted into every statement: only a plain name is taken.
            run.error("*****Error - %s parameter on ZEPImport is not an SQL identifier %s\n", option.label, value);
        } else if (std::strlen(value) < option.limit) {
            run.*option.setting = value;
        } else {
            bool secret = option.setting == &ImportRun::dbPassword;
            run.error("*****Error - %s parameter on ZEPImport is too long %s\n", option.label,
                      secret ? maskedPassword(value) : value);
        }
        return true;
    }
    for (const CapacityOption& option : capacityOptions) {
        if (std::strcmp(attrName, option.attrName) == 0) {
            setCapacity(run, option, value);
            return true;
        }
    }
    return false;
}

} // namespace

void getAttrValueZEPImport(ImportRun& run, const char* attrName, const char* value) {
    bool secret = std::strcmp(attrName, "DBPw") == 0;
    run.trace("==> getAttrValueZEPImport attrName %s value %s\n", attrName, secret ? maskedPassword(value) : value);
    bool found = takeOption(run, attrName, value);
    if (!found)
        run.error("*****Error - unrecognized attribute %s found\n", attrName);
    run.trace("<== getAttrValueZEPImport attrFound %d\n", found ? 1 : 0);
}

} // namespace norvak
