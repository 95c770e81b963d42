// The definition-library loaders of the project document. Every problem is reported in a
// message box and loading goes on, so that a project stays usable with what was read.
#include "projectmodel/ConfigDoc.h"

#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

// Counts read from library files; a damaged file must not make the loader allocate millions of
// records.
int Count(int n) {
    return BoundedCount(n, 65535);
}

// "读取文件:%s\n[%s]"%s"失败!"
std::string ReadFailed(const std::string& file, std::string_view section, std::string_view key);

// A count of a library file bounded by what a unit's definitions hold: a larger one is reported
// and taken as 0, so that a damaged file cannot make the loader build or ask about millions of
// items.
int Bounded(int n, int cap, const std::string& file, std::string_view section, std::string_view key) {
    if (n <= cap)
        return Count(n);
    platform::MessageBox(ReadFailed(file, section, key), {}, platform::Icon::Warning, platform::Buttons::Ok);
    return 0;
}

constexpr int kMaxOptionGroups = 256;
constexpr int kMaxOptionItems = 1024;
constexpr int kMaxRefTables = 256;

// A library INI file is read once before its values: one that is there but cannot be read is
// told and counted, never taken for a file holding the defaults.
const fs::path& Checked(const fs::path& file) {
    CUnreadFiles::Note(file, platform::LoadProfileFile(file), true);
    return file;
}

std::string Str(std::string_view section, std::string_view key, std::string_view def, std::size_t size,
                const fs::path& file) {
    return platform::GetPrivateProfileString(section, key, def, size, Checked(file));
}

int Int(std::string_view section, std::string_view key, int def, const fs::path& file) {
    return platform::GetPrivateProfileInt(section, key, def, Checked(file));
}

// True when the file is there and can be read (a failure other than absence is counted; the
// caller tells it).
bool CanRead(const fs::path& file) {
    const int error = platform::LoadProfileFile(file);
    CUnreadFiles::Note(file, error, false);
    return error == 0;
}

// A list file: every line trimmed, empty lines skipped. False when it cannot be read (a failure
// other than absence is counted; the caller tells it).
bool ReadList(const fs::path& file, std::vector<std::string>& lines) {
    platform::CGbkLineReader reader;
    if (!reader.Open(file)) {
        CUnreadFiles::Note(file, reader.OpenError(), false);
        return false;
    }
    std::string line;
    while (reader.ReadLine(line)) {
        std::string t = TrimCopy(line);
        if (!t.empty())
            lines.push_back(std::move(t));
    }
    return true;
}

// "读取文件:%s\n[%s]"%s"失败!"
std::string ReadFailed(const std::string& file, std::string_view section, std::string_view key) {
    return "读取文件:" + file + "\n[" + std::string(section) + "]\"" + std::string(key) + "\"失败!";
}

// Parses an option definition of a library file: a line that does not parse is reported and
// leaves an empty item (false); a BYTE or WORD range wider than its kind is used as cut to it,
// and the monitor pane says so.
bool ParseOption(COptionItem& item, const std::string& line, const std::string& file,
                 std::string_view section, std::string_view key) {
    bool clamped = false;
    if (!item.ParseDefinition(line, nullptr, &clamped)) {
        Tell(ReadFailed(file, section, key));
        item = COptionItem();
        return false;
    }
    if (clamped)
        CProjectContext::Instance().Shell().MonitorLine(platform::StrFormat(
            "文件:%s [%s]\"%s\" 的范围超出%s类型，按%s-%s使用", file.c_str(), std::string(section).c_str(),
            std::string(key).c_str(), item.m_strKind.c_str(), item.m_choices[0].c_str(),
            item.m_choices[1].c_str()));
    return true;
}

bool EndsWithNoCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           platform::EqualsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

} // namespace

int CConfigDoc::LoadVariableOptionGroups(const fs::path& file, CItemRecordArray& groups) {
    const std::string shown = file.string();
    for (int i = 1; i <= groups.GetSize(); ++i) {
        CItemRecord group;
        const std::string section = platform::StrFormat("可变选项%d", i);
        group.m_strName = platform::Trim(Str(section, "名称", section, 500, file));
        group.m_nDimension = Int(section, "维数", 1, file);
        group.m_items.SetSize(
            Bounded(Int(section, "数目", 0, file), kMaxOptionItems, shown, section, "数目"));
        for (int j = 1; j <= group.m_items.GetSize(); ++j) {
            const std::string key = platform::StrFormat("选项%d", j);
            COptionItem& item = group.m_items[j - 1];
            ParseOption(item, Str(section, key, "", 500, file), shown, section, key);
        }
        if (group.m_nDimension > 0) {
            CStringArray row;
            group.m_items.GetDefaultValues(row);
            group.m_rows.push_back(std::move(row));
        }
        groups[i - 1] = std::move(group);
    }
    return 1;
}

