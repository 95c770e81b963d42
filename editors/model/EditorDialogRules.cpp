#include "editors/model/EditorDialogRules.h"
#include "editors/model/DeviceLabels.h"

#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "projectmodel/Board.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/IedRecord.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

using namespace projectmodel;

namespace editors {

std::vector<std::string> ListVersionTexts(const std::filesystem::path& folder, int* error) {
    std::vector<std::string> names;
    if (error)
        *error = 0;
    const platform::PathStat stat = folder.empty() ? platform::PathStat{} : platform::StatPath(folder);
    if (!stat.folder) {
        if (error)
            *error = stat.error;
        return names;
    }
    projectmodel::RestoreInterruptedVersion(folder);
    std::vector<platform::FolderEntry> entries;
    const int listed = platform::ListFolder(folder, entries);
    if (listed != 0 && listed != ENOENT && listed != ENOTDIR && error)
        *error = listed;
    for (const platform::FolderEntry& entry : entries) {
        if (!entry.folder)
            continue;
        const std::string name = entry.path.filename().string();
        const std::size_t v = name.find('V');
        if (v != std::string::npos)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> versions;
    for (const std::string& n : names)
        versions.push_back(n.substr(n.find('V') + 1));
    return versions;
}

std::vector<CGridRow> UriTableRows(const CIedRecordArray& ieds, const std::string& uri, int* matching) {
    std::vector<CGridRow> rows;
    rows.push_back(GridRow({"", "", ""}));
    if (matching)
        *matching = -1;
    for (const CIedRecord& ied : ieds) {
        if (matching && *matching < 0 && platform::EqualsNoCase(ied.m_strUri, uri))
            *matching = static_cast<int>(rows.size());
        rows.push_back(GridRow({ied.m_strName, ied.m_strType, ied.m_strUri}));
    }
    return rows;
}

std::vector<CPortChoice> PortChoicesFor(const CBoardCommCfg& cfg, const CDevice& device) {
    std::vector<CPortChoice> choices;
    for (int b = 0; b < cfg.m_boards.GetSize(); ++b) {
        const CBoardInfo& board = cfg.m_boards[b];
        for (int g = 0; g < board.m_ports.GetSize(); ++g) {
            const CPortArray& group = board.m_ports[g];
            for (int p = 0; p < group.GetSize(); ++p) {
                const CPortRecord& port = group[p];
                if (!platform::EqualsNoCase(port.m_protocol.m_strName, device.m_model.m_strProtocol))
                    continue;
                // The port's address is its running number within its type.
                choices.push_back({platform::StrFormat("板卡%i%s%i", ShownBoardNumber(board.m_nNumber),
                                                       port.m_strType.c_str(), port.m_nRunning),
                                   b, g, p});
            }
        }
    }
    return choices;
}

CPortRecord* ApplyPortChoice(CBoardCommCfg& cfg, CDevice& device, const CPortChoice& choice) {
    CBoardInfo* board = cfg.m_boards.GetPtr(choice.board);
    CPortArray* group = board ? board->m_ports.GetPtr(choice.group) : nullptr;
    CPortRecord* port = group ? group->GetPtr(choice.port) : nullptr;
    if (!port)
        return nullptr;
    device.m_nBoard = board->m_nNumber;
    device.m_model.m_nPortGroup = choice.group;
    device.m_model.m_nPortIndex = choice.port;
    return port;
}

} // namespace editors
