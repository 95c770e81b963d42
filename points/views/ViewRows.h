#pragma once
// Point rows as rows of a grid list, and a grid list's columns set from titles.
#include "editors/model/GridRows.h"
#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "points/PointRows.h"

#include <string>
#include <vector>

namespace points {

inline std::vector<editors::CGridRow> ToGridRows(const std::vector<CPointRow>& rows) {
    std::vector<editors::CGridRow> out;
    out.reserve(rows.size());
    for (const CPointRow& r : rows) {
        editors::CGridRow g = editors::GridRow(r.texts);
        g.itemData = r.data;
        out.push_back(std::move(g));
    }
    return out;
}

inline void SetColumns(editors::CGridListCtrl* list, const std::vector<std::string>& titles) {
    list->DeleteAllColumns();
    for (const std::string& t : titles)
        list->InsertColumn(list->GetColumnCount(), t);
}

// The point keys of the selected rows of a list whose first three columns are device address,
// group and entry.
inline std::vector<CPointKey> SelectedKeys(const editors::CGridListCtrl* list) {
    std::vector<CPointKey> keys;
    for (int r : list->GetSelectedRows())
        keys.push_back({platform::AtoI(list->GetItemText(r, 0)), platform::AtoI(list->GetItemText(r, 1)),
                        platform::AtoI(list->GetItemText(r, 2))});
    return keys;
}

} // namespace points
