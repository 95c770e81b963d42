#include "points/ScdDeviceModel.h"

#include "platform/Text.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

using projectmodel::CDeviceTemplate;
using projectmodel::CInfoEntry;
using projectmodel::CInfoGroup;
using projectmodel::CInfoModel;
using projectmodel::CSCDPointRef;

namespace points {

namespace {

void AppendNumber(std::string& text, int n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    text.append(digits, end);
}

// One class of points and the groups it fills.
struct ClassGroup {
    const char* category;
    const char* code;
    const CInfoModel::RefList* list;
    bool byCategory; // only the references whose category text is the group's
};

// The groups of one model being built: the number counter, the tap changers put aside and the
// place of their group.
class CGroupBuilder {
public:
    CGroupBuilder(CDeviceTemplate& tpl, const CInfoModel& info) : tpl_(tpl), info_(info) {}

    // Every class in its order, each starting with the next group number.
    void AddClasses();
    // The tap changers' group, numbered once every ordinary group is.
    void NumberTapGroup();
    void AddSpecialGroup();

private:
    int NewGroup(const std::string& name, int type, int number, std::size_t expected = 0);
    void AddClass(const ClassGroup& c);
    void AddEntry(int group, int n, const CSCDPointRef& ref);

    CDeviceTemplate& tpl_;
    const CInfoModel& info_;
    int g_ = 1;
    int tapGroup_ = -1;
    std::vector<const CSCDPointRef*> taps_;
    std::string line_;
    std::string extra_; // the options an entry keeps as they stand
};

int CGroupBuilder::NewGroup(const std::string& name, int type, int number, std::size_t expected) {
    CInfoGroup g;
    g.m_strName = name;
    g.m_nType = type;
    g.m_nGroupNo = number;
    g.m_entries.Reserve(static_cast<int>(std::min<std::size_t>(expected, 200)));
    return tpl_.m_groups.Add(std::move(g));
}

void CGroupBuilder::AddClasses() {
    const ClassGroup classes[] = {
        {"遥信", "YX", &info_.m_indications, false},  {"遥测", "YC", &info_.m_measurands, false},
        {"遥控", "YK", &info_.m_controls, false},     {"定值区号", "OTHER", &info_.m_others, true},
        {"定值", "OTHER", &info_.m_others, true},     {"装置参数", "OTHER", &info_.m_others, true},
        {"故障信息", "OTHER", &info_.m_others, true},
    };
    for (const ClassGroup& c : classes) {
        AddClass(c);
        ++g_;
    }
}

void CGroupBuilder::AddClass(const ClassGroup& c) {
    const bool controls = c.list == &info_.m_controls;
    const int type = projectmodel::InfoTypeFromName(c.code);
    int n = 1;
    int group = -1;
    // The references from here on that a group of this class takes: its entries' room.
    auto remaining = [&c](const std::unique_ptr<CSCDPointRef>& from) {
        const auto begin = c.list->begin() + (&from - c.list->data());
        if (!c.byCategory)
            return static_cast<std::size_t>(c.list->end() - begin);
        return static_cast<std::size_t>(std::count_if(
            begin, c.list->end(), [&c](const auto& r) { return r->m_strCategory == c.category; }));
    };
    for (const auto& ref : *c.list) {
        if (c.byCategory && ref->m_strCategory != c.category)
            continue;
        if (controls && IsTapChangerReference(ref->m_strFCDA)) {
            // The group takes its place in the list now and its number once every ordinary
            // group is numbered.
            if (tapGroup_ < 0)
                tapGroup_ = NewGroup("遥控", projectmodel::InfoTypeFromName("YK"), 0);
            taps_.push_back(ref.get());
            continue;
        }
        if (n == 201) {
            ++g_;
            n = 1;
            group = NewGroup(c.category, type, g_, remaining(ref));
        } else if (n == 1) {
            group = NewGroup(c.category, type, g_, remaining(ref));
        }
        AddEntry(group, n, *ref);
        ++n;
    }
}

// The bytes an entry line gives a meaning of its own (ConfigLineSafeText's and the options'), as
// bits of a table: a text is looked at once whatever it holds.
enum : std::uint8_t { kLineUnsafe = 1, kOptionUnsafe = 2, kSeparator = 4 };
constexpr auto kByteClass = [] {
    std::array<std::uint8_t, 256> table{};
    for (const char ch : std::string_view(",;='\"\r\n()"))
        table[static_cast<unsigned char>(ch)] |= kLineUnsafe;
    for (const char ch : std::string_view(",()'\""))
        table[static_cast<unsigned char>(ch)] |= kOptionUnsafe;
    for (const char ch : std::string_view(";="))
        table[static_cast<unsigned char>(ch)] |= kSeparator;
    return table;
}();

bool Holds(std::string_view text, std::uint8_t what) {
    std::uint8_t seen = 0;
    for (const char ch : text)
        seen |= kByteClass[static_cast<unsigned char>(ch)];
    return (seen & what) != 0;
}

// The options of a point's reference text ("FCDA=...;CDC=...;ctlModel=...") as an entry line's
// options would set them, when each is one "key=value" without quotes or parentheses and sets
// only the reference (FCDA) or is kept as it stands (any key without a field of its own):
// the reference in reference, the kept options in extra. False for anything else, which the
// entry line's reader handles.
bool PlainOptions(std::string_view options, std::string_view& reference, std::string& extra) {
    extra.clear();
    reference = {};
    if (Holds(options, kOptionUnsafe))
        return false;
    for (std::size_t from = 0;;) {
        const std::size_t cut = options.find(';', from);
        const std::string_view option = projectmodel::TrimView(options.substr(from, cut - from));
        const std::size_t equals = option.find('=');
        if (equals == std::string_view::npos || option.find('=', equals + 1) != std::string_view::npos)
            return false;
        const std::string_view key = projectmodel::TrimView(option.substr(0, equals));
        if (key.size() == 4 && platform::EqualsNoCase(key, "FCDA")) {
            reference = projectmodel::TrimView(option.substr(equals + 1));
        } else {
            // FUN, INF and the rules, indications and equipment have fields of their own.
            static constexpr std::string_view kOwnField[] = {"规则",   "合规则", "校验规则",
                                                             "分规则", "遥信",   "设备"};
            if ((key.size() == 3 &&
                 (platform::EqualsNoCase(key, "FUN") || platform::EqualsNoCase(key, "INF"))) ||
                (!key.empty() && (key[0] & 0x80) != 0 &&
                 std::find(std::begin(kOwnField), std::end(kOwnField), key) != std::end(kOwnField)))
                return false;
            extra += extra.empty() ? ',' : ';';
            extra += option;
        }
        if (cut == std::string_view::npos)
            return true;
        from = cut + 1;
    }
}

// Whether ConfigLineSafeText(text, EntryText) would return the text unchanged.
bool EntryTextIsSafe(std::string_view text) {
    return !Holds(text, kLineUnsafe);
}

void CGroupBuilder::AddEntry(int group, int n, const CSCDPointRef& ref) {
    // Characters the entry line cannot carry would make it unreadable and lose the point; a plain
    // description is taken as it is.
    std::string safe;
    std::string_view desc = ref.m_strDesc;
    if (!EntryTextIsSafe(desc)) {
        safe = projectmodel::ConfigLineSafeText(desc, projectmodel::ConfigTextKind::EntryText);
        desc = safe;
    }
    // Most points' texts are plain: the entry is filled without writing and parsing its line.
    const std::string_view texts[] = {desc, ref.m_strText1, ref.m_strText2, ref.m_strOnText,
                                      ref.m_strOffText};
    // The points of a group mostly repeat the texts of the one before: they share its blocks.
    const projectmodel::CInfoEntryArray& entries = tpl_.m_groups[group].m_entries;
    const CInfoEntry* previous = entries.GetSize() > 0 ? &entries[entries.GetSize() - 1] : nullptr;
    // The options of the reference text taken apart here (as the entry line's reader would): the
    // reference set first, as that reader sets it before the description that may share it.
    if (std::string_view reference;
        ref.m_strTapDir.empty() && PlainOptions(ref.m_strRefText, reference, extra_)) {
        CInfoEntry entry;
        entry.m_strReference = reference;
        if (entry.AssignPlain(n, g_, n, texts, {}, previous)) {
            if (previous && previous->m_strExtra.View() == std::string_view(extra_))
                entry.m_strExtra = previous->m_strExtra;
            else
                entry.m_strExtra = std::string_view(extra_);
            tpl_.m_groups[group].AddEntry(std::move(entry));
            return;
        }
    }
    if (CInfoEntry entry;
        ref.m_strTapDir.empty() && entry.AssignPlain(n, g_, n, texts, ref.m_strRefText, previous)) {
        tpl_.m_groups[group].AddEntry(std::move(entry));
        return;
    }
    line_.clear();
    AppendNumber(line_, n);
    line_ += ',';
    AppendNumber(line_, g_);
    line_ += ',';
    AppendNumber(line_, n);
    line_ += ',';
    line_ += desc;
    for (const projectmodel::CCompactText* text :
         {&ref.m_strText1, &ref.m_strText2, &ref.m_strOnText, &ref.m_strOffText, &ref.m_strRefText}) {
        line_ += ',';
        line_ += *text;
    }
    if (!ref.m_strTapDir.empty()) {
        line_ += ";TapChgDir=";
        line_ += ref.m_strTapDir;
    }
    tpl_.m_groups[group].AddEntryFromText(line_);
}

void CGroupBuilder::NumberTapGroup() {
    if (tapGroup_ < 0)
        return;
    // Number 18 as the unit expects, unless an ordinary group already took it: then the lowest
    // number no group uses, 10 excepted.
    int number = 18;
    if (tpl_.FindGroup(number)) {
        number = 1;
        while (number == 10 || tpl_.FindGroup(number))
            ++number;
    }
    CInfoGroup& tg = tpl_.m_groups[tapGroup_];
    tg.m_nGroupNo = number;
    int t = 1;
    for (const CSCDPointRef* ref : taps_) {
        tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-升降,,5,升,降", t, number, t) + "," +
                            ref->m_strRefText + ";TapChgDir=UPDOWN");
        tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-停,,5,停,", t + 1, number, t + 1) + "," +
                            ref->m_strRefText + ";TapChgDir=STOP");
        t += 2;
    }
}

