#include "monitor/model/Catalogue.h"

#include "monitor/core/DevTime.h"
#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace marindle {

bool AddCatalogueEntry(std::vector<CatalogueEntry>& entries, const std::string& name, std::uint8_t type,
                       std::uint32_t size, std::uint32_t time) {
    if (name == "." || entries.size() >= kMaxCatalogueEntries)
        return false;
    CatalogueEntry e;
    e.position = static_cast<std::uint16_t>(entries.size());
    e.type = type;
    e.size = size;
    e.time = time;
    if (name == "..") {
        e.name = "向上...";
        e.up = 1;
    } else {
        e.name = name;
    }
    entries.push_back(e);
    return true;
}

std::string CatalogueCappedText(std::size_t refused) {
    return platform::StrFormat("目录中的条目超过%zu个，只列出了前%zu个，另有%zu个未列出。",
                               kMaxCatalogueEntries, kMaxCatalogueEntries, refused);
}

std::string OpenFolderPath(const std::string& current, const CatalogueEntry& e) {
    if (current == kRootPath)
        return e.up ? std::string(kRootPath) : e.name;
    if (e.name == ".")
        return {};
    if (!e.up)
        return current + "/" + e.name;
    const std::size_t slash = current.rfind('/');
    if (slash != std::string::npos && slash > 0)
        return current.substr(0, slash);
    return kRootPath;
}

namespace {
// Names compare by their GBK bytes, as the unit sorts them: byte by byte as signed characters over
// at most 256 of them; a prefix comes first.
int CompareNames(const std::string& a, const std::string& b) {
    const std::size_t n = std::min<std::size_t>({a.size(), b.size(), 256});
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<signed char>(a[i]);
        const auto cb = static_cast<signed char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}
} // namespace

void SortCatalogue(std::vector<CatalogueEntry>& entries, int column, bool ascending) {
    // Each name converted once, not at every comparison; the entries are sorted by index.
    std::vector<std::string> gbk(column == 0 ? entries.size() : 0);
    for (std::size_t i = 0; i < gbk.size(); ++i)
        gbk[i] = platform::ToGbk(entries[i].name);
    auto before = [&](std::size_t ia, std::size_t ib) {
        const CatalogueEntry& a = entries[ia];
        const CatalogueEntry& b = entries[ib];
        if (a.up != b.up)
            return a.up > b.up;
        if (column == 0) {
            const int c = CompareNames(gbk[ia], gbk[ib]);
            if (c == 0) {
                // The shorter of two names sharing the prefix comes first in both directions.
                const std::size_t la = std::min<std::size_t>(gbk[ia].size(), 256);
                const std::size_t lb = std::min<std::size_t>(gbk[ib].size(), 256);
                return la < lb;
            }
            return ascending ? c < 0 : c > 0;
        }
        std::uint32_t va = column == 1 ? a.size : column == 2 ? a.type : a.time;
        std::uint32_t vb = column == 1 ? b.size : column == 2 ? b.type : b.time;
        return ascending ? va < vb : va > vb;
    };
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), before);
    std::vector<CatalogueEntry> sorted;
    sorted.reserve(entries.size());
    for (std::size_t i : order)
        sorted.push_back(std::move(entries[i]));
    entries = std::move(sorted);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].position = static_cast<std::uint16_t>(i);
}

std::string CatalogueTypeText(std::uint8_t type) {
    return type == 1 ? "文件" : type == 2 ? "文件夹" : "未知";
}

std::vector<std::string> CatalogueRowTexts(const CatalogueEntry& e) {
    if (e.up)
        return {e.name, {}, {}, {}};
    return {e.name, platform::StrFormat("%u", e.size), CatalogueTypeText(e.type),
            FormatLocalTime(static_cast<std::time_t>(e.time))};
}

ChunkPlan NextChunk(std::uint32_t done, std::uint32_t total) {
    if (static_cast<std::uint64_t>(done) + 1024 < total)
        return {1024, 1};
    return {total > done ? total - done : 0, 0};
}

int ProgressOf(std::uint32_t done, std::uint32_t total) {
    if (total == 0)
        return 0;
    return static_cast<int>(static_cast<std::uint64_t>(done) * 100 / total);
}

} // namespace marindle
