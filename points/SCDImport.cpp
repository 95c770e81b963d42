#include "points/SCDImport.h"

#include "platform/Archive.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;
using platform::scl::CtBase;
using platform::scl::CtEleList;
using platform::scl::EleID;
using projectmodel::CConfigDoc;
using projectmodel::CDevice;
using projectmodel::CDeviceTemplate;
using projectmodel::CInfoEntry;
using projectmodel::CInfoGroup;
using projectmodel::CInfoModel;
using projectmodel::CProjectContext;
using projectmodel::CSCDPoint;
using projectmodel::CSCDPointRef;

namespace points {

namespace {

// Nested data objects and structured attributes deeper than this are a type loop of a damaged
// file; the walk stops there instead of running out of stack.
constexpr int kMaxTypeDepth = 32;

void ReplaceDots(std::string& text) {
    std::replace(text.begin(), text.end(), '.', '$');
}

std::string Lower(std::string_view text) {
    return platform::ToLowerAscii(text);
}

void IndexById(const CtEleList& list, std::unordered_map<std::string, CtBase>& map) {
    map.clear();
    map.reserve(list.size());
    for (const CtBase& e : list)
        map.emplace(Lower(e.GetAttrValByName("id")), e); // the first of an id stays
}

CtBase FindIn(const std::unordered_map<std::string, CtBase>& map, std::string_view id) {
    auto it = map.find(Lower(id));
    return it == map.end() ? CtBase() : it->second;
}

// The first child of the kind whose "name" equals name without regard to case.
CtBase ChildNamed(const CtBase& parent, EleID kind, std::string_view name) {
    return parent.FindChildByAttrNoCase(kind, "name", name);
}

std::string ValOfDai(const CtBase& element, std::string_view daiName) {
    const CtBase dai = ChildNamed(element, EleID::DAI, daiName);
    if (!dai)
        return {};
    const CtBase val = dai.FindOneEleByID(EleID::Val, false);
    return val ? val.GetValue() : std::string();
}

void AppendNumber(std::string& text, int n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    text.append(digits, end);
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The walk

namespace {

// A leaf of an LN type's walk: what a point of every LN of that type is built from.
struct Leaf {
    std::string topDo, doPath, fc, cdc, attrPath;
    int pointClass = 0;
};

// The leaves of one LN type (walked with or without the recorder flag), or why its walk failed.
// The walk's nodes count for the file once, for the first IED that uses the type.
struct TypeLeaves {
    std::vector<Leaf> leaves;
    platform::scl::CTypeWalkBudget walk; // how the walk ended: failed or not
    std::uint64_t nodes = 0;
    CtBase type;
};

} // namespace

struct CSCDImport::Shared {
    std::unordered_map<std::string, CtBase> lnodeTypes; // lower-cased id -> first
    std::unordered_map<std::string, CtBase> doTypes;
    std::unordered_map<std::string, CtBase> daTypes;
    std::unordered_map<std::string, CtBase> accessPoints; // apName + "+" + iedName
    platform::scl::TypeWalkLimits limits;
    platform::scl::CWalkBrake brake; // what every thread's walk has counted
    bool goose = false;
    bool descFromDu = false;

    // The leaves of an LN type, key its lower-cased id (+ "\1" in RDRE): walked by the first
    // thread that needs them, under its own budget (a type met again below itself, the budget of
    // each data object, and for the whole type those of an IED and of the file), then shared.
    const TypeLeaves& LeavesOf(const std::string& key, bool rdre, const CtBase& type);

private:
    using Budget = platform::scl::CTypeWalkBudget;
    void WalkDO(Budget& budget, bool rdre, const std::string& topDo, const std::string& doPath,
                const CtBase& doType, bool top, int depth, std::vector<Leaf>& out) const;
    void WalkDAType(Budget& budget, bool rdre, const std::string& topDo, const std::string& doPath,
                    const std::string& fc, const std::string& cdc, const std::string& attrPath,
                    const CtBase& daType, int depth, std::vector<Leaf>& out) const;

    std::mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<TypeLeaves>> leaves_;
};

const TypeLeaves& CSCDImport::Shared::LeavesOf(const std::string& key, bool rdre, const CtBase& type) {
    const std::lock_guard lock(mutex_);
    auto [it, added] = leaves_.try_emplace(key);
    if (!added)
        return *it->second;
    it->second = std::make_unique<TypeLeaves>();
    TypeLeaves& walked = *it->second;
    walked.type = type;
    Budget& budget = walked.walk;
    budget.SetLimits(limits);
    budget.SetBrake(&brake);
    budget.StartFile();
    for (const CtBase& d : type.GetEleByName("DO")) {
        const CtBase doType = FindIn(doTypes, d.GetAttrValByName("type"));
        if (!doType)
            continue;
        const std::string name = d.GetAttrValByName("name");
        budget.StartObject();
        WalkDO(budget, rdre, name, name, doType, true, 0, walked.leaves);
        if (budget.Failed())
            break;
    }
    walked.nodes = budget.NodesCounted();
    budget.SetBrake(nullptr);
    if (budget.Failed())
        std::vector<Leaf>().swap(walked.leaves);
    return walked;
}

void CSCDImport::Shared::WalkDO(Budget& budget, bool rdre, const std::string& topDo,
                                const std::string& doPath, const CtBase& doType, bool top, int depth,
                                std::vector<Leaf>& out) const {
    if (depth > kMaxTypeDepth)
        return;
    const std::string cdc = doType.GetAttrValByName("cdc");
    if (!rdre && top && projectmodel::ClassifyDataAttribute(cdc) == 0)
        return;
    const Budget::Scope scope(budget, doType);
    if (!scope)
        return;
    for (const CtBase& da : doType.GetEleByName("DA")) {
        if (!budget.CountNode())
            return;
        const std::string fc = da.GetAttrValByName("fc");
        const std::string name = da.GetAttrValByName("name");
        const int cls = rdre ? 17 : projectmodel::ClassifyDataAttribute(fc + "$" + cdc + "$" + name);
        if (cls == 0)
            continue;
        const std::string bType = da.GetAttrValByName("bType");
        if (bType == "Struct" || bType == "ValWithTrans") {
            if (const CtBase daType = FindIn(daTypes, da.GetAttrValByName("type")))
                WalkDAType(budget, rdre, topDo, doPath, fc, cdc, name, daType, depth + 1, out);
        } else if (cls != 1) {
            out.push_back({topDo, doPath, fc, cdc, name, cls});
        }
    }
    for (const CtBase& sdo : doType.GetEleByName("SDO")) {
        if (!budget.CountNode())
            return;
        const std::string name = sdo.GetAttrValByName("name");
        if (!rdre && projectmodel::ClassifyDataAttribute(cdc + "$" + name) == 0)
            continue;
        if (const CtBase sdoType = FindIn(doTypes, sdo.GetAttrValByName("type")))
            WalkDO(budget, rdre, topDo, doPath + "$" + name, sdoType, false, depth + 1, out);
    }
}

void CSCDImport::Shared::WalkDAType(Budget& budget, bool rdre, const std::string& topDo,
                                    const std::string& doPath, const std::string& fc, const std::string& cdc,
                                    const std::string& attrPath, const CtBase& daType, int depth,
                                    std::vector<Leaf>& out) const {
    if (depth > kMaxTypeDepth)
        return;
    const Budget::Scope scope(budget, daType);
    if (!scope)
        return;
    for (const CtBase& bda : daType.GetEleByName("BDA")) {
        if (!budget.CountNode())
            return;
        const std::string path = attrPath + "$" + bda.GetAttrValByName("name");
        const int cls = rdre ? 17 : projectmodel::ClassifyDataAttribute(fc + "$" + cdc + "$" + path);
        if (cls == 0)
            continue;
        const std::string bType = bda.GetAttrValByName("bType");
        if (bType == "Struct" || bType == "ValWithTrans") {
            if (const CtBase sub = FindIn(daTypes, bda.GetAttrValByName("type")))
                WalkDAType(budget, rdre, topDo, doPath, fc, cdc, path, sub, depth + 1, out);
        } else if (cls != 1) {
            out.push_back({topDo, doPath, fc, cdc, path, cls});
        }
    }
}

// An IED's device model built on the walking thread, with what filing it needs: its bytes in the
// cache file and the device made from it.
struct CSCDImport::Built {
    explicit Built(CDeviceTemplate built)
        : model(std::move(built)), device(CDevice::CDeviceFromTemplate(model)) {
        platform::CArchive ar;
        SerializeSCDIED(ar, model);
        bytes = ar.Bytes();
    }
    CDeviceTemplate model;
    CDevice device;
    std::string bytes; // written to the cache file as soon as the IED is filed, then freed
};

struct CSCDImport::IedResult {
    std::unique_ptr<CInfoModel> model;
    projectmodel::CStringArray members; // the data-set members, of the last IED only
    bool parsed = true;
    std::string failure; // why the walk failed
    // The IED's own nodes and points, and the LN types it used (in the order of their first use):
    // what the file's budget is charged with.
    std::uint64_t nodes = 0, points = 0;
    std::vector<const TypeLeaves*> types;
    std::size_t pointCount = 0; // the points of the information model
    std::unique_ptr<Built> built;
};

namespace {

// The logical node being walked.
struct LnContext {
    CtBase ln;
    std::string ldInst;
    std::string prefix;
    std::string lnClass;
    std::string inst;
    std::string name;      // prefix + lnClass + inst
    std::string reference; // ldInst + "/" + name + "$": the start of every point's reference
    bool rdre = false;
    bool doisRead = false;
    std::unordered_map<std::string, CtBase> dois; // lower-cased name -> first DOI
    CtEleList doiList;
    std::string key;

    // Starts on the next logical node of the IED; the texts and the DOI index keep their room.
    void Start(const CtBase& element, const std::string& device) {
        ln = element;
        ldInst = device;
        rdre = false;
        doisRead = false;
        dois.clear();
    }

    CtBase Doi(std::string_view name) {
        if (!doisRead) {
            doisRead = true;
            doiList.clear();
            ln.FindEleListByID(EleID::DOI, doiList, false);
            for (const CtBase& d : doiList)
                dois.emplace(Lower(d.GetAttrValByName("name")), d);
        }
        key.assign(name);
        for (char& ch : key)
            if (ch >= 'A' && ch <= 'Z')
                ch = static_cast<char>(ch - 'A' + 'a');
        auto it = dois.find(key);
        return it == dois.end() ? CtBase() : it->second;
    }
};

} // namespace

// Walks IED after IED on one thread: the data-set members, the logical nodes and their points.
// Each IED has a budget of its own; what it used is charged to the file's in file order.
class CSCDImport::IedWalker {
public:
    explicit IedWalker(Shared& shared) : shared_(shared), budget_(shared.limits) {
        budget_.SetBrake(&shared.brake);
    }
    // keepMembers: the data-set members are handed out in result (the document keeps those of
    // the last IED).
    void Walk(const CtBase& ied, IedResult& result, bool keepMembers);

private:
    void ReadLN();
    void BuildPoint(const Leaf& leaf);
    std::string DescriptionOf(const CtBase& element, std::string_view path) const;

    Shared& shared_;
    platform::scl::CTypeWalkBudget budget_;
    CDataSetIndex dataSet_;
    LnContext ln_;
    IedResult* result_ = nullptr;
    CInfoModel* model_ = nullptr;
    // The shared leaves this thread has looked up, and those the IED being walked has used.
    std::unordered_map<std::string, const TypeLeaves*> known_;
    std::unordered_set<const TypeLeaves*> used_;
    std::string key_;
    std::string member_;
};

void CSCDImport::IedWalker::Walk(const CtBase& ied, IedResult& result, bool keepMembers) {
    result_ = &result;
    budget_.StartFile();
    used_.clear();
    // Data-set members: "ldInst/prefix lnClass lnInst$fc$doName$daName", dots turned into "$".
    dataSet_.Clear();
    CtEleList fcdas;
    ied.FindEleListByID(EleID::FCDA, fcdas, true);
    static constexpr std::string_view kFcdaAttrs[] = {"ldInst", "prefix", "lnClass", "lnInst",
                                                      "fc",     "doName", "daName"};
    std::string a[std::size(kFcdaAttrs)];
    if (keepMembers)
        result.members.reserve(fcdas.size());
    std::string& member = member_;
    for (const CtBase& f : fcdas) {
        f.GetAttrVals(kFcdaAttrs, a, std::size(kFcdaAttrs));
        ReplaceDots(a[5]);
        ReplaceDots(a[6]);
        member.clear();
        member += a[0];
        member += '/';
        member += a[1];
        member += a[2];
        member += a[3];
        member += '$';
        member += a[4];
        member += '$';
        member += a[5];
        member += '$';
        member += a[6];
        dataSet_.Add(member);
        if (keepMembers)
            result.members.push_back(member);
    }

    result.model = std::make_unique<CInfoModel>();
    model_ = result.model.get();
    model_->m_strName = ied.GetAttrValByName("name");
    budget_.StartIed(model_->m_strName);
    model_->m_strDesc = ied.GetAttrValByName("desc");
    model_->m_strManufacturer = ied.GetAttrValByName("manufacturer");
    model_->m_strType = ied.GetAttrValByName("type");
    model_->m_strConfigVersion = ied.GetAttrValByName("configVersion");
    if (model_->m_strType.empty())
        model_->m_strType = model_->m_strName;

    CtEleList aps;
    ied.FindEleListByID(EleID::AccessPoint, aps, false);
    for (const CtBase& ap : aps) {
        const std::string key = ap.GetAttrValByName("name") + "+" + model_->m_strName;
        if (!shared_.goose && !shared_.accessPoints.count(key))
            continue;
        CtEleList lds;
        ap.FindEleListByID(EleID::LDevice, lds, true);
        for (const CtBase& ld : lds) {
            const std::string ldInst = ld.GetAttrValByName("inst");
            CtEleList lns;
            if (const CtBase ln0 = ld.FindOneEleByID(EleID::LN0, false))
                lns.push_back(ln0);
            ld.FindEleListByID(EleID::LN, lns, false);
            for (const CtBase& e : lns) {
                ln_.Start(e, ldInst);
                ReadLN();
                if (budget_.Failed())
                    break;
            }
            if (budget_.Failed())
                break;
        }
        if (budget_.Failed())
            break;
    }
    result.nodes = budget_.NodesCounted();
    result.points = budget_.PointsCounted();
    if (budget_.Failed()) {
        result.failure = budget_.Reason();
        model_->Clear(); // the file is refused: its points are not held until then
    }
    model_ = nullptr;
    result_ = nullptr;
}

void CSCDImport::IedWalker::ReadLN() {
    LnContext& ln = ln_;
    static constexpr std::string_view kLnAttrs[] = {"lnType", "lnClass", "prefix", "inst"};
    std::string a[std::size(kLnAttrs)];
    ln.ln.GetAttrVals(kLnAttrs, a, std::size(kLnAttrs));
    const std::string& lnType = a[0];
    if (lnType.empty())
        return;
    ln.lnClass = std::move(a[1]);
    ln.prefix = std::move(a[2]);
    ln.inst = std::move(a[3]);
    ln.name.assign(ln.prefix).append(ln.lnClass).append(ln.inst);
    ln.reference.assign(ln.ldInst).append("/").append(ln.name).append("$");
    if (platform::EqualsNoCase(ln.lnClass, "RDRE")) {
        ln.rdre = true;
        model_->m_bRecorder = 1;
    }
    if (platform::EqualsNoCase(ln.lnClass, "LLN0") && ln.ln.FindOneEleByID(EleID::SettingControl, false)) {
        struct {
            const char* da;
            const char* desc;
        } const groups[] = {{"ActSG", "运行区定值区号"}, {"EditSG", "编辑区定值区号"}};
        for (const auto& g : groups) {
            auto p = std::make_unique<CSCDPoint>();
            p->m_strLNName = ln.prefix + "LLN0" + ln.inst;
            p->m_strLNInst = ln.inst;
            p->m_strLNClass = "LLN0";
            p->m_strPrefix = ln.prefix;
            p->m_strDOName = "SGCB";
            p->m_strFC = "SP";
            p->m_strDAName = g.da;
            p->m_strDesc = g.desc;
            p->m_strReference = ln.ldInst + "/" + ln.prefix + "LLN0" + ln.inst + "$SP$SGCB$" + g.da;
            p->m_nClass = 14;
            model_->AddPoint(std::move(p));
        }
    }
    const CtBase type = FindIn(shared_.lnodeTypes, lnType);
    if (!type)
        return;
    key_ = Lower(lnType);
    if (ln.rdre)
        key_ += '\1';
    auto known = known_.find(key_);
    if (known == known_.end())
        known = known_.emplace(key_, &shared_.LeavesOf(key_, ln.rdre, type)).first;
    const TypeLeaves& walked = *known->second;
    if (used_.insert(&walked).second)
        result_->types.push_back(&walked);
    if (walked.walk.Failed()) {
        budget_.FailAs(walked.walk);
        return;
    }
    for (const Leaf& leaf : walked.leaves) {
        if (!budget_.CountNode())
            return;
        BuildPoint(leaf);
    }
}

void CSCDImport::IedWalker::BuildPoint(const Leaf& leaf) {
    const LnContext& ln = ln_;
    const std::string& topDo = leaf.topDo;
    const std::string& doPath = leaf.doPath;
    const std::string& attrPath = leaf.attrPath;
    const int pointClass = leaf.pointClass;
    std::string reference;
    reference.reserve(ln.reference.size() + leaf.fc.size() + doPath.size() + attrPath.size() + 2);
    reference += ln.reference;
    reference += leaf.fc;
    reference += '$';
    reference += doPath;
    reference += '$';
    reference += attrPath;
    if (pointClass != 13 && !dataSet_.Matches(reference))
        return;
    if (!budget_.CountPoint())
        return;

    auto p = std::make_unique<CSCDPoint>();
    p->m_strLNName = ln.name;
    p->m_strLNInst = ln.inst;
    p->m_strLNClass = ln.lnClass;
    p->m_strPrefix = ln.prefix;
    p->m_strDOName = topDo;
    p->m_strSDOName = doPath.size() > topDo.size() ? doPath.substr(topDo.size() + 1) : std::string();
    p->m_strFC = leaf.fc;
    p->m_strCDC = leaf.cdc;
    p->m_strDAName = attrPath;
    p->m_nClass = static_cast<std::uint8_t>(pointClass);

    // The DOI of the data object, searched with the rest of the path: sub-data-objects first,
    // then the attribute path.
    std::string desc;
    if (const CtBase doi = ln_.Doi(topDo)) {
        const std::string rest = p->m_strSDOName.empty() ? attrPath : p->m_strSDOName + "$" + attrPath;
        desc = DescriptionOf(doi, rest);
        if (pointClass == 13)
            p->m_strCtlModel = ValOfDai(doi, "ctlModel");
    }
    if (desc.empty()) {
        desc = reference;
    } else {
        static const struct {
            const char* tail;
            const char* text;
        } phases[] = {{"phsA", "A相"}, {"phsB", "B相"}, {"phsC", "C相"}, {"neut", "零序"}};
        for (const auto& ph : phases)
            if (EndsWith(attrPath, ph.tail)) {
                desc = ph.text + desc;
                break;
            }
        if (attrPath.size() >= 10) {
            const std::string_view part = std::string_view(attrPath).substr(attrPath.size() - 10, 8);
            if (part == "cVal$mag")
                desc += "幅值";
            else if (part == "cVal$ang")
                desc += "相角";
        }
    }
    p->m_strDesc = std::move(desc);
    p->m_strReference = std::move(reference);
    model_->AddPoint(std::move(p));
}

std::string CSCDImport::IedWalker::DescriptionOf(const CtBase& element, std::string_view path) const {
    std::string text;
    if (shared_.descFromDu)
        text = ValOfDai(element, "dU");
    if (!path.empty()) {
        const std::size_t cut = path.find('$');
        const std::string_view head = path.substr(0, cut);
        const std::string_view rest =
            cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (const CtBase sdi = ChildNamed(element, EleID::SDI, head)) {
            std::string inner = DescriptionOf(sdi, rest);
            if (!inner.empty())
                text = std::move(inner);
        }
    }
    if (text.empty())
        text = element.GetAttrValByName("desc");
    return text;
}

CSCDImport::CSCDImport() = default;
CSCDImport::~CSCDImport() {
    DiscardCache();
}

fs::path CSCDImport::CacheFilePath() {
    return platform::JoinPath(CProjectContext::Instance().LibraryFolder(), "UserDefine\\IEDListFromSCD.dat");
}

void CSCDImport::Clear(CConfigDoc& doc) {
    doc.m_infoModels.clear();
    doc.m_dataSetMembers.clear();
    doc.m_strSubDoName.clear();
    if (doc.m_sclService)
        doc.m_sclService->Clear();
    std::vector<Built>().swap(built_);
    DiscardCache();
}

void CSCDImport::SetProgressPos(float pos) {
    position_ = pos;
    progress_->SetPos(static_cast<int>(pos));
}

int CSCDImport::ImportSCD(CConfigDoc& doc, const std::string& path) {
    Clear(doc);
    const bool buildWhileReading = buildWhileReading_;
    buildWhileReading_ = true;
    const int loaded = LoadSCDFile(doc, path);
    buildWhileReading_ = buildWhileReading;
    // The parsed file is not needed once the points are read; a big file's tree is freed before
    // the device models are filed.
    doc.m_sclService->Clear();
    if (loaded) {
        BuildIEDListFromSCD(doc);
        if (doc.Views()) {
            doc.Views()->FillPointList();
            doc.Views()->RefreshDeviceNodes();
        }
    }
    return 0;
}

int CSCDImport::LoadSCDFile(CConfigDoc& doc, const std::string& path) {
    if (path.empty())
        return 0;
    doc.m_sclService->SetXmlFileName(path);
    // The walk's budgets grow with the file's size.
    std::error_code sizeError;
    fileBytes_ = fs::file_size(path, sizeError);
    if (sizeError)
        fileBytes_ = 0;
    progress_->Show("正在载入数据模型，请稍候……");
    SetProgressPos(0);
    progress_->SetWaitCursor(true);
    // The IEDs are parsed one by one while they are walked: the tree of a big file is never
    // held whole.
    doc.m_sclService->SetStreamedElement("IED");
    const int loaded = doc.m_sclService->LoadFromXmlFile();
    doc.m_sclService->SetStreamedElement({});
    if (!loaded) {
        progress_->SetWaitCursor(false);
        platform::MessageBox("导入SCD失败：解析文件失败!");
        SetProgressPos(100);
        progress_->Hide();
        return 0;
    }
    SetProgressPos(2);
    const int result = ReadSCDIEDs(doc);
    progress_->Hide();
    progress_->SetWaitCursor(false);
    return result;
}

namespace {

// The threads that walk a file's IEDs: every core up to eight, one for a file of one IED (walked
// on the calling thread).
std::size_t WalkThreads(std::size_t ieds) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min<std::size_t>({cores, 8, ieds});
}

// Items 0..count-1 worked on by threads of their own, each with a State, and taken in order: a
// thread works at most `ahead` items past the last one taken, so that only a few results are held
// at once. With one thread no thread is started and Take works the item itself.
template <class State, class Result> class COrderedWork {
public:
    using Work = std::function<std::unique_ptr<Result>(State&, std::size_t)>;

    COrderedWork(std::size_t count, std::size_t threads, std::size_t ahead,
                 const std::function<std::unique_ptr<State>()>& makeState, Work work)
        : count_(count), ahead_(ahead), work_(std::move(work)) {
        if (threads <= 1) {
            own_ = makeState();
            return;
        }
        done_.resize(count);
        try {
            for (std::size_t t = 0; t < threads; ++t)
                pool_.emplace_back([this, state = makeState()] { Run(*state); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~COrderedWork() { Stop(); }
    COrderedWork(const COrderedWork&) = delete;
    COrderedWork& operator=(const COrderedWork&) = delete;

    // The result of item i, i from 0 upward one at a time.
    std::unique_ptr<Result> Take(std::size_t i) {
        if (pool_.empty())
            return work_(*own_, i);
        std::unique_ptr<Result> result;
        {
            std::unique_lock lock(mutex_);
            produced_.wait(lock, [&] { return done_[i] != nullptr; });
            result = std::move(done_[i]);
            taken_ = i + 1;
        }
        room_.notify_one();
        return result;
    }

    // No more items are started; returns once the threads have ended.
    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        room_.notify_all();
        for (std::thread& t : pool_)
            t.join();
        pool_.clear();
    }

private:
    void Run(State& state) {
        for (;;) {
            std::size_t i = 0;
            {
                std::unique_lock lock(mutex_);
                room_.wait(lock, [&] { return stop_ || next_ >= count_ || next_ < taken_ + ahead_; });
                if (stop_ || next_ >= count_)
                    return;
                i = next_++;
            }
            std::unique_ptr<Result> result = work_(state, i);
            {
                const std::lock_guard lock(mutex_);
                done_[i] = std::move(result);
            }
            produced_.notify_one();
        }
    }

    const std::size_t count_, ahead_;
    const Work work_;
    std::unique_ptr<State> own_;
    std::mutex mutex_;
    std::condition_variable produced_, room_;
    std::vector<std::unique_ptr<Result>> done_;
    std::size_t next_ = 0, taken_ = 0;
    bool stop_ = false;
    std::vector<std::thread> pool_; // last: the threads end before the rest goes
};

} // namespace

int CSCDImport::ReadSCDIEDs(CConfigDoc& doc) {
    const CtBase root = doc.m_sclService->GetRoot();
    if (!root)
        return 0;
    position_ = 2;
    progress_->SetWaitCursor(false);

    Shared shared;
    shared.limits = fileBytes_ ? limits_.ForFile(fileBytes_) : limits_;
    const CtBase templates = root.FindOneEleByID(EleID::DataTypeTemplates, false);
    IndexById(templates ? templates.GetEleByName("LNodeType") : CtEleList(), shared.lnodeTypes);
    IndexById(templates ? templates.GetEleByName("DOType") : CtEleList(), shared.doTypes);
    IndexById(templates ? templates.GetEleByName("DAType") : CtEleList(), shared.daTypes);

    const CProjectContext& context = CProjectContext::Instance();
    shared.goose = context.m_bGetGoosePoints;
    shared.descFromDu = context.m_bGetDescFromDu;
    if (!shared.goose) {
        const CtBase comm = root.FindOneEleByID(EleID::Communication, false);
        CtEleList subnets;
        if (comm)
            comm.FindEleListByID(EleID::SubNetwork, subnets, false);
        for (const CtBase& net : subnets) {
            if (!platform::EqualsNoCase(net.GetAttrValByName("type"), "8-MMS"))
                continue;
            CtEleList aps;
            net.FindEleListByID(EleID::ConnectedAP, aps, false);
            for (const CtBase& ap : aps) {
                const std::string apName = ap.GetAttrValByName("apName");
                const std::string iedName = ap.GetAttrValByName("iedName");
                if (!apName.empty() && !iedName.empty())
                    shared.accessPoints.emplace(apName + "+" + iedName, ap);
            }
        }
    }

    // The IEDs are in the document, or (the usual case) were left out of it to be parsed one at
    // a time.
    const platform::CSCLService& scl = *doc.m_sclService;
    CtEleList ieds;
    root.FindEleListByID(EleID::IED, ieds, false);
    const std::size_t count = ieds.size() + static_cast<std::size_t>(scl.GetStreamedCount());
    const float step = count == 0 ? 0.0f : (100.0f - position_) / static_cast<float>(count);
    built_.clear();
    pointsRead_ = 0;
    DiscardCache();
    if (buildWhileReading_) {
        built_.reserve(count);
        OpenCache(count);
    }
    progress_->SetCaption("正在读取测点信息，请稍候……");

    // One IED parsed, walked and (when asked) built, on whichever thread takes it.
    struct WalkState {
        explicit WalkState(Shared& shared) : walker(shared) {}
        IedWalker walker;
        platform::CSCLService::CPart part;
    };
    const bool build = buildWhileReading_;
    auto work = [&](WalkState& state, std::size_t i) {
        auto result = std::make_unique<IedResult>();
        try {
            std::string error;
            const CtBase ied = i < ieds.size()
                                   ? ieds[i]
                                   : scl.ParseStreamed(static_cast<int>(i - ieds.size()), state.part, error);
            if (!ied) {
                result->parsed = false;
                return result;
            }
            state.walker.Walk(ied, *result, i + 1 == count);
            result->pointCount = result->model->m_allPoints.size();
            if (build && result->failure.empty()) {
                result->built = std::make_unique<Built>(BuildDeviceModel(*result->model));
                // Freed where they were made, unless the observer is to see them first.
                if (!observer_)
                    result->model->Clear();
            }
        } catch (const std::exception&) {
            // Out of memory on a worker: the file is refused as one that cannot be read.
            result = std::make_unique<IedResult>();
            result->parsed = false;
        }
        return result;
    };
    const std::size_t threads = WalkThreads(count);
    COrderedWork<WalkState, IedResult> walks(
        count, threads, 4 * threads, [&] { return std::make_unique<WalkState>(shared); }, work);

    auto refuse = [&](const std::string& message) {
        // The file is refused whole and the project keeps what it had.
        walks.Stop();
        doc.m_infoModels.clear();
        doc.m_dataSetMembers.clear();
        built_.clear();
        DiscardCache();
        progress_->SetWaitCursor(false);
        platform::MessageBox(message);
        return 0;
    };
    platform::scl::CTypeWalkBudget fileBudget(shared.limits);
    fileBudget.StartFile();
    std::unordered_set<const TypeLeaves*> charged;
    for (std::size_t i = 0; i < count; ++i) {
        const std::unique_ptr<IedResult> result = walks.Take(i);
        if (!result->parsed)
            return refuse("导入SCD失败：解析文件失败!");
        // A type loop or a file beyond the walk's budget.
        if (!result->failure.empty())
            return refuse("导入SCD失败：" + result->failure + "!");
        const std::string& ied = result->model->m_strName;
        for (const TypeLeaves* type : result->types)
            if (charged.insert(type).second && !fileBudget.ChargeFile(type->nodes, 0, ied))
                break;
        if (!fileBudget.Failed())
            fileBudget.ChargeFile(result->nodes, result->points, ied);
        if (fileBudget.Failed())
            return refuse("导入SCD失败：" + fileBudget.Reason() + "!");

        if (i + 1 == count)
            doc.m_dataSetMembers = std::move(result->members);
        CInfoModel& model = *result->model;
        doc.m_infoModels.push_back(std::move(result->model));
        if (observer_)
            observer_(model);
        pointsRead_ += result->pointCount;
        if (result->built) {
            cacheOut_->Write(result->built->bytes);
            std::string().swap(result->built->bytes);
            built_.push_back(std::move(*result->built));
            model.Clear();
        }
        SetProgressPos(position_ + step);
    }
    SetProgressPos(100);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Device models and the cache file

bool IsTapChangerReference(std::string_view fcda) {
    const std::size_t slash = fcda.find('/');
    const std::size_t dollar = fcda.find('$');
    if (slash == std::string_view::npos || dollar == std::string_view::npos || slash > dollar)
        return false;
    if (platform::ToUpperAscii(fcda.substr(slash + 1, dollar - slash - 1)).find("ATCC") == std::string::npos)
        return false;
    return platform::EqualsNoCase(fcda.substr(dollar + 1, 9), "CO$TapChg");
}

CDeviceTemplate BuildDeviceModel(const CInfoModel& info) {
    CDeviceTemplate tpl;
    tpl.m_strName = info.m_strName + "_" + info.m_strType;
    tpl.m_strType = info.m_bRecorder ? "保护" : "测控";
    tpl.m_strVersion = info.m_strConfigVersion;

    struct ClassGroup {
        const char* category;
        const char* code;
        const CInfoModel::RefList* list;
        bool byCategory; // only the references whose category text is the group's
    };
    const ClassGroup classes[] = {
        {"遥信", "YX", &info.m_indications, false},  {"遥测", "YC", &info.m_measurands, false},
        {"遥控", "YK", &info.m_controls, false},     {"定值区号", "OTHER", &info.m_others, true},
        {"定值", "OTHER", &info.m_others, true},     {"装置参数", "OTHER", &info.m_others, true},
        {"故障信息", "OTHER", &info.m_others, true},
    };

    auto newGroup = [&tpl](const std::string& name, int type, int number, std::size_t expected = 0) {
        CInfoGroup g;
        g.m_strName = name;
        g.m_nType = type;
        g.m_nGroupNo = number;
        g.m_entries.Reserve(static_cast<int>(std::min<std::size_t>(expected, 200)));
        return tpl.m_groups.Add(std::move(g));
    };

    std::string line;
    int g = 1;
    int tapGroup = -1;
    std::vector<const CSCDPointRef*> taps;
    for (const ClassGroup& c : classes) {
        const bool controls = c.list == &info.m_controls;
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
                if (tapGroup < 0)
                    tapGroup = newGroup("遥控", projectmodel::InfoTypeFromName("YK"), 0);
                taps.push_back(ref.get());
                continue;
            }
            if (n == 201) {
                ++g;
                n = 1;
                group = newGroup(c.category, type, g, remaining(ref));
            } else if (n == 1) {
                group = newGroup(c.category, type, g, remaining(ref));
            }
            // Characters the entry line cannot carry would make it unreadable and lose the point.
            const std::string desc =
                projectmodel::ConfigLineSafeText(ref->m_strDesc, projectmodel::ConfigTextKind::EntryText);
            // Most points' texts are plain: the entry is filled without writing and parsing its line.
            const std::string_view texts[] = {desc, ref->m_strText1, ref->m_strText2, ref->m_strOnText,
                                              ref->m_strOffText};
            if (CInfoEntry entry;
                ref->m_strTapDir.empty() && entry.AssignPlain(n, g, n, texts, ref->m_strRefText)) {
                tpl.m_groups[group].AddEntry(std::move(entry));
            } else {
                line.clear();
                AppendNumber(line, n);
                line += ',';
                AppendNumber(line, g);
                line += ',';
                AppendNumber(line, n);
                line += ',';
                line += desc;
                for (const std::string* text : {&ref->m_strText1, &ref->m_strText2, &ref->m_strOnText,
                                                &ref->m_strOffText, &ref->m_strRefText}) {
                    line += ',';
                    line += *text;
                }
                if (!ref->m_strTapDir.empty()) {
                    line += ";TapChgDir=";
                    line += ref->m_strTapDir;
                }
                tpl.m_groups[group].AddEntryFromText(line);
            }
            ++n;
        }
        ++g;
    }

    if (tapGroup >= 0) {
        // Number 18 as the unit expects, unless an ordinary group already took it: then the
        // lowest number no group uses, 10 excepted.
        int number = 18;
        if (tpl.FindGroup(number)) {
            number = 1;
            while (number == 10 || tpl.FindGroup(number))
                ++number;
        }
        CInfoGroup& tg = tpl.m_groups[tapGroup];
        tg.m_nGroupNo = number;
        int t = 1;
        for (const CSCDPointRef* ref : taps) {
            tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-升降,,5,升,降", t, number, t) + "," +
                                ref->m_strRefText + ";TapChgDir=UPDOWN");
            tg.AddEntryFromText(platform::StrFormat("%i,%i,%i,档位-停,,5,停,", t + 1, number, t + 1) + "," +
                                ref->m_strRefText + ";TapChgDir=STOP");
            t += 2;
        }
    }

    const int special = newGroup("特殊遥信", projectmodel::InfoTypeFromName("YX"), 255);
    for (const char* line :
         {"1,255,1,网络状态1,,5,通,断,FUN=255;INF=1", "2,255,2,网络状态2,,5,通,断,FUN=255;INF=2",
          "3,255,3,装置通讯状态,,5,通,断,FUN=255;INF=3", "4,255,4,检修状态,,5,合,分,FUN=255;INF=4"})
        tpl.m_groups[special].AddEntryFromText(line);
    tpl.m_nFlag = 1;
    return tpl;
}

void CImportIndex::Build(const CConfigDoc& doc) {
    models.clear();
    devices.clear();
    for (int i = 0; i < doc.m_deviceModels.GetSize(); ++i)
        models.emplace(Lower(doc.m_deviceModels[i].m_strName), i);
    addresses.clear();
    lowestFree = 1;
    for (const projectmodel::CDevice& d : doc.m_devices) {
        devices.emplace(Lower(d.m_strModelName), d.m_nAddress); // the first device of a name stays
        addresses.insert(d.m_nAddress);
    }
}

int CImportIndex::TakeLowestFree() {
    // Devices are only added while an import merges, so the lowest free address only grows.
    while (addresses.count(lowestFree))
        ++lowestFree;
    addresses.insert(lowestFree);
    return lowestFree;
}

void MergeImportedModel(CConfigDoc& doc, const CDeviceTemplate& model, const std::string& iedDesc) {
    CImportIndex index;
    index.Build(doc);
    MergeImportedModel(doc, model, iedDesc, index);
}

void MergeImportedModel(CConfigDoc& doc, const CDeviceTemplate& model, const std::string& iedDesc,
                        CImportIndex& index) {
    MergeImportedModel(doc, CDeviceTemplate(model), iedDesc, index);
}

void MergeImportedModel(CConfigDoc& doc, CDeviceTemplate&& model, const std::string& iedDesc,
                        CImportIndex& index) {
    // The device's copy is taken first; the library then takes the model itself.
    CDevice device = CDevice::CDeviceFromTemplate(model);
    MergeImportedModel(doc, std::move(model), std::move(device), iedDesc, index);
}

void MergeImportedModel(CConfigDoc& doc, CDeviceTemplate&& model, CDevice&& device,
                        const std::string& iedDesc, CImportIndex& index) {
    const std::string key = Lower(model.m_strName);
    if (auto it = index.models.find(key);
        it != index.models.end() && doc.m_deviceModels.IsValidIndex(it->second))
        doc.m_deviceModels[it->second] = std::move(model);
    else
        index.models[key] = doc.m_deviceModels.Add(std::move(model));

    int at = -1;
    if (auto it = index.devices.find(key); it != index.devices.end()) {
        at = doc.m_devices.FindIndexByAddress(it->second);
        if (at >= 0 && !platform::EqualsNoCase(doc.m_devices[at].m_strModelName, device.m_strModelName))
            at = doc.m_devices.FindIndexByModelName(device.m_strModelName);
    }
    if (at < 0) {
        projectmodel::CDeviceArray::PrepareNewDevice(device, doc.m_deviceExtItems, index.TakeLowestFree());
        const int address = device.m_nAddress;
        const int inserted = doc.m_devices.Insert(std::move(device));
        if (inserted >= 0) {
            doc.m_devices[inserted].m_strDescription = iedDesc;
            index.devices[key] = address;
        }
        return;
    }
    const projectmodel::CDevice& old = doc.m_devices[at];
    device.m_nBoard = old.m_nBoard;
    device.m_nAddress = old.m_nAddress;
    device.m_nMappedAddress = old.m_nMappedAddress;
    device.m_optionValues = old.m_optionValues;
    device.m_pointRefs = old.m_pointRefs;
    device.m_strDescription = iedDesc;
    device.m_model.UpdateFrom(old.m_model);
    doc.m_devices[at] = std::move(device);
}

void SerializeSCDIED(platform::CArchive& ar, CDeviceTemplate& model) {
    model.Serialize(ar);
}

namespace {

// The cache file is written under this name and renamed over the old one once complete.
fs::path CacheTempPath() {
    fs::path temp = CSCDImport::CacheFilePath();
    temp += ".tmp";
    return temp;
}

// The start of the cache file: a zero byte and the number of models.
std::string CacheHead(std::size_t models) {
    platform::CArchive ar;
    ar.WriteU8(0);
    ar.WriteI32(static_cast<std::int32_t>(models));
    return ar.Bytes();
}

} // namespace

void CSCDImport::OpenCache(std::size_t models) {
    DiscardCache();
    const fs::path temp = CacheTempPath();
    std::error_code ec;
    fs::create_directories(temp.parent_path(), ec);
    cacheOut_ = std::make_unique<platform::CFileWriter>();
    cacheOut_->Open(temp); // a failure shows when the file is closed
    cacheOut_->Write(CacheHead(models));
}

void CSCDImport::DiscardCache() {
    if (!cacheOut_)
        return;
    cacheOut_.reset();
    std::error_code ec;
    fs::remove(CacheTempPath(), ec);
}

int CSCDImport::BuildIEDListFromSCD(CConfigDoc& doc) {
    const fs::path file = CacheFilePath();
    const fs::path temp = CacheTempPath();
    progress_->Show("正在更新装置列表，请稍候……");
    SetProgressPos(5);
    const float step = doc.m_infoModels.empty() ? 0.0f : 95.0f / static_cast<float>(doc.m_infoModels.size());
    CImportIndex index;
    index.Build(doc);
    // The models built while the file was read have their devices made and their part of the
    // cache written. Otherwise (the walk kept the points) they are built here, and the cache is
    // written to a temporary file while the models are filed, a piece at a time: a big file's
    // cache is never held whole. It replaces the old one only once complete on disk.
    const bool prebuilt = cacheOut_ && built_.size() == doc.m_infoModels.size();
    std::unique_ptr<platform::CFileWriter> out = std::move(cacheOut_);
    if (!prebuilt) {
        out = std::make_unique<platform::CFileWriter>();
        std::error_code ec;
        fs::create_directories(temp.parent_path(), ec);
        out->Open(temp);
        out->Write(CacheHead(doc.m_infoModels.size()));
    }
    constexpr std::size_t kPiece = 1 << 20;
    platform::CArchive ar;
    for (std::size_t i = 0; i < doc.m_infoModels.size(); ++i) {
        CInfoModel& info = *doc.m_infoModels[i];
        if (prebuilt) {
            Built& b = built_[i];
            MergeImportedModel(doc, std::move(b.model), std::move(b.device), info.m_strDesc, index);
        } else {
            CDeviceTemplate tpl = BuildDeviceModel(info);
            // Once filed into its device model an IED's points are not needed again; freed here,
            // a big file never holds every IED's points and every device model at once. The model
            // keeps its name, description and type.
            info.Clear();
            SerializeSCDIED(ar, tpl);
            if (ar.Bytes().size() >= kPiece) {
                out->Write(ar.Bytes());
                ar.DiscardBytes();
            }
            MergeImportedModel(doc, std::move(tpl), info.m_strDesc, index);
        }
        SetProgressPos(position_ + step);
    }
    std::vector<Built>().swap(built_);

    out->Write(ar.Bytes());
    bool saved = out->Close();
    out.reset();
    std::error_code ec;
    if (saved) {
        fs::rename(temp, file, ec);
        saved = !ec;
    }
    SetProgressPos(100);
    progress_->Hide();
    progress_->SetWaitCursor(false);
    if (!saved) {
        fs::remove(temp, ec);
        platform::MessageBox("保存文件" + file.string() + "失败!", "错误", platform::Icon::Error);
        return 0;
    }
    return 1;
}

} // namespace points
