// The writing of every item the message set does not hold yet, phase after phase.
#include "import/repository/ItemEmission.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"

#include "dbsession/DbSession.h"
#include "import/model/ConsistencyChecks.h"
#include "import/model/DefinitionModel.h"
#include "import/model/PhysicalFormatChecks.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/AttributeWriters.h"
#include "import/repository/Reconciliation.h"
#include "import/repository/RowWriters.h"
#include "support/Diagnostics.h"
#include "support/StringUtilities.h"

#include <string>

namespace norvak {

namespace {

constexpr int memberRenderId = 2;    // ELEMENTATTRID
constexpr int memberRenderValue = 3; // ELEMENTATTRVAL
constexpr int memberRenderBoth = 4;  // ELEMENTATTRIDVAL

// The row of an attribute entry: an element's or a type's property of a
// wire format; nullptr, reported, for a key the table does not have.
const AttributeRow* entryRow(Diagnostics& diag, RepositoryState& state, const AttributeEntry& attribute,
                             WireFormat format) {
    RowOwner owner = attribute.attrClass == classType ? RowOwner::type : RowOwner::element;
    const AttributeRow* row = findAttributeRow(owner, format, attribute.attrKey);
    if (row == nullptr) {
        diag.error("*****Error - internal error - did not recognize %s attribute key %d\n",
                   format == WireFormat::xml ? "XML" : "TDS", attribute.attrKey);
        return nullptr;
    }
    if (row == &rows::tdsElementTag)
        ++state.counters.tagsCreated;
    return row;
}

// Writes the items of the model in their phases.
class ItemEmission {
  public:
    ItemEmission(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                 DbSession& db)
        : diag_(diag), options_(options), model_(model), state_(state), db_(db),
          total_(static_cast<long>(model.types.count()) + model.elements.count() + model.messages.count() +
                 model.attributes.count() + model.typeMembers.count() + model.values.count() +
                 model.valueMembers.count()) {}

    void writeTypes() {
        for (int id = 1; id <= model_.types.count() && !diag_.errSw; ++id) {
            tick();
            if (model_.types[id].zepId != 0)
                continue;
            reuseExistingType(diag_, options_, model_, state_, db_, id);
            TypeEntry& type = model_.types[id];
            if (type.zepId != 0)
                continue;
            type.zepId = createType(diag_, options_, model_, state_, db_, text(type.ident), text(type.label),
                                    type.baseType, type.composition, type.typeContent);
            insertUUID(diag_, options_, model_, state_, db_, model_.types[id].zepId, classType, state_.webDavMemberId);
        }
    }

    void writeElements() {
        for (int id = 1; id <= model_.elements.count() && !diag_.errSw; ++id) {
            tick();
            if (model_.elements[id].zepId != 0)
                continue;
            reuseExistingElement(diag_, options_, model_, state_, db_, id);
            ElementEntry& element = model_.elements[id];
            if (element.zepId != 0)
                continue;
            int typeValue = element.logicalType;
            if (typeValue == 0) {
                typeValue = model_.types[element.typeId].zepId;
                element.zepTyp = typeValue;
            }
            int zepId = createElement(diag_, options_, model_, state_, db_, text(element.ident), text(element.label),
                                      typeValue);
            model_.elements[id].zepId = zepId;
            insertUUID(diag_, options_, model_, state_, db_, zepId, classElement, state_.webDavMemberId);
            insertLanguageNames(diag_, options_, model_, state_, db_, zepId, text(model_.elements[id].label));
        }
    }

    void writeMessages() {
        for (int id = 1; id <= model_.messages.count() && !diag_.errSw; ++id) {
            tick();
            MessageEntry& message = model_.messages[id];
            if (message.zepId != 0)
                continue;
            int typeZepId = model_.types[message.typeId].zepId;
            int zepId = createMessage(diag_, options_, model_, state_, db_, text(message.ident), text(message.label),
                                      typeZepId);
            model_.messages[id].zepId = zepId;
        }
    }

