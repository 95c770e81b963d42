#include "projectmodel/ProjectContext.h"

#include "platform/Paths.h"

#include <ctime>
#include <sys/time.h>

namespace projectmodel {

CProjectContext& CProjectContext::Instance() {
    static CProjectContext context;
    return context;
}

void CProjectContext::Reset() {
    CProjectContext& c = Instance();
    c.currentDocument_ = nullptr;
    c.deviceTableSorted_ = true;
    c.projectsFolder_.clear();
    c.libraryFolder_.clear();
    c.newProjectName_.clear();
    c.m_bGetGoosePoints = false;
    c.m_bGetDescFromDu = true;
    c.m_bSelYtFromYk = false;
    c.clock_ = nullptr;
    c.shell_ = nullptr;
    c.classifier_ = nullptr;
    c.scdImport_ = nullptr;
}

std::filesystem::path CProjectContext::ProjectsFolder() const {
    return projectsFolder_.empty() ? platform::RootFolder() / "Project" : projectsFolder_;
}

std::filesystem::path CProjectContext::LibraryFolder() const {
    return libraryFolder_.empty() ? platform::RootFolder() / "Ini" : libraryFolder_;
}

CProjectTime CSystemClock::Now() const {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm tm{};
    time_t secs = tv.tv_sec;
    localtime_r(&secs, &tm);
    CProjectTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(tv.tv_usec / 1000);
    return t;
}

CMonitorLaunch MonitorLaunch(const std::filesystem::path& rootFolder) {
    CMonitorLaunch launch;
    launch.workingFolder = rootFolder / "Bin";
    launch.program = launch.workingFolder / kMonitorProgramName;
    launch.argument = std::to_string(kDeviceLoginKey);
    return launch;
}

} // namespace projectmodel
