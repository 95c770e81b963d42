// The configuration file writer: the project as the files the communication unit runs on. Every
// file is GBK with CR LF; nesting is shown by two blanks per level.
#include "projectmodel/ConfigDoc.h"

#include "projectmodel/ConfigFileNames.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <charconv>
#include <initializer_list>

namespace fs = std::filesystem;

namespace projectmodel {

namespace {

using platform::CGbkTextWriter;
using platform::StrFormat;

void Put(CGbkTextWriter& out, int indent, std::string_view text) {
    std::string line(static_cast<std::size_t>(indent), ' ');
    line.append(text);
    out.WriteLine(line);
}

// Set while the writer only takes an image of the project (CConfigDoc::ConfigImage): its failures
// are part of the image, not told to the user.
thread_local bool t_quiet = false;

void CannotCreate(const fs::path& path) {
    if (t_quiet)
        return;
    platform::MessageBox(StrFormat("创建文件 %s 失败!", path.string().c_str()), {}, platform::Icon::Warning,
                         platform::Buttons::Ok);
}

// Opens a further file of the configuration; reports and gives false when it cannot.
bool OpenFurther(CGbkTextWriter& out, const fs::path& path) {
    if (!platform::IsSafeFileName(path.filename().string()) || !out.Open(path)) {
        CannotCreate(path);
        return false;
    }
    return true;
}

bool CloseFurther(CGbkTextWriter& out, const fs::path& path) {
    if (!out.Close()) {
        CannotCreate(path);
        return false;
    }
    return true;
}

void WriteLinkedDevices(CGbkTextWriter& out, const CIntArray& addresses, int indent) {
    Put(out, indent, cfgfile::kRelatedDevices);
    Put(out, indent, "{");
    Put(out, indent, StrFormat("  %s=%d", cfgfile::kKeyCount, static_cast<int>(addresses.size())));
    for (int a : addresses)
        Put(out, indent, StrFormat("  %s=%d", cfgfile::kKeyAddress, a));
    Put(out, indent, "}");
}

// Appends n as "%d" writes it.
void AppendNumber(std::string& line, int n) {
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    line.append(digits, r.ptr);
}

// The line of a reference: "引用=", its numbers, then its further values. Built into line
// (emptied first), which the tables' writers reuse from one reference to the next.
void ReferenceLine(std::string& line, int indent, std::initializer_list<int> numbers,
                   const CStringArray& values) {
    line.assign(static_cast<std::size_t>(indent), ' ');
    line += cfgfile::kKeyReference;
    line += '=';
    for (const int n : numbers) {
        AppendNumber(line, n);
        line += ',';
    }
    line.pop_back();
    for (const std::string& v : values) {
        line += ',';
        line += v;
    }
}

void PointRefLine(std::string& line, int indent, const CRefTableEntry& e) {
    ReferenceLine(line, indent, {e.m_nAddress, e.m_nGroup, e.m_nEntry, e.m_nFun, e.m_nInf}, e.m_values);
}

void WriteRelatedEntries(CGbkTextWriter& out, const CNamePairRecord& settings, int indent) {
    Put(out, indent, cfgfile::kRelatedEntries);
    Put(out, indent, "{");
    Put(out, indent, StrFormat("  %s=%d", cfgfile::kKeyCount, settings.m_tables.GetSize()));
    for (int t = 0; t < settings.m_tables.GetSize(); ++t) {
        const CRefTable& table = settings.m_tables[t];
        Put(out, indent + 2, StrFormat(cfgfile::kRefTableHead, t + 1));
        Put(out, indent, "  {");
        Put(out, indent, StrFormat("    %s=%i", cfgfile::kKeyRefTableType, table.m_nType));
        Put(out, indent, StrFormat("    %s=", cfgfile::kKeyRefTableName) + table.m_strName);
        Put(out, indent, StrFormat("    %s=%i", cfgfile::kKeyTableSize, table.m_entries.GetSize()));
        std::string line;
        for (const CRefTableEntry& e : table.m_entries) {
            PointRefLine(line, indent + 6, e);
            out.WriteLine(line);
        }
        Put(out, indent, "  }");
    }
    Put(out, indent, "}");
}

// One active entry of a device's information group.
std::string EntryLine(const CInfoEntry& e, int groupType, int inactiveBefore) {
    std::string line =
        StrFormat("%d,%d,%d,", e.m_nSeq - inactiveBefore, e.m_nGroup, e.m_nEntry - inactiveBefore);
    // A text from an older record may still hold characters the line cannot carry; they go out as
    // blanks so the file always reads back.
    line += ConfigLineSafeText(e.m_strDesc, ConfigTextKind::EntryText) + "," + e.m_strField5 + "," +
            e.m_strField6 + "," + e.m_strField7 + "," + e.m_strField8;
    line += e.m_strExtra;
    bool appended = !e.m_strExtra.empty();
    auto attribute = [&](const std::string& text) {
        line += appended ? ";" : ",";
        line += text;
        appended = true;
    };
    if (!e.m_strReference.empty())
        attribute("FCDA=" + e.m_strReference);
    if (groupType == kInfoTypeYK) {
        if (!e.m_strCloseRule.empty())
            attribute("合规则=" + e.m_strCloseRule);
        if (!e.m_strOpenRule.empty())
            attribute("分规则=" + e.m_strOpenRule);
        if (e.m_yx[0] != -1 && e.m_yx[1] != -1 && e.m_yx[2] != -1)
            attribute(StrFormat("遥信=%d,%d,%d", e.m_yx[0], e.m_yx[1], e.m_yx[2]));
    } else if (!e.m_strCloseRule.empty()) {
        attribute(";校验规则=" + e.m_strCloseRule);
    }
    if (e.m_equip[0] >= 0 && e.m_equip[1] >= 0 && e.m_equip[2] >= 0 && e.m_equip[3] >= 0 && e.m_equip[4] >= 0)
        attribute(StrFormat("设备=%d,%d,%d,%d,%d", e.m_equip[0], e.m_equip[1], e.m_equip[2], e.m_equip[3],
                            e.m_equip[4]));
    return line;
}

} // namespace

std::string CConfigDoc::PortConfigFileName(const CBoardInfo& board, const CPortRecord& port,
                                           const CPortConfig& config) {
    return cfgfile::kFurtherFilePrefix +
           StrFormat("板卡%d_%s%d_规约%d_%s配置", board.m_nNumber, port.m_strName.c_str(), port.m_nNumber,
                     port.m_protocol.m_nNumber, config.m_strName.c_str()) +
           cfgfile::kFurtherFileSuffix;
}

int CConfigDoc::CompositeItemCount(const CExpression& expr) {
    const int o = expr.m_nOperator;
    const int m = static_cast<int>(expr.m_operands.size());
    if ((o >= 15 && o <= 22) || o == 7 || o == 25)
        return m + 2;
    if (o == 23 && m == 1)
        return 3;
    return 2 * m;
}

namespace {

// The image of a configuration file set: what the writer returned, then each file's name and
// what the capture kept of it.
std::string ImageText(int written, const std::map<std::string, std::string>& files) {
    std::string image = StrFormat("%d\n", written);
    for (const auto& [name, kept] : files)
        image += StrFormat("%s %zu\n", name.c_str(), kept.size()) + kept;
    return image;
}

} // namespace

int CConfigDoc::WriteConfigFiles(const fs::path& path, std::string* image) {
    m_projectTime = CProjectContext::Instance().Clock().Now();
    if (!image)
        return WriteConfigFileSet(path, m_projectTime);
    // The image of what is written is taken as it is written, named as ConfigImage names it.
    platform::CGbkTextCapture digests(platform::CGbkTextCapture::Keep::DigestOfWritten, path.parent_path(),
                                      "image");
    const int written = WriteConfigFileSet(path, m_projectTime);
    *image = ImageText(written, digests.Files());
    return written;
}

int CConfigDoc::WriteConfigCopy(const fs::path& path, const CProjectTime& stamp) const {
    return WriteConfigFileSet(path, stamp);
}

std::string CConfigDoc::ConfigImage() const {
    // Only a digest of each file is kept: the image is compared, never written, and a second copy
    // of a large project's files would cost as much memory as the project itself.
    platform::CGbkTextCapture capture(platform::CGbkTextCapture::Keep::Digest);
    t_quiet = true;
    const int written =
        WriteConfigFileSet(fs::path("image") / (m_boardCfg.m_strUnitName + ".ini"), m_projectTime);
    t_quiet = false;
    return ImageText(written, capture.Files());
}

int CConfigDoc::WriteConfigFileSet(const fs::path& path, const CProjectTime& time) const {
    m_nWriteFailures = 0;
    CGbkTextWriter out;
    if (!out.Open(path)) {
        if (!t_quiet)
            platform::MessageBox("创建文件失败!", {}, platform::Icon::Warning, platform::Buttons::Ok);
        return 0;
    }
    const fs::path folder = path.parent_path();
    out.WriteLine(cfgfile::kFileBegin);
    out.WriteLine(StrFormat("%s=%d", cfgfile::kKeyFormat, 2));
    WriteProjectIdentity(out, time);
    WriteTimeSync(out);
    WriteDeviceTable(out, false);
    WriteBayReference(out, folder);
    WriteDeviceInfo(out);
    WriteBoardConfig(out, folder);
    WriteCompositeSignals(out);
    if (!out.Close()) {
        // A main file that could not be written whole must not count as saved.
        if (m_nWriteFailures == 0)
            CannotCreate(path);
        return 0;
    }
    // Any further file that failed fails the whole write: the files belong together.
    if (m_nWriteFailures != 0)
        return 0;
    return WriteVariableInfoFile(folder / cfgfile::kSystemFile);
}

void CConfigDoc::WriteProjectIdentity(CGbkTextWriter& out, const CProjectTime& t) const {
    out.WriteLine(cfgfile::kProjectIdentity);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=", cfgfile::kKeyProjectName) + m_strProjectName);
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyUnitAddress, m_boardCfg.m_nUnitAddress));
    out.WriteLine(StrFormat("  %s=%d-%d-%d %d:%d:%d", cfgfile::kKeyProjectTime, t.year, t.month, t.day,
                            t.hour, t.minute, t.second));
    out.WriteLine("}");
}

