#pragma once
// The unit's clock sources: a port (board, port type, port number) with a priority.
#include "projectmodel/RecordArray.h"

namespace projectmodel {

class CTimeSource {
public:
    int m_nBoard = 0;
    int m_nPortType = 1; // 1 serial "串口", 2 network "网络"
    int m_nPort = 0;     // the port's number among the ports of that type on the board
    int m_nPriority = 255;

    bool operator==(const CTimeSource&) const = default;
};

class CTimeSourceArray : public CRecordArray<CTimeSource> {};

} // namespace projectmodel
