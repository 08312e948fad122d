#include "import/model/DefinitionProcessing.h"
#include "import/model/Codes.h"

#include "import/model/ImportRun.h"

#include <string>

namespace norvak {

namespace {

using R = DefinitionRecord;

// The value of a checked field as its message shows it.
std::string shownValue(const ImportRun& run, const DefinitionRecord& record, const CheckedField& checked) {
    std::int32_t value = record.*checked.field;
    return checked.isText ? std::string(run.text(value)) : std::to_string(value);
}

// Prints `message` with the label, the value and, when there is one, the
// subject, for each given field of the list.
void reportGivenFields(ImportRun& run, const DefinitionRecord& record, CheckedFields fields,
                       CheckedFormat<const char*, const char*, const char*> message, const char* subject) {
    for (const CheckedField& checked : fields) {
        if (record.*checked.field > 0)
            run.errorChecked(message, checked.label, shownValue(run, record, checked).c_str(), subject);
    }
}
void reportGivenFields(ImportRun& run, const DefinitionRecord& record, CheckedFields fields,
                       CheckedFormat<const char*, const char*> message) {
    for (const CheckedField& checked : fields) {
        if (record.*checked.field > 0)
            run.errorChecked(message, checked.label, shownValue(run, record, checked).c_str());
    }
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

void createTypeAttributes(ImportRun& run, const DefinitionRecord& record, int typeId) {
    createAttrEntry(run, record.tagLen, typeId, classType, keyTdsTagLength, flagTds);
    createAttrEntry(run, record.groupInd, typeId, classType, keyTdsGroupIndicator, flagTds);
    createAttrEntry(run, record.groupTerm, typeId, classType, keyTdsGroupTerminator, flagTds);
    createAttrEntry(run, record.tagDataSep, typeId, classType, keyTdsTagDataSeparator, flagTds);
    createAttrEntry(run, record.delimiter, typeId, classType, keyTdsDelimiter, flagTds);
    createAttrEntry(run, record.dataElemSepText, typeId, classType, keyTdsDataElementSeparation, flagTds);
}

void addMember(ImportRun& run, int ident, int itemId, int itemType, int ownerTypeId, const DefinitionRecord& record) {
    int memberId = createTypeMemberEntry(run, ident, itemId, itemType, ownerTypeId);
    run.typeMembers[memberId].minOcc = record.minOccurs;
    run.typeMembers[memberId].maxOcc = record.maxOccurs;
}

// A type defined in place; 0 when it cannot be.
int defineType(ImportRun& run, const DefinitionRecord& record, int currTypeId) {
    if (record.ident == 0) {
        run.error("*****Error - required parameter missing on type %s\n", run.text(record.name));
        return 0;
    }
    if (record.baseType > 0 && record.composition != 6)
        run.print("*****Error - base type can only be specified for sequence types - %s\n", run.text(record.ident));
    int label = record.name > 0 ? record.name : record.ident;
    int typeId = createTypeEntry(run, record.ident, label, record.baseType, record.composition, record.typeContent);
    createTypeAttributes(run, record, typeId);
    bool unordered = record.composition == 4 || record.composition == 3;
    bool separatedByLength = record.dataElemSep >= 3 && record.dataElemSep <= 6;
    if (unordered && separatedByLength)
        run.error("*****Error - Invalid combination of composition and data element sep - %s\n",
                  run.text(record.ident));
    if (currTypeId != 0)
        addMember(run, 0, typeId, memberType, currTypeId, record);
    return typeId;
}

void useTypeByReference(ImportRun& run, const DefinitionRecord& record, int currTypeId) {
    if (record.ident > 0 || record.name > 0) {
        run.error("*****Error - type cannot have both identifier/name and ref %s\n", run.text(record.ref));
        return;
    }
    if (currTypeId == 0) {
        run.error("*****Error - type with ref (%s) must be within a type\n", run.text(record.ref));
        return;
    }
    addMember(run, record.ref, 0, memberType, currTypeId, record);
    reportNotValidOnTypeRef(run, record, typeReferenceFields, run.text(record.ref));
}

} // namespace

void reportNotValidForType(ImportRun& run, const DefinitionRecord& record, CheckedFields fields, const char* typeWord) {
    reportGivenFields(run, record, fields, "*****Error - %s (%s) not valid for element type %s\n", typeWord);
}

void reportNotValidForCompound(ImportRun& run, const DefinitionRecord& record, CheckedFields fields) {
    reportGivenFields(run, record, fields, "*****Error - %s (%s) not valid for compound element\n");
}

void reportOnlyInType(ImportRun& run, const DefinitionRecord& record, CheckedFields fields, const char* elementIdent) {
    reportGivenFields(run, record, fields, "*****Error - %s (%s) only valid when element %s is in a type\n",
                      elementIdent);
}

void reportNotValidOnTypeRef(ImportRun& run, const DefinitionRecord& record, CheckedFields fields,
                             const char* refIdent) {
    reportGivenFields(run, record, fields, "*****Error - %s (%s) not valid with ref= parameter for type %s\n",
                      refIdent);
}

int processTypeDef(ImportRun& run, const DefinitionRecord& record, int currTypeId) {
    run.trace("==> processTypeDef currTypeId %d\n", currTypeId);
    if (currTypeId != 0) {
        const TypeEntry& parent = run.types[currTypeId];
        if (parent.composition != 6 && parent.composition != 2)
            run.print("*****Error - parent type (%s) of type (%s) must be sequence or choice\n", run.text(parent.ident),
                      run.text(record.ident != 0 ? record.ident : record.ref));
    }
    int typeId = 0;
    if (record.ref == 0)
        typeId = defineType(run, record, currTypeId);
    else
        useTypeByReference(run, record, currTypeId);
    run.trace("<== processTypeDef returned typeId %d\n", typeId);
    return typeId;
}

void processValueDef(ImportRun& run, const DefinitionRecord& record, int currElemId) {
    run.trace("==> processValueDef\n");
    if (record.ref == 0) {
        if (record.ident > 0 && record.typeCode > 0 && record.valueText > 0) {
            int valueId = createValueEntry(run, record.ident, record.name, record.typeCode);
            run.values[valueId].valueText = record.valueText;
            if (currElemId != 0)
                createValueMemberEntry(run, valueId, currElemId, 0, record.role);
        } else {
            run.error("*****Error - required parameter missing on value %s\n", run.text(record.ident));
        }
    } else if (record.ident > 0 || record.name > 0) {
        run.error("*****Error - value cannot have both identifier/name and ref %s in value\n", run.text(record.ref));
    } else if (currElemId == 0) {
        run.error("*****Error - value with ref (%s) must be within an element\n", run.text(record.ref));
    } else {
        createValueMemberEntry(run, 0, currElemId, record.ref, record.role);
    }
    run.trace("<== processValueDef\n");
}

void processMessageDef(ImportRun& run, const DefinitionRecord& record, int currTypeId) {
    run.trace("==> processMessageDef currTypeId %d\n", currTypeId);
    if (record.ref == 0) {
        if (record.ident > 0 && record.typeName > 0) {
            int label = record.name > 0 ? record.name : record.ident;
            int mesgId = createMessageEntry(run, record.ident, label);
            run.messages[mesgId].typeName = record.typeName;
            if (currTypeId != 0)
                addMember(run, 0, mesgId, memberMessage, currTypeId, record);
        } else {
            run.error("*****Error - required parameter missing on message %s\n", run.text(record.ident));
        }
    } else if (record.ident > 0 || record.name > 0) {
        run.error("*****Error - message cannot have both identifier/name and ref %s\n", run.text(record.ref));
    } else if (currTypeId == 0) {
        run.error("*****Error - message with ref (%s) must be within a type\n", run.text(record.ref));
    } else {
        addMember(run, record.ref, 0, memberMessage, currTypeId, record);
    }
    run.trace("<== processMessageDef\n");
}

} // namespace norvak