void CConfigDoc::WriteTimeSync(CGbkTextWriter& out) const {
    out.WriteLine(cfgfile::kTimeSync);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, m_timeSources.GetSize()));
    for (int i = 0; i < m_timeSources.GetSize(); ++i) {
        const CTimeSource& s = m_timeSources[i];
        out.WriteLine(StrFormat("  %s=%d,%d,%d,%d,%d", cfgfile::kKeyTimeSource, i, s.m_nBoard, s.m_nPortType,
                                s.m_nPort, s.m_nPriority));
    }
    out.WriteLine("}");
}

std::string CConfigDoc::DevicePortText(const CDevice& device) const {
    const CBoardInfo* board = m_boardCfg.m_boards.FindBoard(device.m_nBoard);
    const CPortRecord* port = board ? board->m_ports.FindPortWithDevice(device.m_nAddress) : nullptr;
    if (!port)
        return "0,0";
    return StrFormat("%d,%d", PortTypeFromText(port->m_strType), port->m_nRunning);
}

void CConfigDoc::WriteDeviceTable(CGbkTextWriter& out, bool withExtensions) const {
    out.WriteLine(cfgfile::kDeviceTable);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, m_devices.GetSize()));
    for (const CDevice& d : m_devices) {
        std::string line = StrFormat("  %s=%d,", cfgfile::kKeyDescription, d.m_nBoard) + DevicePortText(d) +
                           StrFormat(",%d,%d,", d.m_nAddress, d.m_nMappedAddress) + d.m_model.m_strType +
                           "," + d.m_model.m_strVersion + "," + d.m_model.m_strName + "," +
                           ConfigLineSafeText(d.m_strDescription, ConfigTextKind::DeviceText);
        if (withExtensions) {
            for (int i = 0; i < m_deviceExtItems.GetSize(); ++i) {
                const COptionItem& item = m_deviceExtItems[i];
                line += "," + item.m_strName + "(" + item.m_strKind + ")=";
                if (static_cast<std::size_t>(i) < d.m_optionValues.size())
                    line += d.m_optionValues[static_cast<std::size_t>(i)];
            }
        }
        out.WriteLine(line);
    }
    out.WriteLine("}");
}

