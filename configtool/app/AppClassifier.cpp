#include "AppClassifier.h"

#include "iedinterface/IcdInterface.h"

#include <QRect>

int CAppClassifier::ReadICDFile(std::string path) {
    return ::ReadICDFile(path);
}

int CAppClassifier::OpenCIDSpy(int left, int top, int right, int bottom) {
    return ::OpenCIDSpy(m_parent ? m_parent() : nullptr, QRect(QPoint(left, top), QPoint(right, bottom)));
}
