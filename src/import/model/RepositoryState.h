#pragma once

#include "support/UuidGenerator.h"

#include "import/model/TabDefinitions.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace norvak {

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

// The types, elements and values of the message set as the look-ups made
// while items are written see them: by identifier (values by type and value
// text) with trailing blanks taken off, the first row of each kept. Read
// from the message set at the first look-up; the rows the run writes after
// that are added as they are written.
struct StoredItemIndex {
    struct Element {
        int id = 0;
        int typeId = 0;
    };
    bool loaded = false;
    std::unordered_map<std::string, int> types;
    std::unordered_map<std::string, Element> elements;
    std::unordered_map<int, std::unordered_map<std::string, int>> valuesByType;
};

// What the run knows of the repository: the message set, its next free ids
// (read when the run connects and advanced as rows are written), the tabs
// and plugin members it has, what reconciliation took over, and the counts
// of the summary.
struct RepositoryState {
    RunCounters counters;
    // The uuids of the rows the run writes, seeded from the system at the
    // first one.
    UuidGenerator uuids;

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

    // What the look-ups while writing compare with.
    StoredItemIndex storedItems;

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
