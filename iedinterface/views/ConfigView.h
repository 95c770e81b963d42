#pragma once
// The classification pane: the configured points of one category (one tab per category), with
// in-place editing of descriptions and tap-change directions, removal, and copy and paste on 遥调.
#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTabBar;
class QTableWidget;

namespace iedinterface {

class CPointClassifier;

class CConfigView : public QWidget {
    Q_OBJECT
public:
    explicit CConfigView(CPointClassifier& classifier, QWidget* parent = nullptr);

    int Category() const;
    // Shows a category and refills, without telling the point panes.
    void SelectCategory(int index);
    void Refill();

    std::vector<std::string> SelectedReferences() const;
    QMenu* CreateContextMenu();

    // Commands of the pane.
    void OnDelete();
    void OnCopy();
    void OnPaste();
    // Starts in-place editing of a cell (as a double click does).
    void BeginEdit(int row, int column);
    // Commits whatever in-place edit is open.
    void CommitEdits();

    QTableWidget* List() const { return m_list; }
    QLineEdit* Edit() const { return m_edit; }
    QComboBox* Combo() const { return m_combo; }

signals:
    void CategoryChanged(int index);
    // Rows were removed and their points went back to the point panes.
    void PointsReturned();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTabChanged(int index);
    void CommitDescription();
    void CommitDirection();
    void SetColumns();
    bool IsTapCategory() const;

    CPointClassifier& m_classifier;
    QLabel* m_caption;
    QTabBar* m_tab;
    QTableWidget* m_list;
    QLineEdit* m_edit;
    QComboBox* m_combo;
    int m_editRow = -1;
    enum class Editing { None, Description, Direction } m_editing = Editing::None;
    bool m_filling = false;
};

} // namespace iedinterface
