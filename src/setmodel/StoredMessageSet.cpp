// The attribute rows every import makes again, and whether a stored one holds what the import makes.
#include "setmodel/StoredMessageSet.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/LanguageNames.h"
#include "support/RepositoryCodes.h"


namespace norvak {

bool isRemadeByImport(const StoredAttribute& row, int pluginKey) {
    switch (pluginKey) {
    case pluginUuid:
        return row.key == rows::itemUuid.key && row.name == rows::itemUuid.name;
    case pluginC:
        return row.key == rows::itemCName.key && row.name == rows::itemCName.name;
    case pluginCobol:
        return (row.key == rows::itemCobolName.key && row.name == rows::itemCobolName.name) ||
               (row.key == rows::messageCopyBookName.key && row.name == rows::messageCopyBookName.name);
    default:
        return false;
    }
}

bool holdsWhatTheImportMakes(const StoredAttribute& row, std::string_view label) {
    if (!row.value)
        return false;
    const std::string& value = *row.value;
    if (row.name == rows::itemUuid.name) {
        if (value.size() != 36)
            return false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
            char c = value[i];
            if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return false;
        }
        return true;
    }
    if (row.name == rows::messageCopyBookName.name)
        return value == copyBookName(label);
    if (row.name == rows::itemCobolName.name)
        return value == cobolNameValue(label, row.ownerId);
    if (row.name == rows::itemCName.name)
        return value == cNameValue(label, row.id, repositoryTextWidth);
    return false;
}

} // namespace norvak
