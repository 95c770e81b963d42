#pragma once
// The unit's TCP port as the three programs' settings dialogs take it: the leading decimal number
// of the text (as the C runtime's atoi reads it: blanks, a sign, digits), which must lie from 1 to
// 65535. Anything else is refused with the one text below, so no port the socket cannot use is
// ever saved or connected to.
#include <string_view>

namespace unitlink {

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 65535;
inline constexpr const char* kPortRangeText = "端口号必须是1到65535之间的整数。";

// True, with the port, when text starts with such a number; port is left as it was otherwise.
bool ParsePortNumber(std::string_view text, int& port);
inline bool IsPortNumber(long long port) {
    return port >= kMinPort && port <= kMaxPort;
}

} // namespace unitlink
