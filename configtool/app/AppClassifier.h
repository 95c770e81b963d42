#pragma once
// The IEC 61850 point classification library as the project document and the main frame use it:
// libQXM7740_Interface.so is loaded from the program folder on first use and its C entry points
// are found by name, with the main frame as the classification window's owner.
#include "projectmodel/ProjectServices.h"

#include <filesystem>
#include <functional>
#include <memory>

class QLibrary;
class QWidget;

namespace qxm7740 {

class CAppClassifier : public projectmodel::IClassificationLibrary {
public:
    // parent gives the owner of the classification window at the moment it is shown; folder is
    // where the library is looked for (empty: the folder of the running program, its Bin folder).
    explicit CAppClassifier(std::function<QWidget*()> parent, std::filesystem::path folder = {});
    ~CAppClassifier() override;

    int ReadICDFile(std::string path) override;
    int OpenCIDSpy(int left, int top, int right, int bottom) override;

    // The library file this object loads.
    std::filesystem::path LibraryPath() const;
    // Loads the library and finds both entry points; false after a message saying what is missing.
    bool Load();

private:
    std::function<QWidget*()> m_parent;
    std::filesystem::path m_folder;
    std::unique_ptr<QLibrary> m_library;
    void (*m_readIcd)() = nullptr;
    void (*m_openSpy)() = nullptr;
};

} // namespace qxm7740
