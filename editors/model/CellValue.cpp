#include "editors/model/CellValue.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

using platform::Buttons;
using platform::Icon;

namespace editors {

std::string ClampIntText(std::string_view text, long long min, long long max) {
    long long value = platform::AtoLL(text);
    if (value < min) {
        platform::MessageBox(kClampedToMinimum, {}, Icon::Warning, Buttons::Ok);
        value = min;
    } else if (value > max) {
        platform::MessageBox(kClampedToMaximum, {}, Icon::Warning, Buttons::Ok);
        value = max;
    }
    return platform::StrFormat("%lld", value);
}

std::string ClampFloatText(std::string_view text, double min, double max) {
    double value = platform::AtoF(text);
    // A value that does not compare (a typed "nan") is no valid number either: it takes the minimum.
    if (!(value >= min)) {
        platform::MessageBox(kClampedToMinimum, {}, Icon::Warning, Buttons::Ok);
        value = min;
    } else if (value > max) {
        platform::MessageBox(kClampedToMaximum, {}, Icon::Warning, Buttons::Ok);
        value = max;
    }
    return platform::StrFormat("%f", value);
}

std::string CheckOptionValue(std::string_view kind, const std::string* minText, const std::string* maxText,
                             std::string_view text) {
    if (!minText || !maxText)
        return std::string(text);
    if (platform::EqualsNoCase(kind, "BYTE") || platform::EqualsNoCase(kind, "WORD") ||
        platform::EqualsNoCase(kind, "INT"))
        return ClampIntText(text, platform::AtoLL(*minText), platform::AtoLL(*maxText));
    if (platform::EqualsNoCase(kind, "FLOAT"))
        return ClampFloatText(text, platform::AtoF(*minText), platform::AtoF(*maxText));
    return std::string(text);
}

} // namespace editors
