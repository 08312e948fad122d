#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace norvak {

// Wire-format tabs declared by the CWFTab, TDSTab and XMLTab tags, in file
// order. Text fields are name indexes (0 = not given).
struct CwfTabDefinition {
    std::int32_t name = 0;
    std::int32_t ident = 0;
    std::int32_t ccsid = 0;
};

struct TdsTabDefinition {
    std::int32_t name = 0;
    std::int32_t ident = 0;
    std::int32_t messagingStandard = 0;
    std::int32_t ccsid = 0;
    std::int32_t trimCode = 0;
    std::int32_t groupInd = 0;
    std::int32_t groupTerm = 0;
    std::int32_t tagDataSep = 0;
    std::int32_t tagLen = 0;
    std::int32_t decimalPoint = 0;
    std::int32_t escapeChar = 0;
    std::int32_t reservedChars = 0;
    std::int32_t delimiter = 0;
    std::int32_t outputCompress = 0;
    std::int32_t inputCompress = 0;
    std::int32_t boolTrue = 0;
    std::int32_t boolFalse = 0;
    std::int32_t boolNull = 0;
};

struct XmlTabDefinition {
    std::int32_t name = 0;
    std::int32_t ident = 0;
    std::int32_t suppressXmlDecl = 0;
    std::int32_t standalone = 0;
    std::int32_t suppressDocType = 0;
    std::int32_t docTypeSystemId = 0;
    std::int32_t docTypePublicId = 0;
    std::int32_t docTypeText = 0;
    std::int32_t rootTagName = 0;
    std::int32_t versioningDisabled = 0;
    std::int32_t boolTrue = 0;
    std::int32_t boolFalse = 0;
    std::int32_t encodeNullNum = 0;
    std::int32_t encodeNullNumValue = 0;
    std::int32_t encodeNullNonNum = 0;
    std::int32_t encodeNullNonNumValue = 0;
};

// The tabs of one kind already in the message set or created by this run:
// the plugin member id and the name index of each, in the order they became
// known. lastIndex() is -1 while none is known.
struct KnownTabs {
    std::vector<std::int32_t> memberIds;
    std::vector<std::int32_t> names;

    int lastIndex() const { return static_cast<int>(memberIds.size()) - 1; }
    std::size_t size() const { return memberIds.size(); }
    void add(std::int32_t memberId, std::int32_t name) {
        memberIds.push_back(memberId);
        names.push_back(name);
    }
    void clear() {
        memberIds.clear();
        names.clear();
    }
};

} // namespace norvak
