// The configuration file reader: the main configuration file and the files it names, read back
// into the project model and checked against the definition libraries loaded just before.
// Each section reports the first line it rejects once and stops; the main file's sections after
// the project identity go on regardless.
#include "projectmodel/ConfigDoc.h"

#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Gbk.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <unordered_map>

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

using platform::StrFormat;

// The value after "=" of a field "name=value", or the field itself.
std::string AfterEquals(const std::string& field) {
    const std::size_t eq = field.find('=');
    return eq == std::string::npos ? field : field.substr(eq + 1);
}

std::string ReferenceKey(const std::string& group, const std::string& reference) {
    return platform::ToLowerAscii(group) + '\x01' + platform::ToLowerAscii(reference);
}

fs::path FileBeside(const fs::path& folder, const std::string& name) {
    if (!platform::IsSafeFileName(name))
        return folder / "?";
    int error = 0;
    const fs::path found = platform::FindNoCase(folder, name, &error);
    CUnreadFiles::Note(found, error, true);
    return found;
}

} // namespace

int CConfigDoc::MaxVariableInfoRows(const CItemRecord& group) {
    // The editors allow as many rows as the dimension; older files may hold a few more.
    return std::clamp(group.m_nDimension, 1, kMaxRowsPerTable - kSpareRowsPerTable) + kSpareRowsPerTable;
}

int CConfigDoc::ReadConfigFiles(const fs::path& path) {
    m_nRowsRead = 0;
    CConfigTextFile file;
    if (!file.Open(path)) {
        CUnreadFiles::Note(path, file.OpenError(), false);
        Tell(StrFormat("组态文件:%s，无法打开!", path.string().c_str()));
        return 0;
    }
    const fs::path folder = path.parent_path();
    CLineCursor cur(file);
    std::string line;
    if (!cur.Line(line, cfgfile::kFileBegin))
        return 0;
    if (!cur.KeyInt(line, cfgfile::kKeyFormat, m_nFormat))
        return 0;
    if (!ReadProjectIdentity(cur))
        return 0;
    ReadTimeSync(cur);
    ReadDeviceTable(cur);
    ReadBayReference(cur, folder);
    ReadDeviceInfo(cur);
    ReadBoardConfig(cur, folder);
    ReadCompositeSignals(cur);
    if (m_boardCfg.m_groups.GetSize() >= 1)
        ReadVariableInfoFile(FileBeside(folder, cfgfile::kSystemFile));
    return 1;
}

int CConfigDoc::ReadVariableInfoFile(const fs::path& path) {
    CConfigTextFile file;
    if (!file.Open(path)) {
        CUnreadFiles::Note(path, file.OpenError(), true);
        return 0;
    }
    CLineCursor cur(file);
    std::vector<std::string> defaulted;
    ReadVariableInfo(cur, m_boardCfg.m_groups, nullptr, &defaulted);
    // Said once, after the line that stopped the reading: the next save writes these values.
    if (!defaulted.empty()) {
        std::string names;
        for (const std::string& name : defaulted)
            names += (names.empty() ? "" : ", ") + name;
        Tell(StrFormat("组态文件%s中未能读出的选项按定义的默认值使用:\n%s", path.filename().string().c_str(),
                       names.c_str()));
    }
    return 1;
}

