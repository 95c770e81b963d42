#include "monitor/core/DevModel.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace marindle {

CEntryRecord* CGroupRecord::FindEntry(std::uint16_t key) const {
    for (const auto& e : entries_)
        if (e->key == key)
            return e.get();
    return nullptr;
}

CEntryRecord* CGroupRecord::AddEntry(std::uint16_t key) {
    if (FindEntry(key))
        return nullptr;
    entries_.push_back(std::make_unique<CEntryRecord>(key));
    return entries_.back().get();
}

int GroupKindFromTitle(std::string_view title) {
    const auto slash = title.find('/');
    if (slash != std::string_view::npos && slash > 0) {
        const std::string_view head = title.substr(0, slash);
        for (std::string_view k : {"遥测", "遥信", "遥脉", "档位", "遥控", "遥调"})
            if (head == k)
                return 1;
    }
    return title.find("统计数据") != std::string_view::npos ? 3 : 2;
}

CDeviceRecord::CDeviceRecord(std::uint16_t address)
    : address(address), name(platform::StrFormat("装置(%u)", address)) {}

CGroupRecord* CDeviceRecord::AddGroup(std::uint8_t number) {
    if (FindGroup(number))
        return nullptr;
    groups_.push_back(std::make_unique<CGroupRecord>(number));
    return groups_.back().get();
}

CGroupRecord* CDeviceRecord::FindGroup(std::uint8_t number) const {
    for (const auto& g : groups_)
        if (g->number == number)
            return g.get();
    return nullptr;
}

CEntryRecord* CDeviceRecord::FindEntry(std::uint16_t key) const {
    const CGroupRecord* g = FindGroup(KeyGroup(key));
    return g ? g->FindEntry(key) : nullptr;
}

void CDeviceRecord::ClearGroups() {
    groups_.clear();
}

std::string CDeviceRecord::ExportContent() const {
    std::string out = "[名称]\n" + name;
    const std::string* lastTitle = nullptr;
    unsigned running = 0;
    for (const auto& g : groups_) {
        if (g->Entries().empty())
            continue;
        if (!lastTitle || *lastTitle != g->title)
            out += "\n[" + g->title + "]\n";
        lastTitle = &g->title;
        for (const auto& e : g->Entries()) {
            out += platform::StrFormat("%u,%u,%u,", ++running, e->GroupNumber(), e->EntryNumber());
            out += e->description + "," + e->dimension + ",";
            if (!e->rangeMin.empty() || !e->rangeMax.empty() || !e->rangeStep.empty())
                out += "量程=" + e->rangeMin + "," + e->rangeMax + "," + e->rangeStep + ";";
            if (!e->precision1.empty() || !e->precision2.empty())
                out += "精度=" + e->precision1 + "," + e->precision2 + ";";
            if (!e->actualValue.empty())
                out += platform::StrFormat("实际值=%u,%u,", e->dataType, e->dataSize) + e->actualValue;
            out += "\n";
        }
    }
    return out;
}

bool CDeviceRecord::ExportText(const std::filesystem::path& savFolder) const {
    // The name comes from the unit; anything that would leave the folder is replaced.
    std::string fileName = name;
    for (char& c : fileName)
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    if (!platform::IsSafeFileName(fileName))
        fileName = platform::StrFormat("装置(%u)", address);
    const std::filesystem::path path = savFolder / (fileName + ".txt");
    // Replaced whole: an export that cannot be written leaves the earlier one as it was.
    if (!platform::ReplaceFileBytes(path, platform::GbkTextBytes(ExportContent())))
        return false;
    platform::MessageBox("已成功导出数据为文件\"" + path.string() + "\"");
    return true;
}

CDeviceRecord* CPortRecord::AddDevice(std::uint16_t address) {
    if (FindDevice(address))
        return nullptr;
    devices_.push_back(std::make_unique<CDeviceRecord>(address));
    CDeviceRecord* d = devices_.back().get();
    d->board = board;
    d->portKey = key;
    if (model_)
        model_->Register(*d);
    return d;
}

CTableRecord* CPortRecord::AddTable(std::uint8_t number) {
    if (FindTable(number))
        return nullptr;
    tables_.push_back(std::make_unique<CTableRecord>(number));
    CTableRecord* t = tables_.back().get();
    t->board = board;
    t->portKey = key;
    return t;
}

CDeviceRecord* CPortRecord::FindDevice(std::uint16_t address) const {
    for (const auto& d : devices_)
        if (d->address == address)
            return d.get();
    return nullptr;
}

CTableRecord* CPortRecord::FindTable(std::uint8_t number) const {
    for (const auto& t : tables_)
        if (t->number == number)
            return t.get();
    return nullptr;
}

void CDevModel::Clear() {
    byAddress_.clear();
    byDeviceKey_.clear();
    byTableKey_.clear();
    ports_.clear();
    boards_.clear();
}

bool CDevModel::AddBoard(std::uint8_t number) {
    for (std::uint8_t b : boards_)
        if (b == number)
            return false;
    boards_.push_back(number);
    return true;
}

CPortRecord* CDevModel::AddPort(std::uint8_t board, std::uint8_t number, int kind) {
    if (FindPort(board, number, kind))
        return nullptr;
    ports_.push_back(std::make_unique<CPortRecord>(board, number, kind));
    ports_.back()->model_ = this;
    return ports_.back().get();
}

void CDevModel::Register(CDeviceRecord& device) {
    byAddress_.try_emplace(device.address, &device);
}

void CDevModel::SetDeviceKey(CDeviceRecord& device, std::uint16_t key) {
    device.key = key;
    byDeviceKey_.try_emplace(key, &device);
}

void CDevModel::SetTableKey(CTableRecord& table, std::uint16_t key) {
    table.key = key;
    byTableKey_.try_emplace(key, &table);
}

CPortRecord* CDevModel::FindPort(std::uint8_t board, std::uint8_t number, int kind) const {
    for (const auto& p : ports_)
        if (p->board == board && p->number == number && p->kind == kind)
            return p.get();
    return nullptr;
}

CPortRecord* CDevModel::FindPortByKey(std::uint16_t key) const {
    for (const auto& p : ports_)
        if (p->key == key)
            return p.get();
    return nullptr;
}

CDeviceRecord* CDevModel::FindDevice(std::uint16_t address) const {
    const auto it = byAddress_.find(address);
    return it == byAddress_.end() ? nullptr : it->second;
}

CDeviceRecord* CDevModel::FindDeviceByKey(std::uint16_t key) const {
    const auto it = byDeviceKey_.find(key);
    return it == byDeviceKey_.end() ? nullptr : it->second;
}

CTableRecord* CDevModel::FindTableByKey(std::uint16_t key) const {
    const auto it = byTableKey_.find(key);
    return it == byTableKey_.end() ? nullptr : it->second;
}

} // namespace marindle
