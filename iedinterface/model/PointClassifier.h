#pragma once
// The operations of the classification window without the window: the rows each pane shows, adding
// points to a category, removing configured rows, in-place edits, copy and paste of tap changers,
// and which tabs follow which when the user switches one.
#include <cstdint>
#include <string>
#include <vector>

namespace iedinterface {

class CIcdInterfaceApp;
class CCidPointList;

// One row of the classification pane.
struct CConfigRow {
    std::string Reference;
    std::string Description;
    std::string Cdc;
    std::string CtlModel;
    std::string TapChgDir;
    int CopyIndex = -1;
};

// One row of a point pane.
struct CPointRow {
    std::string Reference;
    std::string Description;
    std::string Cdc;
    std::string Fc;
    std::string CtlModel;
};

class CPointClassifier {
public:
    // Point panes: 0 the DataSet points, 1 the other points.
    enum { SourceDataSet = 0, SourceOther = 1 };

    explicit CPointClassifier(CIcdInterfaceApp& app) : app_(app) {}

    CCidPointList& Points(int source);

    // Rows of a category (records of its code's list with that category name, in list order); a
    // 遥调 record without a direction is given "UPDOWN".
    std::vector<CConfigRow> ConfigRows(int categoryIndex);
    // Unconfigured points of a class, in list order.
    std::vector<CPointRow> PointRows(int source, int pointClass) const;

    // Adds the points named by the references to the category, one by one; a point already
    // configured or of a class the category does not take is refused with a message. Returns the
    // references that were added.
    std::vector<std::string> AddPoints(int source, int categoryIndex,
                                       const std::vector<std::string>& references);

    // Removes the rows (by reference) from the category and gives the points back to the pane
    // they came from.
    void RemoveRows(int categoryIndex, const std::vector<std::string>& references);

    // In-place edits; true when a record changed.
    bool CommitDescription(int categoryIndex, const std::string& reference, int copyIndex,
                           const std::string& text);
    bool CommitDirection(int categoryIndex, const std::string& reference, int copyIndex,
                         const std::string& direction);

    // Copy and paste of 遥调 rows (the same tap changer configured again).
    void Copy(const std::vector<std::string>& references);
    int Paste();
    const std::vector<std::string>& CopyBuffer() const { return copyBuffer_; }

    // The class tab a point pane shows after the category changed (the current one when its class
    // takes the category, else the first that does, else unchanged).
    static int AlignClassTab(int classTab, int categoryIndex);
    // The category the classification pane shows after a point pane changed to a class tab.
    static int AlignCategoryTab(int categoryIndex, int classTab);

private:
    CIcdInterfaceApp& app_;
    std::vector<std::string> copyBuffer_;
};

} // namespace iedinterface
