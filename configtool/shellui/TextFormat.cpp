#include "TextFormat.h"

#include "platform/Text.h"

std::string CTextFormat::Line(std::string_view text, bool newline) {
    std::string out(text);
    if (newline)
        out += '\n';
    return out;
}

std::string CTextFormat::Hex(const std::uint8_t* bytes, std::size_t count, bool newline, int bytesPerLine) {
    if (count == 0 || bytes == nullptr)
        return {};
    std::string out = platform::HexDump(bytes, count);
    if (bytesPerLine != 16) {
        // Same numbers, other breaks: take the dump's "xx " groups and break them anew.
        std::string flat;
        flat.reserve(out.size());
        for (char ch : out)
            if (ch != '\n')
                flat += ch;
        if (bytesPerLine <= 0) {
            out = std::move(flat);
        } else {
            out.clear();
            out.reserve(flat.size() + count / bytesPerLine + 1);
            const std::size_t lineChars = static_cast<std::size_t>(bytesPerLine) * 3;
            for (std::size_t pos = 0; pos < flat.size(); pos += lineChars) {
                std::size_t n = std::min(lineChars, flat.size() - pos);
                out.append(flat, pos, n);
                if (n == lineChars)
                    out += '\n';
            }
        }
    }
    if (newline)
        out += '\n';
    return out;
}
