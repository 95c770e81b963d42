#pragma once
// One imported IEC 61850 data attribute, and the reference record of a classified point.
//
// Their texts are compact (one word each, short ones held in the word itself): a walking thread
// holds every point of the IED it walks, twice over, until the device model is built, and an IED
// may have tens of thousands of points.
#include "projectmodel/CompactText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace projectmodel {

class CSCDPoint {
public:
    CCompactText m_strReserved; // left empty by the import
    CCompactText m_strLNName;   // prefix + lnClass + inst
    CCompactText m_strLNInst;
    CCompactText m_strLNClass;
    CCompactText m_strPrefix;
    CCompactText m_strDOName; // or "SGCB"
    CCompactText m_strSDOName;
    CCompactText m_strFC;
    CCompactText m_strCDC;
    CCompactText m_strDAName; // or the attribute path
    CCompactText m_strDesc;
    CCompactText m_strReference;   // full reference (FCDA)
    std::uint8_t m_nAssign1 = 255; // 255: not assigned to a configured point
    std::uint8_t m_nAssign2 = 255;
    CCompactText m_strCtlModel;
    std::uint8_t m_nClass = 0; // 10..17, see ClassifyDataAttribute

    bool operator==(const CSCDPoint&) const = default;
};

class CSCDPointRef {
public:
    CSCDPointRef() = default;
    // Keeps the three texts and builds the reference text "FCDA=%s[;CDC=%s][;ctlModel=%s]".
    CSCDPointRef(std::string_view fcda, std::string_view cdc, std::string_view ctlModel);

    CCompactText m_strFCDA;
    CCompactText m_strCDC;
    CCompactText m_strCtlModel;
    CCompactText m_strTapDir; // tap-changer direction
    CCompactText m_strDesc;
    CCompactText m_strText1;
    CCompactText m_strText2;
    CCompactText m_strOnText;
    CCompactText m_strOffText;
    CCompactText m_strRefText;
    std::int16_t m_nKind = -1; // data kind: 100 telemeasurement, 101 telesignal, 103 telecontrol, 106 other
    CCompactText m_strCategory;
    int m_nMatchCount = -1;

    bool operator==(const CSCDPointRef&) const = default;
};

} // namespace projectmodel
