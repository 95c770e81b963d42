#include "debugger/core/UnitBoard.h"

#include "platform/Gbk.h"

namespace quorvex {

bool CUnitPort::HasAddress(std::uint16_t address) const {
    for (const CUnitAddress& a : m_addresses)
        if (a.m_address == address)
            return true;
    return false;
}

const CUnitPort* CUnitBoard::PortAt(int position, std::uint8_t* portType) const {
    if (position < 0)
        return nullptr;
    if (position < m_serialPorts.GetSize()) {
        if (portType)
            *portType = 0;
        return &m_serialPorts[position];
    }
    position -= m_serialPorts.GetSize();
    if (position < m_netPorts.GetSize()) {
        if (portType)
            *portType = 1;
        return &m_netPorts[position];
    }
    return nullptr;
}

bool CUnitBoard::HasAddress(std::uint16_t address) const {
    for (const CUnitPort& p : m_serialPorts)
        if (p.HasAddress(address))
            return true;
    for (const CUnitPort& p : m_netPorts)
        if (p.HasAddress(address))
            return true;
    return false;
}

const CUnitBoard* FindBoard(const CUnitBoardArray& boards, std::uint8_t boardNumber) {
    for (const CUnitBoard& b : boards)
        if (b.m_boardNumber == boardNumber)
            return &b;
    return nullptr;
}

bool BoardStillReachable(bool connected, const CUnitBoardArray& boards, int boardNumber) {
    if (!connected)
        return false;
    if (boardNumber == kNoBoard || boardNumber == 255)
        return true;
    return boardNumber > 0 && boardNumber < 255 &&
           FindBoard(boards, static_cast<std::uint8_t>(boardNumber)) != nullptr;
}

const CUnitBoard* FindBoardOfAddress(const CUnitBoardArray& boards, std::uint16_t address) {
    for (const CUnitBoard& b : boards)
        if (b.HasAddress(address))
            return &b;
    return nullptr;
}

std::string PortNameFromField(const std::uint8_t* field, std::size_t size) {
    std::string raw;
    for (std::size_t i = 0; i < size && i < 10 && field[i] != 0; ++i)
        if (field[i] != ' ')
            raw.push_back(static_cast<char>(field[i]));
    return platform::FromGbk(raw);
}

} // namespace quorvex