int CConfigDoc::LoadOptions() {
    CProjectContext& context = CProjectContext::Instance();
    const fs::path file = LibraryFile(cfgfile::kLibraryConfigFile);
    const std::string shown = file.string();
    m_boardCfg.m_strUnitName = platform::Trim(Str("装置属性", "名称", "未命名", 200, file));

    m_deviceExtItems.RemoveAll();
    m_deviceExtItems.SetSize(Bounded(Int("装置总表扩展信息", "数目", 0, file), kMaxOptionItems, shown,
                                     "装置总表扩展信息", "数目"));
    for (int i = 1; i <= m_deviceExtItems.GetSize(); ++i) {
        const std::string key = platform::StrFormat("选项%d", i);
        COptionItem& item = m_deviceExtItems[i - 1];
        ParseOption(item, Str("装置总表扩展信息", key, "", 500, file), shown, "装置总表扩展信息", key);
    }

    m_nProjectType = Int("装置属性", "ProjectType", 0, file) == 1 ? 1 : 0;

    m_boardCfg.m_groups.RemoveAll();
    m_boardCfg.m_groups.SetSize(Bounded(Int("装置属性", "可变选项组数", 0, file), kMaxOptionGroups, shown,
                                        "装置属性", "可变选项组数"));
    LoadVariableOptionGroups(file, m_boardCfg.m_groups);

    auto isTrue = [&](const char* key, const char* def) {
        return platform::ToLowerAscii(Str("SysConfig", key, def, 16, file)) == "true";
    };
    context.m_bGetGoosePoints = isTrue("GetGoosePoints", "false");
    context.m_bGetDescFromDu = isTrue("GetDescFromDu", "true");
    context.m_bSelYtFromYk = isTrue("SelYtFromYk", "false");
    return 1;
}

int CConfigDoc::LoadBoardConfig() {
    const fs::path file = LibraryFile(cfgfile::kLibraryConfigFile);
    int count = Count(Int(cfgfile::kLibraryBoardSection, cfgfile::kLibraryBoardCountKey, 0, file));
    if (count > kMaxBoards) {
        Tell(ReadFailed(file.string(), cfgfile::kLibraryBoardSection, cfgfile::kLibraryBoardCountKey));
        count = kMaxBoards;
    }
    m_boardCfg.m_boards.RemoveAll();
    m_boardCfg.m_boards.SetSize(count);
    m_boardCfg.m_nBoardCount = count;
    for (int k = 1; k <= count; ++k) {
        const std::string name = Str(cfgfile::kLibraryBoardSection,
                                     platform::StrFormat(cfgfile::kLibraryBoardKey, k), "", 500, file);
        if (name.empty())
            break;
        CBoardInfo board;
        board.m_nNumber = k - 1;
        LoadBoardPorts(board, name);
        m_boardCfg.m_boards[k - 1] = std::move(board);
    }
    AddVirtualDevices();
    if (Views())
        Views()->RebuildTree();
    return 1;
}

void CConfigDoc::AddVirtualDevices() {
    CDeviceTemplate custom;
    const bool haveCustom = LoadDeviceModelFile("自定义装置", custom) != 0;
    CProjectModel::AddVirtualDevices(haveCustom ? &custom : nullptr);
}