    void writeAttributes() {
        for (int id = 1; id <= model_.attributes.count() && !diag_.errSw; ++id) {
            tick();
            AttributeEntry& attribute = model_.attributes[id];
            if (attribute.flags & flagExists)
                continue;
            int componentId = componentOf(id);
            if (attribute.flags & flagXml)
                writeAttributeRows(id, componentId, entryRow(diag_, state_, attribute, WireFormat::xml),
                                   state_.xmlTabs);
            if (attribute.flags & flagTds)
                writeAttributeRows(id, componentId, entryRow(diag_, state_, model_.attributes[id], WireFormat::tds),
                                   state_.tdsTabs);
        }
    }

    void writeTypeMembers() {
        for (int typeId = 1; typeId <= model_.types.count() && !diag_.errSw; ++typeId) {
            std::int16_t sequence = 1;
            for (int id = model_.types[typeId].firstMember; id != 0 && !diag_.errSw; id = model_.typeMembers[id].next) {
                tick();
                if (model_.typeMembers[id].itemType & memberExists)
                    continue;
                writeTypeMember(typeId, id, sequence);
                ++sequence;
            }
        }
    }

    void writeValues() {
        for (int id = 1; id <= model_.values.count() && !diag_.errSw; ++id) {
            tick();
            ValueEntry& value = model_.values[id];
            if (value.zepId != 0)
                continue;
            bool inserted = false;
            int zepId = createValue(diag_, options_, model_, state_, db_, text(value.ident), text(value.label),
                                    text(value.valueText), value.dataType, inserted);
            model_.values[id].zepId = zepId;
            if (inserted)
                insertUUID(diag_, options_, model_, state_, db_, zepId, classValue, state_.webDavMemberId);
        }
    }

    void writeValueMembers() {
        for (int id = 1; id <= model_.valueMembers.count() && !diag_.errSw; ++id) {
            tick();
            const ValueMemberEntry& member = model_.valueMembers[id];
            if (member.flags & flagExists)
                continue;
            ElementEntry& element = model_.elements[member.elemId];
            ++element.valueUseCount;
            createValueMember(diag_, options_, state_, db_, model_.values[member.valueId].zepId, element.zepId,
                              classElement, static_cast<std::int16_t>(element.valueUseCount), member.role);
        }
    }

  private:
    std::string text(int nameIndex) const { return model_.text(nameIndex); }

    int componentOf(int attrId) {
        const AttributeEntry& attribute = model_.attributes[attrId];
        switch (attribute.attrClass) {
        case classMessage:
            return 0;
        case classElement:
            return model_.elements[attribute.ownerId].zepId;
        case classType:
            return model_.types[attribute.ownerId].zepId;
        default:
            diag_.error("*****Error - invalid component class (%d) for attrId %d\n", attribute.attrClass, attrId);
            return 0;
        }
    }

    // One row per known tab of the kind; the entry keeps the id of the last one.
    void writeAttributeRows(int attrId, int componentId, const AttributeRow* row, const KnownTabs& tabs) {
        AttributeEntry& attribute = model_.attributes[attrId];
        attribute.compId = componentId;
        std::string value = text(attribute.value);
        // A key the table lacks (reported) still writes its rows, without a name.
        const AttributeRow unknown{RowOwner::element, WireFormat::none, 0, "", "", 0, 254, nullptr};
        const AttributeRow& form = row != nullptr ? *row : unknown;
        for (std::size_t tab = 0; tab < tabs.size(); ++tab) {
            int written =
                createAttribute(diag_, options_, state_, db_, form.name, form.type, text(tabs.names[tab]), value,
                                form.minLength, form.maxLength, componentId, model_.attributes[attrId].attrClass,
                                tabs.memberIds[tab], model_.attributes[attrId].attrKey);
            model_.attributes[attrId].attrId = written;
        }
    }

