#pragma once

#include <string>

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
struct DefinitionRecord;
struct CwfTabDefinition;
struct TdsTabDefinition;
struct XmlTabDefinition;

enum TagKind : int {
    tagUnknown = 0,
    tagElement = 1,
    tagType = 2,
    tagValue = 3,
    tagMessage = 4,
    tagCwfTab = 5,
    tagTdsTab = 6,
    tagXmlTab = 7,
    tagZepImport = 8,
};

// Walks the definitions text (edited in place) as a tree of tags: every
// attribute goes to the handler of its tag's kind and every definition to
// the processing of its kind, inside the enclosing type or element.
void parseXMLfile(Diagnostics& diag, RunOptions& options, DefinitionModel& model, RepositoryState& state, char* text);

// The tag kind of a tag name (exact, case-sensitive); 0 when unknown.
int lookupTagKind(const char* tagName);

// Skips a "<?xml" declaration up to its first ">"; returns where the text goes on.
char* processQuest(Diagnostics& diag, char* position);

// What the attributes of the tag being read go into.
struct AttributeTarget {
    DefinitionRecord* record = nullptr;
    CwfTabDefinition* cwfTab = nullptr;
    TdsTabDefinition* tdsTab = nullptr;
    XmlTabDefinition* xmlTab = nullptr;
};

// Reads one attribute (name, "=", quoted or unquoted value) and hands it to
// the handler of the tag kind; returns the position after it.
char* scanAttribute(Diagnostics& diag, RunOptions& options, DefinitionModel& model, char* position, int tagKind,
                    AttributeTarget& target);

// Hands an unquoted attribute to the handler of the tag kind, with trace lines.
void getAttrValue(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName, char* value,
                  int tagKind, AttributeTarget& target);

// Reads one start tag at its "<": its name into `tagName`, its kind into
// `kind`, its attributes; then hands the definition over, updating the
// current type and element. Returns where its attribute list ended.
char* processItem(Diagnostics& diag, RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  char* position, std::string& tagName, int& kind, int& currTypeId, int& currElemId);

} // namespace norvak