void CConfigDoc::WriteBayReference(CGbkTextWriter& out, const fs::path& folder) const {
    out.WriteLine(cfgfile::kBayConfig);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%s", cfgfile::kKeyDescription, cfgfile::kBayFile));
    out.WriteLine("}");
    if (m_nWriteFailures == 0 && !WriteBayConfig(folder / cfgfile::kBayFile))
        ++m_nWriteFailures;
}

int CConfigDoc::WriteBayConfig(const fs::path& path) const {
    CGbkTextWriter out;
    if (!OpenFurther(out, path))
        return 0;
    WriteDeviceTable(out, true);

    // Only levels, bays and equipment that exist are written, so that every count line agrees
    // with the blocks after it.
    std::vector<const CVoltLevel*> levels;
    for (int code : m_voltOrder.m_codes)
        if (const CVoltLevel* level = m_voltLevels.GetById(code))
            levels.push_back(level);
    out.WriteLine(cfgfile::kBayConfig);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, static_cast<int>(levels.size())));
    for (const CVoltLevel* level : levels) {
        std::vector<const CPrjBay*> bays;
        for (int id : level->m_bayIds)
            if (const CPrjBay* bay = m_bays.GetById(id))
                bays.push_back(bay);
        out.WriteLine("  [" + level->m_strName + "]");
        out.WriteLine("  {");
        WriteVariableInfo(out, level->m_settings.m_groups, 4);
        out.WriteLine(StrFormat("    %s=%d", cfgfile::kKeyCount, static_cast<int>(bays.size())));
        for (std::size_t k = 0; k < bays.size(); ++k) {
            const CPrjBay& bay = *bays[k];
            std::vector<const CPrjDevice*> equipment;
            for (int id : bay.m_equipmentIds)
                if (const CPrjDevice* e = m_prjDevices.GetById(id))
                    equipment.push_back(e);
            Put(out, 4, StrFormat(cfgfile::kBayHead, static_cast<int>(k)));
            out.WriteLine("    {");
            out.WriteLine(StrFormat("      %s=%d,", cfgfile::kKeyDescription, bay.m_nId) + bay.m_strName);
            WriteVariableInfo(out, bay.m_settings.m_groups, 6);
            out.WriteLine(StrFormat("      %s=%d", cfgfile::kKeyCount, static_cast<int>(equipment.size())));
            for (std::size_t j = 0; j < equipment.size(); ++j) {
                const CPrjDevice& e = *equipment[j];
                Put(out, 6, StrFormat(cfgfile::kEquipmentHead, static_cast<int>(j)));
                out.WriteLine("      {");
                out.WriteLine(StrFormat("        %s=%d,", cfgfile::kKeyDescription, e.m_nId) +
                              e.m_settings.m_strName + "," + e.m_strName);
                WriteVariableInfo(out, e.m_settings.m_groups, 8);
                WriteLinkedDevices(out, e.m_linkedDevices, 8);
                WriteRelatedEntries(out, e.m_settings, 8);
                out.WriteLine("      }");
            }
            out.WriteLine("    }");
        }
        out.WriteLine("  }");
    }
    out.WriteLine("}");
    return CloseFurther(out, path) ? 1 : 0;
}

