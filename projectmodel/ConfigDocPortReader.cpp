// The configuration reader of boards, ports, port-configuration files,
// reference tables and composite signals' neighbours: the [板卡配置] section of
// the main file and the "ccu_" files.
#include "projectmodel/ConfigDoc.h"

#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

using platform::StrFormat;

// The lines of one block from its "{" to the matching "}" (or to the end of the
// file). Reading a port block whole lets its protocol line be found before the
// lines that depend on the protocol.
std::vector<std::string> ReadBlock(CConfigTextFile& file) {
    std::vector<std::string> lines;
    int depth = 0;
    for (;;) {
        std::string line;
        const bool more = file.ReadString(line);
        const std::string_view t = TrimView(line);
        if (t == "{")
            ++depth;
        else if (t == "}")
            --depth;
        lines.push_back(std::move(line));
        if (!more || depth <= 0)
            break;
    }
    return lines;
}

// The value of the first line directly inside the block (depth 1) whose key is
// key.
bool FindBlockValue(const std::vector<std::string>& block, const std::string& key, std::string& value) {
    int depth = 0;
    for (const std::string& line : block) {
        const std::string t = TrimCopy(line);
        if (t == "{") {
            ++depth;
            continue;
        }
        if (t == "}") {
            --depth;
            continue;
        }
        if (depth != 1 || !platform::StartsWith(t, key))
            continue;
        const std::string rest = platform::Trim(std::string_view(t).substr(key.size()));
        if (!rest.empty() && rest.front() == '=') {
            value = platform::Trim(std::string_view(rest).substr(1));
            return true;
        }
    }
    return false;
}

// Adds the fields of one reference line to the table: a device of a device table, a point of
// any other; the fields after the numbers are the table's columns.
void AddReference(CRefTable& table, CStringList& f, std::size_t numbers, std::size_t columns, int address,
                  const CDevice* device) {
    CStringArray extras(std::make_move_iterator(f.begin() + static_cast<std::ptrdiff_t>(numbers)),
                        std::make_move_iterator(f.end()));
    if (extras.size() < columns)
        extras.resize(columns);
    if (table.IsDeviceTable()) {
        CRefTableDevice d;
        d.m_nBoard = platform::AtoI(f[0]);
        d.m_nAddress = address;
        d.m_nMappedAddress = platform::AtoI(f[2]);
        if (device) {
            d.m_strModelName = device->m_strModelName;
            d.m_strDescription = device->m_strDescription;
            d.m_strModelType = device->m_model.m_strType;
            d.m_strModelVersion = device->m_model.m_strVersion;
        }
        d.m_values = std::move(extras);
        table.m_devices.Add(std::move(d));
        return;
    }
    CRefTableEntry r;
    r.m_nAddress = address;
    r.m_nGroup = platform::AtoI(f[1]);
    r.m_nEntry = platform::AtoI(f[2]);
    r.m_nFun = platform::AtoI(f[3]);
    r.m_nInf = platform::AtoI(f[4]);
    if (device)
        r.m_nBoard = device->m_nBoard;
    r.m_values = std::move(extras);
    table.m_entries.Add(std::move(r));
}

// The file's network ports are what the board has: the library's ports beyond the file's count
// (running numbers from count on) were deleted before the save and go; the ports left are
// numbered by their places in their groups again.
void DropUnsavedNetworkPorts(CPortList& ports, int count) {
    for (CPortArray& group : ports) {
        if (PortTypeFromText(group.m_strType) != kPortTypeNetwork)
            continue;
        for (int i = group.GetSize() - 1; i >= 0; --i)
            if (group[i].m_nRunning >= count)
                group.RemoveAt(i);
        for (int i = 0; i < group.GetSize(); ++i)
            group[i].m_nNumber = i;
    }
}

} // namespace

