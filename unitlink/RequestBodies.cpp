#include "unitlink/RequestBodies.h"

#include "unitlink/BodyReader.h"
#include "unitlink/FrameLayout.h"

#include "platform/Gbk.h"

#include <algorithm>

namespace unitlink::body {

void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

namespace {

// The text in GBK, cut at a whole character so that `room` more bytes still fit in a body.
void PutGbk(Bytes& b, std::string_view utf8, std::size_t room) {
    const std::string gbk =
        platform::TruncateGbkBytes(platform::ToGbk(utf8), unitlink::kMaxBody - b.size() - room);
    b.insert(b.end(), gbk.begin(), gbk.end());
}

} // namespace

Bytes Restart() {
    return {2};
}

Bytes StringCommand(std::string_view text) {
    Bytes b = {3};
    PutGbk(b, text, 0);
    return b;
}

Bytes FileOpen(std::uint8_t mode, std::uint32_t length, std::string_view name) {
    Bytes b = {4, mode};
    Put32(b, length);
    PutGbk(b, name, 1);
    b.push_back(0);
    return b;
}

Bytes FileReady(std::uint32_t fileId) {
    Bytes b = {5};
    Put32(b, fileId);
    b.push_back(1);
    return b;
}

Bytes FileData(std::uint32_t fileId, std::uint8_t flag, std::uint16_t packet, const std::uint8_t* data,
               std::size_t size) {
    Bytes b;
    b.reserve(8 + size);
    b.push_back(6);
    Put32(b, fileId);
    b.push_back(flag);
    Put16(b, packet);
    if (data && size)
        b.insert(b.end(), data, data + std::min(size, unitlink::kMaxBody - b.size()));
    return b;
}

Bytes FileClose(std::string_view name) {
    Bytes b = {7};
    PutGbk(b, name, 1);
    b.push_back(0);
    return b;
}

Bytes ChallengeAnswer(std::uint32_t answer) {
    Bytes b = {14};
    Put32(b, answer);
    return b;
}

std::optional<FileOpenReply> ReadFileOpenReply(const std::uint8_t* body, std::size_t size) {
    const CBodyReader r(body, size);
    if (!r.Has(kOpenFileId, 4))
        return std::nullopt;
    return FileOpenReply{r.U8At(kOpenOpened) != 0, r.U32At(kOpenLength), r.U32At(kOpenFileId)};
}

std::optional<FileDataFrame> ReadFileData(const std::uint8_t* body, std::size_t size) {
    const CBodyReader r(body, size);
    if (!r.Has(kDataFileId, kDataBytes - kDataFileId))
        return std::nullopt;
    return FileDataFrame{r.U32At(kDataFileId), r.U8At(kDataFlag), r.U16At(kDataPacket), body + kDataBytes,
                         size - kDataBytes};
}

const std::uint8_t* ReadChallenge(const std::uint8_t* body, std::size_t size) {
    return CBodyReader(body, size).Has(kChallenge, 4) ? body + kChallenge : nullptr;
}

std::optional<std::uint8_t> ReadVerdict(const std::uint8_t* body, std::size_t size) {
    const CBodyReader r(body, size);
    if (!r.Has(kVerdict, 1))
        return std::nullopt;
    return r.U8At(kVerdict);
}

std::optional<std::string_view> ReadUnitText(const std::uint8_t* body, std::size_t size) {
    if (!CBodyReader(body, size).Has(kUnitText, 0))
        return std::nullopt;
    const char* text = reinterpret_cast<const char*>(body + kUnitText);
    const std::size_t length = size - kUnitText;
    return std::string_view(text, static_cast<std::size_t>(std::find(text, text + length, '\0') - text));
}

} // namespace unitlink::body
