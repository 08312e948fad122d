#include "import/driver/TableListings.h"

#include "import/model/ImportRun.h"

#include <string>

namespace norvak {

namespace {

// An occurrence column: the number when it is 0 or more, blanks otherwise.
std::string occurrenceText(int occurrences) {
    return occurrences >= 0 ? std::to_string(occurrences) : "     ";
}

} // namespace

void listTypes(ImportRun& run) {
    run.print("\nTypes Table\n");
    run.print("type zepId   elements   basTyp comp  cont name\n");
    run.print("            first last\n");
    for (int id = 1; id <= run.types.count(); ++id) {
        const TypeEntry& type = run.types[id];
        run.print("%4.4d %6.6d %5.5d %5.5d  %5.5d    %d     %d %s\n", id, type.zepId, type.firstMember, type.lastMember,
                  type.baseType, type.composition, type.typeContent, run.text(type.ident));
    }
}

void listElements(ImportRun& run) {
    run.print("\nElements Table\n");
    run.print("elem    type typeId  zepId  zepTyp Identifier \n");
    for (int id = 1; id <= run.elements.count(); ++id) {
        const ElementEntry& element = run.elements[id];
        run.print("%4.4d   %5.5d  %5.5d %6.6d %6.6d %s\n", id, element.logicalType, element.typeId, element.zepId,
                  element.zepTyp, run.text(element.ident));
    }
}

void listAttributes(ImportRun& run) {
    run.print("\nType and Element Attributes Table\n");
    run.print("attr attrId compId Class Type Key Flag Value\n");
    for (int id = 1; id <= run.attributes.count(); ++id) {
        const AttributeEntry& attribute = run.attributes[id];
        run.print("%4.4d %6.6d %6.6d  %3.3d  %4.4d %3.3d  0x%2.2x %s\n", id, attribute.attrId, attribute.compId,
                  attribute.attrClass, attribute.ownerId, attribute.attrKey, attribute.flags,
                  run.text(attribute.value));
    }
}

void listTypeMembers(ImportRun& run) {
    run.print("\nType Members Table\n");
    run.print("       main  elem  mesg type\n");
    run.print("       type    id    id   id  next  prev    min   max flags Identifier\n");
    for (int id = 1; id <= run.typeMembers.count(); ++id) {
        const TypeMemberEntry& member = run.typeMembers[id];
        run.print("%5.5d %5.5d %5.5d %5.5d %5.5d %5.5d %5.5d %5.5s %5.5s  0x%2.2x %s\n", id, member.ownerTypeId,
                  member.elemId, member.mesgId, member.typeId, member.next, member.prev,
                  occurrenceText(member.minOcc).c_str(), occurrenceText(member.maxOcc).c_str(), member.itemType,
                  run.text(member.ident));
    }
}

void listValues(ImportRun& run) {
    run.print("\nValues Table\n");
    run.print("     zepId  DType elemId value                          name\n");
    for (int id = 1; id <= run.values.count(); ++id) {
        const ValueEntry& value = run.values[id];
        run.print("%4.4d %6.6d %5.5d  %5.5d %-30.30s %s\n", id, value.zepId, value.dataType, value.elemId,
                  run.text(value.valueText), run.text(value.ident));
    }
}

void listValueMembers(ImportRun& run) {
    run.print("\nValue member Table\n");
    run.print("     zepId  valId elemId role flag value                          element\n");
    for (int id = 1; id <= run.valueMembers.count(); ++id) {
        const ValueMemberEntry& member = run.valueMembers[id];
        const char* valueIdent = member.valueId != 0 ? run.text(run.values[member.valueId].ident) : "";
        const char* elementIdent = member.elemId != 0 ? run.text(run.elements[member.elemId].ident) : "";
        run.print("%4.4d %6.6d %5.5d  %5.5d  %3.3d 0x%2.2x %-30.30s %s\n", id, member.zepId, member.valueId,
                  member.elemId, member.role, member.flags, valueIdent, elementIdent);
    }
}

void showTables(ImportRun& run) {
    listTypes(run);
    listElements(run);
    listAttributes(run);
    listTypeMembers(run);
    listValues(run);
    listValueMembers(run);
    run.print("\n");
}

} // namespace norvak
