// What an extracted file or folder takes from its entry: the modification time, and the mode its
// attributes give (Unix modes with the process's umask, or the MS-DOS read-only bit).
#include "platform/FileFaults.h"
#include "ziparchive/ZipArchive.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// The process's file-creation mask, read without changing it (the umask call alone would set it
// for a moment under other threads).
mode_t CurrentUmask() {
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned mask = 0;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(f);
                return static_cast<mode_t>(mask & 0777);
            }
        }
        std::fclose(f);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask & 0777;
}

} // namespace

void CZipArchive::EntryTimes(const CZipEntryHeader& header, struct timespec times[2]) {
    // Files packed together mostly share their date and time; the conversion from local time
    // reads the time zone file each time.
    const std::uint32_t dos = (static_cast<std::uint32_t>(header.m_uModDate) << 16) | header.m_uModTime;
    if (!m_bLastTimeKnown || dos != m_uLastDosTime) {
        m_lastTime = header.GetTime();
        m_uLastDosTime = dos;
        m_bLastTimeKnown = true;
    }
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = m_lastTime;
    times[1].tv_nsec = 0;
}

mode_t CZipArchive::Umask() {
    // Read once per archive: reading it costs a file of /proc.
    if (!m_bUmaskKnown) {
        m_umask = CurrentUmask();
        m_bUmaskKnown = true;
    }
    return m_umask;
}

bool CZipArchive::EntryMode(const CZipEntryHeader& header, mode_t current, mode_t umask, mode_t& mode) {
    mode = current & 07777;
    const mode_t unixMode = static_cast<mode_t>(header.m_uExternalAttr >> 16);
    if (header.GetSystemCompatibility() == 3 && (unixMode & 0777) != 0) {
        // The archive's bits as a new file would get them: the process's umask applies.
        mode = unixMode & 0777 & ~umask;
        if (S_ISDIR(current))
            mode |= S_IRWXU; // a folder must stay usable for the entries below it
        return true;
    }
    if ((header.m_uExternalAttr & 0x01) && !S_ISDIR(current)) {
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        return true;
    }
    return false;
}

bool CZipArchive::SetAttributes(const std::string& path, const CZipEntryHeader& header) {
    struct stat st {};
    if (platform::FileStepFails(platform::FileStep::Stat, path) || ::stat(path.c_str(), &st) != 0)
        return false;
    mode_t mode = 0;
    if (!EntryMode(header, st.st_mode, Umask(), mode))
        return true;
    return platform::ChangeMode(path, mode) == 0;
}

bool CZipArchive::SetFileAttributes(int fd, const CZipEntryHeader& header) {
    // Most entries (all packed here without the read-only bit) ask for no change: no call then.
    mode_t mode = 0;
    if (!EntryMode(header, S_IFREG, 0, mode))
        return true;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!EntryMode(header, st.st_mode, Umask(), mode))
        return true;
    return ::fchmod(fd, mode) == 0;
}
