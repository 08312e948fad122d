#include "import/model/LanguageNames.h"

namespace norvak {

void makeCName(std::string& name) {
    for (char& c : name) {
        if (c == '-')
            c = '_';
        else if (c == ':')
            c = 'C';
        else if (c == '.')
            c = 'P';
    }
}

void makeCobolName(std::string& name) {
    if (name.size() > 24)
        name.resize(24);
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c == '_')
            c = '-';
        else if (c == ':')
            c = 'C';
        else if (c == '.')
            c = 'P';
    }
    if (!name.empty() && !(name[0] >= 'A' && name[0] <= 'Z'))
        name[0] = 'C';
}

} // namespace norvak
