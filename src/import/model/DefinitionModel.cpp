// The definitions model's tables, allocated with their capacities.
#include "import/model/DefinitionModel.h"

namespace norvak {

bool DefinitionModel::allocateTables() {
    return elements.allocate(TableCapacities::elements) && types.allocate(TableCapacities::types) &&
           messages.allocate(TableCapacities::messages) && attributes.allocate(TableCapacities::attributes) &&
           memberAttributes.allocate(TableCapacities::memberAttributes) && values.allocate(TableCapacities::values) &&
           valueMembers.allocate(TableCapacities::valueMembers) && typeMembers.allocate(TableCapacities::typeMembers) &&
           names.allocate(NameTable::defaultSize);
}

} // namespace norvak
