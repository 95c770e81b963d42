#include "configtool/model/TextExport.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace qxm7740 {

bool CTextExport::IsListView(const std::string& className) {
    // Project properties, time sources, boards, ports, device points, virtual points, voltage
    // levels, bays, equipment, the device list, the port form, unit detail and equipment detail.
    static constexpr std::array<std::string_view, 13> kListViews = {
        "CConfigPrjView",        "CAdjusttimeView",   "CConfigBanView",      "CConfigPortView",
        "CConfigGINView",        "CConfigGINVirView", "CConfigPrjbayView",   "CConfigBayView",
        "CConfigEquipView",      "CDevinfolistView",  "CConfigPortFormView", "CConfigUnitDetailView",
        "CConfigEquipDetailView"};
    // The class is known by its own name, whatever namespace the view module puts it in.
    std::string_view name = className;
    if (const std::size_t scope = name.rfind("::"); scope != std::string_view::npos)
        name.remove_prefix(scope + 2);
    return std::find(kListViews.begin(), kListViews.end(), name) != kListViews.end();
}

std::string CTextExport::DefaultName(const std::string& title, const std::optional<std::string>& tabCaption) {
    std::string name;
    name.reserve(title.size());
    for (char c : title)
        if (c != ':')
            name += c;
    // A caption such as "装置总表: " would otherwise leave a blank at the end of the file name.
    name = platform::Trim(name);
    if (tabCaption) {
        name += '_';
        name += platform::TruncateGbk(*tabCaption, kTextLimit);
    }
    // A "/" of a description ("A/B相") would make the proposed name a path into a folder.
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

std::filesystem::path CTextExport::InitialFolder(const std::filesystem::path& projectsFolder,
                                                 const std::string& projectName) {
    const std::filesystem::path project = projectsFolder / projectName;
    if (!projectName.empty() && platform::StatPath(project).folder)
        return project;
    return projectsFolder;
}

std::string CTextExport::Build(const std::string& name, const std::vector<std::string>& columns,
                               const std::vector<std::vector<std::string>>& rows) {
    std::string text = name;
    text += "\n\n";
    text.append(68, '-');
    text += '\n';
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i)
            text += "\t";
        text += platform::TruncateGbk(columns[i], kTextLimit);
    }
    text += "\n\n";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i)
                text += "\t";
            text += row[i];
        }
        text += "\n";
    }
    return platform::ToGbk(text);
}

} // namespace qxm7740
