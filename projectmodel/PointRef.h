#pragma once
// A triple of numbers, -1 when unset. In a device's array it names a port the device is loaded
// on (board number, port type code, port number).
#include "projectmodel/RecordArray.h"

namespace projectmodel {

class CPointRef {
public:
    CPointRef() = default;
    CPointRef(int a, int b, int c) : m_n1(a), m_n2(b), m_n3(c) {}

    int m_n1 = -1;
    int m_n2 = -1;
    int m_n3 = -1;

    bool operator==(const CPointRef&) const = default;
};

class CPointRefArray : public CRecordArray<CPointRef> {
public:
    // Index of the first element equal to (a, b, c); -1 when none.
    int Find(int a, int b, int c) const;
};

} // namespace projectmodel
