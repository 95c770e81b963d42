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

void ScdPointRecord::SetDesc(std::string_view given) {
    thread_local std::string cleaned;
    const std::string_view text =
        CInfoModel::CleanPointDesc(given, cleaned) ? std::string_view(cleaned) : given;
    // A point without a description of its own is described by its reference: one block for both.
    if (text == reference.View())
        desc = reference;
    else
        desc = text;
}

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
    bool byCategory;       // only the references whose category text is the group's
    std::uint32_t classes; // the point classes of the point records it takes (bit i: class i)
};

// What an entry is built from: a reference record's texts, or those of a point record (whose
// reference text is written out when wanted, as a reference record's constructor writes it). Two
// pointers, read when the entry is made: a class of many points lists them without copying texts.
class PointItem {
public:
    explicit PointItem(const CSCDPointRef& ref) : ref_(&ref) {}
    explicit PointItem(const ScdPointRecord& record) : record_(&record) {}

    std::string_view Fcda() const {
        return ref_ ? ref_->m_strFCDA.View() : std::string_view(record_->reference);
    }
    std::string_view Desc() const { return ref_ ? ref_->m_strDesc.View() : std::string_view(record_->desc); }
    std::string_view Text1() const { return ref_ ? ref_->m_strText1.View() : std::string_view(); }
    std::string_view Text2() const { return ref_ ? ref_->m_strText2.View() : std::string_view(); }
    // The state texts CInfoModel::AddPoint gives the records of indications and controls.
    std::string_view On() const { return ref_ ? ref_->m_strOnText.View() : States() ? "合" : ""; }
    std::string_view Off() const { return ref_ ? ref_->m_strOffText.View() : States() ? "分" : ""; }
    std::string_view TapDir() const { return ref_ ? ref_->m_strTapDir.View() : std::string_view(); }

    // The reference text; "FCDA=reference[;CDC=cdc][;ctlModel=ctlModel]" for a point record.
    std::string_view RefText(std::string& scratch) const {
        if (ref_)
            return ref_->m_strRefText.View();
        const ScdPointRecord& r = *record_;
        scratch.assign("FCDA=").append(r.reference);
        if (!r.cdc.empty())
            scratch.append(";CDC=").append(r.cdc);
        if (!r.ctlModel.empty())
            scratch.append(";ctlModel=").append(r.ctlModel);
        return scratch;
    }

private:
    bool States() const { return record_->pointClass == 10 || record_->pointClass == 13; }

    const CSCDPointRef* ref_ = nullptr;
    const ScdPointRecord* record_ = nullptr;
};

// The groups of one model being built: the number counter, the tap changers put aside and the
// place of their group.
class CGroupBuilder {
public:
    explicit CGroupBuilder(CDeviceTemplate& tpl) : tpl_(tpl) {}

    // Every class in its order, each starting with the next group number: of the model's reference
    // records, or of the point records when records is given.
    void AddClasses(const CInfoModel& info, const std::vector<ScdPointRecord>* records);
    // The tap changers' group, numbered once every ordinary group is.
    void NumberTapGroup();
    void AddSpecialGroup();

private:
    int NewGroup(const std::string& name, int type, int number, std::size_t expected = 0);
    // The items of one class in their order; controls: tap changers are put aside.
    void AddClass(const ClassGroup& c, bool controls, const std::vector<PointItem>& items);
    void AddEntry(int group, int n, const PointItem& item);

    CDeviceTemplate& tpl_;
    int g_ = 1;
    int tapGroup_ = -1;
    std::vector<PointItem> taps_;
    std::vector<PointItem> items_; // of the class being added
    std::string line_;
    std::string extra_;   // the options an entry keeps as they stand
    std::string refText_; // a point record's reference text
};

int CGroupBuilder::NewGroup(const std::string& name, int type, int number, std::size_t expected) {
    CInfoGroup g;
    g.m_strName = name;
    g.m_nType = type;
    g.m_nGroupNo = number;
    g.m_entries.Reserve(static_cast<int>(std::min<std::size_t>(expected, 200)));
    return tpl_.m_groups.Add(std::move(g));
}

