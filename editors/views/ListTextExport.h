#pragma once
// Reads what "生成文本" writes of a list view from its widgets: the title window's text, the
// selected tab of a tab control that is shown, and the grid list's column titles and cells.
#include "editors/model/TextExportSource.h"

class QLabel;
class QTabBar;

namespace editors {

class CGridListCtrl;

CTextExportList ReadListExport(const QLabel* title, const QTabBar* tabs, const CGridListCtrl* list);

} // namespace editors
