#pragma once
// The time-source list without widgets: one row per clock source of the project (board, port,
// priority), the choices of the board and port combo boxes, and the edits of a row.
#include "editors/model/GridRows.h"

#include <string>
#include <vector>

namespace projectmodel {
class CPortRecord;
class CProjectModel;
} // namespace projectmodel

namespace editors {

class CAdjusttimeModel {
public:
    // "%s%d<地址%d>(%s)": the port's group name, number, address within its type and protocol.
    static std::string PortText(const projectmodel::CPortRecord& port);
    // One row per source: "序号", "板卡", "通讯口", "优先级". A source of an unknown port type shows
    // "对时源%d通讯口类型码错误:%d" and ends the rows after its number.
    static std::vector<CGridRow> Rows(const projectmodel::CProjectModel& doc);
    // "%d" of every board's number, in board order.
    static std::vector<std::string> BoardChoices(const projectmodel::CProjectModel& doc);
    // One entry of the port combo: its text and the port it names (group and place in the group).
    struct PortChoice {
        std::string text;
        int group = -1;
        int index = -1;
    };
    // Every port of the board whose number is boardText; none when that board is missing.
    static std::vector<PortChoice> PortChoices(const projectmodel::CProjectModel& doc,
                                               const std::string& boardText);
    // Stores the chosen port of the board (its group and place, as the combo entry holds them)
    // into the source of row; "错误端口\n..." and false when the board has no such port.
    static bool SetPort(projectmodel::CProjectModel& doc, int row, const std::string& boardText, int group,
                        int index);
    // A new board for the source of row: the port of the same type and address on that board;
    // "错误端口\n..." and false when that board has none.
    static bool SetBoard(projectmodel::CProjectModel& doc, int row, const std::string& boardText);
    // The priority clamped to 0..255; true when the row's value changed.
    static bool SetPriority(projectmodel::CProjectModel& doc, int row, const std::string& text);
    static void AddSource(projectmodel::CProjectModel& doc);
    // Removes the sources of the rows (ascending).
    static void DeleteSources(projectmodel::CProjectModel& doc, const std::vector<int>& rows);
};

} // namespace editors
