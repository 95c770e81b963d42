#include "iedinterface/model/DoNameDes.h"

#include "iedinterface/model/FieldText.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace iedinterface {

namespace {
std::string JoinKey(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    std::string key = platform::ToLowerAscii(a);
    for (std::string_view part : {b, c, d}) {
        key += '\x1f';
        key += platform::ToLowerAscii(part);
    }
    return key;
}
} // namespace

void CDoNameDesTable::Load(const std::filesystem::path& file) {
    Clear();
    const int count = platform::GetPrivateProfileInt("QXMDONameDes", "Number", 0, file);
    for (int n = 1; n <= count; ++n) {
        std::string value = platform::GetPrivateProfileString(
            "QXMDONameDes", platform::StrFormat("Option%d", n), "", 512, file);
        std::vector<std::string> items;
        SplitQuoted(platform::Trim(value), items, ',');
        if (items.size() < 5)
            continue;
        index_.emplace(JoinKey(items[0], items[1], items[2], items[3]), entries_.size());
        entries_.push_back({items[0], items[1], items[2], items[3], items[4]});
    }
}

std::string CDoNameDesTable::Find(std::string_view lnClass, std::string_view cdc, std::string_view doName,
                                  std::string_view daName) const {
    auto it = index_.find(JoinKey(lnClass, cdc, doName, daName));
    return it == index_.end() ? std::string() : entries_[it->second].Description;
}

} // namespace iedinterface