int CConfigDoc::ReadProjectIdentity(CLineCursor& cur) {
    std::string line, value;
    int address = 0;
    if (!cur.Line(line, cfgfile::kProjectIdentity) || !cur.OpenBrace() ||
        !cur.KeyValue(line, cfgfile::kKeyProjectName, value))
        return 0;
    m_strProjectName = value;
    if (!cur.KeyInt(line, cfgfile::kKeyUnitAddress, address))
        return 0;
    m_boardCfg.m_nUnitAddress = address;
    if (!cur.KeyValue(line, cfgfile::kKeyProjectTime, value))
        return 0;
    CProjectTime t = m_projectTime;
    if (std::sscanf(value.c_str(), "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                    &t.second) >= 1)
        m_projectTime = t;
    return cur.CloseBrace();
}

int CConfigDoc::ReadTimeSync(CLineCursor& cur) {
    std::string line, value;
    int count = 0;
    if (!cur.Line(line, cfgfile::kTimeSync) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    if (count > kMaxTimeSources) {
        cur.ReportReadError(line);
        return 0;
    }
    m_timeSources.SetSize(ConfigCount(count));
    for (int i = 0; i < m_timeSources.GetSize(); ++i) {
        if (!cur.KeyValue(line, cfgfile::kKeyTimeSource, value))
            return 0;
        CTimeSource source;
        int v[5] = {0, source.m_nBoard, source.m_nPortType, source.m_nPort, source.m_nPriority};
        std::sscanf(value.c_str(), "%d,%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3], &v[4]);
        source.m_nBoard = v[1];
        source.m_nPortType = v[2];
        source.m_nPort = v[3];
        source.m_nPriority = v[4];
        m_timeSources[i] = source;
    }
    return cur.CloseBrace();
}

int CConfigDoc::ReadDeviceTable(CLineCursor& cur) {
    CProjectContext& context = CProjectContext::Instance();
    std::string line, value;
    int count = 0;
    if (!cur.Line(line, cfgfile::kDeviceTable) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    const int extCount = m_deviceExtItems.GetSize();
    int largest = INT_MIN;
    for (int i = 0; i < ConfigCount(count); ++i) {
        if (!cur.KeyValue(line, cfgfile::kKeyDescription, value))
            return 0;
        const CStringList f = SplitToStringList(value, ',');
        if (f.size() < 9) {
            cur.ReportReadError("描述项至少为9个");
            return 0;
        }
        if (f.size() > static_cast<std::size_t>(9 + extCount)) {
            cur.ReportReadError("描述项比定义数目多");
            return 0;
        }
        CDevice record;
        record.m_nBoard = platform::AtoI(f[0]);
        record.m_nAddress = platform::AtoI(f[3]);
        record.m_nMappedAddress = platform::AtoI(f[4]);
        record.m_model.m_strType = f[5];
        record.m_model.m_strVersion = f[6];
        record.m_model.m_strName = f[7];
        record.m_strModelName = f[7];
        record.m_strDescription = f[8];
        record.m_optionValues.assign(static_cast<std::size_t>(extCount), std::string());
        if (m_nFormat == 0)
            for (std::size_t k = 9; k < f.size(); ++k)
                record.m_optionValues[k - 9] = AfterEquals(f[k]);
        const int address = record.m_nAddress;
        if (context.IsDeviceTableSorted() && address <= largest)
            context.SetDeviceTableSorted(false);
        largest = std::max(largest, address);

        if (address == kStatusDeviceAddress || address == kCompositeDeviceAddress ||
            address == kCustomDeviceAddress) {
            record.m_nKind = address == kStatusDeviceAddress      ? kDeviceStatus
                             : address == kCompositeDeviceAddress ? kDeviceComposite
                                                                  : kDeviceCustom;
            const int index = m_devices.FindIndexByAddress(address);
            if (index >= 0) {
                record.m_model = m_devices[index].m_model;
                if (m_nFormat != 0)
                    record.m_optionValues = m_devices[index].m_optionValues;
                m_devices[index] = std::move(record);
            } else {
                if (address == kStatusDeviceAddress)
                    Tell("错误：状态信号虚装置不存在");
                else if (address == kCompositeDeviceAddress)
                    Tell("错误：复合信号虚装置不存在");
                m_devices.Add(std::move(record));
            }
            continue;
        }
        record.m_nKind = kDeviceOrdinary;
        if (const CDeviceTemplate* model = m_deviceModels.FindByName(record.m_model.m_strName)) {
            if (model->m_strType != record.m_model.m_strType)
                Tell(StrFormat("装置%d[%s]的型号 %s\n与定义不一致", address, record.m_strDescription.c_str(),
                               record.m_model.m_strName.c_str()));
            record.m_model = *model;
        } else {
            Tell(StrFormat("板卡%d装置%d的型号\"%s\"在型号表中不存在!", record.m_nBoard, address,
                           record.m_model.m_strName.c_str()));
        }
        // One record per address: a repeated address replaces the device read before.
        const int present = m_devices.FindIndexByAddress(address);
        if (present >= 0)
            m_devices[present] = std::move(record);
        else
            m_devices.InsertAt(std::min(i, m_devices.GetSize()), record);
    }
    return cur.CloseBrace();
}

int CConfigDoc::ReadBayReference(CLineCursor& cur, const fs::path& folder) {
    std::string line, value;
    if (!cur.Line(line, cfgfile::kBayConfig) || !cur.OpenBrace() ||
        !cur.KeyValue(line, cfgfile::kKeyDescription, value))
        return 0;
    // The bay file reports its own problems; the main file goes on after this section's "}".
    ReadBayConfig(FileBeside(folder, platform::Trim(value)));
    return cur.CloseBrace();
}

int CConfigDoc::ReadBayConfig(const fs::path& path) {
    CConfigTextFile file;
    // A bay file that is not there means no bays; one that is there but cannot be read is told,
    // and the document is not saved over it.
    if (!file.Open(path)) {
        CUnreadFiles::Note(path, file.OpenError(), true);
        return 0;
    }
    m_voltLevels.RemoveAll();
    m_bays.RemoveAll();
    m_prjDevices.RemoveAll();
    m_voltOrder.m_codes.clear();
    CLineCursor cur(file);
    std::string line;
    if (m_nFormat > 0 && !ReadBayDeviceTable(cur))
        return 0;
    int levels = 0;
    if (!cur.ExpectLine(line, cfgfile::kBayConfig) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, levels))
        return 0;
    m_voltOrder.m_codes.assign(static_cast<std::size_t>(ConfigCount(levels)), -1);
    for (std::size_t l = 0; l < m_voltOrder.m_codes.size(); ++l)
        if (!ReadBayLevel(cur, l))
            return 0;
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadBayLevel(CLineCursor& cur, std::size_t l) {
    std::string line;
    std::string levelName;
    for (char c : TrimCopy(cur.NextLine()))
        if (c != '[' && c != ']')
            levelName += c;
    CVoltLevel level(levelName);
    level.m_settings = m_voltLevelConfig;
    int bays = 0;
    if (!cur.FileOpenBrace(line) || !ReadVariableInfo(cur, level.m_settings.m_groups) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, bays))
        return 0;
    for (int k = 0; k < ConfigCount(bays); ++k)
        if (!ReadBay(cur, k, level))
            return 0;
    if (!cur.FileCloseBrace(line))
        return 0;
    m_voltLevels.Insert(level);
    m_voltOrder.m_codes[l] = level.m_nCode;
    return 1;
}

int CConfigDoc::ReadBay(CLineCursor& cur, int k, CVoltLevel& level) {
    std::string line, value;
    if (!cur.ExpectLine(line, StrFormat(cfgfile::kBayHead, k).c_str()) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyValue(line, cfgfile::kKeyDescription, value))
        return 0;
    const CStringList f = SplitToStringList(value, ',');
    if (f.size() != 2) {
        cur.ReportFileError(line);
        return 0;
    }
    CPrjBay bay;
    bay.m_nId = platform::AtoI(f[0]);
    bay.m_strName = f[1];
    bay.m_strVoltLevel = level.m_strName;
    bay.m_settings = m_bayConfig;
    int equipment = 0;
    if (!ReadVariableInfo(cur, bay.m_settings.m_groups) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, equipment))
        return 0;
    for (int j = 0; j < ConfigCount(equipment); ++j)
        if (!ReadBayEquipment(cur, j, bay, level))
            return 0;
    if (!cur.FileCloseBrace(line))
        return 0;
    if (m_bays.Insert(bay) >= 0)
        level.m_bayIds.push_back(bay.m_nId);
    return 1;
}

int CConfigDoc::ReadBayEquipment(CLineCursor& cur, int j, CPrjBay& bay, const CVoltLevel& level) {
    std::string line, value;
    if (!cur.ExpectLine(line, StrFormat(cfgfile::kEquipmentHead, j).c_str()) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyValue(line, cfgfile::kKeyDescription, value))
        return 0;
    const CStringList e = SplitToStringList(value, ',');
    if (e.size() != 3) {
        cur.ReportFileError(line);
        return 0;
    }
    CPrjDevice device;
    device.m_nId = platform::AtoI(e[0]);
    device.m_strName = e[2];
    device.m_nBayId = bay.m_nId;
    device.m_strVoltLevel = level.m_strName;
    if (const CNamePairRecord* type = m_equipmentLibrary.FindByName(e[1])) {
        device.m_settings = *type;
    } else {
        Tell(StrFormat("一次设备%s型号%s不存在!", e[2].c_str(), e[1].c_str()));
        device.m_settings.m_strName = e[1];
    }
    if (!ReadVariableInfo(cur, device.m_settings.m_groups) ||
        !ReadLinkedDevices(cur, device.m_linkedDevices) || !ReadRelatedEntries(cur, device.m_settings) ||
        !cur.FileCloseBrace(line))
        return 0;
    if (m_prjDevices.Insert(device) >= 0)
        bay.m_equipmentIds.push_back(device.m_nId);
    return 1;
}

int CConfigDoc::ReadBayDeviceTable(CLineCursor& cur) {
    std::string line, value;
    int count = 0;
    if (!cur.ExpectLine(line, cfgfile::kDeviceTable) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    const int extCount = m_deviceExtItems.GetSize();
    for (int i = 0; i < ConfigCount(count); ++i) {
        if (!cur.FileKeyValue(line, cfgfile::kKeyDescription, value))
            return 0;
        const CStringList f = SplitToStringList(value, ',');
        if (f.size() < 9) {
            cur.ReportFileError("描述项至少为9个");
            return 0;
        }
        if (f.size() > static_cast<std::size_t>(9 + extCount))
            cur.ReportFileError("描述项比定义数目多, 信息将丢失!");
        CDevice* device = FindDevice(platform::AtoI(f[3]));
        if (!device)
            continue;
        device->m_optionValues.assign(static_cast<std::size_t>(extCount), std::string());
        for (std::size_t k = 9; k < f.size() && k - 9 < static_cast<std::size_t>(extCount); ++k)
            device->m_optionValues[k - 9] = AfterEquals(f[k]);
    }
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadLinkedDevices(CLineCursor& cur, CIntArray& addresses) {
    std::string line;
    int count = 0;
    if (!cur.ExpectLine(line, cfgfile::kRelatedDevices) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    addresses.clear();
    for (int i = 0; i < ConfigCount(count); ++i) {
        line = cur.NextLine();
        int address = 0;
        if (!CLineCursor::FileKeyIntOf(line, cfgfile::kKeyAddress, address)) {
            cur.ReportFileError("组态文本中并联装置数目不对!");
            return 0;
        }
        addresses.push_back(address);
    }
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadRelatedEntries(CLineCursor& cur, CNamePairRecord& settings) {
    std::string line;
    int count = 0;
    if (!cur.ExpectLine(line, cfgfile::kRelatedEntries) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    for (int t = 1; t <= ConfigCount(count); ++t) {
        if (!ReadRelatedTable(cur, t, settings)) {
            cur.ReportFileError("组态文本中关联条目数目不对!");
            return 0;
        }
    }
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadRelatedTable(CLineCursor& cur, int t, CNamePairRecord& settings) {
    std::string line, value;
    int type = 0, count = 0;
    if (!cur.ExpectLine(line, StrFormat(cfgfile::kRefTableHead, t).c_str()) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyRefTableType, type) ||
        !cur.FileKeyValue(line, cfgfile::kKeyRefTableName, value))
        return 0;
    CRefTable* table = settings.m_tables.FindByName(value);
    if (!table) {
        cur.ReportFileError("设备组态中引用表不存在！");
        // The table's lines are skipped up to its "}"; nothing is written into a missing table.
        for (;;) {
            std::string skipped;
            const bool more = cur.Next(skipped);
            if (TrimCopy(skipped) == "}")
                return 1;
            if (!more)
                return 0;
        }
    }
    if (!cur.FileKeyInt(line, cfgfile::kKeyTableSize, count))
        return 0;
    table->m_nType = type;
    table->m_entries.RemoveAll();
    const int columns = table->m_columns.GetSize();
    for (int i = 0; i < ConfigCount(count); ++i) {
        if (!cur.FileKeyValue(line, cfgfile::kKeyReference, value))
            return 0;
        const CStringList f = SplitToStringList(value, ',');
        if (f.size() < 5) {
            cur.ReportFileError("描述项至少为5个");
            return 0;
        }
        if (f.size() > static_cast<std::size_t>(5 + columns))
            cur.ReportFileError("描述项比定义数目多, 信息将丢失!");
        CRefTableEntry entry;
        entry.m_nAddress = platform::AtoI(f[0]);
        entry.m_nGroup = platform::AtoI(f[1]);
        entry.m_nEntry = platform::AtoI(f[2]);
        entry.m_nFun = platform::AtoI(f[3]);
        entry.m_nInf = platform::AtoI(f[4]);
        if (const CDevice* device = FindDevice(entry.m_nAddress))
            entry.m_nBoard = device->m_nBoard;
        entry.m_values.assign(f.begin() + 5, f.end());
        if (entry.m_values.size() < static_cast<std::size_t>(columns))
            entry.m_values.resize(static_cast<std::size_t>(columns));
        table->m_entries.Add(std::move(entry));
    }
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadVariableInfo(CLineCursor& cur, CItemRecordArray& groups, const VariableInfoTexts* texts,
                                 std::vector<std::string>* defaulted) {
    // Per group, the items read into rows made anew (-1: its rows were not touched, they hold
    // what the definition gave). Whatever way the block ends, an item not read takes its
    // definition's default in every row, not an empty value that the next save would write.
    std::vector<int> itemsRead(static_cast<std::size_t>(groups.GetSize()), -1);
    struct Defaults {
        CItemRecordArray& groups;
        const std::vector<int>& itemsRead;
        std::vector<std::string>* defaulted;
        ~Defaults() {
            for (int g = 0; g < groups.GetSize(); ++g) {
                CItemRecord& group = groups[g];
                const int read = itemsRead[static_cast<std::size_t>(g)];
                for (int i = std::max(read, 0); i < group.m_items.GetSize(); ++i) {
                    const COptionItem& item = group.m_items[i];
                    if (read >= 0)
                        for (CStringArray& row : group.m_rows)
                            if (static_cast<std::size_t>(i) < row.size())
                                row[static_cast<std::size_t>(i)] = item.m_strDefault;
                    if (defaulted && !item.m_strName.empty())
                        defaulted->push_back(StripBracketPrefix(item.m_strName));
                }
            }
        }
    } defaults{groups, itemsRead, defaulted};
    std::string line;
    int count = 0;
    if (!cur.ExpectLine(line, cfgfile::kVariableInfo) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    if (texts && !texts->groupCount.empty() && count != groups.GetSize()) {
        Tell(texts->groupCount);
        return 0;
    }
    if (count > groups.GetSize()) {
        Tell("组态文本中可变信息组数多于定义!");
        return 0;
    }
    for (int g = 1; g <= count; ++g)
        if (!ReadVariableInfoGroup(cur, groups[g - 1], g, texts, itemsRead[static_cast<std::size_t>(g - 1)]))
            return 0;
    return cur.FileCloseBrace(line);
}

// Group g (from 1) of a variable-information block: its head, its count of items and rows, and
// each item's values over the rows; itemsRead counts the items read once the rows are made.
int CConfigDoc::ReadVariableInfoGroup(CLineCursor& cur, CItemRecord& group, int g,
                                      const VariableInfoTexts* texts, int& itemsRead) {
    std::string line, value;
    if (!cur.ExpectLine(line, StrFormat(cfgfile::kVariableGroupHead, g).c_str()) ||
        !cur.FileOpenBrace(line) || !cur.FileKeyValue(line, cfgfile::kKeyCount, value))
        return 0;
    int items = 0, rows = 0;
    if (std::sscanf(value.c_str(), "%d,%d", &items, &rows) != 2 || items < 0 || rows < 0) {
        cur.ReportFileError(line);
        return 0;
    }
    if (items > group.m_items.GetSize()) {
        if (texts && texts->elements)
            Tell(texts->elements(g));
        else
            Tell(StrFormat("组态文本中%s的元素个数大于定义", group.m_strName.c_str()));
        return 0;
    }
    // Rows come from one count; a table holds about as many rows as its definition's dimension
    // and a project only so many in all, so a damaged count is refused before anything is
    // allocated.
    if (rows > MaxVariableInfoRows(group) || m_nRowsRead + rows > kMaxRowsPerRead) {
        cur.ReportFileError(line);
        return 0;
    }
    m_nRowsRead += rows;
    group.m_rows.assign(static_cast<std::size_t>(rows),
                        CStringArray(static_cast<std::size_t>(group.m_items.GetSize())));
    itemsRead = 0;
    for (int i = 0; i < items; ++i) {
        const COptionItem& item = group.m_items[i];
        const std::string key = StripBracketPrefix(item.m_strName) + "(" + item.m_strKind + ")=";
        if (!cur.FileKeyValue(line, key.c_str(), value))
            return 0;
        // No rows: an empty value holds no values.
        CStringList values;
        if (!(rows == 0 && value.empty()))
            values = SplitToStringList(value, ',');
        if (values.size() > group.m_rows.size()) {
            if (texts && texts->elements)
                Tell(texts->elements(g));
            else
                Tell("信息元素的个数与前项不一致!");
            return 0;
        }
        for (std::size_t r = 0; r < values.size(); ++r)
            group.m_rows[r][static_cast<std::size_t>(i)] = values[r];
        itemsRead = i + 1;
    }
    if (!cur.FileCloseBrace(line))
        return 0;
    return 1;
}

int CConfigDoc::ReadDeviceInfo(CLineCursor& cur) {
    std::string line;
    int count = 0;
    if (!cur.Line(line, cfgfile::kDeviceInfo) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    if (count != m_devices.GetSize()) {
        Tell("装置总数不符!");
        return 0;
    }
    for (CDevice& device : m_devices) {
        CDeviceTemplate& model = device.m_model;
        int related = 0;
        if (!cur.Line(line, StrFormat(cfgfile::kDeviceHead, device.m_nAddress).c_str()) || !cur.OpenBrace() ||
            !cur.Line(line, cfgfile::kRelatedInfo) || !cur.OpenBrace() ||
            !cur.KeyInt(line, cfgfile::kKeyCount, related))
            return 0;
        if (related != static_cast<int>(model.m_relatedInfo.size())) {
            Tell(StrFormat("装置%d[%s]的相关信息与定义[%s]不符!", device.m_nAddress,
                           device.m_strDescription.c_str(), model.m_strName.c_str()));
            return 0;
        }
        for (int i = 0; i < related; ++i)
            cur.Line(line, nullptr);
        if (!cur.CloseBrace() || !ReadVariableInfo(cur, model.m_optionGroups) ||
            !ReadDeviceEntries(cur, device) || !cur.CloseBrace())
            return 0;
    }
    return cur.CloseBrace();
}

namespace {

// The entries of a device model found by the reference of an entry line: an index built on
// the first use, as IEC 61850 models hold thousands of entries (the model does not change while
// its device is read).
class CReferenceIndex {
public:
    explicit CReferenceIndex(CDeviceTemplate& model) : model_(model) {}
    CInfoEntry* Find(const std::string& groupName, const std::string& reference) {
        if (!built_) {
            for (CInfoGroup& g : model_.m_groups)
                for (CInfoEntry& m : g.m_entries)
                    if (!m.m_strReference.empty())
                        index_.emplace(ReferenceKey(g.m_strName, m.m_strReference), &m);
            built_ = true;
        }
        const auto found = index_.find(ReferenceKey(groupName, reference));
        return found == index_.end() ? nullptr : found->second;
    }

private:
    CDeviceTemplate& model_;
    std::unordered_map<std::string, CInfoEntry*> index_;
    bool built_ = false;
};

// The model's entry an entry line read is for: by its reference first, then by its numbers.
CInfoEntry* MatchEntry(CDeviceTemplate& model, const CInfoEntry& read, const std::string& groupName,
                       bool keepsAll, CReferenceIndex& index) {
    CInfoEntry* target = nullptr;
    // A reference may stand twice in a group (a tap changer's raise/lower and stop rows): the
    // entry of the line's own number is taken first when it is that point.
    if (!read.m_strReference.empty()) {
        CInfoGroup* owner = model.FindGroup(read.m_nGroup);
        CInfoEntry* numbered = owner && platform::EqualsNoCase(owner->m_strName, groupName)
                                   ? owner->m_entries.GetByEntryNo(read.m_nEntry)
                                   : nullptr;
        if (numbered && platform::EqualsNoCase(numbered->m_strReference, read.m_strReference))
            target = numbered;
    }
    if (!target && !read.m_strReference.empty())
        target = keepsAll ? model.FindEntryByReference(groupName, read.m_strReference)
                          : index.Find(groupName, read.m_strReference);
    if (!target)
        target = model.FindEntry(read.m_nGroup, read.m_nEntry);
    return target;
}

} // namespace

int CConfigDoc::ReadDeviceEntries(CLineCursor& cur, CDevice& device) {
    CDeviceTemplate& model = device.m_model;
    std::string line, value;
    int groups = 0;
    if (!cur.KeyInt(line, cfgfile::kKeyCount, groups))
        return 0;
    // A device whose model the library lacks keeps the entries of the file.
    const bool keepsAll = device.m_nAddress == kStatusDeviceAddress ||
                          device.m_nAddress == kCompositeDeviceAddress || model.m_groups.IsEmpty();
    CReferenceIndex index(model);
    for (int g = 0; g < ConfigCount(groups); ++g) {
        cur.Line(line, nullptr);
        const std::string head = TrimCopy(line);
        const std::string groupName = head.size() >= 2 ? head.substr(1, head.size() - 2) : std::string();
        int entries = 0;
        if (!cur.OpenBrace() || !cur.KeyValue(line, cfgfile::kKeyType, value))
            return 0;
        const int type = InfoTypeFromName(platform::Trim(value));
        if (!cur.KeyInt(line, cfgfile::kKeyCount, entries))
            return 0;
        for (int e = 0; e < ConfigCount(entries); ++e) {
            cur.Line(line, nullptr);
            CInfoEntry read;
            if (!read.ParseReference(TrimCopy(line))) {
                cur.ReportReadError(line);
                return 0;
            }
            read.m_strGroupName = groupName;
            if (CInfoEntry* target = MatchEntry(model, read, groupName, keepsAll, index)) {
                // The model keeps its numbering and the expression; the file gives the rest.
                read.m_nSeq = target->m_nSeq;
                read.m_nGroup = target->m_nGroup;
                read.m_nEntry = target->m_nEntry;
                read.m_expr = target->m_expr;
                *target = read;
                if (CInfoGroup* owner = model.FindGroup(read.m_nGroup))
                    owner->m_nType = type;
            } else if (keepsAll) {
                CInfoGroup* owner = model.FindGroup(read.m_nGroup);
                if (!owner) {
                    CInfoGroup created;
                    created.m_strName = groupName;
                    created.m_nType = type;
                    created.m_nGroupNo = read.m_nGroup;
                    model.m_groups.Add(std::move(created));
                    owner = &model.m_groups[model.m_groups.GetSize() - 1];
                }
                owner->m_entries.InsertSorted(read);
            } else {
                Tell(StrFormat("第%d行条目信息: %s在定义中不存在!", cur.LineNumber(), line.c_str()));
            }
        }
        if (!cur.CloseBrace())
            return 0;
    }
    return 1;
}

int CConfigDoc::ReadCompositeSignals(CLineCursor& cur) {
    std::string line;
    int count = 0;
    if (!cur.Line(line, cfgfile::kCompositeSignals) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    CDevice* device = FindDevice(kCompositeDeviceAddress);
    int total = 0;
    if (device)
        for (const CInfoGroup& g : device->m_model.m_groups)
            total += g.m_entries.GetSize();
    if (count != total) {
        Tell("复合信号数目不对应!");
        return 0;
    }
    for (int c = 0; c < count; ++c)
        if (!ReadCompositeSignal(cur, c, *device))
            return 0;
    return cur.CloseBrace();
}

int CConfigDoc::ReadCompositeSignal(CLineCursor& cur, int c, CDevice& device) {
    std::string line, value;
    std::string name;
    int items = 0;
    if (!cur.Line(line, StrFormat("[复合信号:%d]", c).c_str()) || !cur.OpenBrace() ||
        !cur.KeyValue(line, cfgfile::kKeyName, name) || !cur.KeyInt(line, cfgfile::kKeyItemCount, items))
        return 0;
    auto fields = [&](CStringList& f) {
        if (!cur.KeyValue(line, cfgfile::kKeyOperation, value))
            return false;
        f = SplitToStringList(value, ',');
        if (f.size() != 4) {
            cur.ReportLineError();
            return false;
        }
        return true;
    };
    CStringList head;
    if (!fields(head))
        return 0;
    CInfoEntry* entry = device.m_model.FindEntry(platform::AtoI(head[2]), platform::AtoI(head[3]));
    if (!entry) {
        cur.ReportLineError();
        return 0;
    }
    // The operand and operator lines up to the block's "}": one operand and its operator, or
    // two operands followed by operator and operand pairs. Reading them up to the brace takes
    // every layout the writer gives, whatever the item count says.
    // Each line keeps its number, so that a fault found after the block was read is reported
    // on the line that holds it.
    std::vector<CStringList> lines;
    std::vector<int> lineNumbers;
    for (;;) {
        cur.Line(line, nullptr);
        const std::string t = TrimCopy(line);
        if (t == "}")
            break;
        CStringList f;
        if (!CLineCursor::KeyValueOf(line, cfgfile::kKeyOperation, value) ||
            (f = SplitToStringList(value, ',')).size() != 4) {
            cur.ReportLineError();
            return 0;
        }
        lines.push_back(std::move(f));
        lineNumbers.push_back(cur.LineNumber());
    }
    CExpression& expr = entry->m_expr;
    expr.m_operands.clear();
    bool haveOperator = false;
    auto operand = [&](const CStringList& f) {
        CExprOperand op;
        op.m_nKind = static_cast<std::uint8_t>(platform::AtoI(f[0]));
        op.m_nAddress = platform::AtoI(f[1]);
        op.m_nGroup = platform::AtoI(f[2]);
        op.m_nEntry = platform::AtoI(f[3]);
        expr.m_operands.push_back(op);
    };
    auto setOperator = [&](const CStringList& f, int lineNumber) {
        const auto code = static_cast<std::uint8_t>(platform::AtoI(f[0]));
        if (haveOperator && code != expr.m_nOperator) {
            CLineCursor::ReportReadErrorAt(lineNumber, StrFormat("%s采用了非单一的运算符", name.c_str()));
        }
        expr.m_nOperator = code;
        haveOperator = true;
    };
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (k == 0 || (k == 1 && lines.size() > 2) || (k >= 2 && k % 2 == 1))
            operand(lines[k]);
        else
            setOperator(lines[k], lineNumbers[k]);
    }
    (void)items;
    return 1;
}

} // namespace projectmodel
