#include "projectmodel/InfoModel.h"

#include "platform/Text.h"
#include "projectmodel/TextHelpers.h"

#include <array>

namespace projectmodel {
namespace {

struct ClassPattern {
    std::string_view pattern;
    int pointClass;
};

// Tried in this order; the first row that matches decides (the second "ST$INS$stVal" row
// therefore never applies). The sequence components are spelled "c1".."c3" as in SCL files.
constexpr ClassPattern kPatterns[] = {
    {"ST$SPS$stVal", 10},
    {"ST$DPS$stVal", 10},
    {"ST$INS$stVal", 10},
    {"ST$ACT$general", 10},
    {"ST$ACT$phsA", 10},
    {"ST$ACT$phsB", 10},
    {"ST$ACT$phsC", 10},
    {"ST$ACT$neut", 10},
    {"ST$ACD$general", 10},
    {"ST$ACD$phsA", 10},
    {"ST$ACD$dirPhsA", 10},
    {"ST$ACD$phsB", 10},
    {"ST$ACD$dirPhsB", 10},
    {"ST$ACD$phsC", 10},
    {"ST$ACD$dirPhsC", 10},
    {"ST$ACD$neut", 10},
    {"ST$ACD$dirneut", 10},
    {"ST$SPC$stVal", 10},
    {"ST$DPC$stVal", 10},
    {"ST$INC$stVal", 11},
    {"ST$BSC$valWTr$posVal", 11},
    {"ST$ISC$valWTr$posVal", 11},
    {"ST$INS$stVal", 11},
    {"ST$SEC$cnt", 11},
    {"ST$BCR$actVal", 11},
    {"MX$MV$mag$f", 12},
    {"MX$MV$mag$i", 12},
    {"MX$CMV$cVal$mag$f", 12},
    {"MX$CMV$cVal$mag$i", 12},
    {"MX$CMV$cVal$ang$f", 12},
    {"MX$CMV$cVal$ang$i", 12},
    {"MX$SAV$instMag$f", 12},
    {"MX$SAV$instMag$i", 12},
    {"MX$WYE$phsA$cVal$mag$f", 12},
    {"MX$WYE$phsA$cVal$mag$i", 12},
    {"MX$WYE$phsA$cVal$ang$f", 12},
    {"MX$WYE$phsA$cVal$ang$i", 12},
    {"MX$WYE$phsB$cVal$mag$f", 12},
    {"MX$WYE$phsB$cVal$mag$i", 12},
    {"MX$WYE$phsB$cVal$ang$f", 12},
    {"MX$WYE$phsB$cVal$ang$i", 12},
    {"MX$WYE$phsC$cVal$mag$f", 12},
    {"MX$WYE$phsC$cVal$mag$i", 12},
    {"MX$WYE$phsC$cVal$ang$f", 12},
    {"MX$WYE$phsC$cVal$ang$i", 12},
    {"MX$WYE$neut$cVal$mag$f", 12},
    {"MX$WYE$neut$cVal$mag$i", 12},
    {"MX$WYE$neut$cVal$ang$f", 12},
    {"MX$WYE$neut$cVal$ang$i", 12},
    {"MX$WYE$net$cVal$mag$f", 12},
    {"MX$WYE$net$cVal$mag$i", 12},
    {"MX$WYE$net$cVal$ang$f", 12},
    {"MX$WYE$net$cVal$ang$i", 12},
    {"MX$WYE$res$cVal$mag$f", 12},
    {"MX$WYE$res$cVal$mag$i", 12},
    {"MX$WYE$res$cVal$ang$f", 12},
    {"MX$WYE$res$cVal$ang$i", 12},
    {"MX$DEL$phsAB$cVal$mag$f", 12},
    {"MX$DEL$phsAB$cVal$mag$i", 12},
    {"MX$DEL$phsAB$cVal$ang$f", 12},
    {"MX$DEL$phsAB$cVal$ang$i", 12},
    {"MX$DEL$phsBC$cVal$mag$f", 12},
    {"MX$DEL$phsBC$cVal$mag$i", 12},
    {"MX$DEL$phsBC$cVal$ang$f", 12},
    {"MX$DEL$phsBC$cVal$ang$i", 12},
    {"MX$DEL$phsCA$cVal$mag$f", 12},
    {"MX$DEL$phsCA$cVal$mag$i", 12},
    {"MX$DEL$phsCA$cVal$ang$f", 12},
    {"MX$DEL$phsCA$cVal$ang$i", 12},
    {"MX$SEQ$c1$cVal$mag$f", 12},
    {"MX$SEQ$c1$cVal$mag$i", 12},
    {"MX$SEQ$c1$cVal$ang$f", 12},
    {"MX$SEQ$c1$cVal$ang$i", 12},
    {"MX$SEQ$c2$cVal$mag$f", 12},
    {"MX$SEQ$c2$cVal$mag$i", 12},
    {"MX$SEQ$c2$cVal$ang$f", 12},
    {"MX$SEQ$c2$cVal$ang$i", 12},
    {"MX$SEQ$c3$cVal$mag$f", 12},
    {"MX$SEQ$c3$cVal$mag$i", 12},
    {"MX$SEQ$c3$cVal$ang$f", 12},
    {"MX$SEQ$c3$cVal$ang$i", 12},
    {"CO$SPC$Oper$ctlVal", 13},
    {"CO$DPC$Oper$ctlVal", 13},
    {"CO$INC$Oper$ctlVal", 13},
    {"CO$BSC$Oper$ctlVal", 13},
    {"CO$ISC$Oper$ctlVal", 13},
    {"SP$SPG$", 16},
    {"SP$ING$", 16},
    {"SP$ASG$", 16},
    {"SG$SPG$", 15},
    {"SG$ING$", 15},
    {"SG$ASG$", 15},
    {"SE$SPG$", 15},
    {"SE$ING$", 15},
    {"SE$ASG$", 15},
    {"SGCB$ActSG", 14},
    {"SGCB$EditSG", 14},
};
static_assert(std::size(kPatterns) == 97);

struct Category {
    std::string_view name;
    std::uint16_t kind;
};
constexpr Category kCategories[] = {
    {"遥信", 101},   {"动作元件", 101}, {"运行告警", 101}, {"装置自检", 101}, {"硬压板", 101},
    {"软压板", 101}, {"遥测", 100},     {"保护测量", 100}, {"遥脉", 102},     {"遥控", 103},
    {"遥调", 104},   {"步位置", 105},   {"定值", 106},     {"定值区号", 106}, {"故障信息", 106},
};

} // namespace

int ClassifyDataAttribute(std::string_view path) {
    for (const ClassPattern& row : kPatterns) {
        if (path.find(row.pattern) != std::string_view::npos)
            return row.pointClass;
        if (row.pattern.find(path) != std::string_view::npos)
            return 1;
    }
    return 0;
}

std::uint32_t CategoryMaskForClass(int pointClass, std::uint32_t mask) {
    switch (pointClass) {
    case 10:
        return mask & 0x3F;
    case 11:
        return mask & 0x4940;
    case 12:
        return mask & 0x49C0;
    case 13:
        return mask & 0x600;
    case 15:
        return mask & 0x1000;
    default:
        return 0;
    }
}

std::uint16_t GetPointCategory(int index, std::string& name) {
    if (index < 0 || index >= static_cast<int>(std::size(kCategories))) {
        name.clear();
        return 0xFFFF;
    }
    name = kCategories[index].name;
    return kCategories[index].kind;
}

CSCDPointRef::CSCDPointRef(std::string_view fcda, std::string_view cdc, std::string_view ctlModel)
    : m_strFCDA(fcda), m_strCDC(cdc), m_strCtlModel(ctlModel) {
    std::string text;
    text.reserve(5 + fcda.size() + (cdc.empty() ? 0 : 5 + cdc.size()) +
                 (ctlModel.empty() ? 0 : 10 + ctlModel.size()));
    text += "FCDA=";
    text += fcda;
    if (!cdc.empty()) {
        text += ";CDC=";
        text += cdc;
    }
    if (!ctlModel.empty()) {
        text += ";ctlModel=";
        text += ctlModel;
    }
    m_strRefText = text;
}

bool CInfoModel::CleanPointDesc(std::string_view given, std::string& desc) {
    if (given.find_first_of(";,()") == std::string_view::npos)
        return false;
    desc.assign(given);
    for (char& ch : desc)
        if (ch == ';' || ch == ',')
            ch = ' ';
    if (desc.find_first_of("()") != std::string::npos)
        BalanceParentheses(desc);
    return true;
}

void CInfoModel::AddPoint(std::unique_ptr<CSCDPoint> point) {
    if (!point)
        return;
    if (std::string desc; CleanPointDesc(point->m_strDesc, desc))
        point->m_strDesc = desc;

    const CSCDPoint& p = *point;
    m_allPoints.push_back(std::move(point));

    auto ref = std::make_unique<CSCDPointRef>(p.m_strReference, p.m_strCDC, p.m_strCtlModel);
    ref->m_strDesc = p.m_strDesc;
    RefList* list = nullptr;
    switch (p.m_nClass) {
    case 10:
        ref->m_nKind = 101;
        ref->m_strCategory = "遥信";
        ref->m_strOnText = "合";
        ref->m_strOffText = "分";
        list = &m_indications;
        break;
    case 11:
    case 12:
        ref->m_nKind = 100;
        ref->m_strCategory = "遥测";
        list = &m_measurands;
        break;
    case 13:
        ref->m_nKind = 103;
        ref->m_strCategory = "遥控";
        ref->m_strOnText = "合";
        ref->m_strOffText = "分";
        list = &m_controls;
        break;
    case 14:
    case 15:
    case 16:
    case 17: {
        static constexpr std::string_view kOther[] = {"定值区号", "定值", "装置参数", "故障信息"};
        ref->m_nKind = 106;
        ref->m_strCategory = kOther[p.m_nClass - 14];
        list = &m_others;
        break;
    }
    default:
        return;
    }
    list->push_back(std::move(ref));
}

void CInfoModel::LookupConfiguredRef(CSCDPointRef& ref) const {
    int matches = 0;
    const CSCDPointRef* first = nullptr;
    for (const auto& r : m_configured) {
        if (!platform::EqualsNoCase(r->m_strFCDA, ref.m_strFCDA))
            continue;
        if (!first)
            first = r.get();
        ++matches;
    }
    if (first) {
        ref = *first;
    }
    ref.m_nMatchCount = matches;
}

CSCDPoint* CInfoModel::ReleasePoint(std::string_view reference) {
    for (const auto& p : m_allPoints) {
        if (platform::EqualsNoCase(p->m_strReference, reference)) {
            p->m_nAssign1 = 255;
            p->m_nAssign2 = 255;
            return p.get();
        }
    }
    return nullptr;
}

void CInfoModel::Clear() {
    for (RefList* list :
         {&m_measurands, &m_indications, &m_controls, &m_configured, &m_further1, &m_further2, &m_others})
        RefList().swap(*list);
    PointList().swap(m_allPoints);
}

} // namespace projectmodel
