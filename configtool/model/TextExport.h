#pragma once
// "生成文本": the text export of the list shown in the project frame's left pane. The pane must be
// one of the list views; each offers its title, tab, columns and rows (ITextExportSource), and
// CTextExport makes the proposed file name and the file's bytes from them. No widgets here.
#include "editors/model/TextExportSource.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qxm7740 {

class CTextExport {
public:
    // Column titles and tab captions are read into 50-byte buffers.
    static constexpr std::size_t kTextLimit = 50;

    // Whether a pane of this class is one of the list views the export takes; other panes are
    // skipped, even when they show a list.
    static bool IsListView(const std::string& className);
    // The title without any ":", without blanks at either end and with "_" for each "/" (no folder
    // in the name); with a tab, "_" and the tab's caption (at most 50 bytes).
    static std::string DefaultName(const std::string& title, const std::optional<std::string>& tabCaption);
    // The folder the save dialog opens in: the project's folder under the projects folder, or the
    // projects folder itself while the project has none (never saved).
    static std::filesystem::path InitialFolder(const std::filesystem::path& projectsFolder,
                                               const std::string& projectName);
    // The file's bytes (GBK, every line ended by a bare "\n"): the name, a rule of 68 "-", the
    // column titles (at most 50 bytes each) separated by tabs, an empty line, then one line of
    // tab-separated cells per row.
    static std::string Build(const std::string& name, const std::vector<std::string>& columns,
                             const std::vector<std::vector<std::string>>& rows);
};

} // namespace qxm7740
