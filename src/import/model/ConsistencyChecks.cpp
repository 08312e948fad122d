// The checks of the whole model before anything is written: references, duplicates, recursion.
#include "import/model/ConsistencyChecks.h"

#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "support/Diagnostics.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace norvak {

namespace {

bool isLengthDrivenPhysicalType(int physicalType) {
    return physicalType == 8 || physicalType == 2 || physicalType == 10; // fixed length, extended decimal, binary
}

// A member of an element without a length of its own, in a message set with a
// custom wire format, needs one when its physical type (the member's, else the
// element's) is length driven or it is a string of no physical type.
void checkMemberLength(Diagnostics& diag, const DefinitionModel& model, const TypeMemberEntry& member) {
    const ElementEntry& element = model.elements[member.elemId];
    int physicalType = member.physicalType > 0 ? member.physicalType : element.physicalType;
    bool lengthGiven = member.length > 0 || element.length != 0 || member.lengthRef != 0;
    if (lengthGiven)
        return;
    if (isLengthDrivenPhysicalType(physicalType) || (element.logicalType == logicalString && physicalType == 0))
        diag.error("*****Error - length required for element %s in type %s\n", model.text(element.ident),
                   model.text(model.types[member.ownerTypeId].ident));
}

// The ids of a keyed table grouped by identifier, each group in id order.
template <class Table> std::unordered_map<int, std::vector<int>> idsByIdent(const Table& table) {
    std::unordered_map<int, std::vector<int>> groups;
    groups.reserve(static_cast<std::size_t>(table.count()));
    for (int id = 1; id <= table.count(); ++id)
        groups[table[id].ident].push_back(id);
    return groups;
}

const std::vector<int> noIds;

const std::vector<int>& idsWith(const std::unordered_map<int, std::vector<int>>& groups, int ident) {
    auto found = groups.find(ident);
    return found == groups.end() ? noIds : found->second;
}

// Reports every pair i < j of one table that share an identifier, i running
// upwards and, for each, j running upwards.
template <class Table>
void reportPairsWithin(Diagnostics& diag, const DefinitionModel& model, const Table& table,
                       const std::unordered_map<int, std::vector<int>>& groups,
                       CheckedFormat<const char*, int, int> format) {
    std::unordered_map<int, std::size_t> seen; // members of each group met so far
    for (int i = 1; i <= table.count(); ++i) {
        int ident = table[i].ident;
        const std::vector<int>& group = idsWith(groups, ident);
        if (group.size() < 2)
            continue;
        std::size_t position = seen[ident]++;
        for (std::size_t k = position + 1; k < group.size(); ++k)
            diag.errorChecked(format, model.text(ident), i, group[k]);
    }
}

// Reports, for each entry i of one table, every entry j of another with the
// same identifier.
template <class Table>
void reportPairsAcross(Diagnostics& diag, const DefinitionModel& model, const Table& table, int i,
                       const std::unordered_map<int, std::vector<int>>& other,
                       CheckedFormat<const char*, int, int> format) {
    int ident = table[i].ident;
    for (int j : idsWith(other, ident))
        diag.errorChecked(format, model.text(ident), i, j);
}

// Numbers by the model's ids and edge numbers, which are ints and never
// negative.
class IdNumbers {
  public:
    IdNumbers() = default;
    IdNumbers(int size, int value) : numbers_(static_cast<std::size_t>(size), value) {}
    int& operator[](int id) { return numbers_[static_cast<std::size_t>(id)]; }
    int operator[](int id) const { return numbers_[static_cast<std::size_t>(id)]; }

