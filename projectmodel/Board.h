#pragma once
// Boards of the unit, their port groups (one port type each) and ports. Each port runs one
// protocol with its parameter values, serves a list of device addresses and holds its
// configurations inside its protocol copy.
#include "projectmodel/ItemRecord.h"
#include "projectmodel/OptionItem.h"
#include "projectmodel/ProtocolDef.h"
#include "projectmodel/RecordArray.h"

#include <string>
#include <string_view>

namespace projectmodel {

class CProjectModel;

constexpr int kPortTypeUndefined = 0;
constexpr int kPortTypeSerial = 1;
constexpr int kPortTypeNetwork = 2;
// "未定义", "串口", "网络" by code.
extern const std::string_view PortTypeNames[3];
// "串口" 1, "网络" 2 (without regard to case), anything else 0.
int PortTypeFromText(std::string_view text);
// The name of a code; "未定义" for codes outside 0..2.
std::string_view PortTypeName(int code);

class CPortRecord {
public:
    std::string m_strName;   // the group's name
    int m_nNumber = 0;       // number within its group, from 0
    int m_nRunning = -1;     // running number within its type on the board; -1 until numbered
    CStringArray m_values;   // one value per parameter definition of the group
    CProtocolDef m_protocol; // name, number, tables, configurations, device addresses
    std::string m_strType;   // "串口" or "网络", copied from the group

    bool HasDevice(int address) const;
    // Copies name, numbers, type text, parameter values and protocol.
    void CopyFrom(const CPortRecord& other) { *this = other; }
    // The parameter values become the definitions' defaults, in order.
    void SetValuesFrom(const COptionItemArray& definitions);
    // Pastes another port's protocol: with the same non-zero protocol number only its reference
    // tables (after the user agrees, No by default, when the port's own tables hold rows); with another
    // number after the user agrees ("提示", Yes/No) the whole protocol and the parameter values; on a port
    // without protocol without a question. 1 when something was taken.
    int CopyProtocolFrom(const CPortRecord* other);

    bool operator==(const CPortRecord&) const = default;
};

// One port group of a board.
class CPortArray : public CRecordArray<CPortRecord> {
public:
    int m_bSerial = 1; // 1 serial group, 0 network group
    std::string m_strName;
    std::string m_strType;
    COptionItemArray m_options; // the group's protocol parameter definitions

    CPortRecord* FindPortWithDevice(int address);
    const CPortRecord* FindPortWithDevice(int address) const;

    bool operator==(const CPortArray&) const = default;
};

// The port groups of one board with the board's serial and network port counts.
class CPortList : public CRecordArray<CPortArray> {
public:
    int m_nSerialCount = 0;
    int m_nNetworkCount = 0;

    CPortRecord* FindPortWithDevice(int address);
    const CPortRecord* FindPortWithDevice(int address) const;
    // Over the groups of that type text, the port with that running number.
    CPortRecord* FindPortByTypeAndNumber(std::string_view type, int running);
    const CPortRecord* FindPortByTypeAndNumber(std::string_view type, int running) const;
    // Port n of the group of that name; null when the group is missing or n is out of range.
    CPortRecord* GetPortAt(std::string_view groupName, int n);
    CPortArray* FindGroupByName(std::string_view name);
    int FindGroupIndexByName(std::string_view name) const;
    // The group index and the index within the group of a port of this list; false when the
    // port is not one of this list's.
    bool LocatePort(const CPortRecord* port, int& group, int& index) const;

    bool operator==(const CPortList&) const = default;
};

class CBoardInfo {
public:
    int m_nNumber = 0; // boards are numbered 0, 1, 2 ... in library order
    std::string m_strType;
    CPortList m_ports;

    bool operator==(const CBoardInfo&) const = default;
};

class CBoardArray : public CRecordArray<CBoardInfo> {
public:
    CBoardInfo* FindBoard(int number);
    const CBoardInfo* FindBoard(int number) const;
};

// The unit: address, name, boards and the unit's variable-option groups.
class CBoardCommCfg {
public:
    int m_nUnitAddress = 255; // 管理机地址
    std::string m_strUnitName;
    int m_nValue = 0;
    CBoardArray m_boards;
    int m_nBoardCount = 0; // [板卡配置] 数目 of "组态配置.ini"
    CItemRecordArray m_groups;

    // Rebuilds the link-status signals of the status-signal virtual device: one group "遥信" per
    // board, numbered board + 1, with one entry per port "板卡%d%s连接%d状态".
    void BuildLinkStatusSignals(CProjectModel* doc) const;

    bool operator==(const CBoardCommCfg&) const = default;
};

} // namespace projectmodel