void CGroupBuilder::AddClasses(const CInfoModel& info, const std::vector<ScdPointRecord>* records) {
    const ClassGroup classes[] = {
        {"遥信", "YX", &info.m_indications, false, 1u << 10},
        {"遥测", "YC", &info.m_measurands, false, 1u << 11 | 1u << 12},
        {"遥控", "YK", &info.m_controls, false, 1u << 13},
        {"定值区号", "OTHER", &info.m_others, true, 1u << 14},
        {"定值", "OTHER", &info.m_others, true, 1u << 15},
        {"装置参数", "OTHER", &info.m_others, true, 1u << 16},
        {"故障信息", "OTHER", &info.m_others, true, 1u << 17},
    };
    for (const ClassGroup& c : classes) {
        items_.clear();
        if (records) {
            for (const ScdPointRecord& r : *records)
                if (r.pointClass >= 0 && r.pointClass < 32 && (c.classes >> r.pointClass & 1u) != 0)
                    items_.emplace_back(r);
        } else {
            for (const auto& ref : *c.list)
                if (!c.byCategory || ref->m_strCategory == c.category)
                    items_.emplace_back(*ref);
        }
        AddClass(c, c.list == &info.m_controls, items_);
        ++g_;
    }
}

void CGroupBuilder::AddClass(const ClassGroup& c, bool controls, const std::vector<PointItem>& items) {
    const int type = projectmodel::InfoTypeFromName(c.code);
    int n = 1;
    int group = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const PointItem& item = items[i];
        if (controls && IsTapChangerReference(item.Fcda())) {
            // The group takes its place in the list now and its number once every ordinary
            // group is numbered.
            if (tapGroup_ < 0)
                tapGroup_ = NewGroup("遥控", projectmodel::InfoTypeFromName("YK"), 0);
            taps_.push_back(item);
            continue;
        }
        // The items from here on are the room of a new group's entries.
        if (n == 201) {
            ++g_;
            n = 1;
            group = NewGroup(c.category, type, g_, items.size() - i);
        } else if (n == 1) {
            group = NewGroup(c.category, type, g_, items.size() - i);
        }
        AddEntry(group, n, item);
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

void CGroupBuilder::AddEntry(int group, int n, const PointItem& item) {
    // Characters the entry line cannot carry would make it unreadable and lose the point; a plain
    // description is taken as it is.
    std::string safe;
    std::string_view desc = item.Desc();
    if (!EntryTextIsSafe(desc)) {
        safe = projectmodel::ConfigLineSafeText(desc, projectmodel::ConfigTextKind::EntryText);
        desc = safe;
    }
    // Most points' texts are plain: the entry is filled without writing and parsing its line.
    const std::string_view texts[] = {desc, item.Text1(), item.Text2(), item.On(), item.Off()};
    const std::string_view refText = item.RefText(refText_);
    // The points of a group mostly repeat the texts of the one before: they share its blocks.
    const projectmodel::CInfoEntryArray& entries = tpl_.m_groups[group].m_entries;
    const CInfoEntry* previous = entries.GetSize() > 0 ? &entries[entries.GetSize() - 1] : nullptr;
    // The options of the reference text taken apart here (as the entry line's reader would): the
    // reference set first, as that reader sets it before the description that may share it.
    if (std::string_view reference; item.TapDir().empty() && PlainOptions(refText, reference, extra_)) {
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
    if (CInfoEntry entry; item.TapDir().empty() && entry.AssignPlain(n, g_, n, texts, refText, previous)) {
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
    for (const std::string_view text : {item.Text1(), item.Text2(), item.On(), item.Off(), refText}) {
        line_ += ',';
        line_ += text;
    }
    if (!item.TapDir().empty()) {
        line_ += ";TapChgDir=";
        line_ += item.TapDir();
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
    for (const PointItem& item : taps_) {
        const std::string refText(item.RefText(refText_));
        tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-升降,,5,升,降", t, number, t) + "," + refText +
                            ";TapChgDir=UPDOWN");
        tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-停,,5,停,", t + 1, number, t + 1) + "," +
                            refText + ";TapChgDir=STOP");
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

namespace {

CDeviceTemplate Build(const CInfoModel& info, const std::vector<ScdPointRecord>* records) {
    CDeviceTemplate tpl;
    tpl.m_strName = info.m_strName + "_" + info.m_strType;
    tpl.m_strType = info.m_bRecorder ? "保护" : "测控";
    tpl.m_strVersion = info.m_strConfigVersion;
    CGroupBuilder groups(tpl);
    groups.AddClasses(info, records);
    groups.NumberTapGroup();
    groups.AddSpecialGroup();
    tpl.m_nFlag = 1;
    return tpl;
}

} // namespace

CDeviceTemplate BuildDeviceModel(const CInfoModel& info) {
    return Build(info, nullptr);
}

CDeviceTemplate BuildDeviceModel(const CInfoModel& info, const std::vector<ScdPointRecord>& records) {
    return Build(info, &records);
}

} // namespace points
