#include "projectmodel/OptionItem.h"

#include "platform/Text.h"

#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"
#include "projectmodel/ProtocolDef.h"
#include "projectmodel/TextHelpers.h"
#include <algorithm>
#include <cstdlib>
#include <string>

namespace projectmodel {

bool COptionItem::IsKind(std::string_view kind) const {
    return platform::EqualsNoCase(m_strKind, kind);
}

bool COptionItem::IsNumericKind() const {
    return IsKind("INT") || IsKind("WORD") || IsKind("BYTE") || IsKind("FLOAT");
}

int COptionItem::ParseDefinition(std::string_view line) {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    return ParseDefinition(line, doc ? &doc->m_protocolLibrary : nullptr);
}

int COptionItem::ParseDefinition(std::string_view line, const CProtocolDefArray* protocols, bool* clamped) {
    if (clamped)
        *clamped = false;
    CStringList pieces = SplitToStringList(line, ',');
    if (pieces.size() != 3)
        return 0;
    m_strName = platform::Trim(pieces[0]);
    m_strKind = platform::Trim(pieces[1]);
    const std::string rest = platform::Trim(pieces[2]);
    m_choices.clear();
    std::size_t open = rest.find('(');
    if (open == std::string::npos) {
        m_strDefault = rest;
    } else {
        m_strDefault = rest.substr(0, open);
        std::size_t close = rest.find(')');
        std::string inner;
        if (close != std::string::npos && close > open)
            inner = rest.substr(open + 1, close - open - 1);
        SplitToStringList(inner, m_choices, ',');
    }

    if (IsKind("PRTC")) {
        if (!m_choices.empty() && protocols) {
            const std::string mode = m_choices.front();
            m_choices.assign(1, "未用");
            protocols->GetNamesByMode(mode, m_choices);
        }
    } else if (IsNumericKind() && m_choices.size() == 1) {
        CStringList range = SplitToStringList(m_choices.front(), '-');
        if (range.size() != 2)
            return 0;
        m_choices = std::move(range);
        const bool cut = ClampRangeToKind();
        if (clamped)
            *clamped = cut;
    }
    return 1;
}

bool COptionItem::ClampRangeToKind() {
    // The widest range each whole-number kind can store; INT and FLOAT keep what they are given.
    long long low = 0, high = 0;
    if (IsKind("BYTE"))
        high = 255;
    else if (IsKind("WORD"))
        high = 65535;
    else
        return false;
    bool clamped = false;
    for (std::string& bound : m_choices) {
        const long long value = std::atoll(platform::Trim(bound).c_str());
        const long long kept = std::clamp(value, low, high);
        if (kept != value) {
            bound = std::to_string(kept);
            clamped = true;
        }
    }
    return clamped;
}

int COptionItem::AppliesTo(std::string_view context, std::string& title) const {
    title = m_strName;
    if (m_strName.empty() || m_strName.front() != '[')
        return 1;
    std::size_t close = m_strName.find(']');
    if (close == std::string::npos)
        return 1;
    title = m_strName.substr(close + 1);
    const std::string tokens = m_strName.substr(1, close - 1);
    if (tokens.empty())
        return 0;
    if (context.empty())
        return 1;
    for (const std::string& token : SplitToStringList(tokens, '/')) {
        if (token == "*")
            return 1;
        if (token == "#")
            return 0;
        if (platform::EqualsNoCase(token, context))
            return 1;
    }
    return 0;
}

void COptionItemArray::GetDefaultValues(CStringArray& values) const {
    values.clear();
    values.reserve(items_.size());
    for (const COptionItem& item : items_)
        values.push_back(item.m_strDefault);
}

} // namespace projectmodel