    void writeTypeMember(int typeId, int memberId, std::int16_t sequence) {
        const TypeMemberEntry& member = model_.typeMembers[memberId];
        int childClass = classMessage;
        int childId = 0;
        std::string childText;
        bool isElement = member.itemType & memberElement;
        if (isElement) {
            childClass = classElement;
            childId = model_.elements[member.elemId].zepId;
            childText = text(model_.elements[member.elemId].label);
        } else if (member.itemType & memberType) {
            childClass = classType;
            childId = model_.types[member.typeId].zepId;
            childText = text(model_.types[member.typeId].label);
        } else {
            childId = model_.messages[member.mesgId].zepId;
            childText = text(model_.messages[member.mesgId].label);
        }
        bool repeats =
            member.maxOcc > 1 || member.minOcc > 1 || (isElement && (member.repeatCount > 1 || member.repeatRef > 0));
        int typeZepId = model_.types[typeId].zepId;
        int zepId =
            createTypeMember(diag_, options_, state_, db_, typeZepId, childId, sequence, childClass, member.minOcc,
                             member.maxOcc, repeats ? 1 : 0, text(model_.types[typeId].ident), childText);
        model_.typeMembers[memberId].zepId = zepId;
        createMemberAttrUUID(diag_, options_, model_, state_, db_, typeZepId, classType, zepId, classElement,
                             state_.webDavMemberId);
        if (!isElement)
            return;
        createCwfMemberAttrs(memberId, model_.typeMembers[memberId].elemId, typeZepId);
        createXmlMemberAttrs(memberId, model_.typeMembers[memberId].elemId, typeZepId);
        createTdsMemberAttrs(memberId, model_.typeMembers[memberId].elemId, typeZepId);
    }

    // The repository id of the element a reference names, resolving it; 0 when unknown.
    int referencedElement(int reference) {
        int elemId = findElemIdFromName(diag_, model_, reference);
        return elemId != 0 ? model_.elements[elemId].zepId : 0;
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    void createCwfMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = model_.typeMembers[memberId];
        const ElementEntry element = model_.elements[elemId];
        const EffectiveFormat format = effectiveFormat(member, element);
        const int memberZepId = member.zepId;
        const int physicalType = format.physicalType > 0 ? format.physicalType : 0;
        auto row = [&](const AttributeRow& form, const std::string& value) {
            createCwfMemberAttr(diag_, options_, model_, state_, db_, typeZepId, memberZepId, form, value);
        };

        if (checkPhysicalType(diag_, model_, state_, physicalType, elemId) == 0 && physicalType > 0)
            row(rows::cwfMemberPhysicalType, std::to_string(physicalType));

        int length = format.length > 0 ? leadingNumberOrZero(model_.text(format.length)) : 0;
        int lengthResult =
            checkLength(diag_, model_, state_, physicalType, length, member.lengthRef, format.lengthUnits, elemId);
        if (length >= 1 && lengthResult == 0)
            row(rows::cwfMemberLength, text(format.length));
        if (member.lengthRef > 0 && lengthResult == 0) {
            int referenced = referencedElement(member.lengthRef);
            if (referenced == 0) {
                diag_.error("*****Error - Unable to resolve length reference %s for element %s\n",
                            model_.text(member.lengthRef), model_.text(element.ident));
            } else {
                checkLengthReference(diag_, model_, memberId, member.lengthRef);
                row(rows::cwfMemberLengthReference, std::to_string(referenced));
            }
        }
        if (format.lengthUnits >= 1 &&
            checkLengthUnits(diag_, model_, state_, physicalType, format.lengthUnits, elemId) == 0)
            row(rows::cwfMemberLengthUnits, std::to_string(format.lengthUnits));
        if (format.signedCode >= 1 &&
            checkSignOrientation(diag_, model_, state_, physicalType, format.signedCode, elemId) == 0)
            row(rows::cwfMemberSigned, std::to_string(format.signedCode));
        if (format.decimalPoint > 0 && checkVirtualDecimalPoint(diag_, model_, state_, physicalType, elemId) == 0)
            row(rows::cwfMemberDecimalPoint, text(format.decimalPoint));
        if (format.byteAlignment >= 1)
            row(rows::cwfMemberByteAlignment, std::to_string(format.byteAlignment));
        if (format.justification > 0 && checkJustification(diag_, model_, state_, physicalType, elemId) == 0)
            row(rows::cwfMemberJustification, text(format.justification));
        if (format.padChar > 0 && checkPaddingChar(diag_, model_, state_, physicalType, elemId) == 0)
            row(rows::cwfMemberPaddingCharacter, text(format.padChar));
        if (member.repeatCount > 0)
            row(rows::cwfMemberRepeatCount, std::to_string(member.repeatCount));
        if (member.repeatRef > 0) {
            int referenced = referencedElement(member.repeatRef);
            if (referenced == 0) {
                diag_.error("*****Error - Unable to resolve repeat count reference %s for element %s\n",
                            model_.text(member.repeatRef), model_.text(element.ident));
                return;
            }
            checkLengthReference(diag_, model_, memberId, member.repeatRef);
            row(rows::cwfMemberRepeatReference, std::to_string(referenced));
        }
    }

