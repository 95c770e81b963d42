#pragma once
// The recent-project list of the File menu: at most four paths, the latest first, each once.
#include <string>
#include <vector>

namespace qxm7740 {

class CRecentFileList {
public:
    static constexpr std::size_t kSize = 4;

    explicit CRecentFileList(std::size_t size = kSize) : m_nSize(size) {}
    // Puts the path first, dropping an older entry of the same path and the oldest beyond the size.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    // Replaces the list (as read from the settings), keeping the size and the rules above.
    void SetPaths(const std::vector<std::string>& paths);
    const std::vector<std::string>& GetPaths() const { return m_paths; }
    // The menu text of entry i: "&1 path".
    std::string MenuText(std::size_t i) const;

private:
    std::size_t m_nSize;
    std::vector<std::string> m_paths;
};

} // namespace qxm7740
