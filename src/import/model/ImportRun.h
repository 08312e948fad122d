#pragma once

#include "import/model/ItemTables.h"
#include "import/model/KeyRegisters.h"
#include "import/model/NameTable.h"
#include "import/model/TabDefinitions.h"
#include "support/CheckedFormat.h"
#include "support/Output.h"

#include <cstdint>
#include <string>
#include <type_traits>
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

// Everything one import run holds: its switches and settings, the name table,
// the item tables, the key registers and the wire-format tabs. Each run (and
// each test) starts from a fresh one.
struct ImportRun {
    explicit ImportRun(Output& output);
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    // Allocates the name table and the item tables at their default
    // capacities; false when any of them cannot be had.
    bool allocateTables();

    // Printing: every line goes through the run's writer.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Prints only with the trace switch.
    void trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Prints and sets the error switch.
    void error(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The same with a format from a table or a helper's caller, checked
    // where it was written.
    template <class... Args> void printChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormatted(format.text(), args...);
    }
    template <class... Args> void errorChecked(CheckedFormat<std::type_identity_t<Args>...> format, Args... args) {
        printFormatted(format.text(), args...);
        errSw = 1;
    }

    // The text of a name index ("" for 0).
    const char* text(int nameIndex) const { return names.text(nameIndex); }

    Output& out;

  private:
    // Formats whose arguments were checked when the format was written.
    void printFormatted(const char* format, ...);

  public:

    // Switches, each 0 or 1. errSw is set by every error report and never reset.
    int errSw = 0;
    int reportOnlySw = 0;
    int verboseSw = 0;
    int traceSw = 0;
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

    RunCounters counters;

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

    // Tabs the message set has (from the repository or created by the run).
    KnownTabs cwfTabs;
    KnownTabs tdsTabs;
    KnownTabs xmlTabs;

    // The message set in the repository and its next free ids, read when the
    // run connects; the writers advance the counters as they insert rows.
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

} // namespace norvak
