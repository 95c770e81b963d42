#pragma once
// Process-wide state of the project model in one place: the current project document (the one
// the views and the record operations work on) and the device-table-sorted flag. Tests call
// Reset() to start from a clean state.
namespace projectmodel {

class CProjectModel;

class CProjectContext {
public:
    static CProjectContext& Instance();
    // No current document, the device table sorted.
    static void Reset();

    CProjectModel* CurrentDocument() const { return currentDocument_; }
    void SetCurrentDocument(CProjectModel* doc) { currentDocument_ = doc; }

    // Automatic sorting of the device table ("自动排序").
    bool IsDeviceTableSorted() const { return deviceTableSorted_; }
    void SetDeviceTableSorted(bool sorted) { deviceTableSorted_ = sorted; }

private:
    CProjectContext() = default;
    CProjectModel* currentDocument_ = nullptr;
    bool deviceTableSorted_ = true;
};

} // namespace projectmodel