int CConfigDoc::LoadBoardPorts(CBoardInfo& board, const std::string& fileName) {
    const fs::path file = platform::JoinPath(LibraryFolder(), fileName);
    board.m_strType = platform::Trim(Str("板卡属性", "类型", "未定义", 500, file));
    board.m_ports.RemoveAll();
    const std::string names = Str("板卡属性", "通讯口名称", "", 500, file);
    if (names.empty()) {
        Tell("读取文件:" + fileName + "\n[板卡属性]\"通讯口名称\"失败!");
        NumberPorts(board);
        return 0;
    }
    // A board carries a few port groups and at most so many ports in all: a damaged list or count
    // is refused before ports are made for it.
    const CStringList pieces = SplitToStringList(names, ',');
    if (static_cast<int>(pieces.size()) > kMaxPortGroupsPerBoard) {
        Tell(ReadFailed(fileName, "板卡属性", "通讯口名称"));
        NumberPorts(board);
        return 0;
    }
    int portsLeft = kMaxPortsPerBoard;
    for (const std::string& piece : pieces) {
        CPortArray group;
        group.m_strName = platform::Trim(piece);
        const std::string section = group.m_strName + "配置";
        int count = Count(Int(section, "数目", 0, file));
        if (count > portsLeft) {
            Tell(ReadFailed(fileName, section, "数目"));
            break;
        }
        portsLeft -= count;
        const std::string type = platform::Trim(Str(section, "类型", "", 100, file));
        if (type.empty())
            Tell(ReadFailed(fileName, section, "类型"));
        else if (type == "串口")
            group.m_bSerial = 1;
        else if (type == "网络")
            group.m_bSerial = 0;
        else
            Tell("错误: 文件:" + fileName + "\n未定义的通讯口类型:" + type + "!");
        group.m_strType = type;
        const std::string options = Str(section, "配置文件", "", 500, file);
        if (options.empty())
            Tell(ReadFailed(fileName, section, "配置文件"));
        else
            LoadPortOptions(group, options);
        for (int i = 0; i < count; ++i) {
            CPortRecord port;
            port.m_strName = group.m_strName;
            port.m_nNumber = i;
            port.m_strType = group.m_strType;
            port.SetValuesFrom(group.m_options);
            group.Add(std::move(port));
        }
        board.m_ports.Add(std::move(group));
    }
    NumberPorts(board);
    return 1;
}

int CConfigDoc::LoadPortOptions(CPortArray& group, const std::string& fileName) {
    const fs::path file = platform::JoinPath(LibraryFolder(), fileName);
    group.m_options.RemoveAll();
    group.m_options.SetSize(
        Bounded(Int("配置选项", "数目", 0, file), kMaxOptionItems, fileName, "配置选项", "数目"));
    for (int i = 1; i <= group.m_options.GetSize(); ++i) {
        const std::string key = platform::StrFormat("选项%d", i);
        COptionItem& item = group.m_options[i - 1];
        if (!ParseOption(item, Str("配置选项", key, "", 500, file), fileName, "配置选项", key))
            continue;
        // A protocol choice holding one communication mode lists the protocols of that mode.
        if (item.IsKind("PRTC") && item.m_choices.size() == 1 && item.m_choices.front() != "未用") {
            const std::string mode = item.m_choices.front();
            item.m_choices.assign(1, "未用");
            m_protocolLibrary.GetNamesByMode(mode, item.m_choices);
        }
    }
    return 1;
}

int CConfigDoc::LoadDeviceModels() {
    CProjectContext& context = CProjectContext::Instance();
    const fs::path folder = LibraryFile("二次装置");
    const fs::path list = platform::FindNoCase(folder, cfgfile::kDeviceListFile);
    std::vector<std::string> lines;
    if (!ReadList(list, lines)) {
        Tell(platform::StrFormat("装置列表文件:%s，无法打开!", list.string().c_str()));
        return 0;
    }
    for (const std::string& line : lines) {
        std::string model = line;
        if (EndsWithNoCase(line, ".cid") || EndsWithNoCase(line, ".icd")) {
            const std::string base = line.substr(0, line.size() - 4);
            model = "IEC61850_" + base;
            // A model text that cannot be looked at is told, not offered for conversion as if missing.
            int error = 0;
            const fs::path txt = platform::IsSafeFileName(model + ".txt")
                                     ? platform::FindNoCase(folder, model + ".txt", &error)
                                     : fs::path();
            const platform::PathStat txtStat = txt.empty() ? platform::PathStat{} : platform::StatPath(txt);
            if (!CUnreadFiles::Note(txt, error != 0 ? error : txtStat.error, true))
                continue;
            if (!txtStat.file) {
                if (platform::MessageBox(
                        platform::StrFormat("61850装置:%s 的txt文本不存在，是否进行转换？", base.c_str()),
                        "确认", platform::Icon::Question, platform::Buttons::YesNo) != platform::Answer::Yes)
                    continue;
                IClassificationLibrary& classifier = context.Classifier();
                if (!platform::IsSafeFileName(line) ||
                    !classifier.ReadICDFile(platform::FindNoCase(folder, line).string()))
                    continue;
                if (!classifier.OpenCIDSpy(0, 0, 600, 800))
                    continue;
            }
        }
        context.Shell().RepaintMainWindow();
        CDeviceTemplate tpl;
        if (LoadDeviceModelFile(model, tpl))
            m_deviceModels.Add(std::move(tpl));
        else
            Tell("读取装置型号 " + model + " 信息文本错误!\n");
    }
    return 1;
}