  private:
    std::vector<int> numbers_;
};

// The containment graph of the types: an edge for each member that holds a
// complex type, directly (a type member) or through an element of that type.
// Edges of one type keep the order of the member table.
struct ContainmentGraph {
    IdNumbers firstEdge; // by type id, size typeCount + 2
    IdNumbers target;    // type held
    IdNumbers item;      // identifier of the member's item
};

ContainmentGraph buildContainmentGraph(const DefinitionModel& model) {
    int typeCount = model.types.count();
    struct Edge {
        int owner, target, item;
    };
    std::vector<Edge> edges;
    for (int m = 1; m <= model.typeMembers.count(); ++m) {
        const TypeMemberEntry& member = model.typeMembers[m];
        if (member.ownerTypeId < 1 || member.ownerTypeId > typeCount)
            continue;
        if (member.itemType & memberElement) {
            if (member.elemId < 1 || member.elemId > model.elements.count())
                continue;
            const ElementEntry& element = model.elements[member.elemId];
            if (element.typeId > 0 && element.typeId <= typeCount)
                edges.push_back({member.ownerTypeId, element.typeId, element.ident});
        } else if (member.itemType & memberType) {
            if (member.typeId > 0 && member.typeId <= typeCount)
                edges.push_back({member.ownerTypeId, member.typeId, model.types[member.typeId].ident});
        }
    }
    ContainmentGraph graph;
    graph.firstEdge = IdNumbers(typeCount + 2, 0);
    for (const Edge& edge : edges)
        ++graph.firstEdge[edge.owner + 1];
    for (int t = 1; t <= typeCount + 1; ++t)
        graph.firstEdge[t] += graph.firstEdge[t - 1];
    const int edgeCount = static_cast<int>(edges.size());
    graph.target = IdNumbers(edgeCount, 0);
    graph.item = IdNumbers(edgeCount, 0);
    IdNumbers fill = graph.firstEdge; // the next slot of each type's edges
    for (const Edge& edge : edges) {
        int slot = fill[edge.owner]++;
        graph.target[slot] = edge.target;
        graph.item[slot] = edge.item;
    }
    return graph;
}

// Strongly connected components of the graph (Tarjan's method, with an
// explicit stack so that deep nesting cannot exhaust the call stack). Returns
// the component number of each type id.
IdNumbers componentsOf(const ContainmentGraph& graph, int typeCount) {
    const int unvisited = -1;
    IdNumbers index(typeCount + 1, unvisited);
    IdNumbers low(typeCount + 1, 0);
    IdNumbers component(typeCount + 1, 0);
    IdNumbers onStack(typeCount + 1, 0);
    std::vector<int> stack;
    std::vector<std::pair<int, int>> calls; // type, next edge to follow
    int nextIndex = 0;
    int nextComponent = 0;

    for (int root = 1; root <= typeCount; ++root) {
        if (index[root] != unvisited)
            continue;
        calls.push_back({root, graph.firstEdge[root]});
        index[root] = low[root] = nextIndex++;
        stack.push_back(root);
        onStack[root] = 1;
        while (!calls.empty()) {
            auto& [type, edge] = calls.back();
            if (edge < graph.firstEdge[type + 1]) {
                int held = graph.target[edge++];
                if (index[held] == unvisited) {
                    index[held] = low[held] = nextIndex++;
                    stack.push_back(held);
                    onStack[held] = 1;
                    calls.push_back({held, graph.firstEdge[held]});
                } else if (onStack[held] && index[held] < low[type]) {
                    low[type] = index[held];
                }
                continue;
            }
            int finished = type;
            calls.pop_back();
            if (!calls.empty() && low[finished] < low[calls.back().first])
                low[calls.back().first] = low[finished];
            if (low[finished] == index[finished]) {
                ++nextComponent;
                int member;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[member] = 0;
                    component[member] = nextComponent;
                } while (member != finished);
            }
        }
    }
    return component;
}

} // namespace

int findMesgIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident) {
    diag.trace("==> findMesgIdFromName - %s\n", model.text(ident));
    int mesgId = model.messages.findByIdent(ident);
    if (mesgId == 0)
        diag.error("*****Error - unable to locate message identifier %s\n", model.text(ident));
    diag.trace("<== findMesgIdFromName returned mesgId %d\n", mesgId);
    return mesgId;
}

int findElemIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident) {
    diag.trace("==> findElemIdFromName - %s\n", model.text(ident));
    int elemId = model.elements.findByIdent(ident);
    if (elemId == 0)
        diag.error("*****Error - unable to locate element identifier %s\n", model.text(ident));
    diag.trace("<== findElemIdFromName returned elemId %d\n", elemId);
    return elemId;
}

int findTypeIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident) {
    diag.trace("==> findTypeIdFromName - %s\n", model.text(ident));
    int typeId = model.types.findByIdent(ident);
    if (typeId == 0) {
        diag.error("*****Error - unable to locate type identifier %s\n", model.text(ident));
        diag.hint(model.text(ident), logicalTypeKeywords);
    }
    diag.trace("<== findTypeIdFromName returned typeId %d\n", typeId);
    return typeId;
}

int findValueIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident) {
    diag.trace("==> findValueIdFromName - %s\n", model.text(ident));
    int valueId = model.values.findByIdent(ident);
    if (valueId == 0)
        diag.error("*****Error - unable to locate value identifier %s\n", model.text(ident));
    diag.trace("<== findValueIdFromName returned valueId %d\n", valueId);
    return valueId;
}

