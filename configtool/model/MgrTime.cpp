#include "configtool/model/MgrTime.h"

#include "platform/Text.h"

#include <chrono>
#include <ctime>

namespace qxm7740 {

namespace {
const unsigned kMin[CMgrTime::FieldCount] = {0, 1, 1, 0, 0, 0, 0};
const unsigned kMax[CMgrTime::FieldCount] = {3000, 12, 31, 23, 59, 59, 999};

// An unsigned decimal number with optional blanks around it, as the class library accepts it.
bool ParseUnsigned(const std::string& text, unsigned& value) {
    std::string t = platform::Trim(text);
    if (t.empty() || t.size() > 9)
        return false;
    unsigned v = 0;
    for (char ch : t) {
        if (ch < '0' || ch > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(ch - '0');
    }
    value = v;
    return true;
}
} // namespace

CMgrTime CMgrTime::Now() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    CMgrTime mt;
    mt.values[Year] = static_cast<unsigned>(tm.tm_year + 1900);
    mt.values[Month] = static_cast<unsigned>(tm.tm_mon + 1);
    mt.values[Day] = static_cast<unsigned>(tm.tm_mday);
    mt.values[Hour] = static_cast<unsigned>(tm.tm_hour);
    mt.values[Minute] = static_cast<unsigned>(tm.tm_min);
    mt.values[Second] = static_cast<unsigned>(tm.tm_sec);
    mt.values[Millisecond] =
        static_cast<unsigned>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return mt;
}

unsigned CMgrTime::Min(int field) {
    return kMin[field];
}
unsigned CMgrTime::Max(int field) {
    return kMax[field];
}

bool CMgrTime::ParseChecked(const std::array<std::string, FieldCount>& texts, int& field,
                            std::string& message) {
    for (int i = 0; i < FieldCount; ++i) {
        unsigned v = 0;
        if (!ParseUnsigned(texts[i], v)) {
            field = i;
            message = "请输入一个正整数。";
            return false;
        }
        if (v < kMin[i] || v > kMax[i]) {
            field = i;
            message = platform::StrFormat("请输入一个在 %u 和 %u 之间的整数。", kMin[i], kMax[i]);
            return false;
        }
        values[i] = v;
    }
    return true;
}

} // namespace qxm7740
