#pragma once
// The data-object name table "QXMDONameDes.ini": descriptions for data attributes by logical-node
// class, common data class, data-object name and attribute name, for files that carry none.
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace iedinterface {

struct CDoNameDes {
    std::string LnClass;
    std::string Cdc;
    std::string DoName;
    std::string DaName;
    std::string Description;
};

class CDoNameDesTable {
public:
    // Reads section "QXMDONameDes" (Number, Option1..OptionN); a missing file leaves it empty.
    void Load(const std::filesystem::path& file);
    void Clear() {
        entries_.clear();
        index_.clear();
    }
    const std::vector<CDoNameDes>& Entries() const { return entries_; }
    // Description of the first entry whose four keys match without regard to case, else "".
    std::string Find(std::string_view lnClass, std::string_view cdc, std::string_view doName,
                     std::string_view daName) const;

private:
    std::vector<CDoNameDes> entries_;
    std::unordered_map<std::string, std::size_t> index_; // lower-cased joined keys -> first entry
};

} // namespace iedinterface
