#include "platform/Profile.h"

#include "platform/FileFaults.h"
#include "platform/Gbk.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {
namespace {

struct Entry {
    std::string key;
    std::string value;
    std::string line; // trimmed source line, for whole-section reads
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

struct Parsed {
    std::vector<Section> sections;
};

// Splits raw GBK file bytes into lines without their line ends, converted to UTF-8.
std::vector<std::string> SplitLines(const std::string& bytes) {
    CGbkLineReader reader;
    reader.OpenBytes(bytes);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
        lines.push_back(line);
    return lines;
}

// A section header: "[name]" after blanks; the name runs to the first ']' (or to the end).
std::optional<std::string> SectionName(std::string_view trimmed) {
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    std::size_t close = trimmed.find(']');
    std::string_view name =
        trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return Trim(name);
}

std::string StripQuotes(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::shared_ptr<const Parsed> Parse(const std::string& bytes) {
    auto parsed = std::make_shared<Parsed>();
    Section* current = nullptr;
    for (const std::string& raw : SplitLines(bytes)) {
        std::string line = Trim(raw);
        if (line.empty())
            continue;
        if (auto name = SectionName(line)) {
            parsed->sections.push_back(Section{*name, {}});
            current = &parsed->sections.back();
            continue;
        }
        if (!current || line.front() == ';')
            continue;
        Entry e;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            e.key = line;
        } else {
            e.key = Trim(std::string_view(line).substr(0, eq));
            e.value = StripQuotes(Trim(std::string_view(line).substr(eq + 1)));
        }
        e.line = line;
        current->entries.push_back(std::move(e));
    }
    return parsed;
}

struct CacheItem {
    std::filesystem::file_time_type time;
    std::uintmax_t size = 0;
    std::shared_ptr<const Parsed> parsed;
};

std::mutex g_cacheMutex;
std::map<std::string, CacheItem> g_cache;

// The parsed file, or null when it cannot be read.
std::shared_ptr<const Parsed> Load(const std::filesystem::path& file, int* error = nullptr) {
    const PathStat stat = StatPath(file);
    if (!stat.exists && !stat.Failed()) {
        if (error)
            *error = ENOENT;
        return nullptr;
    }
    // The size and time only tell a changed file from the cached one: a look that failed passes
    // the cache by, and the read below tells whether the file can be read.
    std::error_code ec;
    const auto time =
        stat.Failed() ? std::filesystem::file_time_type{} : std::filesystem::last_write_time(file, ec);
    const bool known = !stat.Failed() && !ec;
    const auto size = stat.size;
    std::string key = file.string();
    if (known) {
        std::lock_guard lock(g_cacheMutex);
        auto it = g_cache.find(key);
        if (it != g_cache.end() && it->second.time == time && it->second.size == size)
            return it->second.parsed;
    }
    std::string bytes;
    if (const int failed = ReadWholeFile(file, bytes); failed != 0) {
        if (error)
            *error = failed;
        return nullptr;
    }
    auto parsed = Parse(bytes);
    std::lock_guard lock(g_cacheMutex);
    if (g_cache.size() > 64)
        g_cache.clear();
    if (known)
        g_cache[key] = CacheItem{time, size, parsed};
    else
        g_cache.erase(key);
    return parsed;
}

void Forget(const std::filesystem::path& file) {
    std::lock_guard lock(g_cacheMutex);
    g_cache.erase(file.string());
}

const Section* FindSection(const Parsed& p, std::string_view name) {
    for (const Section& s : p.sections)
        if (EqualsNoCase(s.name, name))
            return &s;
    return nullptr;
}

const Entry* FindEntry(const Section& s, std::string_view key) {
    for (const Entry& e : s.entries)
        if (EqualsNoCase(e.key, key))
            return &e;
    return nullptr;
}

const Entry* Lookup(std::string_view section, std::string_view key, const std::filesystem::path& file) {
    static thread_local std::shared_ptr<const Parsed> keepAlive;
    keepAlive = Load(file);
    if (!keepAlive)
        return nullptr;
    const Section* s = FindSection(*keepAlive, section);
    return s ? FindEntry(*s, key) : nullptr;
}

// Line-preserving edit of a profile file.
enum class Edit { Set, DeleteKey, DeleteSection };

// One line of a profile file as its bytes: the text without its line end, and the line end as
// it stood (empty for a last line without one).
struct RawLine {
    std::string bytes;
    std::string ending;
};

std::vector<RawLine> SplitRawLines(const std::string& bytes) {
    std::vector<RawLine> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t nl = bytes.find('\n', pos);
        RawLine r;
        if (nl == std::string::npos) {
            r.bytes = bytes.substr(pos);
            pos = bytes.size();
        } else {
            std::size_t stop = nl;
            if (stop > pos && bytes[stop - 1] == '\r')
                --stop;
            r.bytes = bytes.substr(pos, stop - pos);
            r.ending = bytes.substr(stop, nl + 1 - stop);
            pos = nl + 1;
        }
        lines.push_back(std::move(r));
    }
    return lines;
}

// Holds an exclusive lock on a folder while a file of it is read, edited and replaced: the
// programs that share one profile file (the monitor and the debugger share theirs) edit it one
// after the other, so that neither writes back a file without the other's key.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& file) {
        std::filesystem::path folder = file.parent_path();
        if (folder.empty())
            folder = ".";
        fd_ = FileStepFails(FileStep::Lock, folder)
                  ? -1
                  : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// The section's header line and the end of its lines (header -1 when the file lacks it).
struct SectionSpan {
    std::ptrdiff_t header = -1;
    std::ptrdiff_t end = -1;
};

SectionSpan LocateSection(const std::vector<std::string>& lines, std::string_view section) {
    SectionSpan span;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(Trim(lines[i]));
        if (!name)
            continue;
        if (span.header >= 0) {
            span.end = static_cast<std::ptrdiff_t>(i);
            break;
        }
        if (EqualsNoCase(*name, section))
            span.header = static_cast<std::ptrdiff_t>(i);
    }
    if (span.header >= 0 && span.end < 0)
        span.end = static_cast<std::ptrdiff_t>(lines.size());
    return span;
}

