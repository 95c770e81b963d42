#pragma once
// The bodies of the requests the monitor and debugging programs both send to the unit (type byte
// first, little-endian fields). Names and texts are given in UTF-8 and go out in GBK; a body never
// passes the largest body, a text is cut at a whole character and data at the limit.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace unitlink::body {

using Bytes = std::vector<std::uint8_t>;

// Appends a little-endian field to a body.
void Put16(Bytes& b, std::uint16_t v);
void Put32(Bytes& b, std::uint32_t v);

// 2: restart the board given in the header.
Bytes Restart();
// 3: a string command, without terminator.
Bytes StringCommand(std::string_view text);
// 4: open a file of the unit: mode 0 write to the unit (length of the local file), 1 read it.
Bytes FileOpen(std::uint8_t mode, std::uint32_t length, std::string_view name);
// 5: ready to receive the file that was opened for reading.
Bytes FileReady(std::uint32_t fileId);
// 6: a data packet (more 1 when packets follow), or without data the answer to one (flag 1 taken).
Bytes FileData(std::uint32_t fileId, std::uint8_t flag, std::uint16_t packet,
               const std::uint8_t* data = nullptr, std::size_t size = 0);
// 7: close the file, named again.
Bytes FileClose(std::string_view name);
// 14: the answer to the unit's challenge.
Bytes ChallengeAnswer(std::uint32_t answer);

} // namespace unitlink::body
