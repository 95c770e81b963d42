#pragma once
// One definition of a configurable value (a protocol parameter, a reference-table column, an
// entry of a variable-option group, a device-table extension item), parsed from one line of a
// definition file: "name,KIND,default(choices)".
#include "projectmodel/RecordArray.h"

#include <string>
#include <string_view>

namespace projectmodel {

class CProtocolDefArray;

class COptionItem {
public:
    // May begin with an applicability prefix "[tok/tok]" in front of the title.
    std::string m_strName;
    // "ENUM", "PRTC", "IP", "STRING", "BYTE", "WORD", "INT", "FLOAT", a point kind, "XSTRING",
    // "DEVSUM", "TABSUM" ...; compared without regard to case.
    std::string m_strKind;
    std::string m_strDefault;
    // The allowed values, or for a numeric kind the minimum and the maximum.
    CStringArray m_choices;

    // Parses "name,kind,default(choices)". A "PRTC" choice list is rebuilt from the protocol
    // library of the current project document (when there is one). 0 when the line has not
    // exactly three fields (the item is then unchanged) or when a numeric range does not split
    // into two values.
    int ParseDefinition(std::string_view line);
    // The same with an explicit protocol library (none: the choices stay as parsed); clamped
    // (when given) tells whether the range was cut to its kind (ClampRangeToKind).
    int ParseDefinition(std::string_view line, const CProtocolDefArray* protocols, bool* clamped = nullptr);

    // Whether the item applies in a context ("YC", a region ...); title receives the name without
    // its applicability prefix.
    int AppliesTo(std::string_view context, std::string& title) const;
    void GetDefault(std::string& value) const { value = m_strDefault; }
    // The kind compared without regard to case.
    bool IsKind(std::string_view kind) const;
    // True for the numeric kinds that are clamped to a two-entry range.
    bool IsNumericKind() const;
    // A BYTE or WORD range is kept within what the kind stores (0-255, 0-65535), so that a value
    // the range allows always fits its field; true when a bound was changed. ParseDefinition
    // applies it.
    bool ClampRangeToKind();

    bool operator==(const COptionItem&) const = default;
};

class COptionItemArray : public CRecordArray<COptionItem> {
public:
    // One default value per item, in item order (the array is emptied first).
    void GetDefaultValues(CStringArray& values) const;
};

} // namespace projectmodel
