#include "AppClassifier.h"

#include "iedinterface/views/IcdInterface.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/ui/WidgetPrompt.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QRect>

namespace {
constexpr const char* kLibraryFile = "libQXM7740_Interface.so";
}

CAppClassifier::CAppClassifier(std::function<QWidget*()> parent, std::filesystem::path folder)
    : m_parent(std::move(parent)), m_folder(std::move(folder)) {}

// The library stays loaded for the life of the process: its module object and widget classes must
// outlive every window it opened, so the QLibrary is never unloaded.
CAppClassifier::~CAppClassifier() = default;

std::filesystem::path CAppClassifier::LibraryPath() const {
    const std::filesystem::path folder =
        m_folder.empty() ? std::filesystem::path(platform::Ss(QCoreApplication::applicationDirPath())) : m_folder;
    return folder / kLibraryFile;
}

bool CAppClassifier::Load() {
    if (m_readIcd && m_openSpy)
        return true;
    const std::string path = LibraryPath().string();
    if (!m_library || !m_library->isLoaded()) {
        m_library = std::make_unique<QLibrary>(platform::Qs(path));
        if (!m_library->load()) {
            platform::MessageBox(platform::StrFormat("无法加载IEC61850测点分类库 %s：\n%s", path.c_str(),
                                                     platform::Ss(m_library->errorString()).c_str()),
                                 "错误", platform::Icon::Error);
            m_library.reset();
            return false;
        }
    }
    for (const char* name : {"ReadICDFile", "OpenCIDSpy"}) {
        if (!m_library->resolve(name)) {
            platform::MessageBox(
                platform::StrFormat("IEC61850测点分类库 %s 中没有入口 %s！", path.c_str(), name), "错误",
                platform::Icon::Error);
            return false;
        }
    }
    m_readIcd = m_library->resolve("ReadICDFile");
    m_openSpy = m_library->resolve("OpenCIDSpy");
    return true;
}

int CAppClassifier::ReadICDFile(std::string path) {
    if (!Load())
        return 0;
    return reinterpret_cast<ReadICDFileFn>(m_readIcd)(path.c_str());
}

int CAppClassifier::OpenCIDSpy(int left, int top, int right, int bottom) {
    if (!Load())
        return 0;
    const QRect rect(QPoint(left, top), QPoint(right, bottom));
    return reinterpret_cast<OpenCIDSpyFn>(m_openSpy)(m_parent ? m_parent() : nullptr, &rect);
}
