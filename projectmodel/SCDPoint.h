#pragma once
// One imported IEC 61850 data attribute, and the reference record of a classified point.
#include <cstdint>
#include <string>

namespace projectmodel {

class CSCDPoint {
public:
    std::string m_strReserved; // left empty by the import
    std::string m_strLNName;   // prefix + lnClass + inst
    std::string m_strLNInst;
    std::string m_strLNClass;
    std::string m_strPrefix;
    std::string m_strDOName; // or "SGCB"
    std::string m_strSDOName;
    std::string m_strFC;
    std::string m_strCDC;
    std::string m_strDAName; // or the attribute path
    std::string m_strDesc;
    std::string m_strReference;    // full reference (FCDA)
    std::uint8_t m_nAssign1 = 255; // 255: not assigned to a configured point
    std::uint8_t m_nAssign2 = 255;
    std::string m_strCtlModel;
    std::uint8_t m_nClass = 0; // 10..17, see ClassifyDataAttribute

    bool operator==(const CSCDPoint&) const = default;
};

class CSCDPointRef {
public:
    CSCDPointRef() = default;
    // Keeps the three texts and builds the reference text "FCDA=%s[;CDC=%s][;ctlModel=%s]".
    CSCDPointRef(const std::string& fcda, const std::string& cdc, const std::string& ctlModel);

    std::string m_strFCDA;
    std::string m_strCDC;
    std::string m_strCtlModel;
    std::string m_strTapDir; // tap-changer direction
    std::string m_strDesc;
    std::string m_strText1;
    std::string m_strText2;
    std::string m_strOnText;
    std::string m_strOffText;
    std::string m_strRefText;
    std::int16_t m_nKind = -1; // data kind: 100 telemeasurement, 101 telesignal, 103 telecontrol, 106 other
    std::string m_strCategory;
    int m_nMatchCount = -1;

    bool operator==(const CSCDPointRef&) const = default;
};

} // namespace projectmodel
