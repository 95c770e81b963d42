#pragma once
// The clock values the set-time dialog sends to the manager, with the range each must keep.
#include <array>
#include <string>

namespace qxm7740 {

struct CMgrTime {
    enum Field { Year, Month, Day, Hour, Minute, Second, Millisecond, FieldCount };

    std::array<unsigned, FieldCount> values{};

    // The local date and time now, to the millisecond.
    static CMgrTime Now();

    static unsigned Min(int field);
    static unsigned Max(int field);

    // Parses the seven edit texts in field order and checks each range in that order. On the
    // first failure, field receives its index, message the class library's message for it, and
    // the result is false; values keeps what was parsed before it.
    bool ParseChecked(const std::array<std::string, FieldCount>& texts, int& field, std::string& message);
};

} // namespace qxm7740
