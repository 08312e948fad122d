#include "import/repository/ItemEmission.h"
#include "import/model/Codes.h"

#include "dbsession/DbSession.h"
#include "import/model/ConsistencyChecks.h"
#include "import/model/ImportRun.h"
#include "import/model/PhysicalFormatChecks.h"
#include "import/repository/AttributeWriters.h"
#include "import/repository/Reconciliation.h"
#include "import/repository/RowWriters.h"
#include "support/StringUtilities.h"

#include <string>

namespace norvak {

namespace {

constexpr int memberRenderId = 2;    // ELEMENTATTRID
constexpr int memberRenderValue = 3; // ELEMENTATTRVAL
constexpr int memberRenderBoth = 4;  // ELEMENTATTRIDVAL

struct AttributeName {
    const char* name;
    const char* type;
};

AttributeName xmlAttrNames(ImportRun& run, int key) {
    switch (key) {
    case keyXmlName:
        return {"XML Name", "string"};
    case keyXmlFormat:
        return {"XML Format", "string"};
    case keyXmlEncoding:
        return {"Encoding", "enum"};
    default:
        run.error("*****Error - internal error - did not recognize XML attribute key %d\n", key);
        return {"", ""};
    }
}

AttributeName tdsAttrNames(ImportRun& run, int key) {
    static const AttributeName names[] = {
        {"Group Indicator", "string"},
        {"Group Terminator", "string"},
        {"Tag Data Separator", "string"},
        {"Tag Length", "integer"},
        {"Data Element Separation", "enum"},
        {"Delimiter", "string"},
        {"Tag", "string"},
        {"Length", "integer"},
        {"Justification", "enum"},
        {"Padding Character", "string"},
        {"Interpret Element Value", "enum"},
        {"Virtual Decimal Point", "integer"},
        {"Precision", "integer"},
        {"Format", "string"},
        {"Sign Orientation", "enum"},
        {"Positive Sign", "string"},
        {"Negative Sign", "string"},
        {"Encoding Null", "enum"},
        {"Encoding Null Value", "string"},
    };
    constexpr int firstKey = keyTdsGroupIndicator;
    constexpr int lastKey = keyTdsEncodingNullValue;
    if (key < firstKey || key > lastKey) {
        run.error("*****Error - internal error - did not recognize TDS attribute key %d\n", key);
        return {"", ""};
    }
    if (key == keyTdsTag)
        ++run.counters.tagsCreated;
    return names[key - firstKey];
}

// Writes the items of the model in their phases.
class ItemEmission {
  public:
    ItemEmission(ImportRun& run, DbSession& db) : run_(run), db_(db) {}

    void writeTypes() {
        for (int id = 1; id <= run_.types.count() && !run_.errSw; ++id) {
            if (run_.types[id].zepId != 0)
                continue;
            reuseExistingType(run_, db_, id);
            TypeEntry& type = run_.types[id];
            if (type.zepId != 0)
                continue;
            type.zepId = createType(run_, db_, text(type.ident), text(type.label), type.baseType, type.composition,
                                    type.typeContent);
            insertUUID(run_, db_, run_.types[id].zepId, classType, run_.webDavMemberId);
        }
    }

    void writeElements() {
        for (int id = 1; id <= run_.elements.count() && !run_.errSw; ++id) {
            if (run_.elements[id].zepId != 0)
                continue;
            reuseExistingElement(run_, db_, id);
            ElementEntry& element = run_.elements[id];
            if (element.zepId != 0)
                continue;
            int typeValue = element.logicalType;
            if (typeValue == 0) {
                typeValue = run_.types[element.typeId].zepId;
                element.zepTyp = typeValue;
            }
            int zepId = createElement(run_, db_, text(element.ident), text(element.label), typeValue);
            run_.elements[id].zepId = zepId;
            insertUUID(run_, db_, zepId, classElement, run_.webDavMemberId);
            insertLanguageNames(run_, db_, zepId, text(run_.elements[id].label));
        }
    }

    void writeMessages() {
        for (int id = 1; id <= run_.messages.count() && !run_.errSw; ++id) {
            MessageEntry& message = run_.messages[id];
            if (message.zepId != 0)
                continue;
            int typeZepId = run_.types[message.typeId].zepId;
            int zepId = createMessage(run_, db_, text(message.ident), text(message.label), typeZepId);
            run_.messages[id].zepId = zepId;
        }
    }