RawLine MadeLine(const std::string& utf8) {
    RawLine r;
    Utf8ToGbk(utf8, r.bytes);
    return r;
}

// Sets or deletes the key in the section's lines; false when there is nothing to change.
bool EditKey(std::vector<RawLine>& raw, const std::vector<std::string>& lines, SectionSpan span,
             std::string_view section, std::string_view key, std::string_view value, Edit what) {
    std::ptrdiff_t keyLine = -1, lastContent = span.header;
    for (std::ptrdiff_t i = span.header + 1; span.header >= 0 && i < span.end; ++i) {
        std::string t = Trim(lines[i]);
        if (t.empty())
            continue;
        lastContent = i;
        if (t.front() == ';')
            continue;
        std::size_t eq = t.find('=');
        std::string k = Trim(std::string_view(t).substr(0, eq == std::string::npos ? t.size() : eq));
        if (keyLine < 0 && EqualsNoCase(k, key))
            keyLine = i;
    }
    if (what == Edit::DeleteKey) {
        if (keyLine < 0)
            return false;
        raw.erase(raw.begin() + keyLine);
        return true;
    }
    const std::string newLine = std::string(key) + "=" + std::string(value);
    if (keyLine >= 0) {
        raw[keyLine] = MadeLine(newLine);
    } else if (span.header >= 0) {
        raw.insert(raw.begin() + lastContent + 1, MadeLine(newLine));
    } else {
        std::string head(1, '[');
        head.append(section).push_back(']');
        raw.push_back(MadeLine(head));
        raw.push_back(MadeLine(newLine));
    }
    return true;
}

using KeyValues = std::vector<std::pair<std::string, std::string>>;

