// The code pages the codec knows (CCSID to iconv code set) and the text conversion through iconv.
#include "codec/CodePages.h"

#include <cerrno>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace norvak {

namespace {

// The CCSIDs in the order the messages list them.
const std::vector<CodePage>& codePages() {
    static const std::vector<CodePage> pages = {
        {37, "IBM037", true, 1},       {273, "IBM273", true, 1},     {277, "IBM277", true, 1},
        {278, "IBM278", true, 1},      {280, "IBM280", true, 1},     {284, "IBM284", true, 1},
        {285, "IBM285", true, 1},      {297, "IBM297", true, 1},     {500, "IBM500", true, 1},
        {871, "IBM871", true, 1},      {1047, "IBM1047", true, 1},   {1140, "IBM1140", true, 1},
        {1141, "IBM1141", true, 1},    {1142, "IBM1142", true, 1},   {1143, "IBM1143", true, 1},
        {1144, "IBM1144", true, 1},    {1145, "IBM1145", true, 1},   {1146, "IBM1146", true, 1},
        {1147, "IBM1147", true, 1},    {1148, "IBM1148", true, 1},   {1149, "IBM1149", true, 1},
        {819, "ISO-8859-1", false, 1}, {850, "IBM850", false, 1},    {1252, "CP1252", false, 1},
        {1208, "UTF-8", false, 1},     {1200, "UTF-16BE", false, 2},
    };
    return pages;
}

const std::unordered_map<int, const CodePage*>& pagesByCcsid() {
    static const std::unordered_map<int, const CodePage*> byCcsid = [] {
        std::unordered_map<int, const CodePage*> map;
        for (const CodePage& page : codePages())
            map.emplace(page.ccsid, &page);
        return map;
    }();
    return byCcsid;
}

iconv_t opened(const char* to, const char* from) {
    iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv does not convert from ") + from + " to " + to);
    return handle;
}

// The whole input through one conversion; false at the first byte that does
// not convert, with its offset.
bool converted(iconv_t handle, std::string_view input, std::string& output, std::size_t& badAt) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    output.clear();
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[512];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(handle, &in, &inLeft, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            badAt = input.size() - inLeft;
            return false;
        }
    }
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(handle, nullptr, nullptr, &out, &outLeft);
    output.append(buffer, static_cast<std::size_t>(out - buffer));
    return true;
}

} // namespace

std::optional<CodePage> codePageOf(const std::string& ccsid) {
    if (ccsid.empty() || ccsid.size() > 6 || ccsid.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    auto found = pagesByCcsid().find(std::stoi(ccsid));
    if (found == pagesByCcsid().end())
        return std::nullopt;
    return *found->second;
}

std::string knownCcsids() {
    std::string list;
    for (const CodePage& page : codePages()) {
        std::string number = std::to_string(page.ccsid);
        if (number.size() < 3)
            number.insert(0, 3 - number.size(), '0');
        list += (list.empty() ? "" : ", ") + number;
    }
    return list;
}

TextCodec::TextCodec(const CodePage& page)
    : page_(page), toUtf8_(opened("UTF-8", page.codeSet)), fromUtf8_(opened(page.codeSet, "UTF-8")) {
    tabulate();
    blank_ = character(' ');
    plus_ = character('+');
    minus_ = character('-');
    nul_ = std::string(static_cast<std::size_t>(page_.unitBytes), '\0');
}

TextCodec::~TextCodec() {
    iconv_close(toUtf8_);
    iconv_close(fromUtf8_);
}

void TextCodec::tabulate() {
    byteOfAscii_.fill(-1);
    if (page_.unitBytes != 1 || page_.ccsid == 1208)
        return;
    for (int byte = 0; byte < 256; ++byte) {
        const char one = static_cast<char>(byte);
        std::size_t badAt = 0;
        std::string text;
        if (!converted(toUtf8_, std::string_view(&one, 1), text, badAt) || text.empty())
            continue;
        utf8OfByte_[static_cast<std::size_t>(byte)] = text;
        const auto ascii = static_cast<unsigned char>(text[0]);
        if (text.size() == 1 && ascii < 128 && byteOfAscii_[ascii] < 0)
            byteOfAscii_[ascii] = byte;
    }
    tabulated_ = true;
}

namespace {

bool allAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 128)
            return false;
    return true;
}

} // namespace

bool TextCodec::toUtf8(std::string_view bytes, std::string& text, std::size_t& badAt) const {
    if (tabulated_) {
        text.clear();
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            const std::string& character = utf8OfByte_[static_cast<unsigned char>(bytes[at])];
            if (character.empty()) {
                badAt = at;
                return false;
            }
            text += character;
        }
        return true;
    }
    if (page_.ccsid == 1208 && allAscii(bytes)) {
        text.assign(bytes);
        return true;
    }
    return converted(toUtf8_, bytes, text, badAt);
}

bool TextCodec::fromUtf8(std::string_view text, std::string& bytes) const {
    if ((tabulated_ || page_.ccsid == 1208) && allAscii(text)) {
        bytes.clear();
        for (char c : text) {
            const auto ascii = static_cast<unsigned char>(c);
            const int byte = page_.ccsid == 1208 ? ascii : byteOfAscii_[ascii];
            if (byte < 0)
                return false;
            bytes += static_cast<char>(byte);
        }
        return true;
    }
    std::size_t badAt = 0;
    return converted(fromUtf8_, text, bytes, badAt);
}

std::string TextCodec::character(char ascii) const {
    std::string bytes;
    if (!fromUtf8(std::string_view(&ascii, 1), bytes))
        throw std::runtime_error(std::string("code set ") + page_.codeSet + " has no character " + ascii);
    return bytes;
}

} // namespace norvak