void CConfigDoc::PlaceListedDevices(CBoardInfo& board) {
    for (int g = 0; g < board.m_ports.GetSize(); ++g) {
        CPortArray& group = board.m_ports[g];
        for (int p = 0; p < group.GetSize(); ++p) {
            for (int address : group[p].m_protocol.m_deviceAddresses) {
                if (CDevice* device = FindDevice(address)) {
                    device->m_nBoard = board.m_nNumber;
                    device->m_model.m_nPortGroup = g;
                    device->m_model.m_nPortIndex = p;
                }
            }
        }
    }
}

int CConfigDoc::ReadBoardConfig(CLineCursor& cur, const fs::path& folder) {
    std::string line;
    int count = 0;
    if (!cur.Line(line, cfgfile::kBoardConfig) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, count))
        return 0;
    if (count != m_boardCfg.m_boards.GetSize()) {
        Tell("板卡数量与定义不符!");
        return 0;
    }
    for (int i = 0; i < count; ++i)
        if (!ReadBoard(cur, i, folder))
            return 0;
    if (!cur.CloseBrace())
        return 0;
    FitLinkStatusSignals();
    return 1;
}

void CConfigDoc::FitLinkStatusSignals() {
    // The status device was built over the library's ports before the file was read; its entries
    // are one per port the boards now hold, each keeping what the file said of it.
    CDevice* device = FindDevice(kStatusDeviceAddress);
    if (!device)
        return;
    const CInfoGroupArray read = device->m_model.m_groups;
    m_boardCfg.BuildLinkStatusSignals(this);
    for (CInfoGroup& group : device->m_model.m_groups) {
        const CInfoGroup* before = nullptr;
        for (const CInfoGroup& g : read)
            if (g.m_nGroupNo == group.m_nGroupNo)
                before = &g;
        if (!before)
            continue;
        for (CInfoEntry& entry : group.m_entries)
            if (const CInfoEntry* kept = before->m_entries.GetByEntryNo(entry.m_nEntry))
                entry = *kept;
    }
}

int CConfigDoc::ReadBoard(CLineCursor& cur, int i, const fs::path& folder) {
    CBoardInfo& board = m_boardCfg.m_boards[i];
    CPortList& ports = board.m_ports;
    std::string line, value;
    int number = 0, n = 0;
    if (!cur.Line(line, StrFormat(cfgfile::kBoardHead, i).c_str()) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyAddress, number))
        return 0;
    if (number != board.m_nNumber) {
        Tell(StrFormat("板卡%d地址与定义不符!", i));
        return 0;
    }
    if (!cur.KeyValue(line, cfgfile::kKeyType, value))
        return 0;
    if (!platform::EqualsNoCase(platform::Trim(value), board.m_strType)) {
        Tell(StrFormat("板卡%d类型与定义不符!", i));
        return 0;
    }
    if (!cur.Line(line, cfgfile::kSerialConfig) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, n))
        return 0;
    if (n != ports.m_nSerialCount) {
        Tell(StrFormat("板卡%d串口类型的通信口数目与定义不符!", i));
        return 0;
    }
    for (int j = 0; j < n; ++j) {
        CPortRecord* port = ports.FindPortByTypeAndNumber("串口", j);
        if (!port || !ReadPortConfig(cur, board, *port, false, folder))
            return 0;
    }
    if (!cur.CloseBrace() || !cur.Line(line, cfgfile::kNetworkConfig) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, n))
        return 0;
    if (n > kMaxPortsPerBoard) {
        cur.ReportReadError(line);
        return 0;
    }
    n = ConfigCount(n);
    ports.m_nNetworkCount = n;
    DropUnsavedNetworkPorts(ports, n);
    for (int j = 0; j < n; ++j) {
        if (CPortRecord* port = ports.FindPortByTypeAndNumber("网络", j)) {
            if (!ReadPortConfig(cur, board, *port, false, folder))
                return 0;
            continue;
        }
        CPortRecord added;
        added.m_strType = "网络";
        added.m_nRunning = j;
        if (!ReadPortConfig(cur, board, added, true, folder))
            return 0;
        CPortArray* group = ports.FindGroupByName(added.m_strName);
        if (!group) {
            Tell(StrFormat("板卡%d通信口[%s]未定义!", board.m_nNumber, added.m_strName.c_str()));
            continue;
        }
        added.m_nNumber = group->GetSize();
        group->Add(std::move(added));
    }
    if (!cur.CloseBrace() || !cur.CloseBrace())
        return 0;
    PlaceListedDevices(board);
    return 1;
}

