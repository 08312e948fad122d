// Loaded with LD_PRELOAD by the end-to-end tests, to make a program run out
// of memory at a chosen moment: once the program has connected to its
// database, allocation number NORVAK_FAIL_NEW_AFTER + 1 through operator new
// throws std::bad_alloc (once; later allocations succeed again).
#include <sql.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>

namespace {

long allocationsLeft = -1; // -1: no failure due

} // namespace

extern "C" SQLRETURN SQLConnect(SQLHDBC connection, SQLCHAR* dataSource, SQLSMALLINT dataSourceLength,
                                SQLCHAR* user, SQLSMALLINT userLength, SQLCHAR* password,
                                SQLSMALLINT passwordLength) {
    using Connect = SQLRETURN (*)(SQLHDBC, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT);
    static Connect next = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "SQLConnect"));
    SQLRETURN rc = next(connection, dataSource, dataSourceLength, user, userLength, password, passwordLength);
    if (const char* after = std::getenv("NORVAK_FAIL_NEW_AFTER"))
        allocationsLeft = std::atol(after);
    return rc;
}

void* operator new(std::size_t size) {
    if (allocationsLeft == 0) {
        allocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (allocationsLeft > 0)
        --allocationsLeft;
    if (void* memory = std::malloc(size != 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

// The forms that return null instead of throwing (std::stable_sort's buffer
// takes one) go through the same allocation, as the C++ library's own do, so
// that what they allocate is freed by the deletes above, under the address
// sanitizer too.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
