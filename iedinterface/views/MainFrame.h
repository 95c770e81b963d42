#pragma once
// The classification window: tool bar (OK, cancel, about), status bar and three panes side by side
// (configured points of a category, DataSet points, other points). It runs modally under the host
// window; ending with 1 means OK.
#include <memory>
#include <QDialog>

class QAction;
class QMainWindow;
class QSplitter;

namespace iedinterface {

class CIcdInterfaceApp;
class CPointClassifier;
class CConfigView;
class CDataSetView;
class CLndataView;
class CPointListView;

class CMainFrame : public QDialog {
    Q_OBJECT
public:
    CMainFrame(CIcdInterfaceApp& app, QWidget* owner);
    ~CMainFrame() override;

    // Runs the window modally under its owner: 1 OK, 0 cancel or close, -1 on an exception.
    int RunPointConfig();

    CConfigView* ConfigView() const { return m_configView; }
    CDataSetView* DataSetView() const { return m_dataSetView; }
    CLndataView* LndataView() const { return m_lndataView; }
    QSplitter* Splitter() const { return m_splitter; }

    void OnOK() { done(1); }
    void OnCancel() { done(0); }
    void OnAbout();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnCategoryChanged(int index);
    void OnClassTabChanged(CPointListView* from, int tab);

    std::unique_ptr<CPointClassifier> m_classifier;
    QMainWindow* m_frame;
    QSplitter* m_splitter;
    CConfigView* m_configView;
    CDataSetView* m_dataSetView;
    CLndataView* m_lndataView;
    bool m_firstShow = true;
};

} // namespace iedinterface