void resolveReferences(Diagnostics& diag, DefinitionModel& model, const RepositoryState& state) {
    diag.trace("==> resolveReferences\n");

    for (int m = 1; m <= model.messages.count(); ++m) {
        MessageEntry& message = model.messages[m];
        if (message.typeId == 0)
            message.typeId = findTypeIdFromName(diag, model, message.typeName);
    }

    for (int e = 1; e <= model.elements.count(); ++e) {
        ElementEntry& element = model.elements[e];
        if (element.logicalType == 0)
            element.typeId = findTypeIdFromName(diag, model, element.typeName);
    }

    bool customWireFormat = state.cwfTabs.lastIndex() >= 0;
    for (int m = 1; m <= model.typeMembers.count(); ++m) {
        TypeMemberEntry& member = model.typeMembers[m];
        if (member.itemType & memberElement) {
            if (member.elemId == 0)
                member.elemId = findElemIdFromName(diag, model, member.ident);
            if (customWireFormat)
                checkMemberLength(diag, model, member);
        } else if (member.itemType & memberType) {
            if (member.typeId == 0)
                member.typeId = findTypeIdFromName(diag, model, member.ident);
        } else if (member.mesgId == 0) {
            member.mesgId = findMesgIdFromName(diag, model, member.ident);
        }
    }

    for (int v = 1; v <= model.valueMembers.count(); ++v) {
        ValueMemberEntry& use = model.valueMembers[v];
        if (use.valueId == 0)
            use.valueId = findValueIdFromName(diag, model, use.refName);
    }

    diag.trace("<== resolveReferences errSw %d\n", diag.errSw);
}

void checkDupIdents(Diagnostics& diag, const DefinitionModel& model) {
    diag.trace("==> checkDupIdents\n");

    auto elementGroups = idsByIdent(model.elements);
    auto typeGroups = idsByIdent(model.types);
    auto messageGroups = idsByIdent(model.messages);
    auto valueGroups = idsByIdent(model.values);

    reportPairsWithin(diag, model, model.elements, elementGroups,
                      "*****Error - Duplicate identifier found %s, elements %d,%d\n");
    reportPairsWithin(diag, model, model.types, typeGroups,
                      "*****Error - Duplicate identifier found %s, types %d,%d\n");
    reportPairsWithin(diag, model, model.messages, messageGroups,
                      "*****Error - Duplicate identifier found %s, messages %d,%d\n");
    reportPairsWithin(diag, model, model.values, valueGroups,
                      "*****Error - Duplicate identifier found %s, values %d,%d\n");

    for (int i = 1; i <= model.elements.count(); ++i) {
        reportPairsAcross(diag, model, model.elements, i, typeGroups,
                          "*****Error - Duplicate identifier found %s, element %d, type %d\n");
        reportPairsAcross(diag, model, model.elements, i, messageGroups,
                          "*****Error - Duplicate identifier found %s, element %d, message %d\n");
        reportPairsAcross(diag, model, model.elements, i, valueGroups,
                          "*****Error - Duplicate identifier found %s, element %d, value %d\n");
    }
    for (int i = 1; i <= model.types.count(); ++i) {
        reportPairsAcross(diag, model, model.types, i, messageGroups,
                          "*****Error - Duplicate identifier found %s, type %d, message %d\n");
        reportPairsAcross(diag, model, model.types, i, valueGroups,
                          "*****Error - Duplicate identifier found %s, type %d, value %d\n");
    }
    for (int i = 1; i <= model.messages.count(); ++i)
        reportPairsAcross(diag, model, model.messages, i, valueGroups,
                          "*****Error - Duplicate identifier found %s, message %d, value %d\n");

    diag.trace("<== checkDupIdents, errSw=%d\n", diag.errSw);
}

void checkRecursion(Diagnostics& diag, const DefinitionModel& model) {
    if (diag.errSw)
        return;
    int typeCount = model.types.count();
    ContainmentGraph graph = buildContainmentGraph(model);
    IdNumbers component = componentsOf(graph, typeCount);

    // A type lies on a cycle when one of its members holds a type of its own
    // component (itself included); the first such type and member are reported.
    for (int t = 1; t <= typeCount; ++t) {
        for (int edge = graph.firstEdge[t]; edge < graph.firstEdge[t + 1]; ++edge) {
            if (component[graph.target[edge]] == component[t]) {
                diag.error("*****Error - Recursion found for type %s element %s\n", model.text(model.types[t].ident),
                           model.text(graph.item[edge]));
                return;
            }
        }
    }
}

} // namespace norvak
