#include "editors/views/PointPanes.h"

#include "editors/views/ConfigFrame.h"

namespace editors {

IAllPointsPane* AllPointsPaneOf(const CConfigFrame* frame) {
    return frame ? dynamic_cast<IAllPointsPane*>(frame->RightView()) : nullptr;
}

IPointPaneView* PointPaneViewOf(const CConfigFrame* frame) {
    return frame ? dynamic_cast<IPointPaneView*>(frame->LeftView()) : nullptr;
}

} // namespace editors
