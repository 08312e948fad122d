#include "import/model/ItemTables.h"

#include "import/model/ImportRun.h"

#include <cstdio>

namespace norvak {

void itemIdOutOfRange(int id, int count) {
    std::fprintf(stderr, "item table id %d outside 0..%d\n", id, count);
    std::abort();
}

int createElementEntry(ImportRun& run, int ident, int label) {
    run.trace("==> createElementEntry: identifier %s\n", run.text(ident));
    int elemId = run.elements.findByIdent(ident);
    if (elemId == 0) {
        elemId = run.elements.addWithIdent(ident);
        run.elements[elemId].label = label;
    }
    run.trace("<== createElementEntry returned elemId %d for %s\n", elemId, run.text(ident));
    return elemId;
}

int createMessageEntry(ImportRun& run, int ident, int label) {
    run.trace("==> createMessageEntry: identifier %s\n", run.text(ident));
    int mesgId = run.messages.findByIdent(ident);
    if (mesgId == 0) {
        mesgId = run.messages.addWithIdent(ident);
        run.messages[mesgId].label = label;
    }
    run.trace("<== createMessageEntry returned mesgId %d for %s\n", mesgId, run.text(ident));
    return mesgId;
}

int createTypeEntry(ImportRun& run, int ident, int label, int baseType, int composition, int typeContent) {
    run.trace("==> createTypeEntry: %s composition %d, typeContent %d, baseType %d\n", run.text(ident), composition,
              typeContent, baseType);
    int typeId = run.types.findByIdent(ident);
    if (typeId == 0)
        typeId = insertNewType(run, ident, label, composition, typeContent, baseType);
    run.trace("<== createTypeEntry returned %d\n", typeId);
    return typeId;
}

int insertNewType(ImportRun& run, int ident, int label, int composition, int typeContent, int baseType) {
    run.trace("==> insertNewType %s, composition %d typeContent %d\n", run.text(label), composition, typeContent);
    int typeId = run.types.addWithIdent(ident);
    TypeEntry& type = run.types[typeId];
    type.label = label;
    type.composition = composition;
    type.typeContent = typeContent;
    type.baseType = baseType;
    run.trace("<== insertNewType returned typeId %d\n", typeId);
    return typeId;
}

int createValueEntry(ImportRun& run, int ident, int label, int dataType) {
    run.trace("==> createValueEntry: %s dataType %d\n", run.text(ident), dataType);
    int valueId = run.values.addWithIdent(ident);
    ValueEntry& value = run.values[valueId];
    value.label = label;
    value.dataType = dataType;
    run.trace("<== createValueEntry returned %d\n", valueId);
    return valueId;
}

int createValueMemberEntry(ImportRun& run, int valueId, int elemId, int refName, std::int16_t role) {
    run.trace("==> createValueMemberEntry: valueId %d, elemId %d, role %d\n", valueId, elemId, role);
    if (role == 0) {
        const char* ident = valueId != 0 ? run.text(run.values[valueId].ident) : run.text(refName);
        run.error("*****Error - role is required for all uses of a value %s\n", ident);
    }
    int memberId = run.valueMembers.add();
    ValueMemberEntry& member = run.valueMembers[memberId];
    member.elemId = elemId;
    member.valueId = valueId;
    member.refName = refName;
    member.role = role;
    run.trace("<== createValueMemberEntry returned %d\n", memberId);
    return memberId;
}

void createAttrEntry(ImportRun& run, int value, int ownerId, int attrClass, int attrKey, std::uint8_t flags) {
    if (value <= 0)
        return;
    run.trace("==> createAttrEntry: typeId %d class %d attrKeyType %d attrValue %s\n", ownerId, attrClass, attrKey,
              run.text(value));
    int attrId = run.attributes.add();
    AttributeEntry& attribute = run.attributes[attrId];
    attribute.value = value;
    attribute.ownerId = ownerId;
    attribute.attrClass = attrClass;
    attribute.attrKey = attrKey;
    attribute.flags = flags;
    run.trace("<== createAttrEntry returned attrId %d\n", attrId);
}

int createTypeMemberEntry(ImportRun& run, int ident, int itemId, int itemType, int ownerTypeId) {
    run.trace("==> createTypeMemberEntry: typeId %d itemType %d itemId %d ident %s\n", ownerTypeId, itemType, itemId,
              run.text(ident));
    int memberId = run.typeMembers.add();
    TypeMemberEntry& member = run.typeMembers[memberId];
    member.ident = ident;
    member.ownerTypeId = ownerTypeId;
    member.itemType |= static_cast<std::uint8_t>(itemType);
    if (itemType == memberElement)
        member.elemId = itemId;
    else if (itemType == memberMessage)
        member.mesgId = itemId;
    else if (itemType == memberType)
        member.typeId = itemId;

    TypeEntry& owner = run.types[ownerTypeId];
    if (owner.firstMember == 0) {
        owner.firstMember = memberId;
    } else {
        member.prev = owner.lastMember;
        run.typeMembers[owner.lastMember].next = memberId;
    }
    owner.lastMember = memberId;
    run.trace("<== createTypeMemberEntry returned typeMemberId %d\n", memberId);
    return memberId;
}

} // namespace norvak
