#include "editors/AdjusttimeModel.h"

#include "editors/CellValue.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "projectmodel/ProjectModel.h"

#include <cctype>
#include <cstdio>

using namespace projectmodel;
using platform::StrFormat;

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
        row.cells[1] = StrFormat("%d", src.m_nBoard);
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
        choices.push_back(StrFormat("%d", board.m_nNumber));
    return choices;
}

std::vector<std::string> CAdjusttimeModel::PortChoices(const CProjectModel& doc,
                                                       const std::string& boardText) {
    std::vector<std::string> choices;
    const CBoardInfo* board = doc.m_boardCfg.m_boards.FindBoard(platform::AtoI(boardText));
    if (!board)
        return choices;
    for (const CPortArray& group : board->m_ports)
        for (const CPortRecord& port : group)
            choices.push_back(PortText(port));
    return choices;
}

bool CAdjusttimeModel::SetPort(CProjectModel& doc, int row, const std::string& boardText,
                               const std::string& portText) {
    CTimeSource* src = doc.m_timeSources.GetPtr(row);
    if (!src)
        return false;
    const int boardNo = platform::AtoI(boardText);
    // The group name runs up to the first digit; number and address follow it.
    std::size_t digit = 0;
    while (digit < portText.size() && !std::isdigit(static_cast<unsigned char>(portText[digit])))
        ++digit;
    std::string groupText = portText.substr(0, digit);
    int number = -1;
    int address = -1;
    const bool parsed = digit < portText.size() &&
                        std::sscanf(portText.c_str() + digit, "%d<地址%d>", &number, &address) >= 1;
    CBoardInfo* board = doc.m_boardCfg.m_boards.FindBoard(boardNo);
    CPortRecord* port = nullptr;
    if (board) {
        if (!board->m_ports.FindGroupByName(groupText))
            groupText = StrFormat("板卡%d没有%s", boardNo + 1, groupText.c_str());
        else if (parsed)
            port = board->m_ports.GetPortAt(groupText, number);
    }
    if (!port) {
        platform::MessageBox(StrFormat("错误端口\n%s%d<地址%d>", groupText.c_str(), number, address));
        return false;
    }
    src->m_nBoard = boardNo;
    src->m_nPortType = PortTypeFromText(port->m_strType);
    src->m_nPort = port->m_nRunning;
    return true;
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
