#pragma once
// The DES block cipher that scrambles user names and passwords in "Password.dat". The data path is
// the published one; the key schedule normally used by the file differs in one step: from the second
// round on, the rotations act on the previous round key instead of on the rotated key halves.
#include <array>
#include <cstddef>
#include <cstdint>

class CDesCipher {
public:
    enum Direction { encrypt = 0, decrypt = 1 };
    enum KeySchedule {
        modified, // the schedule the user file is written with
        standard  // the published schedule (kept for checking the tables against known vectors)
    };

    // Builds the 16 round keys from 8 key bytes.
    void DesSetKey(const std::uint8_t key[8], KeySchedule schedule = modified);

    // Processes length / 8 blocks of 8 bytes independently (ECB) from input into output (they may
    // be the same buffer). Returns 0 without work when a buffer is missing or the length is not a
    // multiple of 8, otherwise 1.
    int DesCryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::size_t length,
                       int direction) const;

    // One 8-byte block.
    void DesCryptBlock(const std::uint8_t in[8], std::uint8_t out[8], int direction) const;

    // The round key of round i (0-based), as the 48 low bits.
    std::uint64_t RoundKey(int i) const { return roundKeys_[static_cast<std::size_t>(i)]; }

private:
    std::array<std::uint64_t, 16> roundKeys_{};
};
