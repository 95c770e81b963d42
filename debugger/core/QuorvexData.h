#pragma once
// The program-wide data the link's answers fill: the board records of the unit, the entries of
// the monitored devices and reference tables, and the queue of group numbers being read.
#include "debugger/core/DbEntry.h"
#include "debugger/core/UnitBoard.h"

#include "unitlink/FrameLayout.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace quorvex {

struct CQuorvexData {
    // The number mixed into the answer to the unit's password challenge.
    std::uint16_t m_loginKey = unitlink::kDeviceLoginKey;
    // The folder of the program; its files lie in its "sav" sub-folder.
    std::filesystem::path m_programFolder;
    // A count of 0 means the port information has not arrived.
    CUnitBoardArray m_boards;
    std::vector<CDbEntry> m_entries;
    std::vector<CTabEntry> m_tabEntries;
    // The group numbers being read, one queue per device, so that sheets of several devices
    // opened together each get every group of their own device.
    std::map<std::uint16_t, CGroupQueue> m_groupQueues;

    std::filesystem::path SavFolder() const { return m_programFolder / "sav"; }
};

// The login key from the program's command line: its leading decimal digits, low 16 bits; an
// empty command line gives the default key.
std::uint16_t LoginKeyFromCommandLine(const std::string& commandLine);

} // namespace quorvex
