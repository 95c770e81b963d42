#pragma once
// The rows of the communication status dialog ("通讯状态"): every board of the unit with its
// serial and network ports and the devices behind them, the states the unit's answers report for
// them, and which boards and ports are folded. The dialog fills its cells from these rows.
#include "debugger/core/UnitBoard.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvex {

// State texts: running state (bits 0-3 of a device state), network state (two bits), port state.
std::string RunStateText(std::uint8_t state);
std::string NetStateText(std::uint8_t bits);
std::string PortStateText(std::uint8_t state);
// A status port name: "串口<n>" (kind 0) or "连接号<n>" (kind 1); false for anything else.
bool ParseStatusPortName(const std::string& name, std::uint8_t& kind, int& number);

class CCommStatusModel {
public:
    static constexpr int kColumns = 6; // 板卡, 连接, 装置, A网, B网, 运行状态
    using Row = std::array<std::string, kColumns>;

    // Every board in table order with its serial ports, then its network ports, each followed by
    // its devices; nothing folded and no state known yet.
    void Build(const CUnitBoardArray& boards);
    // A device state byte for every device with the address (it may stand under several ports).
    void UpdateDevice(std::uint16_t address, std::uint8_t state);
    // A port state for the ports of the board (board number - 1) whose name gives kind and number.
    void UpdatePort(std::uint8_t board, std::uint8_t kind, std::uint8_t port, std::uint8_t state);
    // Folds the board or port shown in the row (its text gets " ↓"), or unfolds it again; an
    // unfolded board shows all its ports unfolded. False when the row shows no board or named port.
    bool Toggle(int row);
    // The rows shown, with their cell texts.
    std::vector<Row> Rows() const;

private:
    struct Device {
        std::uint16_t address = 0;
        std::string run, netA, netB;
    };
    struct Port {
        std::string name;
        bool named = false; // the name gives a kind and a number
        std::uint8_t kind = 0;
        int number = 0;
        std::string state;
        bool folded = false;
        std::vector<Device> devices;
    };
    struct Board {
        std::uint8_t number = 0;
        bool folded = false;
        std::vector<Port> ports;
    };
    // What a shown row stands for: a board, a port of it (device -1) or a device of that port.
    struct RowRef {
        int board = 0;
        int port = -1;
        int device = -1;
    };
    std::vector<RowRef> Shown() const;

    std::vector<Board> boards_;
};

} // namespace quorvex