bool EditFile(std::string_view section, const KeyValues& keys, Edit what, const std::filesystem::path& file) {
    FolderLock lock(ResolveFileLinks(file));
    std::string bytes;
    std::vector<RawLine> raw;
    if (const int failed = ReadWholeFile(file, bytes); failed == 0)
        raw = SplitRawLines(bytes);
    else if (failed != ENOENT)
        return false; // a file that cannot be read is not replaced by the one key
    else if (what != Edit::Set)
        return true; // nothing to delete
    // The lines as UTF-8 for finding sections and keys; a line that is not edited is written back
    // as the bytes it was read as. Every key is edited before the file is replaced once: the keys
    // of one edit reach the file together or not at all.
    std::vector<std::string> lines;
    auto utf8Lines = [&] {
        lines.clear();
        lines.reserve(raw.size());
        for (const RawLine& r : raw) {
            std::string text;
            GbkToUtf8(r.bytes, text);
            lines.push_back(std::move(text));
        }
    };
    utf8Lines();
    if (what == Edit::DeleteSection) {
        const SectionSpan span = LocateSection(lines, section);
        if (span.header < 0)
            return true;
        raw.erase(raw.begin() + span.header, raw.begin() + span.end);
    } else {
        bool changed = false;
        for (const auto& [key, value] : keys) {
            if (changed)
                utf8Lines();
            changed =
                EditKey(raw, lines, LocateSection(lines, section), section, key, value, what) || changed;
        }
        if (!changed)
            return true;
    }

    std::string out;
    for (const RawLine& r : raw) {
        out += r.bytes;
        out += r.ending.empty() ? std::string_view("\r\n") : std::string_view(r.ending);
    }
    Forget(file);
    // A temporary file renamed into place: a full disk leaves the old file as it was.
    const bool ok = ReplaceFileBytes(file, out);
    Forget(file);
    return ok;
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    std::size_t size, const std::filesystem::path& file) {
    if (size == 0)
        return {};
    const Entry* e = Lookup(section, key, file);
    std::string value = e ? e->value : TrimRight(def);
    return TruncateGbk(value, size - 1);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::filesystem::path& file) {
    const Entry* e = Lookup(section, key, file);
    if (!e || e->value.empty())
        return def;
    return AtoI(e->value);
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file) {
    std::vector<std::string> names;
    if (auto p = Load(file))
        for (const Section& s : p->sections)
            names.push_back(s.name);
    return names;
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::filesystem::path& file) {
    std::vector<std::string> keys;
    if (auto p = Load(file))
        if (const Section* s = FindSection(*p, section))
            for (const Entry& e : s->entries)
                keys.push_back(e.key);
    return keys;
}

std::vector<std::string> GetPrivateProfileSection(std::string_view section,
                                                  const std::filesystem::path& file) {
    std::vector<std::string> lines;
    if (auto p = Load(file))
        if (const Section* s = FindSection(*p, section))
            for (const Entry& e : s->entries)
                lines.push_back(e.line);
    return lines;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file) {
    return EditFile(section, {{std::string(key), std::string(value)}}, Edit::Set, file);
}

bool WritePrivateProfileStrings(std::string_view section,
                                const std::vector<std::pair<std::string, std::string>>& values,
                                const std::filesystem::path& file) {
    return EditFile(section, values, Edit::Set, file);
}

bool DeletePrivateProfileKey(std::string_view section, std::string_view key,
                             const std::filesystem::path& file) {
    return EditFile(section, {{std::string(key), std::string()}}, Edit::DeleteKey, file);
}

bool DeletePrivateProfileSection(std::string_view section, const std::filesystem::path& file) {
    return EditFile(section, {}, Edit::DeleteSection, file);
}

int LoadProfileFile(const std::filesystem::path& file) {
    int error = 0;
    Load(file, &error);
    return error;
}

void FlushProfileCache() {
    std::lock_guard lock(g_cacheMutex);
    g_cache.clear();
}

} // namespace platform
