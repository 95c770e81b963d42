#pragma once
// The two point panes of the classification window: the points a DataSet names (CDataSetView) and
// all other points (CLndataView), each with one tab per point class.
#include <functional>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QTabBar;
class QTableWidget;

namespace iedinterface {

class CPointClassifier;

class CPointListView : public QWidget {
    Q_OBJECT
public:
    CPointListView(CPointClassifier& classifier, int source, const QString& caption,
                   QWidget* parent = nullptr);

    int Source() const { return m_source; }
    // Index of the class tab (class - 10).
    int ClassTab() const;
    // Shows a class tab and refills, without telling the other panes.
    void SelectClassTab(int tab);
    void Refill();
    // References of the selected rows, top to bottom.
    std::vector<std::string> SelectedReferences() const;
    // The context menu for the current selection (the caller owns it).
    QMenu* CreateContextMenu();
    // Command "<<添加": the selected points go into the classification pane's category.
    void OnAdd();

    QTableWidget* List() const { return m_list; }

signals:
    // The user switched the class tab.
    void ClassTabChanged(int tab);
    // Points were added to the category shown in the classification pane.
    void PointsAdded();

private:
    void OnTabChanged(int tab);
    void SetColumns();

    CPointClassifier& m_classifier;
    int m_source;
    QLabel* m_caption;
    QTabBar* m_tab;
    QTableWidget* m_list;
    bool m_filling = false;

public:
    // The category index the add command targets; set by the frame.
    std::function<int()> CurrentCategory;
};

class CDataSetView : public CPointListView {
    Q_OBJECT
public:
    CDataSetView(CPointClassifier& classifier, QWidget* parent = nullptr);
};

class CLndataView : public CPointListView {
    Q_OBJECT
public:
    CLndataView(CPointClassifier& classifier, QWidget* parent = nullptr);
};

} // namespace iedinterface
