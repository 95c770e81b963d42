#pragma once
// The IEC 61850 point classification library as the project document and the main frame use it:
// the entry points of QXM7740_Interface, with the main frame as the classification window's owner.
#include "projectmodel/ProjectServices.h"

#include <functional>

class QWidget;

class CAppClassifier : public projectmodel::IClassificationLibrary {
public:
    // parent gives the owner of the classification window at the moment it is shown.
    explicit CAppClassifier(std::function<QWidget*()> parent) : m_parent(std::move(parent)) {}

    int ReadICDFile(std::string path) override;
    int OpenCIDSpy(int left, int top, int right, int bottom) override;

private:
    std::function<QWidget*()> m_parent;
};
