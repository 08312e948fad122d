#pragma once

#include "import/model/ItemTables.h"
#include "import/model/KeyRegisters.h"
#include "import/model/NameTable.h"
#include "import/model/TabDefinitions.h"
#include "support/Diagnostics.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
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

// The summary counters of a run.
struct RunCounters {
    int messagesAdded = 0;
    int elementsAdded = 0;
    int valuesAdded = 0;
    int valueMembersAdded = 0;
    int typesAdded = 0;
    int typeMembersAdded = 0;
    int attributesAdded = 0;
    int memberAttributesAdded = 0;
    int typesReused = 0;
    int elementsReused = 0;
    int valuesReused = 0;
    int messagesReused = 0;
    int tagsFound = 0;
    int tagsCreated = 0;
};

// The options of a run: its switches and settings, from the command line and
// the ZEPImport element, read-only once the definitions file has been read.
struct RunOptions {
    // Switches, each 0 or 1.
    int reportOnlySw = 0;
    int verboseSw = 0;
    int showTablesSw = 0;

    // Connection and naming settings, with the sizes of the fields that hold
    // them in the repository's conventions (text length below the size).
    std::string databaseName;                                 // 128
    std::string dbUserId;                                     // 64
    std::string dbPassword;                                   // 64
    std::string messageSetName;                               // 128
    std::string schemaPrefix;                                 // 64
    std::string msgPrefix, msgSuffix, elemPrefix, elemSuffix; // 16 each
    std::string typePrefix, typeSuffix, valuePrefix, valueSuffix;
    std::string executionDateTime; // "%Y-%m-%d-%H.%M.%S"
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

// What the run knows of the repository: the message set, its next free ids
// (read when the run connects and advanced as rows are written), the tabs
// and plugin members it has, what reconciliation took over, and the counts
// of the summary.
struct RepositoryState {
    RunCounters counters;

    // Tabs the message set has (from the repository or created by the run).
    KnownTabs cwfTabs;
    KnownTabs tdsTabs;
    KnownTabs xmlTabs;

    std::int16_t projectKey = 0;
    std::uint32_t nextElementId = 0;
    std::uint32_t nextAttrId = 0;
    std::uint32_t nextMbrAttr = 0;
    std::int32_t nextMemberId = 0;
    std::int16_t nextMemberSeqNum = 0;
    // The value entries by value text and type, for reusing a value written
    // earlier in the run; indexed for the first valuesIndexedCount entries.
    std::unordered_map<std::uint64_t, std::vector<int>> valuesByTextAndType;
    int valuesIndexedCount = -1;

    // Types taken over from the repository by reconciliation, with the name
    // index of the identifier they are stored under.
    std::vector<std::pair<int, int>> reusedTypes;
    // Elements of the file taken over from the repository, likewise.
    std::vector<std::pair<int, int>> reusedElements;
    // Plugin members of the language bindings and of the uuid attributes; 0 when none.
    int cMemberId = 0;
    int cobolMemberId = 0;
    int webDavMemberId = 0;
};

// Everything one import run holds, in its four parts; a routine that needs
// only some of them can take just those. Each run (and each test) starts
// from a fresh one.
struct ImportRun : Diagnostics, RunOptions, DefinitionModel, RepositoryState {
    explicit ImportRun(Output& output) : Diagnostics(output) {}
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;
};

} // namespace norvak
