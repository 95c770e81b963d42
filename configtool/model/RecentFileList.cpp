#include "configtool/model/RecentFileList.h"

#include "platform/Text.h"

#include <algorithm>

namespace qxm7740 {

void CRecentFileList::Add(const std::string& path) {
    if (path.empty())
        return;
    Remove(path);
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > m_nSize)
        m_paths.resize(m_nSize);
}

void CRecentFileList::Remove(const std::string& path) {
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}

void CRecentFileList::SetPaths(const std::vector<std::string>& paths) {
    m_paths.clear();
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        Add(*it);
}

std::string CRecentFileList::MenuText(std::size_t i) const {
    if (i >= m_paths.size())
        return {};
    return platform::StrFormat("&%zu %s", i + 1, m_paths[i].c_str());
}

} // namespace qxm7740