int CConfigDoc::LoadDeviceModelFile(const std::string& model, CDeviceTemplate& tpl) {
    // A name from a list file is one file name; anything that would leave the folder is refused.
    if (!platform::IsSafeFileName(model + ".txt"))
        return 0;
    const fs::path folder = LibraryFile("二次装置");
    const fs::path txt = platform::FindNoCase(folder, model + ".txt");
    platform::CGbkLineReader reader;
    if (!reader.Open(txt)) {
        CUnreadFiles::Note(txt, reader.OpenError(), true);
        return 0;
    }
    tpl.m_strName = model;
    const std::string upper = platform::ToUpperAscii(model);
    const std::size_t v = upper.rfind('V');
    if (v != std::string::npos)
        tpl.m_strVersion = model.substr(v + 1);
    tpl.m_groups.RemoveAll();

    enum class Section { None, Name, Type, Group };
    Section section = Section::None;
    CInfoGroup* group = nullptr;
    std::string line;
    int lineNo = 0;
    auto formatError = [&]() {
        Tell(platform::StrFormat("文件:%s第%d行格式错误", txt.string().c_str(), lineNo));
        return 0;
    };
    while (reader.ReadLine(line)) {
        ++lineNo;
        const std::string t = TrimCopy(line);
        if (t.empty())
            continue;
        const std::size_t open = t.find('[');
        const std::size_t close = t.rfind(']');
        const bool hasOpen = open != std::string::npos;
        const bool hasClose = close != std::string::npos;
        if (hasOpen && hasClose) {
            const std::string name =
                close > open ? TrimCopy(t.substr(open + 1, close - open - 1)) : std::string();
            if (name == "名称" || name == "装置名称") {
                section = Section::Name;
            } else if (name == "类型" || name == "装置类型") {
                section = Section::Type;
            } else {
                CInfoGroup g;
                g.m_strName = name;
                tpl.m_groups.Add(std::move(g));
                group = &tpl.m_groups[tpl.m_groups.GetSize() - 1];
                section = Section::Group;
            }
            continue;
        }
        if (hasOpen || hasClose)
            return formatError();
        switch (section) {
        case Section::None:
            return formatError();
        case Section::Name:
            break;
        case Section::Type:
            tpl.m_strType = t;
            break;
        case Section::Group:
            if (!group->AddEntryFromText(t))
                return formatError();
            break;
        }
    }

    const fs::path cfg = platform::FindNoCase(folder, model + ".cfg");
    tpl.m_optionGroups.RemoveAll();
    tpl.m_optionGroups.SetSize(
        Bounded(Int("属性", "可变选项组数", 0, cfg), kMaxOptionGroups, cfg.string(), "属性", "可变选项组数"));
    tpl.m_strProtocol = platform::Trim(Str("属性", "默认规约", "", 128, cfg));
    for (CInfoGroup& g : tpl.m_groups)
        g.m_nType = InfoTypeFromName(platform::Trim(Str("数据分类", g.m_strName, "", 20, cfg)));
    tpl.m_relatedInfo.clear();
    const int related =
        Bounded(Int("相关信息", "数目", 0, cfg), kMaxOptionItems, cfg.string(), "相关信息", "数目");
    for (int i = 1; i <= related; ++i)
        tpl.m_relatedInfo.push_back(Str("相关信息", platform::StrFormat("信息%d", i), "", 500, cfg));
    return LoadVariableOptionGroups(cfg, tpl.m_optionGroups);
}

int CConfigDoc::LoadProtocols() {
    const fs::path list = LibraryFile("规约\\Protocol.ini");
    std::vector<std::string> lines;
    if (!ReadList(list, lines)) {
        Tell(platform::StrFormat("规约列表文件:%s，无法打开!", list.string().c_str()));
        return 0;
    }
    for (const std::string& name : lines) {
        CProtocolDef protocol;
        if (!LoadProtocolFile(name, protocol)) {
            Tell("读取规约 " + name + " 文件错误!\n");
            break;
        }
        m_protocolLibrary.Add(std::move(protocol));
    }
    return 1;
}

void CConfigDoc::LoadRefTables(const fs::path& file, const std::string& shownName, CRefTableArray& tables) {
    tables.RemoveAll();
    tables.SetSize(
        Bounded(Int("引用表配置", "数目", 0, file), kMaxRefTables, shownName, "引用表配置", "数目"));
    for (int i = 1; i <= tables.GetSize(); ++i) {
        const std::string key = platform::StrFormat("引用表%d", i);
        const CStringList pieces = SplitToStringList(Str("引用表配置", key, "", 500, file), ',');
        if (pieces.size() < 3) {
            Tell(ReadFailed(shownName, "引用表配置", key));
            continue;
        }
        CRefTable& table = tables[i - 1];
        table.m_strName = platform::Trim(pieces[0]);
        table.m_nType = InfoTypeFromName(platform::Trim(pieces[1]));
        table.m_columns.SetSize(
            Bounded(platform::AtoI(pieces[2]), kMaxOptionItems, shownName, "引用表配置", key));
        for (int j = 1; j <= table.m_columns.GetSize(); ++j) {
            const std::string attr = platform::StrFormat("引用表%d扩展属性%d", i, j);
            COptionItem& column = table.m_columns[j - 1];
            ParseOption(column, Str("引用表配置", attr, "", 500, file), shownName, "引用表配置", attr);
        }
    }
}

