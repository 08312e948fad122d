#include "import/model/ImportRun.h"

#include <cstdarg>

namespace norvak {

ImportRun::ImportRun(Output& output) : out(output) {}

bool ImportRun::allocateTables() {
    return elements.allocate(TableCapacities::elements) && types.allocate(TableCapacities::types) &&
           messages.allocate(TableCapacities::messages) && attributes.allocate(TableCapacities::attributes) &&
           memberAttributes.allocate(TableCapacities::memberAttributes) && values.allocate(TableCapacities::values) &&
           valueMembers.allocate(TableCapacities::valueMembers) && typeMembers.allocate(TableCapacities::typeMembers) &&
           names.allocate(NameTable::defaultSize);
}

void ImportRun::print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
}

void ImportRun::trace(const char* format, ...) {
    if (!traceSw)
        return;
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
}

void ImportRun::printFormatted(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
}

void ImportRun::error(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out.vprint(format, args);
    va_end(args);
    errSw = 1;
}

} // namespace norvak
