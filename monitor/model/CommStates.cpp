#include "monitor/model/CommStates.h"

#include "monitor/core/DevModel.h"
#include "platform/Text.h"

namespace marindle {

std::vector<CommRow> BuildCommRows(const CDevModel& model) {
    std::vector<CommRow> rows;
    for (const auto& p : model.Ports()) {
        CommRow pr;
        pr.deviceFlag = 0;
        pr.key = p->key;
        pr.cells[0] = platform::StrFormat("板卡%u_", p->board + 1u) + p->name;
        rows.push_back(pr);
        for (const auto& d : p->Devices()) {
            CommRow dr;
            dr.deviceFlag = 1;
            dr.key = d->key;
            dr.cells[1] = d->name;
            dr.cells[2] = platform::StrFormat("%u", d->address);
            rows.push_back(dr);
        }
    }
    return rows;
}

std::string RunStateText(std::uint8_t state) {
    switch (state & 0x0F) {
    case 0:
        return "停运";
    case 1:
        return "投运";
    case 2:
        return "检修";
    default:
        return {};
    }
}

void CommStateTexts(int deviceFlag, std::uint8_t s, std::string& a, std::string& b, std::string& run) {
    auto linked = [](bool on) { return std::string(on ? "通" : "断"); };
    if (!deviceFlag) {
        a = linked(s == 2);
        b.clear();
        run.clear();
        return;
    }
    a = linked((s & 0x30) == 0x20);
    b = linked((s & 0xC0) == 0x80);
    run = RunStateText(s);
}

} // namespace marindle
