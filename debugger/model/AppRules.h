#pragma once
// The rules behind the debugging program's windows, without widgets: typed values and the values
// waiting to be set, the 7-byte times of the queries, directory rows, the output views' save
// files, the window titles and the enabling of the menu commands.
#include "debugger/core/DbEntry.h"
#include "debugger/core/ValueText.h"
#include "unitlink/UnitTime.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

// Menu command ids.
enum CommandId {
    kCmdConnectParam = 32779,
    kCmdConnect = 32780,
    kCmdDisconnect = 32781,
    kCmdRemoteStart = 32771,
    kCmdStringCommand = 32772,
    kCmdDebugInfo = 32784,
    kCmdDownloadFile = 32773,
    kCmdUploadFile = 32774,
    kCmdSetTime = 32803,
    kCmdFileDirectory = 32797,
    kCmdProtocolInfo = 32793,
    kCmdHistoryEvents = 32798,
    kCmdRemoteCommands = 32799,
    kCmdWaveRecords = 32802,
    kCmdCommStatus = 32801,
    kCmdDeviceTime = 32804,
    kCmdSerialMonitor = 32775,
    kCmdNetMonitor = 32776,
    kCmdRealTimeDb = 32777,
    kCmdRefTable = 32778,
    kCmdCancelAll = 32800,
    kCmdAbout = 57664,
};

// What the enabling rules of the menu commands look at.
struct MenuState {
    bool connected = false;
    bool consoleOpen = false;
    bool debugOpen = false;
    bool directoryOpen = false;
    bool historyOpen = false;
    bool remoteOpen = false;
    bool deviceTimeOpen = false;
};
bool CommandEnabled(int id, const MenuState& state);

// A typed value: digits and ".", "-" only as the first character.
bool IsValidNumberText(const std::string& text);
// A typed value checked for a field of a data type (0 when not known yet): a whole number text
// (at least one digit, an optional leading "-", at most one "."), and no fraction for an integer
// type. An empty cell, "-", "." or "1.2.3" is no number.
enum class ValueCheck { kOk, kInvalid, kFraction };
ValueCheck CheckValueText(const std::string& text, std::uint8_t dataType, double& value);
// The message of a refused value.
const char* ValueCheckMessage(ValueCheck check);
// Whether values of a data type are whole numbers.
bool IsIntegerType(std::uint8_t dataType);
// A value as the grids show it: "%f" without trailing zeros after the point.
std::string ShownValue(double value);
// 0 for "分", 1 for "合", -1 for anything else.
int DoublePointValue(const std::string& text);
// The text of a double-point value held as a number text: "0" 分, "1" 合, else 数据错.
std::string DoublePointFromNumber(const std::string& text);

// A value typed by the user and not yet set.
struct CPendingValue {
    std::uint16_t m_address = 0;
    std::uint16_t m_key = 0;
    double m_newValue = 0;
    // The value as the download encoded it (set when sent).
    double m_sentValue = 0;
    std::string m_oldText;
    std::uint8_t m_dataType = 0;
    std::uint8_t m_dataSize = 0;
    std::uint8_t m_number = 0;
};

// The values of one page waiting to be set, told apart by device address and key.
class CPendingList {
public:
    static constexpr int kMax = 63;
    enum AddResult { kAdded, kReplaced, kFull };

    // A second value of the same entry replaces the new value and keeps the first old text.
    AddResult Add(std::uint16_t address, std::uint16_t key, double newValue, double oldValue);
    CPendingValue* Find(std::uint16_t address, std::uint16_t key);
    bool Has(std::uint16_t address, std::uint16_t key) const;
    void Remove(std::uint16_t address, std::uint16_t key);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    std::vector<CPendingValue>& Items() { return items_; }
    const std::vector<CPendingValue>& Items() const { return items_; }

private:
    std::vector<CPendingValue> items_;
};

// A 7-byte time from calendar fields, each field masked to its width, the year kept whole (the
// bytes' year rule is applied when the time is written).
// Whether a year has a year byte that reads back as itself: the unit link's one rule.
using unitlink::IsUnitYear;
CDeviceTime MakeDeviceTime(int year, int month, int day, int hour, int minute, int second);
CDeviceTime DeviceTimeNow(int yearOffset = 0);

// Directory rows: size with thousands separators, type text, modification time text.
std::string SizeText(std::uint32_t size);
std::string EntryTypeText(std::uint8_t type);
std::string EntryTimeText(std::int32_t time);
// A child of a directory: the path, "//" and the name.
std::string ChildPath(const std::string& dir, const std::string& name);

// Output views' save files: the path with its rotation number raised by one; empty when the path
// has no "_" before its "." (or either stands first).
std::string NextRotationPath(const std::string& path);
// One saved line: the time, the direction word and the text, ending in "\n".
std::string SaveLineText(bool sent, const std::string& text, const std::tm& now);

// Appends bytes to a file with one opening of it; false when it could not be opened or written
// (what a failed write left of the bytes is cut off again where possible).
bool AppendFileBytes(const std::string& path, std::string_view bytes);

// The record an output view keeps while saving is on. What the view records is collected in
// memory and appended to the file in batches, at every tick of the view and whenever the collected
// text reaches kBatchBytes, each batch with one opening of the file: a flood of frames costs a few
// writes a second, and every recorded line reaches the file in order, whatever the view leaves out
// of its display. Frame files (port monitors) move on to the next number after an hour or at
// 10,000,000 bytes, checked before each batch; plain files (the debug information) keep their
// name. A batch that cannot be written is dropped and counted, and the next batch written starts
// with the omission line for it, so that memory stays bounded while the disk fails; the first
// failure is told through m_onFailure, once until saving is switched on again.
class COutputLog {
public:
    static constexpr std::uintmax_t kMaxSize = 10000000;
    static constexpr std::time_t kMaxAge = 3600;
    static constexpr std::size_t kBatchBytes = 1 << 20;
    enum class Kind { kFrameLines, kPlainText };
    using AppendFn = std::function<bool(const std::string& path, std::string_view bytes)>;

    std::string m_path;
    std::time_t m_lastRotation = 0;
    bool m_saving = false;
    Kind m_kind = Kind::kFrameLines;
    // How a batch goes to the file (a seam for tests).
    AppendFn m_append = AppendFileBytes;
    // Told the path of the file when a batch first fails.
    std::function<void(const std::string& path)> m_onFailure;

    // Switches saving; switched on, a later failure is told again.
    void SetSaving(bool saving);
    void Rotate(std::time_t now);
    // Records a frame line with the time and the direction word (a frame file).
    void AddLine(bool sent, const std::string& text, std::time_t now);
    // Records text as it stands, as one item (a plain file).
    void AddText(const std::string& text, std::time_t now);
    // Writes what is collected (after the omission line for what failed before); false when the
    // batch could not be written.
    bool Flush(std::time_t now);

    std::size_t PendingBytes() const { return pending_.size(); }
    // Items lost to failed writes and not yet said in the file.
    std::uint64_t Omitted() const { return omitted_; }

private:
    void Added(std::time_t now);
    const std::tm& LocalTime(std::time_t now);

    std::string pending_; // GBK, CR LF, as written
    std::uint64_t pendingItems_ = 0;
    std::uint64_t omitted_ = 0;
    bool told_ = false;
    std::time_t tmOf_ = -1;
    std::tm tm_{};
};

} // namespace quorvex
