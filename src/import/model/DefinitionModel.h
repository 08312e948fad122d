#pragma once

#include "import/model/ItemTables.h"
#include "import/model/KeyRegisters.h"
#include "import/model/NameTable.h"
#include "import/model/TabDefinitions.h"

#include <vector>

namespace norvak {

// Default capacities of the item tables (the ZEPImport element may raise them,
// and a full table doubles).
struct TableCapacities {
    static constexpr int elements = 8192;
    static constexpr int attributes = 8192;
    static constexpr int types = 4096;
    static constexpr int messages = 256;
    static constexpr int values = 8192;
    static constexpr int valueMembers = 8192;
    static constexpr int typeMembers = 16384;
    static constexpr int memberAttributes = 8192;
};

// The definitions model: the name table, the item tables, the key registers
// and the wire-format tabs declared in the file.
struct DefinitionModel {
    // Allocates the name table and the item tables at their default
    // capacities; false when any of them cannot be had.
    bool allocateTables();

    // The text of a name index ("" for 0).
    const char* text(int nameIndex) const { return names.text(nameIndex); }

    NameTable names;
    KeyedItemTable<ElementEntry> elements;
    KeyedItemTable<TypeEntry> types;
    KeyedItemTable<MessageEntry> messages;
    KeyedItemTable<ValueEntry> values;
    ItemTable<ValueMemberEntry> valueMembers;
    ItemTable<TypeMemberEntry> typeMembers;
    ItemTable<AttributeEntry> attributes;
    ItemTable<MemberAttributeEntry> memberAttributes;
    KeyRegisters keys;

    // Wire-format tabs declared in the definitions file, in file order.
    std::vector<CwfTabDefinition> cwfTabList;
    std::vector<TdsTabDefinition> tdsTabList;
    std::vector<XmlTabDefinition> xmlTabList;
};

} // namespace norvak