    void createXmlMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = model_.typeMembers[memberId];
        const ElementEntry element = model_.elements[elemId];
        const EffectiveFormat format = effectiveFormat(member, element);
        const int render = format.xmlRender;
        auto row = [&](const AttributeRow& form, const std::string& value) {
            createXmlMemberAttr(diag_, options_, model_, state_, db_, typeZepId, member.zepId, form, value);
        };
        const bool rendersId = render == memberRenderId || render == memberRenderBoth;
        const bool rendersValue = render == memberRenderValue || render == memberRenderBoth;

        if (member.xmlName > 0)
            row(rows::xmlMemberName, text(member.xmlName));
        if (render > 0)
            row(rows::xmlMemberRender, std::to_string(render));
        // One attribute names both the ID and the value attribute; each
        // rendering takes the one it uses and leaves the other alone.
        if (format.xmlIdAttrName >= 1) {
            if (rendersId)
                row(rows::xmlMemberIdAttributeName, text(format.xmlIdAttrName));
            else if (render != memberRenderValue)
                diag_.error("*****Error - cannot use xmlIDattrName parameter with element, attribute or elementAttrVal "
                            "rendering\n");
        }
        if (format.xmlIdAttrValue >= 1) {
            if (rendersId)
                row(rows::xmlMemberIdAttributeValue, text(format.xmlIdAttrValue));
            else
                diag_.error("*****Error - cannot use xmlIDattrValue parameter with element, attribute or "
                            "elementAttrVal rendering\n");
        }
        if (format.xmlIdValueAttrName >= 1) {
            if (rendersValue)
                row(rows::xmlMemberValueAttributeName, text(format.xmlIdValueAttrName));
            else if (render != memberRenderId)
                diag_.error("*****Error - cannot use xmlIDattrValue parameter with element, attribute or elementAttrId "
                            "rendering\n");
        }
        if (member.xmlFormat > 0) {
            if (element.logicalType == logicalDateTime)
                row(rows::xmlMemberFormat, text(member.xmlFormat));
            else
                diag_.error("*****Error - XML format is only valid for a datetime element %s\n",
                            model_.text(element.ident));
        }
        if (format.xmlMemberEncode > 0) {
            if (element.logicalType == logicalBinary)
                row(rows::xmlMemberEncoding, text(format.xmlMemberEncode));
            else
                diag_.error("*****Error - XML encoding is only valid for a binary element %s\n",
                            model_.text(element.ident));
        }
    }

    void createTdsMemberAttrs(int memberId, int elemId, int typeZepId) {
        const TypeMemberEntry member = model_.typeMembers[memberId];
        const EffectiveFormat format = effectiveFormat(member, model_.elements[elemId]);
        if (format.repeatElemDelim > 0)
            createTdsMemberAttr(diag_, options_, model_, state_, db_, typeZepId, member.zepId,
                                rows::tdsMemberRepeatDelimiter, text(format.repeatElemDelim));
        if (member.lengthRef > 0) {
            checkLengthReference(diag_, model_, memberId, member.lengthRef);
            createTdsMemberAttr(
                diag_, options_, model_, state_, db_, typeZepId, member.zepId, rows::tdsMemberLengthReference,
                composeIdentifier(options_.elemPrefix, model_.text(member.lengthRef), options_.elemSuffix, true));
        }
    }

    // One more entry of the tables visited: the count the progress line shows.
    void tick() { diag_.showCount("writing", ++visited_, total_); }

    Diagnostics& diag_;
    const RunOptions& options_;
    DefinitionModel& model_;
    RepositoryState& state_;
    DbSession& db_;
    long total_;
    long visited_ = 0;
};

} // namespace

void createZEPitems(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                    DbSession& db) {
    diag.trace("==> createZEPitems\n");
    ItemEmission emission(diag, options, model, state, db);
    emission.writeTypes();
    emission.writeElements();
    emission.writeMessages();
    emission.writeAttributes();
    emission.writeTypeMembers();
    emission.writeValues();
    emission.writeValueMembers();
    diag.trace("<== createZEPitems errSw=%d\n", diag.errSw);
}

} // namespace norvak
