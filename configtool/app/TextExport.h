#pragma once
// "生成文本": the text export of the list shown in the project frame's left pane. A list view that
// can be exported implements ITextExportSource; CTextExport makes the proposed file name and the
// file's bytes from it. No widgets here.
#include <optional>
#include <string>
#include <vector>

// What an exportable list view offers: the text of its title window, the caption of its selected
// tab (for views with a tab control), its column titles and the cell texts of its rows.
class ITextExportSource {
public:
    virtual ~ITextExportSource() = default;
    virtual std::string GetExportTitle() const = 0;
    virtual std::optional<std::string> GetExportTabCaption() const = 0;
    virtual std::vector<std::string> GetExportColumns() const = 0;
    virtual std::vector<std::vector<std::string>> GetExportRows() const = 0;
};

class CTextExport {
public:
    // Column titles and tab captions are read into 50-byte buffers.
    static constexpr std::size_t kTextLimit = 50;

    // The title without any ":"; with a tab, "_" and the tab's caption (at most 50 bytes).
    static std::string DefaultName(const std::string& title, const std::optional<std::string>& tabCaption);
    // The file's bytes (GBK, every line ended by a bare "\n"): the name, a rule of 68 "-", the
    // column titles (at most 50 bytes each) separated by tabs, an empty line, then one line of
    // tab-separated cells per row.
    static std::string Build(const std::string& name, const std::vector<std::string>& columns,
                             const std::vector<std::vector<std::string>>& rows);
};