void CConfigDoc::WriteVariableInfo(CGbkTextWriter& out, const CItemRecordArray& groups, int indent) {
    Put(out, indent, cfgfile::kVariableInfo);
    Put(out, indent, "{");
    Put(out, indent, StrFormat("  %s=%d", cfgfile::kKeyCount, groups.GetSize()));
    for (int g = 0; g < groups.GetSize(); ++g) {
        const CItemRecord& group = groups[g];
        Put(out, indent + 2, StrFormat(cfgfile::kVariableGroupHead, g + 1));
        Put(out, indent, "  {");
        Put(out, indent,
            StrFormat("    %s=%d,%d", cfgfile::kKeyCount, group.m_items.GetSize(),
                      static_cast<int>(group.m_rows.size())));
        for (int i = 0; i < group.m_items.GetSize(); ++i) {
            const COptionItem& item = group.m_items[i];
            std::string line = "    " + StripBracketPrefix(item.m_strName) + "(" + item.m_strKind + ")=";
            for (std::size_t r = 0; r < group.m_rows.size(); ++r) {
                if (r > 0)
                    line += ',';
                const CStringArray& row = group.m_rows[r];
                if (static_cast<std::size_t>(i) < row.size())
                    line += row[static_cast<std::size_t>(i)];
            }
            Put(out, indent, line);
        }
        Put(out, indent, "  }");
    }
    Put(out, indent, "}");
}