    void writeAttributes() {
        for (int id = 1; id <= run_.attributes.count() && !run_.errSw; ++id) {
            AttributeEntry& attribute = run_.attributes[id];
            if (attribute.flags & flagExists)
                continue;
            int componentId = componentOf(id);
            if (attribute.flags & flagXml)
                writeAttributeRows(id, componentId, xmlAttrNames(run_, attribute.attrKey), run_.xmlTabs);
            if (attribute.flags & flagTds)
                writeAttributeRows(id, componentId, tdsAttrNames(run_, run_.attributes[id].attrKey), run_.tdsTabs);
        }
    }

    void writeTypeMembers() {
        for (int typeId = 1; typeId <= run_.types.count() && !run_.errSw; ++typeId) {
            std::int16_t sequence = 1;
            for (int id = run_.types[typeId].firstMember; id != 0 && !run_.errSw; id = run_.typeMembers[id].next) {
                if (run_.typeMembers[id].itemType & memberExists)
                    continue;
                writeTypeMember(typeId, id, sequence);
                ++sequence;
            }
        }
    }

    void writeValues() {
        for (int id = 1; id <= run_.values.count() && !run_.errSw; ++id) {
            ValueEntry& value = run_.values[id];
            if (value.zepId != 0)
                continue;
            bool inserted = false;
            int zepId = createValue(run_, db_, text(value.ident), text(value.label), text(value.valueText),
                                    value.dataType, inserted);
            run_.values[id].zepId = zepId;
            if (inserted)
                insertUUID(run_, db_, zepId, classValue, run_.webDavMemberId);
        }
    }

    void writeValueMembers() {
        for (int id = 1; id <= run_.valueMembers.count() && !run_.errSw; ++id) {
            const ValueMemberEntry& member = run_.valueMembers[id];
            if (member.flags & flagExists)
                continue;
            ElementEntry& element = run_.elements[member.elemId];
            ++element.valueUseCount;
            createValueMember(run_, db_, run_.values[member.valueId].zepId, element.zepId, classElement,
                              static_cast<std::int16_t>(element.valueUseCount), member.role);
        }
    }

  private:
    std::string text(int nameIndex) const { return run_.text(nameIndex); }

    int componentOf(int attrId) {
        const AttributeEntry& attribute = run_.attributes[attrId];
        switch (attribute.attrClass) {
        case classMessage:
            return 0;
        case classElement:
            return run_.elements[attribute.ownerId].zepId;
        case classType:
            return run_.types[attribute.ownerId].zepId;
        default:
            run_.error("*****Error - invalid component class (%d) for attrId %d\n", attribute.attrClass, attrId);
            return 0;
        }
    }

    // One row per known tab of the kind; the entry keeps the id of the last one.
    void writeAttributeRows(int attrId, int componentId, AttributeName name, const KnownTabs& tabs) {
        AttributeEntry& attribute = run_.attributes[attrId];
        attribute.compId = componentId;
        std::string value = text(attribute.value);
        for (int tab = 0; tab <= tabs.lastIndex(); ++tab) {
            int written = createAttribute(run_, db_, name.name, name.type, text(tabs.names[tab]), value, 0, 254,
                                          componentId, run_.attributes[attrId].attrClass, tabs.memberIds[tab],
                                          run_.attributes[attrId].attrKey);
            run_.attributes[attrId].attrId = written;
        }
    }

