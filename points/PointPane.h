#pragma once
// How the point views and the other views of the project frame's panes talk to each other: the
// view of pane (0,0) keeps its category tab in step with the all-points view of pane (0,1) and
// may take the points chosen there. A view of pane (0,0) implements IPointPaneView; the
// all-points view implements IAllPointsPane. Views that implement neither are left alone.
#include "points/PointRows.h"

#include <string>
#include <vector>

class IPointPaneView {
public:
    virtual ~IPointPaneView() = default;
    // Shows the tab of that category (0..6) and refills; without force only when it differs.
    virtual void SelectCategoryTab(int tab, bool force) = 0;
    // True when the view currently shows a reference table that can take points.
    virtual bool CanTakePoints() const { return false; }
    // Adds the points one by one to the view's current reference table.
    virtual void AddRefPoints(const std::vector<points::CPointKey>& keys) { (void)keys; }
    // The category of the reference table the view shows, for the all-points view's first tab;
    // -1 when the view shows none.
    virtual int CurrentRefTableCategory() const { return -1; }
};

class IAllPointsPane {
public:
    virtual ~IAllPointsPane() = default;
    virtual void SelectTab(int tab, bool force) = 0;
};
