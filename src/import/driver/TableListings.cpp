// The listings of the in-memory tables that -t prints, in fixed columns.
#include "import/driver/TableListings.h"

#include "import/model/DefinitionModel.h"
#include "support/Diagnostics.h"

#include <string>

namespace norvak {

namespace {

// An occurrence column: the number when it is 0 or more, blanks otherwise.
std::string occurrenceText(int occurrences) {
    return occurrences >= 0 ? std::to_string(occurrences) : "     ";
}

} // namespace

void listTypes(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nTypes Table\n");
    diag.print("type zepId   elements   basTyp comp  cont name\n");
    diag.print("            first last\n");
    for (int id = 1; id <= model.types.count(); ++id) {
        const TypeEntry& type = model.types[id];
        diag.print("%4.4d %6.6d %5.5d %5.5d  %5.5d    %d     %d %s\n", id, type.zepId, type.firstMember,
                   type.lastMember, type.baseType, type.composition, type.typeContent, model.text(type.ident));
    }
}

void listElements(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nElements Table\n");
    diag.print("elem    type typeId  zepId  zepTyp Identifier \n");
    for (int id = 1; id <= model.elements.count(); ++id) {
        const ElementEntry& element = model.elements[id];
        diag.print("%4.4d   %5.5d  %5.5d %6.6d %6.6d %s\n", id, element.logicalType, element.typeId, element.zepId,
                   element.zepTyp, model.text(element.ident));
    }
}

void listAttributes(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nType and Element Attributes Table\n");
    diag.print("attr attrId compId Class Type Key Flag Value\n");
    for (int id = 1; id <= model.attributes.count(); ++id) {
        const AttributeEntry& attribute = model.attributes[id];
        diag.print("%4.4d %6.6d %6.6d  %3.3d  %4.4d %3.3d  0x%2.2x %s\n", id, attribute.attrId, attribute.compId,
                   attribute.attrClass, attribute.ownerId, attribute.attrKey, attribute.flags,
                   model.text(attribute.value));
    }
}

void listTypeMembers(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nType Members Table\n");
    diag.print("       main  elem  mesg type\n");
    diag.print("       type    id    id   id  next  prev    min   max flags Identifier\n");
    for (int id = 1; id <= model.typeMembers.count(); ++id) {
        const TypeMemberEntry& member = model.typeMembers[id];
        diag.print("%5.5d %5.5d %5.5d %5.5d %5.5d %5.5d %5.5d %5.5s %5.5s  0x%2.2x %s\n", id, member.ownerTypeId,
                   member.elemId, member.mesgId, member.typeId, member.next, member.prev,
                   occurrenceText(member.minOcc).c_str(), occurrenceText(member.maxOcc).c_str(), member.itemType,
                   model.text(member.ident));
    }
}

void listValues(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nValues Table\n");
    diag.print("     zepId  DType elemId value                          name\n");
    for (int id = 1; id <= model.values.count(); ++id) {
        const ValueEntry& value = model.values[id];
        diag.print("%4.4d %6.6d %5.5d  %5.5d %-30.30s %s\n", id, value.zepId, value.dataType, value.elemId,
                   model.text(value.valueText), model.text(value.ident));
    }
}

void listValueMembers(Diagnostics& diag, const DefinitionModel& model) {
    diag.print("\nValue member Table\n");
    diag.print("     zepId  valId elemId role flag value                          element\n");
    for (int id = 1; id <= model.valueMembers.count(); ++id) {
        const ValueMemberEntry& member = model.valueMembers[id];
        const char* valueIdent = member.valueId != 0 ? model.text(model.values[member.valueId].ident) : "";
        const char* elementIdent = member.elemId != 0 ? model.text(model.elements[member.elemId].ident) : "";
        diag.print("%4.4d %6.6d %5.5d  %5.5d  %3.3d 0x%2.2x %-30.30s %s\n", id, member.zepId, member.valueId,
                   member.elemId, member.role, member.flags, valueIdent, elementIdent);
    }
}

void showTables(Diagnostics& diag, const DefinitionModel& model) {
    listTypes(diag, model);
    listElements(diag, model);
    listAttributes(diag, model);
    listTypeMembers(diag, model);
    listValues(diag, model);
    listValueMembers(diag, model);
    diag.print("\n");
}

} // namespace norvak