    void writeTypeMember(int typeId, int memberId, std::int16_t sequence) {
        const TypeMemberEntry& member = run_.typeMembers[memberId];
        int childClass = classMessage;
        int childId = 0;
        std::string childText;
        bool isElement = member.itemType & memberElement;
        if (isElement) {
            childClass = classElement;
            childId = run_.elements[member.elemId].zepId;
            childText = text(run_.elements[member.elemId].label);
        } else if (member.itemType & memberType) {
            childClass = classType;
            childId = run_.types[member.typeId].zepId;
            childText = text(run_.types[member.typeId].label);
        } else {
            childId = run_.messages[member.mesgId].zepId;
            childText = text(run_.messages[member.mesgId].label);
        }
        bool repeats =
            member.maxOcc > 1 || member.minOcc > 1 || (isElement && (member.repeatCount > 1 || member.repeatRef > 0));
        int typeZepId = run_.types[typeId].zepId;
        int zepId = createTypeMember(run_, db_, typeZepId, childId, sequence, childClass, member.minOcc, member.maxOcc,
                                     repeats ? 1 : 0, text(run_.types[typeId].ident), childText);
        run_.typeMembers[memberId].zepId = zepId;
        createMemberAttrUUID(run_, db_, typeZepId, classType, zepId, classElement, run_.webDavMemberId);
        if (!isElement)
            return;
        createCwfMemberAttrs(memberId, run_.typeMembers[memberId].elemId, typeZepId);
        createXmlMemberAttrs(memberId, run_.typeMembers[memberId].elemId, typeZepId);
        createTdsMemberAttrs(memberId, run_.typeMembers[memberId].elemId, typeZepId);
    }

    // The repository id of the element a reference names, resolving it; 0 when unknown.
    int referencedElement(int reference) {
        int elemId = findElemIdFromName(run_, run_, reference);
        return elemId != 0 ? run_.elements[elemId].zepId : 0;
    }

    void createCwfMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = run_.typeMembers[memberId];
        const ElementEntry element = run_.elements[elemId];
        const EffectiveFormat format = effectiveFormat(member, element);
        const int memberZepId = member.zepId;
        const int physicalType = format.physicalType > 0 ? format.physicalType : 0;
        auto row = [&](const char* name, const char* type, const std::string& value, int minLength, int maxLength,
                       int key) {
            createCwfMemberAttr(run_, db_, typeZepId, memberZepId, name, type, value, minLength, maxLength, key);
        };

        if (checkPhysicalType(run_, run_, run_, physicalType, elemId) == 0 && physicalType > 0)
            row("Physical Type", "enum", std::to_string(physicalType), 1, 2, 1);

        int length = format.length > 0 ? leadingNumberOrZero(run_.text(format.length)) : 0;
        int lengthResult =
            checkLength(run_, run_, run_, physicalType, length, member.lengthRef, format.lengthUnits, elemId);
        if (length >= 1 && lengthResult == 0)
            row("Length", "integer", text(format.length), 0, 10, 2);
        if (member.lengthRef > 0 && lengthResult == 0) {
            int referenced = referencedElement(member.lengthRef);
            if (referenced == 0) {
                run_.error("*****Error - Unable to resolve length reference %s for element %s\n",
                           run_.text(member.lengthRef), run_.text(element.ident));
            } else {
                checkLengthReference(run_, run_, memberId, member.lengthRef);
                row("Length Reference", "COMPONENT:ELEMENT", std::to_string(referenced), 0, 10, 3);
            }
        }
        if (format.lengthUnits >= 1 &&
            checkLengthUnits(run_, run_, run_, physicalType, format.lengthUnits, elemId) == 0)
            row("Length Units", "enum", std::to_string(format.lengthUnits), 1, 1, 13);
        if (format.signedCode >= 1 &&
            checkSignOrientation(run_, run_, run_, physicalType, format.signedCode, elemId) == 0)
            row("Signed", "enum", std::to_string(format.signedCode), 1, 1, 4);
        if (format.decimalPoint > 0 && checkVirtualDecimalPoint(run_, run_, run_, physicalType, elemId) == 0)
            row("Virtual Decimal Point", "integer", text(format.decimalPoint), 0, 10, 8);
        if (format.byteAlignment >= 1)
            row("Byte Alignment", "enum", std::to_string(format.byteAlignment), 1, 2, 5);
        if (format.justification > 0 && checkJustification(run_, run_, run_, physicalType, elemId) == 0)
            row("String Justification", "enum", text(format.justification), 1, 1, 6);
        if (format.padChar > 0 && checkPaddingChar(run_, run_, run_, physicalType, elemId) == 0)
            row("Padding Character", "string", text(format.padChar), 0, 10, 7);
        if (member.repeatCount > 0)
            row("Repeat Count", "integer", std::to_string(member.repeatCount), 0, 10, 10);
        if (member.repeatRef > 0) {
            int referenced = referencedElement(member.repeatRef);
            if (referenced == 0) {
                run_.error("*****Error - Unable to resolve repeat count reference %s for element %s\n",
                           run_.text(member.repeatRef), run_.text(element.ident));
                return;
            }
            checkLengthReference(run_, run_, memberId, member.repeatRef);
            row("Repeat Count Reference", "COMPONENT:ELEMENT", std::to_string(referenced), 0, 10, 11);
        }
    }

