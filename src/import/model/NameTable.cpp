// The name table: every text of a run stored once, known by its byte offset.
#include "import/model/NameTable.h"

#include "import/model/DefinitionModel.h"
#include "support/Diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

namespace norvak {

NameTable::~NameTable() {
    std::free(area_);
    for (char* area : retired_)
        std::free(area);
}

// Keeps the area in use aside for the texts handed out from it; the caller
// puts another area in its place.
void NameTable::retire() {
    if (area_ != nullptr)
        retired_.push_back(area_);
    area_ = nullptr;
}

bool NameTable::allocate(int size) {
    char* area = static_cast<char*>(std::calloc(static_cast<std::size_t>(size), 1));
    if (area == nullptr)
        return false;
    try {
        retire();
    } catch (const std::bad_alloc&) {
        std::free(area);
        return false;
    }
    area_ = area;
    size_ = size;
    end_ = 1;
    stored_ = 0;
    slots_.assign(1024, 0);
    return true;
}

std::size_t NameTable::slotFor(std::string_view text) const {
    return std::hash<std::string_view>{}(text) & (slots_.size() - 1);
}

int NameTable::find(std::string_view text) const {
    if (text.empty() || slots_.empty())
        return 0;
    for (std::size_t slot = slotFor(text);; slot = (slot + 1) & (slots_.size() - 1)) {
        int offset = slots_[slot];
        if (offset == 0)
            return 0;
        if (text == std::string_view(area_ + offset))
            return offset;
    }
}

bool NameTable::fits(std::size_t length) const {
    return static_cast<std::size_t>(end_) + length + 2 <= static_cast<std::size_t>(size_);
}

bool NameTable::growFor(std::size_t length) {
    std::size_t needed = static_cast<std::size_t>(end_) + length + 2;
    std::size_t newSize = static_cast<std::size_t>(size_ > 0 ? size_ : 1);
    while (newSize < needed)
        newSize *= 2;
    if (newSize > 0x7fffffffu)
        return false;
    char* area = static_cast<char*>(std::calloc(newSize, 1));
    if (area == nullptr)
        return false;
    if (area_ != nullptr)
        std::memcpy(area, area_, static_cast<std::size_t>(end_)); // the rest of both areas is zero
    try {
        retire();
    } catch (const std::bad_alloc&) {
        std::free(area);
        return false;
    }
    area_ = area;
    size_ = static_cast<int>(newSize);
    return true;
}

int NameTable::append(std::string_view text) {
    int offset = end_;
    std::memcpy(area_ + offset, text.data(), text.size());
    area_[offset + static_cast<int>(text.size())] = '\0';
    end_ = offset + static_cast<int>(text.size()) + 1;
    indexOffset(offset);
    return offset;
}

void NameTable::indexOffset(int offset) {
    if ((stored_ + 1) * 2 > slots_.size())
        rehash(slots_.size() * 2);
    std::size_t slot = slotFor(std::string_view(area_ + offset));
    while (slots_[slot] != 0)
        slot = (slot + 1) & (slots_.size() - 1);
    slots_[slot] = offset;
    ++stored_;
}

void NameTable::rehash(std::size_t slotCount) {
    std::vector<int> old = std::move(slots_);
    slots_.assign(slotCount, 0);
    for (int offset : old) {
        if (offset == 0)
            continue;
        std::size_t slot = slotFor(std::string_view(area_ + offset));
        while (slots_[slot] != 0)
            slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = offset;
    }
}

const char* NameTable::text(int index) const {
#ifndef NDEBUG
    if (index < 0 || index >= end_) {
        std::fprintf(stderr, "name index %d outside 0..%d\n", index, end_ - 1);
        std::abort();
    }
#endif
    if (index <= 0 || index >= end_ || area_ == nullptr)
        return "";
    return area_ + index;
}

int insertName(Diagnostics& diag, DefinitionModel& model, std::string_view text) {
    // Texts are C strings: whatever follows an embedded zero byte is not part of them.
    text = std::string_view(text.data(), strnlen(text.data(), text.size()));
    diag.trace("==> insertName %.*s\n", static_cast<int>(text.size()), text.data());
    if (text.empty()) {
        diag.trace("<== insertName returned 0\n");
        return 0;
    }
    int index = model.names.find(text);
    if (index == 0) {
        if (!model.names.fits(text.size())) {
            if (!model.names.growFor(text.size())) {
                diag.error("*****Error - unable to allocate larger name table\n");
                return 0;
            }
            diag.print("Name table size increased to %d\n", model.names.size());
        }
        index = model.names.append(text);
    }
    diag.trace("<== insertName returned %d\n", index);
    return index;
}

} // namespace norvak
