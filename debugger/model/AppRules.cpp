#include "debugger/model/AppRules.h"

#include "debugger/core/ValueCodec.h"
#include "debugger/core/ValueText.h"
#include "platform/FileFaults.h"

#include "platform/Text.h"
#include "platform/TextBatch.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace quorvex {

bool CommandEnabled(int id, const MenuState& s) {
    switch (id) {
    case kCmdConnectParam:
    case kCmdConnect:
        return !s.connected;
    case kCmdStringCommand:
        return s.connected && !s.consoleOpen;
    case kCmdDebugInfo:
        return !s.debugOpen;
    case kCmdFileDirectory:
        return s.connected && !s.directoryOpen;
    case kCmdHistoryEvents:
        return s.connected && !s.historyOpen;
    case kCmdRemoteCommands:
        return s.connected && !s.remoteOpen;
    case kCmdDeviceTime:
        return s.connected && !s.deviceTimeOpen;
    case kCmdAbout:
        return true;
    default:
        return s.connected;
    }
}

bool IsValidNumberText(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '.')
            continue;
        if (c == '-' && i == 0)
            continue;
        return false;
    }
    return true;
}

ValueCheck CheckValueText(const std::string& text, std::uint8_t dataType, double& value) {
    if (!CValueCodec::IsNumberText(text))
        return ValueCheck::kInvalid;
    value = platform::AtoF(text);
    if (IsIntegerType(dataType) && value != std::trunc(value))
        return ValueCheck::kFraction;
    return ValueCheck::kOk;
}

const char* ValueCheckMessage(ValueCheck check) {
    return check == ValueCheck::kFraction ? kValueNotWhole : kValueInvalid;
}

bool IsIntegerType(std::uint8_t dataType) {
    switch (dataType) {
    case 3:
    case 9:
    case 12:
    case 18:
    case 19:
    case 201:
    case 202:
        return true;
    default:
        return false;
    }
}

std::string ShownValue(double value) {
    return TrimNumber(platform::StrFormat("%f", value));
}

int DoublePointValue(const std::string& text) {
    if (text == "分")
        return 0;
    if (text == "合")
        return 1;
    return -1;
}

std::string DoublePointFromNumber(const std::string& text) {
    if (text == "0")
        return "分";
    if (text == "1")
        return "合";
    return kDataError;
}

CPendingList::AddResult CPendingList::Add(std::uint16_t address, std::uint16_t key, double newValue,
                                          double oldValue) {
    if (CPendingValue* p = Find(address, key)) {
        p->m_newValue = newValue;
        return kReplaced;
    }
    if (Count() >= kMax)
        return kFull;
    CPendingValue v;
    v.m_address = address;
    v.m_key = key;
    v.m_newValue = newValue;
    v.m_oldText = ShownValue(oldValue);
    items_.push_back(std::move(v));
    return kAdded;
}

CPendingValue* CPendingList::Find(std::uint16_t address, std::uint16_t key) {
    for (CPendingValue& v : items_)
        if (v.m_address == address && v.m_key == key)
            return &v;
    return nullptr;
}

bool CPendingList::Has(std::uint16_t address, std::uint16_t key) const {
    return std::any_of(items_.begin(), items_.end(),
                       [&](const CPendingValue& v) { return v.m_address == address && v.m_key == key; });
}

void CPendingList::Remove(std::uint16_t address, std::uint16_t key) {
    std::erase_if(items_, [&](const CPendingValue& v) { return v.m_address == address && v.m_key == key; });
}

CDeviceTime MakeDeviceTime(int year, int month, int day, int hour, int minute, int second) {
    CDeviceTime t;
    t.ms = static_cast<std::uint16_t>(second * 1000);
    t.minute = static_cast<std::uint8_t>(minute & 0x3F);
    t.hour = static_cast<std::uint8_t>(hour & 0x1F);
    t.day = static_cast<std::uint8_t>(day & 0x1F);
    t.month = static_cast<std::uint8_t>(month & 0x0F);
    t.year = year;
    return t;
}

CDeviceTime DeviceTimeNow(int yearOffset) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return MakeDeviceTime(tm.tm_year + 1900 + yearOffset, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec);
}