int CConfigDoc::ReadPortConfig(CLineCursor& cur, CBoardInfo& board, CPortRecord& port, bool adding,
                               const fs::path& folder) {
    std::string line;
    if (!cur.Line(line, StrFormat(cfgfile::kPortHead, port.m_strType.c_str(), port.m_nRunning).c_str()))
        return 0;
    // The port's block is read whole, so that its protocol line is found before
    // the lines that depend on the protocol; its lines are then checked in order,
    // counted on from the main file.
    CConfigTextFile file;
    file.OpenLines(ReadBlock(cur.File()), cur.FileName());
    CLineCursor blockCur(file, cur.LineNumber());
    const int result = ReadPortBlock(blockCur, file.Lines(), board, port, adding, folder);
    cur.SetLineNumber(blockCur.LineNumber());
    return result;
}

namespace {

// The protocol a port's block names on the line of its "PRTC" definition (the
// unused protocol for number 0 or no line); false, after the message, for a
// number the library lacks.
bool FindPortProtocol(const std::vector<std::string>& block, const COptionItemArray& defs,
                      const CProtocolDefArray& library, CProtocolDef& protocol) {
    for (const COptionItem& def : defs) {
        if (!def.IsKind("PRTC"))
            continue;
        std::string prtc;
        if (FindBlockValue(block, def.m_strName, prtc)) {
            const int code = platform::AtoI(prtc);
            if (code != 0) {
                const CProtocolDef* found = library.FindByNumber(code);
                if (!found) {
                    Tell(StrFormat("错误:\n协议号%d在定义中不存在!", code));
                    return false;
                }
                protocol = *found;
            }
        }
        break;
    }
    return true;
}

} // namespace

int CConfigDoc::ReadPortBlock(CLineCursor& cur, const std::vector<std::string>& block, CBoardInfo& board,
                              CPortRecord& port, bool adding, const fs::path& folder) {
    std::string line, value;
    int number = 0;
    if (!cur.OpenBrace() || !cur.KeyValue(line, cfgfile::kKeyDescription, value))
        return 0;
    const std::string name = platform::Trim(value);
    if (adding) {
        port.m_strName = name;
    } else if (!platform::EqualsNoCase(name, port.m_strName)) {
        Tell(StrFormat("第%d行: 板卡%d通讯口名称不符!", cur.LineNumber(), board.m_nNumber));
        return 0;
    }
    if (!cur.KeyInt(line, cfgfile::kKeyAddress, number))
        return 0;
    if (adding) {
        port.m_nRunning = number;
    } else if (number != port.m_nRunning) {
        Tell(StrFormat("第%d行: 板卡%d%s地址与定义不符!", cur.LineNumber(), board.m_nNumber,
                       port.m_strName.c_str()));
        return 0;
    }
    const CPortArray* group = board.m_ports.FindGroupByName(port.m_strName);
    if (!group) {
        Tell(StrFormat("%s在定义中不存在!", port.m_strName.c_str()));
        return 0;
    }
    const COptionItemArray& defs = group->m_options;

    // The protocol first: the configurations, variable information and tables
    // that follow are those of the library's copy of it. Number 0 is the unused
    // protocol.
    CProtocolDef protocol;
    if (!FindPortProtocol(block, defs, m_protocolLibrary, protocol))
        return 0;
    port.m_protocol = std::move(protocol);
    if (adding)
        port.SetValuesFrom(defs);
    if (port.m_values.size() < static_cast<std::size_t>(defs.GetSize()))
        port.m_values.resize(static_cast<std::size_t>(defs.GetSize()));
    m_strReaderWork = port.m_protocol.m_strName;
    if (!ReadPortConfigList(cur, port, folder))
        return 0;

    VariableInfoTexts texts;
    const std::string type = port.m_strType;
    const int running = port.m_nRunning;
    const std::string portName = port.m_strName;
    texts.groupCount = StrFormat("错误:\n组态文本中%s%d<%s>可变信息组与定义不一致！", type.c_str(), running,
                                 portName.c_str());
    texts.elements = [=](int g) {
        return StrFormat("错误:\n组态文本中%s%d<%s>可变信息%d中元素与定义不一致！", type.c_str(), running,
                         portName.c_str(), g);
    };
    if (!ReadVariableInfo(cur, port.m_protocol.m_groups, &texts) || !ReadPortValues(cur, defs, board, port))
        return 0;
    return cur.CloseBrace();
}

