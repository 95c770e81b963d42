#include "configtool/model/TextFormat.h"

#include "platform/Text.h"

namespace qxm7740 {

std::string CTextFormat::Line(std::string_view text, bool newline) {
    std::string out(text);
    if (newline)
        out += '\n';
    return out;
}

std::string CTextFormat::Hex(const std::uint8_t* bytes, std::size_t count, bool newline, int bytesPerLine) {
    if (count == 0 || bytes == nullptr)
        return {};
    std::string out =
        platform::HexDump(bytes, count, bytesPerLine > 0 ? static_cast<std::size_t>(bytesPerLine) : 0);
    if (newline)
        out += '\n';
    return out;
}

} // namespace qxm7740
