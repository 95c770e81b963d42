#pragma once
// Point rows as rows of a grid list, and a grid list's columns set from titles.
#include "editors/model/GridRows.h"
#include "editors/views/GridListCtrl.h"
#include "platform/Text.h"
#include "points/PointRows.h"

#include <string>
#include <vector>

inline std::vector<CGridRow> ToGridRows(const std::vector<points::CPointRow>& rows) {
    std::vector<CGridRow> out;
    out.reserve(rows.size());
    for (const points::CPointRow& r : rows) {
        CGridRow g = GridRow(r.texts);
        g.itemData = r.data;
        out.push_back(std::move(g));
    }
    return out;
}

inline void SetColumns(CGridListCtrl* list, const std::vector<std::string>& titles) {
    list->DeleteAllColumns();
    for (const std::string& t : titles)
        list->InsertColumn(list->GetColumnCount(), t);
}

// The point keys of the selected rows of a list whose first three columns are device address,
// group and entry.
inline std::vector<points::CPointKey> SelectedKeys(const CGridListCtrl* list) {
    std::vector<points::CPointKey> keys;
    for (int r : list->GetSelectedRows())
        keys.push_back({platform::AtoI(list->GetItemText(r, 0)), platform::AtoI(list->GetItemText(r, 1)),
                        platform::AtoI(list->GetItemText(r, 2))});
    return keys;
}
