#pragma once
// How the two panes of the project frame work together on points: the view of the left pane keeps
// its category tab in step with the all-points view of the right pane and takes the points chosen
// there. A left view that does so implements IPointPaneView, the all-points view implements
// IAllPointsPane; each side finds the other by a dynamic_cast on the frame's other pane, and a
// pane that implements neither is left alone.
#include "projectmodel/PointRef.h"

#include <vector>

namespace editors {

class CConfigFrame;

// The left pane's side.
class IPointPaneView {
public:
    virtual ~IPointPaneView() = default;
    // Shows the table or tab of that category (0..6) and refills; without force only when it
    // differs (views that show one table per category ignore force).
    virtual void SelectCategoryTab(int category, bool force) = 0;
    // True when the view currently shows a reference table that can take points.
    virtual bool CanTakePoints() const { return false; }
    // Adds the points (device address, group, entry) one by one to the current reference table.
    virtual void AddRefPoints(const std::vector<projectmodel::CPointRef>& keys) { (void)keys; }
    // The category of the reference table shown, for the all-points view's first tab; -1 when none.
    virtual int CurrentRefTableCategory() const { return -1; }
};

// The right pane's side: the all-points view.
class IAllPointsPane {
public:
    virtual ~IAllPointsPane() = default;
    // Shows the category tab (0..6) and refills; without force only when it differs.
    virtual void SelectTab(int category, bool force) = 0;
    // Refills the list for the selected category and device.
    virtual void FillPointList() = 0;
};

// The all-points view in the frame's right pane; null without a frame or when it shows another view.
IAllPointsPane* AllPointsPaneOf(const CConfigFrame* frame);
// The left pane's view when it works with the all-points view; null otherwise.
IPointPaneView* PointPaneViewOf(const CConfigFrame* frame);

} // namespace editors