void CConfigDoc::WriteDeviceInfo(CGbkTextWriter& out) const {
    out.WriteLine(cfgfile::kDeviceInfo);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, m_devices.GetSize()));
    for (const CDevice& d : m_devices) {
        const CDeviceTemplate& model = d.m_model;
        Put(out, 2, StrFormat(cfgfile::kDeviceHead, d.m_nAddress));
        out.WriteLine("  {");
        Put(out, 4, cfgfile::kRelatedInfo);
        out.WriteLine("    {");
        out.WriteLine(
            StrFormat("      %s=%d", cfgfile::kKeyCount, static_cast<int>(model.m_relatedInfo.size())));
        for (const std::string& text : model.m_relatedInfo)
            out.WriteLine("      " + text);
        out.WriteLine("    }");
        WriteVariableInfo(out, model.m_optionGroups, 4);
        out.WriteLine(StrFormat("    %s=%d", cfgfile::kKeyCount, model.m_groups.GetSize()));
        for (const CInfoGroup& group : model.m_groups) {
            out.WriteLine("    [" + group.m_strName + "]");
            out.WriteLine("    {");
            out.WriteLine(StrFormat("      %s=", cfgfile::kKeyType) +
                          std::string(PointCategoryName(group.m_nType)));
            out.WriteLine(StrFormat("      %s=%d", cfgfile::kKeyCount,
                                    group.m_entries.GetSize() - group.CountDisabled()));
            int inactive = 0;
            for (const CInfoEntry& e : group.m_entries) {
                if (!e.m_bEnabled) {
                    ++inactive;
                    continue;
                }
                out.WriteLine("      " + EntryLine(e, group.m_nType, inactive));
            }
            out.WriteLine("    }");
        }
        out.WriteLine("  }");
    }
    out.WriteLine("}");
}

void CConfigDoc::WriteBoardConfig(CGbkTextWriter& out, const fs::path& folder) const {
    out.WriteLine(cfgfile::kBoardConfig);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, m_boardCfg.m_boards.GetSize()));
    for (int i = 0; i < m_boardCfg.m_boards.GetSize(); ++i) {
        const CBoardInfo& board = m_boardCfg.m_boards[i];
        const CPortList& ports = board.m_ports;
        Put(out, 2, StrFormat(cfgfile::kBoardHead, i));
        out.WriteLine("  {");
        out.WriteLine(StrFormat("    %s=%d", cfgfile::kKeyAddress, board.m_nNumber));
        out.WriteLine(StrFormat("    %s=", cfgfile::kKeyType) + board.m_strType);
        Put(out, 4, cfgfile::kSerialConfig);
        out.WriteLine("    {");
        out.WriteLine(StrFormat("      %s=%d", cfgfile::kKeyCount, ports.m_nSerialCount));
        for (int j = 0; j < ports.m_nSerialCount; ++j)
            WritePortConfig(out, &board, ports.FindPortByTypeAndNumber("串口", j), folder);
        out.WriteLine("    }");
        Put(out, 4, cfgfile::kNetworkConfig);
        out.WriteLine("    {");
        out.WriteLine(StrFormat("      %s=%d", cfgfile::kKeyCount, ports.m_nNetworkCount));
        for (int j = 0; j < ports.m_nNetworkCount; ++j)
            WritePortConfig(out, &board, ports.FindPortByTypeAndNumber("网络", j), folder);
        out.WriteLine("    }");
        out.WriteLine("  }");
    }
    out.WriteLine("}");
}