void CGroupBuilder::AddSpecialGroup() {
    const int special = NewGroup("特殊遥信", projectmodel::InfoTypeFromName("YX"), 255);
    for (const char* line :
         {"1,255,1,网络状态1,,5,通,断,FUN=255;INF=1", "2,255,2,网络状态2,,5,通,断,FUN=255;INF=2",
          "3,255,3,装置通讯状态,,5,通,断,FUN=255;INF=3", "4,255,4,检修状态,,5,合,分,FUN=255;INF=4"})
        tpl_.m_groups[special].AddEntryFromText(line);
}

} // namespace

bool IsTapChangerReference(std::string_view fcda) {
    const std::size_t slash = fcda.find('/');
    const std::size_t dollar = fcda.find('$');
    if (slash == std::string_view::npos || dollar == std::string_view::npos || slash > dollar)
        return false;
    if (platform::ToUpperAscii(fcda.substr(slash + 1, dollar - slash - 1)).find("ATCC") == std::string::npos)
        return false;
    return platform::EqualsNoCase(fcda.substr(dollar + 1, 9), "CO$TapChg");
}

int HighestOrdinaryGroupNumber(const CDeviceTemplate& model) {
    int highest = 0;
    for (int i = 0; i + 1 < model.m_groups.GetSize(); ++i)
        highest = std::max(highest, model.m_groups[i].m_nGroupNo);
    return highest;
}

CDeviceTemplate BuildDeviceModel(const CInfoModel& info) {
    CDeviceTemplate tpl;
    tpl.m_strName = info.m_strName + "_" + info.m_strType;
    tpl.m_strType = info.m_bRecorder ? "保护" : "测控";
    tpl.m_strVersion = info.m_strConfigVersion;
    CGroupBuilder groups(tpl, info);
    groups.AddClasses();
    groups.NumberTapGroup();
    groups.AddSpecialGroup();
    tpl.m_nFlag = 1;
    return tpl;
}

} // namespace points
