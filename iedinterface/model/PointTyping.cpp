#include "iedinterface/model/PointTyping.h"

#include "platform/Text.h"

namespace iedinterface {

namespace {

struct Pattern {
    std::string text;
    int pointClass;
};

std::vector<Pattern> BuildPatterns() {
    std::vector<Pattern> rows;
    for (const char* p : {"ST$SPS$stVal", "ST$DPS$stVal", "ST$INS$stVal", "ST$ACT$general", "ST$ACT$phsA",
                          "ST$ACT$phsB", "ST$ACT$phsC", "ST$ACT$neut", "ST$ACD$general", "ST$ACD$phsA",
                          "ST$ACD$dirPhsA", "ST$ACD$phsB", "ST$ACD$dirPhsB", "ST$ACD$phsC", "ST$ACD$dirPhsC",
                          "ST$ACD$neut", "ST$ACD$dirneut", "ST$SPC$stVal", "ST$DPC$stVal"})
        rows.push_back({p, 10});
    for (const char* p :
         {"ST$INC$stVal", "ST$BSC$valWTr$posVal", "ST$ISC$valWTr$posVal", "ST$SEC$cnt", "ST$BCR$actVal"})
        rows.push_back({p, 11});
    for (const char* p : {"MX$MV$mag$f", "MX$MV$mag$i", "MX$CMV$cVal$mag$f", "MX$CMV$cVal$mag$i",
                          "MX$CMV$cVal$ang$f", "MX$CMV$cVal$ang$i", "MX$SAV$instMag$f", "MX$SAV$instMag$i"})
        rows.push_back({p, 12});
    const std::pair<const char*, std::vector<const char*>> vectors[] = {
        {"WYE", {"phsA", "phsB", "phsC", "neut", "net", "res"}},
        {"DEL", {"phsAB", "phsBC", "phsCA"}},
        {"SEQ", {"c1", "c2", "c3"}},
    };
    for (const auto& [cdc, subs] : vectors)
        for (const char* sub : subs)
            for (const char* tail : {"cVal$mag$f", "cVal$mag$i", "cVal$ang$f", "cVal$ang$i"})
                rows.push_back({std::string("MX$") + cdc + "$" + sub + "$" + tail, 12});
    for (const char* p : {"CO$SPC$Oper$ctlVal", "CO$DPC$Oper$ctlVal", "CO$INC$Oper$ctlVal",
                          "CO$BSC$Oper$ctlVal", "CO$ISC$Oper$ctlVal"})
        rows.push_back({p, 13});
    for (const char* p : {"SP$SPG$", "SP$ING$", "SP$ASG$", "SG$SPG$", "SG$ING$", "SG$ASG$", "SP$STG$",
                          "SGCB$ActSG", "SGCB$EditSG"})
        rows.push_back({p, 15});
    return rows;
}

const std::vector<Pattern>& Patterns() {
    static const std::vector<Pattern> rows = BuildPatterns();
    return rows;
}

struct Category {
    const char* name;
    std::int16_t code;
};

constexpr Category kCategories[kCategoryCount] = {
    {"遥信", CODE_YX},    {"动作元件", CODE_YX},    {"运行告警", CODE_YX},    {"装置自检", CODE_YX},
    {"硬压板", CODE_YX},  {"软压板", CODE_YX},      {"遥测", CODE_YC},        {"保护测量", CODE_YC},
    {"遥脉", CODE_YM},    {"遥控", CODE_YK},        {"遥调", CODE_YT},        {"步位置", CODE_YP},
    {"定值", CODE_OTHER}, {"定值区号", CODE_OTHER}, {"故障信息", CODE_OTHER},
};

} // namespace

const char* ClassTabCaption(int pointClass) {
    static const char* const captions[kClassCount] = {"状态类", "计数类",     "测量类",
                                                      "控制类", "定值区号类", "定值类"};
    if (pointClass < kClassFirst || pointClass >= kClassFirst + kClassCount)
        return "";
    return captions[pointClass - kClassFirst];
}

int ClassifyDataAttribute(std::string_view key) {
    for (const Pattern& row : Patterns()) {
        if (key.find(row.text) != std::string_view::npos)
            return row.pointClass;
        if (row.text.find(key) != std::string::npos)
            return 1;
    }
    return 0;
}

std::int16_t CategoryMaskForClass(int pointClass, int bits) {
    int mask = 0;
    switch (pointClass) {
    case 10:
        mask = 0x003F;
        break;
    case 11:
        mask = 0x4940;
        break;
    case 12:
        mask = 0x49C0;
        break;
    case 13:
        mask = 0x0600;
        break;
    case 14:
        mask = 0x2000;
        break;
    case 15:
        mask = 0x1000;
        break;
    default:
        mask = 0;
        break;
    }
    return static_cast<std::int16_t>(bits & mask);
}

std::int16_t GetPointCategory(int index, std::string& name) {
    if (index < 0 || index >= kCategoryCount) {
        name.clear();
        return static_cast<std::int16_t>(0xFFFF);
    }
    name = kCategories[index].name;
    return kCategories[index].code;
}

int CategoryBit(int index) {
    return index >= 0 && index < kCategoryCount ? 1 << index : 0;
}

int CategoryIndexFromName(std::string_view name) {
    for (int i = 0; i < kCategoryCount; ++i)
        if (platform::EqualsNoCase(name, kCategories[i].name))
            return i;
    return -1;
}

std::int16_t CategoryFromName(std::string_view name) {
    int index = CategoryIndexFromName(name);
    return index < 0 ? std::int16_t(-1) : kCategories[index].code;
}

const char* CodeText(int code) {
    switch (code) {
    case CODE_YC:
        return "YC";
    case CODE_YX:
        return "YX";
    case CODE_YM:
        return "YM";
    case CODE_YK:
        return "YK";
    case CODE_YT:
        return "YT";
    case CODE_YP:
        return "YP";
    case CODE_OTHER:
        return "OTHER";
    default:
        return "";
    }
}

int CodeListIndex(int code) {
    switch (code) {
    case CODE_YC:
        return 0;
    case CODE_YX:
        return 1;
    case CODE_YK:
        return 2;
    case CODE_YT:
        return 3;
    case CODE_YM:
        return 4;
    case CODE_YP:
        return 5;
    case CODE_OTHER:
        return 6;
    default:
        return -1;
    }
}

} // namespace iedinterface
