// One definition record of a tag turned into entries of the item tables.
#include "import/model/DefinitionProcessing.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"

#include "import/model/DefinitionModel.h"
#include "support/Diagnostics.h"

#include <string>

namespace norvak {

namespace {

using R = DefinitionRecord;

// The value of a checked field as its message shows it.
std::string shownValue(const DefinitionModel& model, const DefinitionRecord& record, const CheckedField& checked) {
    std::int32_t value = record.*checked.field;
    return checked.isText ? std::string(model.text(value)) : std::to_string(value);
}

// Prints `message` with the label, the value and, when there is one, the
// subject, for each given field of the list.
void reportGivenFields(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                       CheckedFields fields, CheckedFormat<const char*, const char*, const char*> message,
                       const char* subject) {
    for (const CheckedField& checked : fields) {
        if (record.*checked.field > 0)
            diag.errorChecked(message, checked.label, shownValue(model, record, checked).c_str(), subject);
    }
}
bool reportGivenFields(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                       CheckedFields fields, CheckedFormat<const char*, const char*> message) {
    bool reported = false;
    for (const CheckedField& checked : fields) {
        if (record.*checked.field > 0) {
            diag.errorChecked(message, checked.label, shownValue(model, record, checked).c_str());
            reported = true;
        }
    }
    return reported;
}

const CheckedField typeReferenceFields[] = {
    {&R::tagLen, "tagLen", true},
    {&R::groupInd, "groupInd", true},
    {&R::groupTerm, "groupTerm", true},
    {&R::tagDataSep, "tagDataSep", true},
    {&R::delimiter, "delimiter", true},
    {&R::dataElemSepText, "dataElemSep", true},
    {&R::baseType, "baseType", false},
    {&R::composition, "composition", false},
    {&R::typeContent, "typeContent", false},
};

void createTypeAttributes(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int typeId) {
    createAttrEntry(diag, model, record.tagLen, typeId, classType, rows::tdsTypeTagLength.key, flagTds);
    createAttrEntry(diag, model, record.groupInd, typeId, classType, rows::tdsTypeGroupIndicator.key, flagTds);
    createAttrEntry(diag, model, record.groupTerm, typeId, classType, rows::tdsTypeGroupTerminator.key, flagTds);
    createAttrEntry(diag, model, record.tagDataSep, typeId, classType, rows::tdsTypeTagDataSeparator.key, flagTds);
    createAttrEntry(diag, model, record.delimiter, typeId, classType, rows::tdsTypeDelimiter.key, flagTds);
    createAttrEntry(diag, model, record.dataElemSepText, typeId, classType, rows::tdsTypeSeparation.key, flagTds);
}

void addMember(Diagnostics& diag, DefinitionModel& model, int ident, int itemId, int itemType, int ownerTypeId,
               const DefinitionRecord& record) {
    int memberId = createTypeMemberEntry(diag, model, ident, itemId, itemType, ownerTypeId);
    model.typeMembers[memberId].minOcc = record.minOccurs;
    model.typeMembers[memberId].maxOcc = record.maxOccurs;
}

// A type defined in place; 0 when it cannot be.
int defineType(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId) {
    if (record.ident == 0) {
        diag.error("*****Error - required parameter missing on type %s\n", model.text(record.name));
        return 0;
    }
    if (record.baseType > 0 && record.composition != 6)
        diag.print("*****Error - base type can only be specified for sequence types - %s\n", model.text(record.ident));
    int label = record.name > 0 ? record.name : record.ident;
    int typeId =
        createTypeEntry(diag, model, record.ident, label, record.baseType, record.composition, record.typeContent);
    createTypeAttributes(diag, model, record, typeId);
    bool unordered = record.composition == 4 || record.composition == 3;
    bool separatedByLength = record.dataElemSep >= 3 && record.dataElemSep <= 6;
    if (unordered && separatedByLength)
        diag.error("*****Error - Invalid combination of composition and data element sep - %s\n",
                   model.text(record.ident));
    if (currTypeId != 0)
        addMember(diag, model, 0, typeId, memberType, currTypeId, record);
    return typeId;
}

void useTypeByReference(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId) {
    if (record.ident > 0 || record.name > 0) {
        diag.error("*****Error - type cannot have both identifier/name and ref %s\n", model.text(record.ref));
        return;
    }
    if (currTypeId == 0) {
        diag.error("*****Error - type with ref (%s) must be within a type\n", model.text(record.ref));
        return;
    }
    addMember(diag, model, record.ref, 0, memberType, currTypeId, record);
    reportNotValidOnTypeRef(diag, model, record, typeReferenceFields, model.text(record.ref));
}

} // namespace

void reportNotValidForType(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                           CheckedFields fields, const char* typeWord) {
    reportGivenFields(diag, model, record, fields, "*****Error - %s (%s) not valid for element type %s\n", typeWord);
}

bool reportNotValidForCompound(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                               CheckedFields fields) {
    return reportGivenFields(diag, model, record, fields, "*****Error - %s (%s) not valid for compound element\n");
}

void reportOnlyInType(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                      CheckedFields fields, const char* elementIdent) {
    reportGivenFields(diag, model, record, fields, "*****Error - %s (%s) only valid when element %s is in a type\n",
                      elementIdent);
}

void reportNotValidOnTypeRef(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                             CheckedFields fields, const char* refIdent) {
    reportGivenFields(diag, model, record, fields, "*****Error - %s (%s) not valid with ref= parameter for type %s\n",
                      refIdent);
}

int processTypeDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId) {
    diag.trace("==> processTypeDef currTypeId %d\n", currTypeId);
    if (currTypeId != 0) {
        const TypeEntry& parent = model.types[currTypeId];
        if (parent.composition != 6 && parent.composition != 2)
            diag.print("*****Error - parent type (%s) of type (%s) must be sequence or choice\n",
                       model.text(parent.ident), model.text(record.ident != 0 ? record.ident : record.ref));
    }
    int typeId = 0;
    if (record.ref == 0)
        typeId = defineType(diag, model, record, currTypeId);
    else
        useTypeByReference(diag, model, record, currTypeId);
    diag.trace("<== processTypeDef returned typeId %d\n", typeId);
    return typeId;
}

void processValueDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currElemId) {
    diag.trace("==> processValueDef\n");
    if (record.ref == 0) {
        if (record.ident > 0 && record.typeCode > 0 && record.valueText > 0) {
            int valueId = createValueEntry(diag, model, record.ident, record.name, record.typeCode);
            model.values[valueId].valueText = record.valueText;
            if (currElemId != 0)
                createValueMemberEntry(diag, model, valueId, currElemId, 0, record.role);
        } else {
            diag.error("*****Error - required parameter missing on value %s\n", model.text(record.ident));
        }
    } else if (record.ident > 0 || record.name > 0) {
        diag.error("*****Error - value cannot have both identifier/name and ref %s in value\n", model.text(record.ref));
    } else if (currElemId == 0) {
        diag.error("*****Error - value with ref (%s) must be within an element\n", model.text(record.ref));
    } else {
        createValueMemberEntry(diag, model, 0, currElemId, record.ref, record.role);
    }
    diag.trace("<== processValueDef\n");
}

void processMessageDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId) {
    diag.trace("==> processMessageDef currTypeId %d\n", currTypeId);
    if (record.ref == 0) {
        if (record.ident > 0 && record.typeName > 0) {
            int label = record.name > 0 ? record.name : record.ident;
            int mesgId = createMessageEntry(diag, model, record.ident, label);
            model.messages[mesgId].typeName = record.typeName;
            if (currTypeId != 0)
                addMember(diag, model, 0, mesgId, memberMessage, currTypeId, record);
        } else {
            diag.error("*****Error - required parameter missing on message %s\n", model.text(record.ident));
        }
    } else if (record.ident > 0 || record.name > 0) {
        diag.error("*****Error - message cannot have both identifier/name and ref %s\n", model.text(record.ref));
    } else if (currTypeId == 0) {
        diag.error("*****Error - message with ref (%s) must be within a type\n", model.text(record.ref));
    } else {
        addMember(diag, model, record.ref, 0, memberMessage, currTypeId, record);
    }
    diag.trace("<== processMessageDef\n");
}

} // namespace norvak