    void createXmlMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = run_.typeMembers[memberId];
        const ElementEntry element = run_.elements[elemId];
        const EffectiveFormat format = effectiveFormat(member, element);
        const int render = format.xmlRender;
        auto row = [&](const char* name, const char* type, const std::string& value, int key) {
            createXmlMemberAttr(run_, db_, typeZepId, member.zepId, name, type, value, 0, 254, key);
        };
        const bool rendersId = render == memberRenderId || render == memberRenderBoth;
        const bool rendersValue = render == memberRenderValue || render == memberRenderBoth;

        if (member.xmlName > 0)
            row("Member XML Name", "string", text(member.xmlName), 100);
        if (render > 0)
            row("Member Render", "enum", std::to_string(render), 101);
        // One attribute names both the ID and the value attribute; each
        // rendering takes the one it uses and leaves the other alone.
        if (format.xmlIdAttrName >= 1) {
            if (rendersId)
                row("Member ID Attribute Name", "enum", text(format.xmlIdAttrName), 102);
            else if (render != memberRenderValue)
                run_.error("*****Error - cannot use xmlIDattrName parameter with element, attribute or elementAttrVal "
                           "rendering\n");
        }
        if (format.xmlIdAttrValue >= 1) {
            if (rendersId)
                row("Member ID Attribute Value", "enum", text(format.xmlIdAttrValue), 103);
            else
                run_.error("*****Error - cannot use xmlIDattrValue parameter with element, attribute or "
                           "elementAttrVal rendering\n");
        }
        if (format.xmlIdValueAttrName >= 1) {
            if (rendersValue)
                row("Member Value Attribute Name", "enum", text(format.xmlIdValueAttrName), 104);
            else if (render != memberRenderId)
                run_.error("*****Error - cannot use xmlIDattrValue parameter with element, attribute or elementAttrId "
                           "rendering\n");
        }
        if (member.xmlFormat > 0) {
            if (element.logicalType == logicalDateTime)
                row("Member Format", "string", text(member.xmlFormat), 105);
            else
                run_.error("*****Error - XML format is only valid for a datetime element %s\n",
                           run_.text(element.ident));
        }
        if (format.xmlMemberEncode > 0) {
            if (element.logicalType == logicalBinary)
                row("Member Encoding", "string", text(format.xmlMemberEncode), 106);
            else
                run_.error("*****Error - XML encoding is only valid for a binary element %s\n",
                           run_.text(element.ident));
        }
    }

    void createTdsMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = run_.typeMembers[memberId];
        const EffectiveFormat format = effectiveFormat(member, run_.elements[elemId]);
        if (format.repeatElemDelim > 0)
            createTdsMemberAttr(run_, db_, typeZepId, member.zepId, "Repeating Element Delimiter", "string",
                                text(format.repeatElemDelim), 0, 254, 101);
        if (member.lengthRef > 0) {
            checkLengthReference(run_, run_, memberId, member.lengthRef);
            createTdsMemberAttr(run_, db_, typeZepId, member.zepId, "Length Reference", "string",
                                composeIdentifier(run_.elemPrefix, run_.text(member.lengthRef), run_.elemSuffix, true),
                                0, 254, 102);
        }
    }

    ImportRun& run_;
    DbSession& db_;
};

} // namespace

void createZEPitems(ImportRun& run, DbSession& db) {
    run.trace("==> createZEPitems\n");
    ItemEmission emission(run, db);
    emission.writeTypes();
    emission.writeElements();
    emission.writeMessages();
    emission.writeAttributes();
    emission.writeTypeMembers();
    emission.writeValues();
    emission.writeValueMembers();
    run.trace("<== createZEPitems errSw=%d\n", run.errSw);
}

} // namespace norvak