int CConfigDoc::ReadPortConfigList(CLineCursor& cur, CPortRecord& port, const fs::path& folder) {
    std::string line, value;
    int configs = 0;
    if (!cur.Line(line, cfgfile::kConfigInfo) || !cur.OpenBrace() ||
        !cur.KeyInt(line, cfgfile::kKeyCount, configs))
        return 0;
    for (int c = 0; c < ConfigCount(configs); ++c) {
        if (!cur.KeyValue(line, cfgfile::kKeyDescription, value))
            return 0;
        const std::string fileName = platform::Trim(value);
        // A port-configuration file lies beside the main file: a name with a folder
        // part or ".." is never opened, so that a damaged or foreign file cannot
        // make the reader leave the version folder.
        if (!platform::IsSafeFileName(fileName)) {
            Tell(StrFormat("打开文件 %s 失败!", (folder / fileName).string().c_str()));
            return 0;
        }
        CPortConfig config;
        if (!ReadPortConfigFile(platform::FindNoCase(folder, fileName), config))
            return 0;
        port.m_protocol.m_configs.m_configs.Add(std::move(config));
    }
    return cur.CloseBrace();
}

int CConfigDoc::ReadPortValues(CLineCursor& cur, const COptionItemArray& defs, CBoardInfo& board,
                               CPortRecord& port) {
    std::string line, value;
    for (int i = 0; i < defs.GetSize(); ++i) {
        const COptionItem& def = defs[i];
        if (!cur.KeyValue(line, def.m_strName.c_str(), value))
            return 0;
        if (def.IsKind("PRTC")) {
            if (platform::AtoI(value) != port.m_protocol.m_nNumber) {
                cur.ReportReadError(line);
                return 0;
            }
            port.m_values[static_cast<std::size_t>(i)] = port.m_protocol.m_strName;
        } else if (def.IsKind("DEVSUM")) {
            const int devices = ConfigCount(platform::AtoI(value));
            for (int d = 0; d < devices; ++d) {
                int address = 0;
                if (!cur.KeyInt(line, cfgfile::kKeyAddress, address))
                    return 0;
                CDevice* device = FindDevice(address);
                if (!device) {
                    Tell("配置文件错误，端口中加载了不存在的装置！");
                    return 0;
                }
                device->m_nBoard = board.m_nNumber;
                port.m_protocol.m_deviceAddresses.push_back(address);
            }
        } else if (def.IsKind("TABSUM")) {
            const int tables = ConfigCount(platform::AtoI(value));
            if (tables > port.m_protocol.m_tables.GetSize()) {
                cur.ReportReadError(line);
                return 0;
            }
            if (!ReadRefTables(cur, tables, port.m_protocol.m_tables, port.m_protocol.m_strName))
                return 0;
        } else {
            port.m_values[static_cast<std::size_t>(i)] = platform::Trim(value);
        }
    }
    return 1;
}