std::string SizeText(std::uint32_t size) {
    const std::string digits = platform::StrFormat("%u", size);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string EntryTypeText(std::uint8_t type) {
    return type == 1 ? "文件" : type == 2 ? "文件夹" : "未知";
}

std::string EntryTimeText(std::int32_t time) {
    constexpr const char* kWrong = "时间有误";
    // The unit counts 8 hours ahead of UTC: anything earlier than that is no time of its own.
    if (time < 28800)
        return kWrong;
    const std::time_t t = static_cast<std::time_t>(time) - 28800;
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return kWrong;
    return platform::StrFormat("%u-%02u-%02u %02u:%02u", unsigned(tm.tm_year + 1900), unsigned(tm.tm_mon + 1),
                               unsigned(tm.tm_mday), unsigned(tm.tm_hour), unsigned(tm.tm_min));
}

std::string ChildPath(const std::string& dir, const std::string& name) {
    return dir + "//" + name;
}

std::string NextRotationPath(const std::string& path) {
    const auto us = path.rfind('_');
    const auto dot = path.rfind('.');
    if (us == std::string::npos || dot == std::string::npos || us == 0 || dot == 0 || us >= dot)
        return {};
    const std::string number = path.substr(us + 1, dot - us - 1);
    const long long n = platform::AtoLL(number);
    if (n < 0)
        return {};
    return path.substr(0, us + 1) + platform::StrFormat("%u", static_cast<unsigned>(n + 1)) +
           path.substr(dot);
}

std::string SaveLineText(bool sent, const std::string& text, const std::tm& now) {
    return platform::StrFormat("%02d-%02d %02d:%02d:%02d\t", now.tm_mon + 1, now.tm_mday, now.tm_hour,
                               now.tm_min, now.tm_sec) +
           (sent ? "数据发：" : "数据收：") + text + "\n";
}

void COutputLog::Rotate(std::time_t now) {
    const platform::PathStat stat = m_path.empty() ? platform::PathStat{} : platform::StatPath(m_path);
    if (!stat.exists)
        return;
    if (stat.size < kMaxSize && now - m_lastRotation < kMaxAge)
        return;
    const std::string next = NextRotationPath(m_path);
    if (next.empty())
        return;
    m_path = next;
    m_lastRotation = now;
}

bool AppendFileBytes(const std::string& path, std::string_view bytes) {
    // A batch is in the file whole or not at all, so the next line does not continue a torn one.
    return platform::AppendFileBytes(path, bytes);
}

void COutputLog::SetSaving(bool saving) {
    if (saving && !m_saving)
        told_ = false;
    m_saving = saving;
}

const std::tm& COutputLog::LocalTime(std::time_t now) {
    if (now != tmOf_) {
        tm_ = std::tm{};
        localtime_r(&now, &tm_);
        tmOf_ = now;
    }
    return tm_;
}

void COutputLog::AddLine(bool sent, const std::string& text, std::time_t now) {
    // Each line converted on its own, as a file opened for it alone would get it.
    pending_ += platform::GbkTextBytes(SaveLineText(sent, text, LocalTime(now)));
    Added(now);
}

void COutputLog::AddText(const std::string& text, std::time_t now) {
    pending_ += platform::GbkTextBytes(text);
    Added(now);
}

void COutputLog::Added(std::time_t now) {
    ++pendingItems_;
    if (pending_.size() >= kBatchBytes)
        Flush(now);
}

bool COutputLog::Flush(std::time_t now) {
    if (pending_.empty() && omitted_ == 0)
        return true;
    // Without a file there is nowhere to keep the record.
    if (m_path.empty()) {
        pending_.clear();
        pendingItems_ = 0;
        omitted_ = 0;
        return true;
    }
    if (m_kind == Kind::kFrameLines)
        Rotate(now);
    if (omitted_ > 0) {
        const std::string line = platform::OmittedLine(omitted_);
        pending_.insert(0, platform::GbkTextBytes(m_kind == Kind::kFrameLines
                                                      ? SaveLineText(false, line, LocalTime(now))
                                                      : line + "\n"));
    }
    const bool ok = m_append && m_append(m_path, pending_);
    if (ok) {
        omitted_ = 0;
    } else {
        omitted_ += pendingItems_;
        if (!told_ && m_onFailure) {
            told_ = true;
            m_onFailure(m_path);
        }
    }
    pending_.clear();
    pendingItems_ = 0;
    return ok;
}

} // namespace quorvex
