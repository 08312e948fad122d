// The rows that turn a stored message set into what a definitions file makes of it: ids matched, rows inserted, updated and deleted.
#include "tools/apply/SetSynchronisation.h"

#include "import/model/AttributeRows.h"
#include "import/model/ItemTables.h"
#include "import/model/LanguageNames.h"
#include "support/RepositoryCodes.h"

#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace norvak {

namespace {

template <class Count> std::size_t overTables(const SetChanges& c, Count count) {
    return count(c.pluginMembers) + count(c.types) + count(c.elements) + count(c.messages) + count(c.values) +
           count(c.typeMembers) + count(c.valueMembers) + count(c.attributes) + count(c.memberAttributes);
}

} // namespace

std::size_t SetChanges::size() const {
    return overTables(*this, [](const auto& t) { return t.size(); });
}
std::size_t SetChanges::inserted() const {
    return overTables(*this, [](const auto& t) { return t.inserts.size(); });
}
std::size_t SetChanges::updated() const {
    return overTables(*this, [](const auto& t) { return t.updates.size(); });
}
std::size_t SetChanges::deleted() const {
    return overTables(*this, [](const auto& t) { return t.deletes.size(); });
}

namespace {

using IdMap = std::unordered_map<std::int32_t, std::int32_t>;
using IdSet = std::unordered_set<std::int32_t>;

std::string withoutTrailingBlanks(std::string_view text) {
    std::size_t end = text.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

std::string key(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
        text += '\x1f';
    }
    return text;
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// Pairs the file's rows with stored rows of the same key: the first stored
// row of a key with the first file row of it, and so on, in the order the
// rows were read. Rows paired before (`paired`: file id to stored id, and
// the stored ids `taken`) are left out.
template <class Row, class StoredKey, class FileKey>
void pair(const std::deque<Row>& stored, const std::deque<Row>& file, StoredKey storedKey, FileKey fileKey,
          IdMap& paired, IdSet& taken) {
    // The stored ids of each key, taken from the front.
    struct FreeIds {
        std::vector<std::int32_t> ids;
        std::size_t taken = 0;
    };
    std::unordered_map<std::string, FreeIds> free;
    for (const Row& row : stored) {
        if (taken.count(row.id) == 0)
            free[storedKey(row)].ids.push_back(row.id);
    }
    for (const Row& row : file) {
        if (paired.count(row.id) != 0)
            continue;
        auto found = free.find(fileKey(row));
        if (found == free.end() || found->second.taken == found->second.ids.size())
            continue;
        const std::int32_t id = found->second.ids[found->second.taken++];
        paired.emplace(row.id, id);
        taken.insert(id);
    }
}

template <class Row, class KeyOf> void pair(const std::deque<Row>& stored, const std::deque<Row>& file, KeyOf keyOf,
                                            IdMap& paired, IdSet& taken) {
    pair(stored, file, keyOf, keyOf, paired, taken);
}

// New ids for the file's rows that have no stored partner, from `next` on.
template <class Row> void numberTheRest(const std::deque<Row>& file, IdMap& paired, std::int32_t& next) {
    for (const Row& row : file) {
        if (paired.emplace(row.id, next).second)
            ++next;
    }
}

template <class Rows> std::int32_t largestId(const Rows& rows) {
    std::int32_t largest = 0;
    for (const auto& row : rows)
        largest = std::max(largest, row.id);
    return largest;
}

// The columns of a row other than its id, for telling whether it changed.
auto columns(const StoredPluginMember& r) {
    return std::tie(r.pluginKey, r.sequence, r.active, r.layerFinal, r.name, r.lockDate, r.status);
}
auto columns(const StoredType& r) {
    return std::tie(r.identifier, r.category, r.flags, r.logicalDataType, r.baseTypeId, r.composition, r.content,
                    r.name, r.status, r.descoped);
}
auto columns(const StoredElement& r) {
    return std::tie(r.identifier, r.typeId, r.tagHint, r.name, r.status, r.descoped);
}
auto columns(const StoredMessage& r) {
    return std::tie(r.identifier, r.typeId, r.mode, r.name, r.status, r.descoped);
}
auto columns(const StoredValue& r) {
    return std::tie(r.identifier, r.typeId, r.text, r.name, r.status, r.descoped);
}
auto columns(const StoredTypeMember& r) {
    return std::tie(r.typeId, r.childId, r.childClass, r.sequence, r.repeats, r.minOccurs, r.maxOccurs, r.tagHint,
                    r.status, r.descoped);
}
auto columns(const StoredValueMember& r) {
    return std::tie(r.parentId, r.valueId, r.parentClass, r.sequence, r.role, r.status, r.descoped);
}
auto columns(const StoredAttribute& r) {
    return std::tie(r.ownerId, r.ownerClass, r.memberId, r.memberClass, r.name, r.type, r.group, r.flags, r.minLength,
                    r.maxLength, r.pluginMemberId, r.key, r.value, r.longValue, r.status);
}

// The rows of one table as they are to end, each made of a file row by
// `target` as it is reached (no copy of the table is held): inserted where
// the stored set has no row of the id, updated where its row differs;
// stored rows without a counterpart deleted unless `kept`.
template <class Row, class Target, class Kept>
void reconcile(const std::deque<Row>& stored, const std::deque<Row>& file, Target target, Kept kept,
               TableChanges<Row>& changes) {
    std::unordered_map<std::int32_t, const Row*> byId;
    for (const Row& row : stored)
        byId.emplace(row.id, &row);
    IdSet targetIds;
    for (const Row& fileRow : file) {
        Row row = target(fileRow);
        targetIds.insert(row.id);
        auto found = byId.find(row.id);
        if (found == byId.end())
            changes.inserts.push_back(std::move(row));
        else if (columns(*found->second) != columns(row))
            changes.updates.push_back(std::move(row));
    }
    for (const Row& row : stored) {
        if (targetIds.count(row.id) == 0 && !kept(row))
            changes.deletes.push_back(row.id);
    }
}

class Synchroniser {
  public:
    Synchroniser(const StoredMessageSet& stored, const StoredMessageSet& file, bool allowRemovals)
        : stored_(stored), file_(file), allowRemovals_(allowRemovals) {}

    SetChanges run(std::int32_t nextId) {
        SetChanges changes;
        pairPlugins();
        std::int32_t next = std::max(nextId, largestItemOrMemberId() + 1);
        pairItems(next);
        pairMembers(next);
        changes.nextId = next;
        changes.nextIdChanged = next != nextId;
        pairAttributes();
        decideKept();
        writeChanges(changes);
        return changes;
    }

  private:
    // ----- pairing and numbering

    void pairPlugins() {
        auto keyOf = [](const StoredPluginMember& p) { return key({number(p.pluginKey), p.name}); };
        pair(stored_.pluginMembers, file_.pluginMembers, keyOf, plugins_, takenPlugins_);
        std::int32_t next = largestId(stored_.pluginMembers) + 1;
        numberTheRest(file_.pluginMembers, plugins_, next);
    }

    std::int32_t largestItemOrMemberId() const {
        return std::max({largestId(stored_.types), largestId(stored_.elements), largestId(stored_.messages),
                         largestId(stored_.values), largestId(stored_.typeMembers), largestId(stored_.valueMembers)});
    }

    // Items by kind and identifier; then by the identifier without
    // trailing blanks (as the import finds a stored item); a value first by
    // identifier, type and text.
    void pairItems(std::int32_t& next) {
        auto identifier = [](const auto& row) { return row.identifier; };
        auto loose = [](const auto& row) { return withoutTrailingBlanks(row.identifier); };
        pair(stored_.types, file_.types, identifier, items_, takenItems_);
        pair(stored_.types, file_.types, loose, items_, takenItems_);
        pair(stored_.elements, file_.elements, identifier, items_, takenItems_);
        pair(stored_.elements, file_.elements, loose, items_, takenItems_);
        pair(stored_.messages, file_.messages, identifier, items_, takenItems_);
        pair(stored_.messages, file_.messages, loose, items_, takenItems_);
        auto storedValue = [](const StoredValue& v) { return key({v.identifier, number(v.typeId), v.text}); };
        auto fileValue = [this](const StoredValue& v) { return key({v.identifier, number(item(v.typeId)), v.text}); };
        pair(stored_.values, file_.values, storedValue, fileValue, items_, takenItems_);
        pair(stored_.values, file_.values, identifier, items_, takenItems_);
        numberTheRest(file_.types, items_, next);
        numberTheRest(file_.elements, items_, next);
        numberTheRest(file_.messages, items_, next);
        numberTheRest(file_.values, items_, next);
    }

    // Members of a type by the type, the child and the how-manieth use of
    // the child (the order of the rows pairs them); value uses alike.
    void pairMembers(std::int32_t& next) {
        auto storedMember = [](const StoredTypeMember& m) {
            return key({number(m.typeId), number(m.childId), number(m.childClass)});
        };
        auto fileMember = [this](const StoredTypeMember& m) {
            return key({number(item(m.typeId)), number(item(m.childId)), number(m.childClass)});
        };
        pair(inSequence(stored_.typeMembers), inSequence(file_.typeMembers), storedMember, fileMember, members_,
             takenMembers_);
        auto storedUse = [](const StoredValueMember& u) {
            return key({number(u.parentId), number(u.parentClass), number(u.valueId), number(u.role)});
        };
        auto fileUse = [this](const StoredValueMember& u) {
            return key({number(item(u.parentId)), number(u.parentClass), number(item(u.valueId)), number(u.role)});
        };
        pair(stored_.valueMembers, file_.valueMembers, storedUse, fileUse, uses_, takenUses_);
        numberTheRest(file_.typeMembers, members_, next);
        numberTheRest(file_.valueMembers, uses_, next);
    }

    // The members in the order of their types' sequence numbers, so that
    // the first use of a child pairs with the first.
    static std::deque<StoredTypeMember> inSequence(const std::deque<StoredTypeMember>& members) {
        std::deque<StoredTypeMember> ordered(members.begin(), members.end());
        std::stable_sort(ordered.begin(), ordered.end(), [](const StoredTypeMember& a, const StoredTypeMember& b) {
            return std::tie(a.typeId, a.sequence) < std::tie(b.typeId, b.sequence);
        });
        return ordered;
    }

    // Attribute rows by owner, plugin member, key and name.
    static std::string attributeKey(const StoredAttribute& a) {
        return key({number(a.ownerId), number(a.ownerClass), number(a.memberId), number(a.memberClass),
                    number(a.pluginMemberId), number(a.key), a.name});
    }

    void pairAttributes() {
        pair(stored_.attributes, file_.attributes, attributeKey,
             [this](const StoredAttribute& a) { return attributeKey(translate(a, false)); }, attributes_,
             takenAttributes_);
        pair(stored_.memberAttributes, file_.memberAttributes, attributeKey,
             [this](const StoredAttribute& a) { return attributeKey(translate(a, true)); }, memberAttributes_,
             takenMemberAttributes_);
        std::int32_t next = largestId(stored_.attributes) + 1;
        numberTheRest(file_.attributes, attributes_, next);
        next = largestId(stored_.memberAttributes) + 1;
        numberTheRest(file_.memberAttributes, memberAttributes_, next);
    }

    static std::int32_t mapped(const IdMap& map, std::int32_t id) {
        auto found = map.find(id);
        return found == map.end() ? id : found->second;
    }
    // The stored id of an item the file's rows name; a built-in simple
    // type keeps its code.
    std::int32_t item(std::int32_t id) const { return mapped(items_, id); }

    // An attribute row of the file with the ids it names made the stored
    // set's (its own id is left).
    StoredAttribute translate(const StoredAttribute& a, bool ofMember) const {
        StoredAttribute row = a;
        row.pluginMemberId = mapped(plugins_, a.pluginMemberId);
        if (ofMember) {
            row.ownerId = item(a.ownerId);
            row.memberId = mapped(members_, a.memberId);
        } else if (a.ownerClass != tabSettingClass) {
            row.ownerId = item(a.ownerId);
        }
        return row;
    }

    // ----- the stored rows the file does not have that stay

    void decideKept() {
        auto note = [this](const auto& rows) {
            for (const auto& row : rows) {
                storedItems_.insert(row.id);
                if (!allowRemovals_ && takenItems_.count(row.id) == 0)
                    keptItems_.insert(row.id);
            }
        };
        note(stored_.types);
        note(stored_.elements);
        note(stored_.messages);
        note(stored_.values);
        for (const StoredPluginMember& p : stored_.pluginMembers) {
            storedPlugins_.insert(p.id);
            if (!allowRemovals_ && takenPlugins_.count(p.id) == 0)
                keptPlugins_.insert(p.id);
        }
        for (const StoredTypeMember& m : stored_.typeMembers) {
            storedMembers_.insert(m.id);
            if (takenMembers_.count(m.id) == 0 && ownerStays(m.typeId))
                keptMembers_.insert(m.id);
        }
    }

    // Whether a row the file does not have stays for its owner: an item
    // kept, or one the set does not hold (no definition describes the row).
    bool ownerStays(std::int32_t owner) const {
        return keptItems_.count(owner) != 0 || storedItems_.count(owner) == 0;
    }
    bool pluginStays(std::int32_t plugin) const {
        return keptPlugins_.count(plugin) != 0 || storedPlugins_.count(plugin) == 0;
    }
    bool attributeStays(const StoredAttribute& a) const {
        return pluginStays(a.pluginMemberId) || (a.ownerClass != tabSettingClass && ownerStays(a.ownerId));
    }
    bool memberAttributeStays(const StoredAttribute& a) const {
        return pluginStays(a.pluginMemberId) || ownerStays(a.ownerId) || keptMembers_.count(a.memberId) != 0 ||
               storedMembers_.count(a.memberId) == 0;
    }

    // ----- the rows as they end

    // A file row as it is to end: with its stored id, and `fix` to its references.
    template <class Row, class Fix> static auto targetRow(const IdMap& ids, Fix fix) {
        return [&ids, fix](const Row& row) {
            Row target = row;
            target.id = mapped(ids, row.id);
            fix(target);
            return target;
        };
    }

    void writeChanges(SetChanges& changes) {
        auto keptItem = [this](const auto& row) { return keptItems_.count(row.id) != 0; };
        reconcile(stored_.pluginMembers, file_.pluginMembers,
                  targetRow<StoredPluginMember>(plugins_, [](StoredPluginMember&) {}),
                  [this](const StoredPluginMember& p) { return keptPlugins_.count(p.id) != 0; },
                  changes.pluginMembers);
        reconcile(stored_.types, file_.types, targetRow<StoredType>(items_, [this](StoredType& t) {
                      if (t.baseTypeId)
                          t.baseTypeId = item(*t.baseTypeId);
                  }),
                  keptItem, changes.types);
        auto typed = [this](auto& row) { row.typeId = item(row.typeId); };
        reconcile(stored_.elements, file_.elements, targetRow<StoredElement>(items_, typed), keptItem,
                  changes.elements);
        reconcile(stored_.messages, file_.messages, targetRow<StoredMessage>(items_, typed), keptItem,
                  changes.messages);
        reconcile(stored_.values, file_.values, targetRow<StoredValue>(items_, typed), keptItem, changes.values);
        reconcile(stored_.typeMembers, file_.typeMembers, targetRow<StoredTypeMember>(members_, [this](StoredTypeMember& m) {
                      m.typeId = item(m.typeId);
                      m.childId = item(m.childId);
                  }),
                  [this](const StoredTypeMember& m) { return keptMembers_.count(m.id) != 0; }, changes.typeMembers);
        reconcile(stored_.valueMembers, file_.valueMembers, targetRow<StoredValueMember>(uses_, [this](StoredValueMember& u) {
                      u.parentId = item(u.parentId);
                      u.valueId = item(u.valueId);
                  }),
                  [this](const StoredValueMember& u) { return ownerStays(u.parentId); }, changes.valueMembers);
        writeAttributeChanges(false, changes.attributes);
        writeAttributeChanges(true, changes.memberAttributes);
    }

    void writeAttributeChanges(bool ofMember, TableChanges<StoredAttribute>& changes) {
        const std::deque<StoredAttribute>& stored = ofMember ? stored_.memberAttributes : stored_.attributes;
        const std::deque<StoredAttribute>& file = ofMember ? file_.memberAttributes : file_.attributes;
        const IdMap& ids = ofMember ? memberAttributes_ : attributes_;
        std::unordered_map<std::int32_t, const StoredAttribute*> storedById;
        for (const StoredAttribute& a : stored)
            storedById.emplace(a.id, &a);
        learnTheFile();
        auto target = [&](const StoredAttribute& a) {
            StoredAttribute row = translate(a, ofMember);
            row.id = mapped(ids, a.id);
            if (row.type == elementReferenceType)
                row.value = referenceTranslated(row.value);
            auto partner = storedById.find(row.id);
            remake(row, a, ofMember, partner == storedById.end() ? nullptr : partner->second);
            return row;
        };
        auto kept = [this, ofMember](const StoredAttribute& a) {
            return ofMember ? memberAttributeStays(a) : attributeStays(a);
        };
        reconcile(stored, file, target, kept, changes);
    }

    // The id of an element a row's value names, in the stored set's ids.
    std::optional<std::string> referenceTranslated(const std::optional<std::string>& value) const {
        if (!value || value->empty() || value->size() >= 10 ||
            !std::all_of(value->begin(), value->end(), [](char c) { return c >= '0' && c <= '9'; }))
            return value;
        return number(item(std::stoi(*value)));
    }

    // The plugin keys and the labels (names of elements and messages) of the file's rows.
    void learnTheFile() {
        if (!fileLabels_.empty() || !filePluginKeys_.empty())
            return;
        for (const StoredPluginMember& p : file_.pluginMembers)
            filePluginKeys_.emplace(p.id, p.pluginKey);
        for (const StoredElement& e : file_.elements)
            fileLabels_.emplace(e.id, e.name);
        for (const StoredMessage& m : file_.messages)
            fileLabels_.emplace(m.id, m.name);
    }

    // A row the import makes for every item (uuid, C or COBOL name) as it
    // ends: a stored uuid stays; a name made of the label and an id is made
    // of the ids the rows end with.
    void remake(StoredAttribute& row, const StoredAttribute& fileRow, bool ofMember,
                const StoredAttribute* storedRow) const {
        auto plugin = filePluginKeys_.find(fileRow.pluginMemberId);
        if (plugin == filePluginKeys_.end() || !isRemadeByImport(fileRow, plugin->second))
            return;
        std::string_view label;
        if (!ofMember && (fileRow.ownerClass == classElement || fileRow.ownerClass == classMessage)) {
            auto found = fileLabels_.find(fileRow.ownerId);
            if (found != fileLabels_.end())
                label = found->second;
        }
        if (!holdsWhatTheImportMakes(fileRow, label))
            return;
        if (row.name == rows::itemUuid.name) {
            if (storedRow != nullptr && holdsWhatTheImportMakes(*storedRow, label))
                row.value = storedRow->value;
        } else if (row.name == rows::itemCName.name) {
            row.value = cNameValue(label, row.id, repositoryTextWidth);
        } else if (row.name == rows::itemCobolName.name) {
            row.value = cobolNameValue(label, row.ownerId);
        }
    }

    const StoredMessageSet& stored_;
    const StoredMessageSet& file_;
    bool allowRemovals_;
    // File id to stored id, and the stored ids paired, per table (items share one).
    IdMap plugins_, items_, members_, uses_, attributes_, memberAttributes_;
    IdSet takenPlugins_, takenItems_, takenMembers_, takenUses_, takenAttributes_, takenMemberAttributes_;
    IdSet storedItems_, keptItems_, storedPlugins_, keptPlugins_, storedMembers_, keptMembers_;
    std::unordered_map<std::int32_t, int> filePluginKeys_;
    std::unordered_map<std::int32_t, std::string_view> fileLabels_;
};

} // namespace

SetChanges synchronisedRows(const StoredMessageSet& stored, const StoredMessageSet& file, std::int32_t nextId,
                            bool allowRemovals) {
    return Synchroniser(stored, file, allowRemovals).run(nextId);
}

} // namespace norvak
