#include "editors/model/AdjusttimeModel.h"
#include "editors/model/DeviceLabels.h"

#include "editors/model/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

using namespace projectmodel;
using platform::StrFormat;

namespace editors {

std::string CAdjusttimeModel::PortText(const CPortRecord& port) {
    return StrFormat("%s%d<地址%d>(%s)", port.m_strName.c_str(), port.m_nNumber, port.m_nRunning,
                     port.m_protocol.m_strName.c_str());
}

std::vector<CGridRow> CAdjusttimeModel::Rows(const CProjectModel& doc) {
    std::vector<CGridRow> rows;
    rows.reserve(static_cast<std::size_t>(doc.m_timeSources.GetSize()));
    for (int r = 0; r < doc.m_timeSources.GetSize(); ++r) {
        const CTimeSource& src = doc.m_timeSources[r];
        CGridRow row = GridRow({StrFormat("%d", r + 1), "", "", ""});
        if (src.m_nPortType != kPortTypeSerial && src.m_nPortType != kPortTypeNetwork) {
            row.cells.resize(1);
            rows.push_back(std::move(row));
            platform::MessageBox(StrFormat("对时源%d通讯口类型码错误:%d", r, src.m_nPortType));
            break;
        }
        row.cells[1] = StrFormat("%d", ShownBoardNumber(src.m_nBoard));
        if (const CBoardInfo* board = doc.m_boardCfg.m_boards.FindBoard(src.m_nBoard)) {
            const CPortRecord* port =
                board->m_ports.FindPortByTypeAndNumber(PortTypeName(src.m_nPortType), src.m_nPort);
            if (port)
                row.cells[2] = PortText(*port);
        }
        row.cells[3] = StrFormat("%d", src.m_nPriority);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> CAdjusttimeModel::BoardChoices(const CProjectModel& doc) {
    std::vector<std::string> choices;
    for (const CBoardInfo& board : doc.m_boardCfg.m_boards)
        choices.push_back(StrFormat("%d", ShownBoardNumber(board.m_nNumber)));
    return choices;
}

std::vector<CAdjusttimeModel::PortChoice> CAdjusttimeModel::PortChoices(const CProjectModel& doc,
                                                                        const std::string& boardText) {
    std::vector<PortChoice> choices;
    const CBoardInfo* board =
        doc.m_boardCfg.m_boards.FindBoard(BoardFromShownNumber(platform::AtoI(boardText)));
    if (!board)
        return choices;
    for (int g = 0; g < board->m_ports.GetSize(); ++g)
        for (int i = 0; i < board->m_ports[g].GetSize(); ++i)
            choices.push_back({PortText(board->m_ports[g][i]), g, i});
    return choices;
}

namespace {
bool StorePort(CTimeSource& src, int boardNo, const CPortRecord& port) {
    const int type = PortTypeFromText(port.m_strType);
    if (type != kPortTypeSerial && type != kPortTypeNetwork) {
        platform::MessageBox(
            StrFormat("错误端口\n%s%d<地址%d>", port.m_strName.c_str(), port.m_nNumber, port.m_nRunning));
        return false;
    }
    src.m_nBoard = boardNo;
    src.m_nPortType = type;
    src.m_nPort = port.m_nRunning;
    return true;
}
} // namespace

bool CAdjusttimeModel::SetPort(CProjectModel& doc, int row, const std::string& boardText, int group,
                               int index) {
    CTimeSource* src = doc.m_timeSources.GetPtr(row);
    if (!src)
        return false;
    const int boardNo = BoardFromShownNumber(platform::AtoI(boardText));
    const CBoardInfo* board = doc.m_boardCfg.m_boards.FindBoard(boardNo);
    const CPortArray* ports = board ? board->m_ports.GetPtr(group) : nullptr;
    const CPortRecord* port = ports ? ports->GetPtr(index) : nullptr;
    if (!port) {
        platform::MessageBox(StrFormat("错误端口\n板卡%d没有通讯口%d", ShownBoardNumber(boardNo), index));
        return false;
    }
    return StorePort(*src, boardNo, *port);
}

bool CAdjusttimeModel::SetBoard(CProjectModel& doc, int row, const std::string& boardText) {
    CTimeSource* src = doc.m_timeSources.GetPtr(row);
    if (!src)
        return false;
    const int boardNo = BoardFromShownNumber(platform::AtoI(boardText));
    const std::string typeName(PortTypeName(src->m_nPortType));
    const CBoardInfo* board = doc.m_boardCfg.m_boards.FindBoard(boardNo);
    const CPortRecord* port =
        board ? board->m_ports.FindPortByTypeAndNumber(typeName, src->m_nPort) : nullptr;
    if (!port) {
        const std::string group =
            board ? StrFormat("板卡%d没有%s", ShownBoardNumber(boardNo), typeName.c_str()) : typeName;
        platform::MessageBox(StrFormat("错误端口\n%s<地址%d>", group.c_str(), src->m_nPort));
        return false;
    }
    return StorePort(*src, boardNo, *port);
}

bool CAdjusttimeModel::SetPriority(CProjectModel& doc, int row, const std::string& text) {
    CTimeSource* src = doc.m_timeSources.GetPtr(row);
    const int value = platform::AtoI(ClampIntText(text, 0, 255));
    if (!src || src->m_nPriority == value)
        return false;
    src->m_nPriority = value;
    return true;
}

void CAdjusttimeModel::AddSource(CProjectModel& doc) {
    doc.m_timeSources.Add(CTimeSource());
}

void CAdjusttimeModel::DeleteSources(CProjectModel& doc, const std::vector<int>& rows) {
    int removed = 0;
    for (int r : rows)
        if (doc.m_timeSources.IsValidIndex(r - removed)) {
            doc.m_timeSources.RemoveAt(r - removed);
            ++removed;
        }
}

} // namespace editors