int CConfigDoc::LoadProtocolFile(const std::string& name, CProtocolDef& protocol) {
    const fs::path file = LibraryFile("规约");
    const fs::path path = platform::IsSafeFileName(name + ".ini") ? platform::FindNoCase(file, name + ".ini")
                                                                  : file / (name + ".ini");
    if (!platform::IsSafeFileName(name + ".ini") || !CanRead(path)) {
        Tell(platform::StrFormat("规约文件:%s打开错误", path.string().c_str()));
        return 0;
    }
    protocol.m_strName = platform::Trim(Str("属性", "名称", name, 500, path));
    protocol.m_nNumber = Int("属性", "规约号", 0, path);
    protocol.m_strType = platform::Trim(Str("属性", "类型", "", 500, path));
    protocol.m_strCommMode = platform::Trim(Str("属性", "通讯方式", "", 500, path));
    protocol.m_groups.RemoveAll();
    protocol.m_groups.SetSize(Bounded(Int("属性", "可变选项组数", 0, path), kMaxOptionGroups, path.string(),
                                      "属性", "可变选项组数"));
    protocol.m_deviceAddresses.clear();
    LoadRefTables(path, path.string(), protocol.m_tables);
    return LoadVariableOptionGroups(path, protocol.m_groups);
}

int CConfigDoc::LoadEquipmentFile(const std::string& name, CNamePairRecord& record) {
    const fs::path folder = LibraryFile("一次设备");
    const fs::path path = platform::IsSafeFileName(name + ".ini")
                              ? platform::FindNoCase(folder, name + ".ini")
                              : folder / (name + ".ini");
    if (!platform::IsSafeFileName(name + ".ini") || !CanRead(path)) {
        Tell(platform::StrFormat("配置文件:%s打开错误", path.string().c_str()));
        return 0;
    }
    record.m_strName = platform::Trim(Str("属性", "名称", name, 500, path));
    record.m_strType = platform::Trim(Str("属性", "类型", "", 500, path));
    record.m_groups.RemoveAll();
    record.m_groups.SetSize(Bounded(Int("属性", "可变选项组数", 0, path), kMaxOptionGroups, path.string(),
                                    "属性", "可变选项组数"));
    LoadRefTables(path, path.string(), record.m_tables);
    return LoadVariableOptionGroups(path, record.m_groups);
}

int CConfigDoc::LoadEquipmentSettings() {
    const fs::path list = LibraryFile("一次设备\\setting.ini");
    std::vector<std::string> lines;
    if (!ReadList(list, lines)) {
        Tell(platform::StrFormat("装置列表文件:%s，无法打开!", list.string().c_str()));
        return 0;
    }
    for (const std::string& name : lines) {
        CNamePairRecord record;
        if (!LoadEquipmentFile(name, record)) {
            Tell(platform::StrFormat("读取配置%s信息文本错误!\n", name.c_str()));
            break;
        }
        m_portConfigLibrary.Add(std::move(record));
    }
    return 1;
}

int CConfigDoc::LoadEquipmentList() {
    const fs::path list = LibraryFile("一次设备\\equipmentlist.ini");
    std::vector<std::string> lines;
    if (!ReadList(list, lines)) {
        Tell(platform::StrFormat("一次设备列表文件:%s，无法打开!", list.string().c_str()));
        return 0;
    }
    for (const std::string& name : lines) {
        CNamePairRecord record;
        if (!LoadEquipmentFile(name, record)) {
            Tell(platform::StrFormat("读取一次设备%s信息文本错误!\n", name.c_str()));
            break;
        }
        m_equipmentLibrary.Add(std::move(record));
    }
    return 1;
}

int CConfigDoc::LoadVoltageLevelConfig() {
    return LoadEquipmentFile("电压等级配置", m_voltLevelConfig);
}

int CConfigDoc::LoadBayConfig() {
    return LoadEquipmentFile("间隔配置", m_bayConfig);
}

} // namespace projectmodel