void CConfigDoc::WritePortConfig(CGbkTextWriter& out, const CBoardInfo* board, const CPortRecord* port,
                                 const fs::path& folder) const {
    if (!board || !port)
        return;
    const CProtocolDef& protocol = port->m_protocol;
    Put(out, 6, StrFormat(cfgfile::kPortHead, port->m_strType.c_str(), port->m_nRunning));
    out.WriteLine("      {");
    out.WriteLine(StrFormat("        %s=", cfgfile::kKeyDescription) + port->m_strName);
    out.WriteLine(StrFormat("        %s=%d", cfgfile::kKeyAddress, port->m_nRunning));
    Put(out, 8, cfgfile::kConfigInfo);
    out.WriteLine("        {");
    out.WriteLine(StrFormat("          %s=%d", cfgfile::kKeyCount, protocol.m_configs.m_configs.GetSize()));
    for (const CPortConfig& config : protocol.m_configs.m_configs) {
        const std::string name = PortConfigFileName(*board, *port, config);
        out.WriteLine(StrFormat("          %s=", cfgfile::kKeyDescription) + name);
        // After one file failed the others are not tried: the save fails with that file's message.
        if (m_nWriteFailures == 0 && !WritePortConfigFile(folder / name, config))
            ++m_nWriteFailures;
    }
    out.WriteLine("        }");
    WriteVariableInfo(out, protocol.m_groups, 8);

    int g = -1, index = -1;
    const CPortArray* group = board->m_ports.LocatePort(port, g, index) ? board->m_ports.GetPtr(g) : nullptr;
    if (group) {
        for (int i = 0; i < group->m_options.GetSize(); ++i) {
            const COptionItem& def = group->m_options[i];
            if (def.IsKind("PRTC")) {
                out.WriteLine(StrFormat("        %s=%d,%s", def.m_strName.c_str(), protocol.m_nNumber,
                                        protocol.m_strName.c_str()));
            } else if (def.IsKind("DEVSUM")) {
                out.WriteLine(StrFormat("        %s=%d", def.m_strName.c_str(),
                                        static_cast<int>(protocol.m_deviceAddresses.size())));
                for (int a : protocol.m_deviceAddresses)
                    out.WriteLine(StrFormat("          %s=%d", cfgfile::kKeyAddress, a));
            } else if (def.IsKind("TABSUM")) {
                out.WriteLine(StrFormat("        %s=%d", def.m_strName.c_str(), protocol.m_tables.GetSize()));
                WriteRefTables(out, protocol.m_tables, 10);
            } else {
                std::string value;
                if (static_cast<std::size_t>(i) < port->m_values.size())
                    value = port->m_values[static_cast<std::size_t>(i)];
                out.WriteLine("        " + def.m_strName + "=" + value);
            }
        }
    }
    out.WriteLine("      }");
}

int CConfigDoc::WritePortConfigFile(const fs::path& path, const CPortConfig& config) const {
    if (path.empty())
        return 0;
    CGbkTextWriter out;
    if (!OpenFurther(out, path))
        return 0;
    out.WriteLine(cfgfile::kPortConfigBegin);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=", cfgfile::kKeyName) + config.m_strName);
    WriteVariableInfo(out, config.m_settings.m_groups, 2);
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyRefTableCount, config.m_settings.m_tables.GetSize()));
    WriteRefTables(out, config.m_settings.m_tables, 4);
    out.WriteLine("}");
    return CloseFurther(out, path) ? 1 : 0;
}

