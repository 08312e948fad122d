#pragma once

#include <cstddef>
#include <type_traits>

namespace norvak {

// A printf format kept in a table or handed down to a helper, checked when it
// is written: its conversions must take, in order, the argument types the
// format is declared with. A mismatch stops the build. The conversions the
// system's messages use are understood: %s (a text), %d and %i (an int, or a
// short), %ld (a long), %zu (a size), with flags, widths and precisions;
// "%%" prints a percent sign.
template <class... Args> class CheckedFormat {
  public:
    template <std::size_t N> consteval CheckedFormat(const char (&format)[N]) : text_(format) {
        if (!matches(format))
            throw "the conversions of this format do not take its arguments";
    }
    const char* text() const { return text_; }

  private:
    enum class Kind { text, integer, longInteger, size, none };

    template <class T> static consteval Kind kindOf() {
        using U = std::remove_cv_t<T>;
        if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>)
            return Kind::text;
        else if constexpr (std::is_same_v<U, int> || std::is_same_v<U, short>)
            return Kind::integer;
        else if constexpr (std::is_same_v<U, long>)
            return Kind::longInteger;
        else if constexpr (std::is_same_v<U, std::size_t>)
            return Kind::size;
        else
            return Kind::none;
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    static consteval bool matches(const char* format) {
        constexpr Kind expected[] = {kindOf<Args>()..., Kind::none};
        std::size_t next = 0;
        for (const char* p = format; *p != '\0'; ++p) {
            if (*p != '%')
                continue;
            ++p;
            if (*p == '%')
                continue;
            while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
                ++p;
            while (*p >= '0' && *p <= '9')
                ++p;
            if (*p == '.') {
                ++p;
                while (*p >= '0' && *p <= '9')
                    ++p;
            }
            Kind found = Kind::none;
            if (*p == 's')
                found = Kind::text;
            else if (*p == 'd' || *p == 'i')
                found = Kind::integer;
            else if (p[0] == 'l' && p[1] == 'd')
                found = Kind::longInteger, ++p;
            else if (p[0] == 'z' && p[1] == 'u')
                found = Kind::size, ++p;
            if (found == Kind::none || next >= sizeof...(Args) || expected[next] != found)
                return false;
            ++next;
        }
        return next == sizeof...(Args);
    }

    const char* text_;
};

} // namespace norvak
