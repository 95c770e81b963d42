#include "iedinterface/model/DeviceModelFile.h"

#include "iedinterface/model/FieldText.h"
#include "iedinterface/model/IcdInterfaceApp.h"
#include "iedinterface/model/PointTyping.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

namespace iedinterface {

namespace {

// Lines end in "\n" here; the GBK text builder writes each as the CR LF the files need.
constexpr const char* kLineEnd = "\n";
constexpr std::size_t kSectionLimit = 200;

const char* const kFixedBlock = "[特殊遥信] \n"
                                "1,255,1,网络状态1,,5,通,断,FUN=255;INF=1 \n"
                                "2,255,2,网络状态2,,5,通,断,FUN=255;INF=2  \n"
                                "3,255,3,装置通讯状态,,5,通,断,FUN=255;INF=3  \n"
                                "4,255,4,检修状态,,5,合,分,FUN=255;INF=4";

// The GBK bytes with CR LF line ends; the file is replaced through a temporary name.
bool WriteGbkFile(const std::string& path, const std::string& utf8) {
    return platform::ReplaceFileBytes(path, platform::GbkTextBytes(utf8));
}

std::string UnitOf(const std::map<std::string, std::string>& units, const std::string& category) {
    for (const auto& [key, value] : units)
        if (platform::EqualsNoCase(key, category))
            return value;
    return {};
}

} // namespace

std::map<std::string, std::string> CDeviceModelFile::LoadUnits(const std::string& file) {
    std::map<std::string, std::string> units;
    // The section is read the way a 2048-byte profile buffer takes it: entries up to 255
    // characters, each with its terminator, as long as they fit.
    std::size_t used = 0;
    for (const std::string& entry : platform::GetPrivateProfileSection("量纲", file)) {
        std::string cut = platform::TruncateGbk(entry, 255);
        std::size_t bytes = platform::GbkLength(cut) + 1;
        if (used + bytes > 2047)
            break;
        used += bytes;
        std::size_t eq = cut.find('=');
        if (eq == std::string::npos)
            continue;
        units.emplace(platform::Trim(cut.substr(0, eq)), platform::Trim(cut.substr(eq + 1)));
    }
    return units;
}

bool CDeviceModelFile::WriteOutputs() {
    const std::string txt = app_.OutputPath(app_.BaseName + ".txt");
    const std::string cfg = app_.OutputPath(app_.BaseName + ".cfg");
    bool ok = true;
    if (!WriteDeviceTxt(txt)) {
        platform::MessageBox(platform::StrFormat("文件:%s写入失败!", txt.c_str()), {},
                             platform::Icon::Warning);
        ok = false;
    }
    if (!WriteDeviceCfg(cfg)) {
        platform::MessageBox(platform::StrFormat("文件:%s写入失败!", cfg.c_str()), {},
                             platform::Icon::Warning);
        ok = false;
    }
    return ok;
}

std::string CDeviceModelFile::BuildDeviceTxt(const std::map<std::string, std::string>& units) {
    std::string text;
    // Every text goes through the main tool's line rule, so that the main tool and the reload read
    // back each line as one header or one point.
    text += std::string("[名称]") + kLineEnd + CleanFieldText(app_.DeviceName) + kLineEnd + kLineEnd;
    text += std::string("[类型]") + kLineEnd + CleanFieldText(app_.DeviceType) + kLineEnd;

    // The classification entries describe the file being written, so they are made afresh.
    app_.ClassificationEntries.clear();
    int group = 1;
    for (int index = 0; index < kCategoryCount; ++index) {
        std::string name;
        const int code = GetPointCategory(index, name);
        const CSCDPointRefList* list = app_.CategoryList(code);
        std::size_t written = 0;
        std::size_t inSection = 0;
        std::string unit;
        for (const CSCDPointRef& rec : *list) {
            if (!platform::EqualsNoCase(rec.CategoryName, name))
                continue;
            if (written == 0) {
                app_.ClassificationEntries.push_back(name + "=" + CodeText(code));
                text += kLineEnd + ("[" + name + "]") + kLineEnd;
                unit = UnitOf(units, name);
            } else if (inSection == kSectionLimit) {
                ++group;
                inSection = 0;
                text += kLineEnd + ("[" + name + "]") + kLineEnd;
                unit = UnitOf(units, name);
            }
            ++inSection;
            ++written;
            const int n = int(inSection);
            text +=
                platform::StrFormat("%i,%i,%i,%s,%s,%s", n, group, n, CleanFieldText(rec.Description).c_str(),
                                    CleanFieldText(rec.Field5).c_str(), CleanFieldText(rec.Field6).c_str());
            if (!rec.OnText.empty() || !rec.OffText.empty()) {
                text += ',';
                text += CleanFieldText(rec.OnText);
                text += ',';
                text += CleanFieldText(rec.OffText);
            } else if (code == CODE_YX)
                text += name == "动作元件" ? ",动作,返回" : ",合,分";
            else
                text += ",,";
            // A unit stands as an item of its own: glued to "FCDA=" it would hide the reference
            // from the main tool's line reader.
            text += ',';
            if (!unit.empty()) {
                text += CleanFieldText(unit);
                text += ';';
            }
            text += rec.Attributes;
            if (!rec.TapChgDir.empty()) {
                text += ";TapChgDir=";
                text += rec.TapChgDir;
            }
            text += kLineEnd;
        }
        if (written > 0)
            ++group;
    }
    text += kLineEnd;
    text += kFixedBlock;
    return text;
}

bool CDeviceModelFile::WriteDeviceTxt(const std::string& path) {
    std::string text = BuildDeviceTxt(LoadUnits(app_.OutputPath("量纲.ini")));
    return WriteGbkFile(path, text);
}

std::string CDeviceModelFile::BuildDeviceCfg() const {
    std::string text = std::string("[属性]") + kLineEnd + "名称=" + app_.IedType + kLineEnd + kLineEnd +
                       "[数据分类]" + kLineEnd;
    for (const std::string& entry : app_.ClassificationEntries)
        text += entry + kLineEnd;
    text += "特殊遥信=YX";
    return text;
}

bool CDeviceModelFile::WriteDeviceCfg(const std::string& path) {
    return WriteGbkFile(path, BuildDeviceCfg());
}

bool CDeviceModelFile::LoadPreviousTxt(const std::string& pathWithoutExtension) {
    IImportProgress& progress = app_.Progress();
    const std::string path = pathWithoutExtension + ".txt";
    std::string bytes;
    if (!platform::ReadFileBytes(path, bytes)) {
        progress.SetPos(100);
        progress.Close();
        return false;
    }
    const std::size_t total = bytes.size();
    platform::CGbkLineReader reader;
    reader.OpenBytes(std::move(bytes));

    enum { None, Name, Type } pending = None;
    int code = -1;
    std::string section;
    std::size_t consumed = 0;
    int lastPos = 80;
    progress.SetPos(lastPos);
    std::string raw;
    while (reader.ReadLine(raw)) {
        consumed += platform::GbkLength(raw) + 2;
        if (total > 0) {
            int pos = 80 + int(std::min<std::size_t>(consumed, total) * 20 / total);
            if (pos > lastPos) {
                lastPos = pos;
                progress.SetPos(pos);
            }
        }
        std::string line = platform::Trim(raw);
        if (line.empty())
            continue;
        std::size_t open = line.find('[');
        std::size_t close = line.find(']');
        if (open != std::string::npos && close != std::string::npos) {
            std::string name =
                close > open ? platform::Trim(line.substr(open + 1, close - open - 1)) : std::string();
            if (platform::EqualsNoCase(name, "名称") || platform::EqualsNoCase(name, "装置名称")) {
                pending = Name;
                code = -1;
            } else if (platform::EqualsNoCase(name, "类型") || platform::EqualsNoCase(name, "装置类型")) {
                pending = Type;
                code = -1;
            } else {
                pending = None;
                code = CategoryFromName(name);
                section = name;
            }
        } else if (open != std::string::npos || close != std::string::npos) {
            platform::MessageBox(
                platform::StrFormat("文件:%s第%d行格式错误", path.c_str(), reader.LineNumber()), {},
                platform::Icon::Warning);
            progress.SetPos(100);
            progress.Close();
            return false;
        } else if (pending == Name) {
            app_.DeviceName = line;
            pending = None;
        } else if (pending == Type) {
            app_.DeviceType = line;
            pending = None;
        } else if (code > 0) {
            RestorePointLine(line, code, section);
        }
    }
    progress.SetPos(100);
    progress.Close();
    return true;
}

namespace {

// The fields of a saved point line: its first eight comma-separated fields, then its attributes
// from "FCDA=" on, all cut at ';'. False when the line has not that shape.
bool SplitPointLine(const std::string& line, std::size_t fcda, std::vector<std::string>& items) {
    std::size_t eighth = std::string::npos;
    for (int n = 0, from = 0; n < 8; ++n) {
        eighth = line.find(',', std::size_t(from));
        if (eighth == std::string::npos)
            return false;
        from = int(eighth) + 1;
    }
    if (eighth > fcda)
        return false;
    std::string text = line.substr(0, eighth + 1) + line.substr(fcda);
    const std::size_t eq = text.find('=');
    const std::size_t semi = text.find(';');
    std::size_t from = 0;
    for (int n = 0; n < 8; ++n) {
        std::size_t comma = text.find(',', from);
        if (comma == std::string::npos || (eq != std::string::npos && comma >= eq) ||
            (semi != std::string::npos && comma >= semi))
            return false;
        text[comma] = ';';
        from = comma + 1;
    }
    SplitQuoted(text, items, ';');
    return items.size() >= 8;
}

} // namespace

bool CDeviceModelFile::RestorePointLine(const std::string& line, int code, const std::string& sectionName) {
    CSCDPointRefList* list = app_.CategoryList(code);
    const std::size_t fcda = line.find("FCDA=");
    if (!list || fcda == std::string::npos)
        return false;
    std::vector<std::string> items;
    if (!SplitPointLine(line, fcda, items))
        return false;

    std::string reference, tapDir, extra;
    for (std::size_t i = 8; i < items.size(); ++i) {
        const std::string& item = items[i];
        std::size_t at = item.find('=');
        if (at == std::string::npos || item.find('=', at + 1) != std::string::npos)
            continue;
        std::string key = item.substr(0, at);
        std::string value = item.substr(at + 1);
        if (platform::EqualsNoCase(key, "FCDA"))
            reference = value;
        else if (platform::EqualsNoCase(key, "TapChgDir"))
            tapDir = value;
        else if (platform::EqualsNoCase(key, "CDC") || platform::EqualsNoCase(key, "ctlModel"))
            continue;
        else
            extra += ";" + key + "=" + value;
    }
    if (reference.empty())
        return false;
    std::int16_t source = 0;
    CCidPoint* point = app_.FindDataSetPoint(reference);
    if (!point) {
        point = app_.FindOtherPoint(reference);
        source = 1;
    }
    if (!point)
        return false;
    point->Field5 = items[4];
    point->Field6 = items[5];
    point->OnText = items[6];
    point->OffText = items[7];
    point->Description = items[3];
    point->ExtraAttributes = extra;
    point->Configured = 1;

    CSCDPointRef rec;
    rec.Reference = point->Reference;
    rec.Cdc = point->Cdc;
    rec.CtlModel = point->CtlModel;
    rec.Attributes = BuildFcdaAttributes(rec.Reference, rec.Cdc, rec.CtlModel) + extra;
    rec.TapChgDir = tapDir;
    rec.Code = static_cast<std::int16_t>(code);
    rec.Description = items[3];
    rec.CategoryName = sectionName;
    rec.Field5 = items[4];
    rec.Field6 = items[5];
    rec.OnText = items[6];
    rec.OffText = items[7];
    rec.Source = source;
    if (code == CODE_YT) {
        int copies = 0;
        for (const CSCDPointRef& other : *list)
            if (platform::EqualsNoCase(other.Reference, rec.Reference))
                ++copies;
        if (copies > 0)
            rec.CopyIndex = copies;
    }
    list->push_back(std::move(rec));
    return true;
}

} // namespace iedinterface
