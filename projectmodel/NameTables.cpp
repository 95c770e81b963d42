#include "projectmodel/NameTables.h"

#include "platform/Text.h"

namespace projectmodel {

const std::array<std::string_view, 6> SerialControlBitNames = {"RXEN", "TXEN", "SYN ",
                                                               "LOW ", "INS ", "WAIT"};
const std::array<std::string_view, 6> SerialStatusBitNames = {"RXIL", "RXOV", "RXOE", "RXPE", "RXFE", "RXBI"};
const std::array<std::string_view, 6> SerialControlBitValues = {"", "", "", "", "", ""};
const std::array<std::string_view, 6> SerialStatusBitValues = {"", "", "", "", "", ""};

const std::array<std::string_view, 7> PointCategoryNames = {"遥测", "遥信",   "遥脉", "遥控",
                                                            "遥调", "步位置", "其他"};
const std::array<std::string_view, 9> PointCategoryCodes = {"YC", "YX",    "YM",   "YK", "YT",
                                                            "YP", "OTHER", "YKYX", "DEV"};

const std::array<std::string_view, 8> PointListColumns = {"序号", "分组名称", "分组号", "条目号",
                                                          "FUN",  "INF",      "描述",   "FCDA"};
const std::array<std::string_view, 8> DeviceTableColumns = {"序号", "板卡", "地址", "映射地址",
                                                            "型号", "类型", "版本", "装置描述"};
const std::array<std::string_view, 7> RefTableColumns = {"序号", "装置地址", "组号", "条目号",
                                                         "FUN",  "INF",      "描述"};

std::string_view PointCategoryName(int type) {
    if (type >= 0 && type < kPointCategoryCount)
        return PointCategoryNames[static_cast<std::size_t>(type)];
    if (type == kInfoTypeYKYX || type == kInfoTypeDevice)
        return PointCategoryCodes[static_cast<std::size_t>(type)];
    return {};
}

int InfoTypeFromName(std::string_view text) {
    for (int i = 0; i < kPointCategoryCount; ++i) {
        if (platform::EqualsNoCase(text, PointCategoryNames[static_cast<std::size_t>(i)]) ||
            platform::EqualsNoCase(text, PointCategoryCodes[static_cast<std::size_t>(i)]))
            return i;
    }
    if (platform::EqualsNoCase(text, "YXYK") || platform::EqualsNoCase(text, "YKYX"))
        return kInfoTypeYKYX;
    if (platform::EqualsNoCase(text, "DEV"))
        return kInfoTypeDevice;
    return kInfoTypeOther;
}

} // namespace projectmodel
