#pragma once
// "生成文本" as a list view offers it: the text of its title window, the caption of its selected
// tab (views with a tab control), its column titles and the cell texts of its rows. No widgets,
// so the main tool's export rule reads it without knowing the views.
#include <optional>
#include <string>
#include <vector>

namespace editors {

struct CTextExportList {
    std::string title;
    std::optional<std::string> tabCaption;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

class ITextExportSource {
public:
    virtual ~ITextExportSource() = default;
    virtual CTextExportList GetTextExport() const = 0;
};

} // namespace editors
