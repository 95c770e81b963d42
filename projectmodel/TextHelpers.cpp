#include "projectmodel/TextHelpers.h"

#include "platform/FileFaults.h"

#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace projectmodel {

void SplitToStringList(std::string_view text, CStringList& list, char sep) {
    ForEachTopLevelPart(
        text, [sep](std::size_t, char ch) { return ch == sep; },
        [&](std::size_t from, std::size_t to) { list.emplace_back(TrimView(text.substr(from, to - from))); });
}

CStringList SplitToStringList(std::string_view text, char sep) {
    CStringList list;
    SplitToStringList(text, list, sep);
    return list;
}

std::string_view TrimView(std::string_view text) {
    auto blank = [](char ch) {
        return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string TrimCopy(std::string_view text) {
    return platform::Trim(text);
}

void BalanceParentheses(std::string& text) {
    int depth = 0;
    int opensToAdd = 0;
    for (char ch : text) {
        if (ch == '(') {
            ++depth;
        } else if (ch == ')') {
            if (--depth < 0) {
                ++opensToAdd;
                depth = 0;
            }
        }
    }
    // All inserted "(" stand at the very front, so they can be put there in one step.
    if (opensToAdd > 0)
        text.insert(0, static_cast<std::size_t>(opensToAdd), '(');
    if (depth > 0)
        text.append(static_cast<std::size_t>(depth), ')');
}

int DeleteFileIfExists(const std::filesystem::path& path) {
    return platform::RemoveFile(path) ? 1 : 0;
}

std::string ConfigLineSafeText(std::string_view text, ConfigTextKind kind) {
    std::string_view unsafe;
    switch (kind) {
    case ConfigTextKind::EntryText:
        unsafe = ",;=\'\"\r\n";
        break;
    case ConfigTextKind::DeviceText:
        unsafe = ",\'\"\r\n";
        break;
    case ConfigTextKind::ModelLineText:
        unsafe = ",;=\'\"\r\n[]";
        break;
    }
    std::string result(text);
    // All these characters are ASCII, so a GBK or UTF-8 multi-byte character is never touched.
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < result.size(); ++i) {
        char& ch = result[i];
        if (unsafe.find(ch) != std::string_view::npos) {
            ch = ' ';
        } else if (ch == '(') {
            open.push_back(i);
        } else if (ch == ')') {
            if (open.empty())
                ch = ' ';
            else
                open.pop_back();
        }
    }
    for (std::size_t i : open)
        result[i] = ' ';
    return result;
}

std::string StripBracketPrefix(std::string_view name) {
    if (!name.empty() && name.front() == '[') {
        std::size_t close = name.find(']');
        if (close != std::string_view::npos && close > 0)
            return std::string(name.substr(close + 1));
    }
    return std::string(name);
}

void Tell(const std::string& text) {
    platform::MessageBox(text, {}, platform::Icon::Warning, platform::Buttons::Ok);
}

namespace {
thread_local CUnreadFiles* t_unread = nullptr;
} // namespace

CUnreadFiles::CUnreadFiles() : previous_(t_unread) {
    t_unread = this;
}

CUnreadFiles::~CUnreadFiles() {
    t_unread = previous_;
}

bool CUnreadFiles::Note(const std::filesystem::path& path, int error, bool tell) {
    if (error == 0 || error == ENOENT || error == ENOTDIR)
        return true;
    CUnreadFiles* scope = t_unread;
    const std::string name = path.string();
    bool first = true;
    if (scope) {
        ++scope->count_;
        first = std::find(scope->told_.begin(), scope->told_.end(), name) == scope->told_.end();
        if (first)
            scope->told_.push_back(name);
    }
    if (tell && first)
        TellReadFailed(path, error);
    return false;
}

bool TellReadFailed(const std::filesystem::path& path, int error) {
    Tell(platform::StrFormat("读取文件 %s 失败!\n%s", path.string().c_str(),
                             platform::ErrorText(error).c_str()));
    return false;
}

} // namespace projectmodel
