#pragma once
// The rows of the communication state window: one per port of the model and, under it, one per
// device, with the texts of their state bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace marindle {

class CDevModel;

struct CommRow {
    int deviceFlag = 0;    // 0 port row, 1 device row
    std::uint16_t key = 0; // port or device key
    std::string cells[3];  // 连接, 装置, 地址
};

std::vector<CommRow> BuildCommRows(const CDevModel& model);
// The state cells (A网, B网, 运行状态) of a row from its record's state byte; a port row fills the
// first only.
void CommStateTexts(int deviceFlag, std::uint8_t state, std::string& a, std::string& b, std::string& run);
std::string RunStateText(std::uint8_t state);

} // namespace marindle