int CConfigDoc::ReadPortConfigFile(const fs::path& path, CPortConfig& config) {
    CConfigTextFile file;
    if (!file.Open(path)) {
        CUnreadFiles::Note(path, file.OpenError(), false);
        Tell(StrFormat("打开文件 %s 失败!", path.string().c_str()));
        return 0;
    }
    CLineCursor cur(file);
    int tables = 0;
    std::string line, value;
    if (!cur.ExpectLine(line, cfgfile::kPortConfigBegin) || !cur.FileOpenBrace(line) ||
        !cur.FileKeyValue(line, cfgfile::kKeyName, value))
        return 0;
    const CNamePairRecord* entry = m_portConfigLibrary.FindByName(value);
    if (!entry) {
        Tell(StrFormat("文件%s中\n第%d行配置%s未定义", path.string().c_str(), cur.LineNumber(),
                       value.c_str()));
        return 0;
    }
    config.m_strName = value;
    config.m_settings = *entry;
    if (!ReadVariableInfo(cur, config.m_settings.m_groups) ||
        !cur.FileKeyInt(line, cfgfile::kKeyRefTableCount, tables))
        return 0;
    if (tables != config.m_settings.m_tables.GetSize()) {
        Tell(StrFormat("文件%s中\n第%d行引用表数目与定义不符", path.string().c_str(), cur.LineNumber()));
        return 0;
    }
    if (!ReadRefTables(cur, tables, config.m_settings.m_tables, m_strReaderWork))
        return 0;
    return cur.FileCloseBrace(line);
}

int CConfigDoc::ReadRefTables(CLineCursor& cur, int count, CRefTableArray& tables,
                              const std::string& protocolName) {
    for (int t = 0; t < count && t < tables.GetSize(); ++t)
        if (!ReadRefTable(cur, tables[t], protocolName))
            return 0;
    return 1;
}

int CConfigDoc::ReadRefTable(CLineCursor& cur, CRefTable& table, const std::string& protocolName) {
    std::string line, value;
    int no = 0, entries = 0;
    if (!cur.FileKeyInt(line, cfgfile::kKeyRefTableNumber, no))
        return 0;
    if (m_nFormat >= 2) {
        int type = 0;
        if (!cur.FileKeyInt(line, cfgfile::kKeyRefTableType, type) ||
            !cur.FileKeyValue(line, cfgfile::kKeyRefTableName, value))
            return 0;
        table.m_nType = type;
        table.m_strName = value;
    }
    if (!cur.FileKeyInt(line, cfgfile::kKeyTableSize, entries))
        return 0;
    entries = ConfigCount(entries);
    const std::size_t columns = static_cast<std::size_t>(table.m_columns.GetSize());
    const bool devices = table.IsDeviceTable();
    const std::size_t numbers = devices ? 3 : 5;
    table.m_entries.RemoveAll();
    table.m_devices.RemoveAll();
    // Every element has its own line: room is made for what a file of this size
    // can hold, not for what the count claims.
    const int reserve = std::min(entries, 4096);
    if (devices)
        table.m_devices.Reserve(reserve);
    else
        table.m_entries.Reserve(reserve);
    int firstBad = 0, lastBad = 0;
    bool missingShown = false;
    // The fields of a line; the list keeps its room from one line to the next.
    CStringList f;
    for (int e = 0; e < entries; ++e) {
        if (!cur.FileKeyValue(line, cfgfile::kKeyReference, value))
            return 0;
        f.clear();
        SplitToStringList(value, f, ',');
        if (f.size() < numbers) {
            Tell(devices ? "引用装置信息格式错误: 元素少于3个!" : "引用测点信息格式错误: 元素少于5个!");
            return 0;
        }
        if (f.size() - numbers != columns) {
            if (!firstBad)
                firstBad = cur.LineNumber();
            lastBad = cur.LineNumber();
        }
        const int address = platform::AtoI(f[devices ? 1 : 0]);
        const CDevice* device = FindDevice(address);
        if (!device && !missingShown) {
            // Once per table: a project with a lost device would otherwise show a box
            // per line.
            Tell(StrFormat("装置（地址为%d）不存在，引用错误！", address));
            missingShown = true;
        }
        AddReference(table, f, numbers, columns, address, device);
    }
    if (firstBad)
        Tell(StrFormat("工程文件中%s类型引用测点扩展信息与定义不符！\n错误行数：%d - %d",
                       std::string(PointCategoryName(table.m_nType)).c_str(), firstBad, lastBad) +
             "\n规约名：" + protocolName + "\n引用表名：" + table.m_strName);
    return 1;
}

} // namespace projectmodel
