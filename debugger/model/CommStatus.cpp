#include "debugger/model/CommStatus.h"

#include "platform/Text.h"

namespace quorvex {

namespace {

const char* const kFolded = " ↓";

} // namespace

std::string RunStateText(std::uint8_t state) {
    switch (state) {
    case 0:
        return "停运";
    case 1:
        return "投运";
    case 2:
        return "检修";
    default:
        return "其他";
    }
}

std::string NetStateText(std::uint8_t bits) {
    return bits == 1 ? "断" : bits == 2 ? "通" : "其他";
}

std::string PortStateText(std::uint8_t state) {
    return state == 2 ? "通" : state == 3 ? "断" : "其他";
}

bool ParseStatusPortName(const std::string& name, std::uint8_t& kind, int& number) {
    // The first two (serial) or three (network) characters are the word before the number.
    if (name.find("串口") != std::string::npos && name.size() >= 6) {
        kind = 0;
        number = platform::AtoI(std::string_view(name).substr(6));
        return true;
    }
    if (name.find("连接号") != std::string::npos && name.size() >= 9) {
        kind = 1;
        number = platform::AtoI(std::string_view(name).substr(9));
        return true;
    }
    return false;
}

void CCommStatusModel::Build(const CUnitBoardArray& boards) {
    boards_.clear();
    for (const CUnitBoard& b : boards) {
        Board board;
        board.number = b.m_boardNumber;
        for (int i = 0; i < b.PortCount(); ++i) {
            const CUnitPort* p = b.PortAt(i);
            Port port;
            port.name = p->m_name;
            port.named = ParseStatusPortName(port.name, port.kind, port.number);
            for (const CUnitAddress& a : p->m_addresses)
                port.devices.push_back(Device{a.m_address, {}, {}, {}});
            board.ports.push_back(std::move(port));
        }
        boards_.push_back(std::move(board));
    }
}

void CCommStatusModel::UpdateDevice(std::uint16_t address, std::uint8_t state) {
    for (Board& b : boards_)
        for (Port& p : b.ports)
            for (Device& d : p.devices)
                if (d.address == address) {
                    d.run = RunStateText(state & 0x0F);
                    d.netA = NetStateText(static_cast<std::uint8_t>(state >> 4 & 0x03));
                    d.netB = NetStateText(static_cast<std::uint8_t>(state >> 6 & 0x03));
                }
}

void CCommStatusModel::UpdatePort(std::uint8_t board, std::uint8_t kind, std::uint8_t port,
                                  std::uint8_t state) {
    for (Board& b : boards_) {
        if (b.number != board + 1)
            continue;
        for (Port& p : b.ports)
            if (p.named && p.kind == kind && p.number == port)
                p.state = PortStateText(state);
    }
}

std::vector<CCommStatusModel::RowRef> CCommStatusModel::Shown() const {
    std::vector<RowRef> rows;
    for (int b = 0; b < static_cast<int>(boards_.size()); ++b) {
        rows.push_back({b, -1, -1});
        const Board& board = boards_[static_cast<std::size_t>(b)];
        if (board.folded)
            continue;
        for (int p = 0; p < static_cast<int>(board.ports.size()); ++p) {
            rows.push_back({b, p, -1});
            const Port& port = board.ports[static_cast<std::size_t>(p)];
            if (port.folded)
                continue;
            for (int d = 0; d < static_cast<int>(port.devices.size()); ++d)
                rows.push_back({b, p, d});
        }
    }
    return rows;
}

bool CCommStatusModel::Toggle(int row) {
    const std::vector<RowRef> rows = Shown();
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return false;
    const RowRef& r = rows[static_cast<std::size_t>(row)];
    Board& board = boards_[static_cast<std::size_t>(r.board)];
    if (r.port < 0) {
        board.folded = !board.folded;
        if (!board.folded)
            for (Port& p : board.ports)
                p.folded = false;
        return true;
    }
    Port& port = board.ports[static_cast<std::size_t>(r.port)];
    if (r.device >= 0 || port.name.empty())
        return false;
    port.folded = !port.folded;
    return true;
}

std::vector<CCommStatusModel::Row> CCommStatusModel::Rows() const {
    std::vector<Row> out;
    for (const RowRef& r : Shown()) {
        Row row;
        const Board& board = boards_[static_cast<std::size_t>(r.board)];
        if (r.port < 0) {
            row[0] = platform::StrFormat("板卡%u", unsigned(board.number)) + (board.folded ? kFolded : "");
        } else if (r.device < 0) {
            const Port& port = board.ports[static_cast<std::size_t>(r.port)];
            row[1] = port.name + (port.folded ? kFolded : "");
            row[3] = port.state;
        } else {
            const Device& d =
                board.ports[static_cast<std::size_t>(r.port)].devices[static_cast<std::size_t>(r.device)];
            row[2] = platform::StrFormat("装置%u", unsigned(d.address));
            row[3] = d.netA;
            row[4] = d.netB;
            row[5] = d.run;
        }
        out.push_back(std::move(row));
    }
    return out;
}

} // namespace quorvex
