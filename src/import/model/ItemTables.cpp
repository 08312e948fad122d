// The item tables of the model: types, elements, attributes, members and values.
#include "import/model/ItemTables.h"

#include "import/model/DefinitionModel.h"
#include "support/Diagnostics.h"

#include <cstdio>

namespace norvak {

void itemIdOutOfRange(int id, int count) {
    std::fprintf(stderr, "item table id %d outside 0..%d\n", id, count);
    std::abort();
}

int createElementEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label) {
    diag.trace("==> createElementEntry: identifier %s\n", model.text(ident));
    int elemId = model.elements.findByIdent(ident);
    if (elemId == 0) {
        elemId = model.elements.addWithIdent(ident);
        model.elements[elemId].label = label;
    }
    diag.trace("<== createElementEntry returned elemId %d for %s\n", elemId, model.text(ident));
    return elemId;
}

int createMessageEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label) {
    diag.trace("==> createMessageEntry: identifier %s\n", model.text(ident));
    int mesgId = model.messages.findByIdent(ident);
    if (mesgId == 0) {
        mesgId = model.messages.addWithIdent(ident);
        model.messages[mesgId].label = label;
    }
    diag.trace("<== createMessageEntry returned mesgId %d for %s\n", mesgId, model.text(ident));
    return mesgId;
}

int createTypeEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label, int baseType, int composition,
                    int typeContent) {
    diag.trace("==> createTypeEntry: %s composition %d, typeContent %d, baseType %d\n", model.text(ident), composition,
               typeContent, baseType);
    int typeId = model.types.findByIdent(ident);
    if (typeId == 0)
        typeId = insertNewType(diag, model, ident, label, composition, typeContent, baseType);
    diag.trace("<== createTypeEntry returned %d\n", typeId);
    return typeId;
}

int insertNewType(Diagnostics& diag, DefinitionModel& model, int ident, int label, int composition, int typeContent,
                  int baseType) {
    diag.trace("==> insertNewType %s, composition %d typeContent %d\n", model.text(label), composition, typeContent);
    int typeId = model.types.addWithIdent(ident);
    TypeEntry& type = model.types[typeId];
    type.label = label;
    type.composition = composition;
    type.typeContent = typeContent;
    type.baseType = baseType;
    diag.trace("<== insertNewType returned typeId %d\n", typeId);
    return typeId;
}

int createValueEntry(Diagnostics& diag, DefinitionModel& model, int ident, int label, int dataType) {
    diag.trace("==> createValueEntry: %s dataType %d\n", model.text(ident), dataType);
    int valueId = model.values.addWithIdent(ident);
    ValueEntry& value = model.values[valueId];
    value.label = label;
    value.dataType = dataType;
    diag.trace("<== createValueEntry returned %d\n", valueId);
    return valueId;
}

int createValueMemberEntry(Diagnostics& diag, DefinitionModel& model, int valueId, int elemId, int refName,
                           std::int16_t role) {
    diag.trace("==> createValueMemberEntry: valueId %d, elemId %d, role %d\n", valueId, elemId, role);
    if (role == 0) {
        const char* ident = valueId != 0 ? model.text(model.values[valueId].ident) : model.text(refName);
        diag.error("*****Error - role is required for all uses of a value %s\n", ident);
    }
    int memberId = model.valueMembers.add();
    ValueMemberEntry& member = model.valueMembers[memberId];
    member.elemId = elemId;
    member.valueId = valueId;
    member.refName = refName;
    member.role = role;
    diag.trace("<== createValueMemberEntry returned %d\n", memberId);
    return memberId;
}

void createAttrEntry(Diagnostics& diag, DefinitionModel& model, int value, int ownerId, int attrClass, int attrKey,
                     std::uint8_t flags) {
    if (value <= 0)
        return;
    diag.trace("==> createAttrEntry: typeId %d class %d attrKeyType %d attrValue %s\n", ownerId, attrClass, attrKey,
               model.text(value));
    int attrId = model.attributes.add();
    AttributeEntry& attribute = model.attributes[attrId];
    attribute.value = value;
    attribute.ownerId = ownerId;
    attribute.attrClass = attrClass;
    attribute.attrKey = attrKey;
    attribute.flags = flags;
    diag.trace("<== createAttrEntry returned attrId %d\n", attrId);
}

int createTypeMemberEntry(Diagnostics& diag, DefinitionModel& model, int ident, int itemId, int itemType,
                          int ownerTypeId) {
    diag.trace("==> createTypeMemberEntry: typeId %d itemType %d itemId %d ident %s\n", ownerTypeId, itemType, itemId,
               model.text(ident));
    int memberId = model.typeMembers.add();
    TypeMemberEntry& member = model.typeMembers[memberId];
    member.ident = ident;
    member.ownerTypeId = ownerTypeId;
    member.itemType |= static_cast<std::uint8_t>(itemType);
    if (itemType == memberElement)
        member.elemId = itemId;
    else if (itemType == memberMessage)
        member.mesgId = itemId;
    else if (itemType == memberType)
        member.typeId = itemId;

    TypeEntry& owner = model.types[ownerTypeId];
    if (owner.firstMember == 0) {
        owner.firstMember = memberId;
    } else {
        member.prev = owner.lastMember;
        model.typeMembers[owner.lastMember].next = memberId;
    }
    owner.lastMember = memberId;
    diag.trace("<== createTypeMemberEntry returned typeMemberId %d\n", memberId);
    return memberId;
}

const char* logicalTypeKeyword(int code) {
    switch (code) {
    case logicalString:
        return "string";
    case logicalInteger:
        return "integer";
    case logicalFloat:
        return "float";
    case logicalBinary:
        return "binary";
    case logicalBoolean:
        return "boolean";
    case logicalDateTime:
        return "datetime";
    case logicalDecimal:
        return "decimal";
    default:
        return nullptr;
    }
}

} // namespace norvak