void CConfigDoc::WriteRefTables(CGbkTextWriter& out, const CRefTableArray& tables, int indent) {
    for (int i = 0; i < tables.GetSize(); ++i) {
        const CRefTable& table = tables[i];
        Put(out, indent, StrFormat("%s=%d", cfgfile::kKeyRefTableNumber, i));
        Put(out, indent, StrFormat("%s=%d", cfgfile::kKeyRefTableType, table.m_nType));
        Put(out, indent, StrFormat("%s=", cfgfile::kKeyRefTableName) + table.m_strName);
        if (table.IsDeviceTable()) {
            Put(out, indent, StrFormat("%s=%d", cfgfile::kKeyTableSize, table.m_devices.GetSize()));
            std::string line;
            for (const CRefTableDevice& d : table.m_devices) {
                ReferenceLine(line, indent + 2, {d.m_nBoard, d.m_nAddress, d.m_nMappedAddress}, d.m_values);
                out.WriteLine(line);
            }
        } else {
            Put(out, indent, StrFormat("%s=%d", cfgfile::kKeyTableSize, table.m_entries.GetSize()));
            std::string line;
            for (const CRefTableEntry& e : table.m_entries) {
                PointRefLine(line, indent + 2, e);
                out.WriteLine(line);
            }
        }
    }
}

void CConfigDoc::WriteCompositeSignals(CGbkTextWriter& out) const {
    const CDevice* device = m_devices.FindByAddress(kCompositeDeviceAddress);
    int total = 0;
    if (device)
        for (const CInfoGroup& g : device->m_model.m_groups)
            total += g.m_entries.GetSize();
    out.WriteLine(cfgfile::kCompositeSignals);
    out.WriteLine("{");
    out.WriteLine(StrFormat("  %s=%d", cfgfile::kKeyCount, total));
    int c = 0;
    if (device) {
        for (const CInfoGroup& g : device->m_model.m_groups) {
            for (const CInfoEntry& e : g.m_entries) {
                const CExpression& expr = e.m_expr;
                out.WriteLine(StrFormat("  [复合信号:%d]", c++));
                out.WriteLine("  {");
                out.WriteLine(StrFormat("    %s=", cfgfile::kKeyName) +
                              ConfigLineSafeText(e.m_strDesc, ConfigTextKind::EntryText));
                out.WriteLine(StrFormat("    %s=%d", cfgfile::kKeyItemCount, CompositeItemCount(expr)));
                out.WriteLine(StrFormat("      %s=%d,%d,%d,%d", cfgfile::kKeyOperation, g.m_nGroupNo,
                                        kCompositeDeviceAddress, e.m_nGroup, e.m_nEntry));
                for (std::size_t k = 0; k < expr.m_operands.size(); ++k) {
                    const CExprOperand& op = expr.m_operands[k];
                    out.WriteLine(StrFormat("      %s=%d,%d,%d,%d", cfgfile::kKeyOperation, op.m_nKind,
                                            op.m_nAddress, op.m_nGroup, op.m_nEntry));
                    if (k > 0 || expr.m_operands.size() == 1)
                        out.WriteLine(
                            StrFormat("      %s=%d,0,0,0", cfgfile::kKeyOperation, expr.m_nOperator));
                }
                out.WriteLine("  }");
            }
        }
    }
    out.WriteLine("}");
}

int CConfigDoc::WriteVariableInfoFile(const fs::path& path) const {
    if (m_boardCfg.m_groups.GetSize() < 1)
        return 1;
    CGbkTextWriter out;
    if (!out.Open(path)) {
        if (!t_quiet)
            platform::MessageBox("创建文件失败!", {}, platform::Icon::Warning, platform::Buttons::Ok);
        return 0;
    }
    WriteVariableInfo(out, m_boardCfg.m_groups, 0);
    if (!out.Close()) {
        // Created but not written whole: the message names the file.
        CannotCreate(path);
        return 0;
    }
    return 1;
}

} // namespace projectmodel
