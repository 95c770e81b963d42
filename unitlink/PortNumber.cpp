#include "unitlink/PortNumber.h"

#include <cctype>

namespace unitlink {

bool ParsePortNumber(std::string_view text, int& port) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        if (value <= kMaxPort) // beyond it the number is refused whatever follows, and never overflows
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    if (digits == 0 || !IsPortNumber(value))
        return false;
    port = static_cast<int>(value);
    return true;
}

} // namespace unitlink
