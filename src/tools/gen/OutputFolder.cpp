// The names of the files norvakgen writes into a folder: one per message, safe on any file system.
#include "tools/gen/OutputFolder.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace norvak {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Names some systems keep for devices, whatever the extension.
bool isDeviceName(const std::string& stem) {
    static const std::array<std::string_view, 4> fixed{"con", "prn", "aux", "nul"};
    std::string name = lowered(stem.substr(0, stem.find('.')));
    if (std::find(fixed.begin(), fixed.end(), name) != fixed.end())
        return true;
    return name.size() == 4 && (name.rfind("com", 0) == 0 || name.rfind("lpt", 0) == 0) && name[3] >= '0' &&
           name[3] <= '9';
}

std::string extensionOf(std::string_view target) {
    if (target == "copybook")
        return ".cpy";
    if (target == "c")
        return ".h";
    if (target == "json-schema")
        return ".schema.json";
    if (target == "xsd")
        return ".xsd";
    return ".layout";
}

} // namespace

std::string safeFileStem(std::string_view identifier) {
    constexpr std::size_t longest = 100;
    std::string stem;
    for (char c : identifier.substr(0, longest)) {
        auto byte = static_cast<unsigned char>(c);
        bool kept = byte < 0x80 && (std::isalnum(byte) != 0 || c == '-' || c == '_' || c == '.');
        stem += kept ? c : '_';
    }
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' '))
        stem.back() = '_';
    if (!stem.empty() && stem.front() == '.')
        stem.front() = '_';
    if (stem.empty())
        stem = "message";
    if (isDeviceName(stem))
        stem += '_';
    return stem;
}

std::string FolderFileNames::next(std::string_view identifier, std::string_view target) {
    const std::string stem = safeFileStem(identifier);
    const std::string extension = extensionOf(target);
    std::string name = stem + extension;
    for (int n = 2; !taken_.insert(lowered(name)).second; ++n)
        name = stem + "_" + std::to_string(n) + extension;
    return name;
}

} // namespace norvak
