#include "points/SCDImport.h"

#include "points/ScdImportWalk.h"

#include "platform/FileFaults.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace points {

CSCDImport::CSCDImport() = default;
CSCDImport::~CSCDImport() {
    cache_.Discard();
}

fs::path CSCDImport::CacheFilePath() {
    return ScdCacheFilePath();
}

void CSCDImport::Clear(CConfigDoc& doc) {
    doc.m_infoModels.clear();
    doc.m_dataSetMembers.clear();
    doc.m_strSubDoName.clear();
    if (doc.m_sclService)
        doc.m_sclService->Clear();
    std::vector<Built>().swap(built_);
    cache_.Discard();
    cacheFromModels_ = false;
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
    // The cache written from this file carries its size as its bound.
    // (A file that cannot be looked at fails the load below, which tells why.)
    fileBytes_ = platform::StatPath(path).size;
    progress_->Show("正在载入数据模型，请稍候……");
    SetProgressPos(0);
    progress_->SetWaitCursor(true);
    // The IEDs are parsed one by one while they are walked: the tree of a big file is never
    // held whole.
    doc.m_sclService->SetStreamedElement("IED");
    // The walk finds data types only through the references of the types it walks.
    doc.m_sclService->SetUnusedTypesLeftOut(true);
    doc.m_sclService->SetThreads(threads_);
    const int loaded = doc.m_sclService->LoadFromXmlFile();
    doc.m_sclService->SetStreamedElement({});
    doc.m_sclService->SetUnusedTypesLeftOut(false);
    if (!loaded) {
        progress_->SetWaitCursor(false);
        // A file refused for its text is told where; a markup error as the import always has.
        platform::MessageBox(doc.m_sclService->IsRefusedContent() || doc.m_sclService->IsUnreadFile()
                                 ? "导入SCD失败：" + doc.m_sclService->GetErrorText() + "!"
                                 : std::string("导入SCD失败：解析文件失败!"));
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

// One box for every IED left out as the namesake of an earlier one: how many, and the first names.
std::string DroppedNamesakes(const std::vector<std::string>& dropped) {
    constexpr std::size_t kNamed = 10;
    std::string names;
    for (std::size_t i = 0; i < dropped.size() && i < kNamed; ++i)
        names += (i ? "、" : "") + dropped[i];
    if (dropped.size() > kNamed)
        names += "等";
    return platform::StrFormat(
               "SCD文件中有%zu个装置与前面的装置同名(不分大小写)，只导入了前面的装置，未导入：",
               dropped.size()) +
           names;
}

// Why a file is refused whose walk ran out of memory: the IED being read, when it is known.
std::string OutOfMemory(const std::string& ied) {
    return ied.empty() ? std::string("内存不足") : "装置(" + ied + ")展开的数据超出可用内存";
}

// The IEDs a walking thread may run ahead of the one filed next, per thread: enough that a thread
// held up on one IED (or descheduled on a busy machine) does not stop the others; each IED waiting
// holds only its built model, which the import keeps anyway, and its cache bytes.
constexpr std::size_t kAheadPerThread = 32;
// The cache bytes the IEDs waiting to be filed may hold (each IED's bytes are freed once filed):
// IEDs of many points wait only a few at a time.
constexpr std::size_t kWaitingCacheBytes = 2u << 20;

// The parsed tree of an IED takes about a hundred bytes an element: eight elements weigh as much as
// a point being walked. Only an IED of at least kWeighedTreeBytes is weighed (a smaller one's tree
// is small beside what the threads may hold).
constexpr std::uint64_t kElementsPerHeldPoint = 8;
constexpr std::size_t kWeighedTreeBytes = std::size_t{256} << 10;

// An IED of at least this many points gives the pages its walk held back to the system once its
// device model is built (a small IED's pages are used again by the next IED on the same thread).
constexpr std::size_t kTrimAfterPoints = 16384;
constexpr std::size_t kTrimAfterTreeBytes = std::size_t{4} << 20;

// The threads that walk a file's IEDs: as many as asked, or every core the process may run on up
// to eight; one for a file of one IED (walked on the calling thread).
std::size_t WalkThreads(std::size_t asked, std::size_t ieds) {
    return std::max<std::size_t>(1, std::min(asked ? asked : platform::CSCLService::WorkThreads(), ieds));
}

} // namespace

void CSCDImport::IndexFile(Shared& shared, const CtBase& root) const {
    shared.limits = limits_;
    const CtBase templates = root.FindOneEleByID(EleID::DataTypeTemplates, false);
    IndexById(templates ? templates.GetEleByName("LNodeType") : CtEleList(), shared.lnodeTypes);
    IndexById(templates ? templates.GetEleByName("DOType") : CtEleList(), shared.doTypes);
    IndexById(templates ? templates.GetEleByName("DAType") : CtEleList(), shared.daTypes);

    const CProjectContext& context = CProjectContext::Instance();
    shared.goose = context.m_bGetGoosePoints;
    shared.descFromDu = context.m_bGetDescFromDu;
    if (shared.goose)
        return;
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

// The IEDs of a file: in the document, or (the usual case) left out of it to be parsed one at a
// time; and whether each IED's device model is built as soon as it is read.
struct CSCDImport::IedSource {
    CtEleList inDocument;
    const platform::CSCLService* scl = nullptr;
    std::size_t count = 0;
    bool build = false;
    bool severalThreads = false;
};

// What one thread needs to parse and walk IEDs.
struct CSCDImport::WalkState {
    WalkState(Shared& shared, const IedSource& ieds)
        : walker(shared), brake(shared.brake), source(ieds), readRule(shared.readRule) {}
    IedWalker walker;
    platform::scl::CWalkBrake& brake;
    const IedSource& source;
    platform::CSCLService::CPart part;
    const CIedReadRule& readRule;
};

std::unique_ptr<CSCDImport::IedResult> CSCDImport::WalkIed(WalkState& state, std::size_t i) const {
    const IedSource& source = state.source;
    auto result = std::make_unique<IedResult>();
    std::string name;
    // The points this walk holds count among those of the walks in progress until its device model
    // is built and they are let go (or the walk ends otherwise).
    struct Holding {
        platform::scl::CWalkBrake& brake;
        std::uint64_t order;
        bool severalThreads;
        std::size_t points = 0;
        std::size_t treeBytes = 0;
        ~Holding() {
            brake.End(order);
#ifdef __GLIBC__
            // Each walking thread allocates from an arena of its own, which keeps the pages an IED's
            // points and tree were freed from for that thread alone: after an IED of many points or
            // a big tree, eight threads would keep eight such IEDs' worth. Their free pages go back
            // to the system (a lone thread uses them again for the next IED).
            if (severalThreads && (points >= kTrimAfterPoints || treeBytes >= kTrimAfterTreeBytes))
                malloc_trim(0);
#endif
        }
    } holding{state.brake, i + 1, source.severalThreads};
    state.brake.Begin(i + 1);
    try {
        std::string error;
        const std::size_t kept = source.inDocument.size();
        // The tree of a big IED counts among what the walks hold before it is parsed, so that
        // the threads do not parse several huge IEDs at once.
        const auto weighTree = [&state, &holding, i](std::string_view bytes) {
            holding.treeBytes = bytes.size();
            return bytes.size() < kWeighedTreeBytes ||
                   state.brake.Reserve(
                       i + 1, static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '<')) /
                                  kElementsPerHeldPoint);
        };
        // What the walk does not read of a big IED is left out of its tree; a small one's tree is
        // small whatever it holds, and is parsed without looking through its bytes once more.
        const int streamed = static_cast<int>(i - kept);
        const platform::scl::CKeepRule* keep =
            i < kept || source.scl->GetStreamedBytes(streamed) < platform::scl::kFilteredElementBytes
                ? nullptr
                : &state.readRule;
        const CtBase ied = i < kept ? source.inDocument[i]
                                    : source.scl->ParseStreamed(streamed, state.part, error, weighTree, keep);
        if (!ied) {
            result->parsed = false;
            return result;
        }
        name = ied.GetAttrValByName("name");
        state.walker.Walk(ied, *result, i + 1 == source.count, i + 1);
        // The points read, kept in the information model or not.
        holding.points = result->pointCount;
        if (result->failure.empty()) {
            // An IED whose points need more groups than the numbers hold refuses the file: a group
            // numbered 255 or above would clash with the special indications or be out of range.
            IedWalker& walker = state.walker;
            CDeviceTemplate model = walker.KeepsPoints() ? BuildDeviceModel(*result->model)
                                                         : BuildDeviceModel(*result->model, walker.Records());
            walker.LetRecordsGo();
            if (const int highest = HighestOrdinaryGroupNumber(model); highest > kMaxOrdinaryGroupNumber) {
                result->failure =
                    platform::StrFormat("装置(%s)的测点需要编号至%d的信息组，超出信息组号的范围(1-%d)",
                                        name.c_str(), highest, kMaxOrdinaryGroupNumber);
                result->model->Clear();
                // The file is refused for this IED: the walks of those after it stop.
                state.brake.Failed(i + 1);
            } else if (source.build) {
                result->built = std::make_unique<Built>(std::move(model));
                // Freed where they were made, unless the observer is to see them first.
                if (!observer_)
                    result->model->Clear();
            }
        }
    } catch (const std::bad_alloc&) {
        // Out of memory on a worker: the file is refused, naming the IED whose data did not fit.
        result = std::make_unique<IedResult>();
        result->failure = OutOfMemory(name);
        state.brake.Failed(i + 1);
    } catch (const std::exception&) {
        result = std::make_unique<IedResult>();
        result->parsed = false;
    }
    return result;
}

// The file's ceilings charged in file order with what each IED used: the IED itself, its own nodes
// and points, and the nodes of each node type the first time an IED uses it.
struct CSCDImport::FileCharge {
    explicit FileCharge(const platform::scl::TypeWalkLimits& ceilings) : budget(ceilings) {
        budget.StartFile();
    }
    platform::scl::CTypeWalkBudget budget;
    std::unordered_set<const TypeLeaves*> charged;
    // The lower-cased names of the IEDs filed, and the IEDs left out as namesakes of one before.
    std::unordered_set<std::string> names;
    std::vector<std::string> dropped;
};

std::string CSCDImport::FileIed(CConfigDoc& doc, IedResult& result, bool last, FileCharge& charge) {
    if (!result.parsed)
        return "导入SCD失败：解析文件失败!";
    // A type loop or a file beyond the walk's budget.
    if (!result.failure.empty())
        return "导入SCD失败：" + result.failure + "!";
    const std::string& ied = result.model->m_strName;
    if (charge.budget.CountIed(ied))
        for (const TypeLeaves* type : result.types)
            if (charge.charged.insert(type).second && !charge.budget.ChargeFile(type->nodes, 0, ied))
                break;
    if (!charge.budget.Failed())
        charge.budget.ChargeFile(result.nodes, result.points, ied);
    if (charge.budget.Failed())
        return "导入SCD失败：" + charge.budget.Reason() + "!";

    if (last)
        doc.m_dataSetMembers = std::move(result.members);
    // IEDs of one name (without regard to case) would become one device model, the later ones'
    // points replacing the earlier's: the first is kept, the others are left out and named.
    if (!charge.names.insert(platform::ToLowerAscii(ied)).second) {
        charge.dropped.push_back(ied);
        // The cache file was opened for every IED: it is written again from the models kept.
        cache_.Discard();
        cacheFromModels_ = result.built != nullptr;
        return {};
    }
    CInfoModel& model = *result.model;
    doc.m_infoModels.push_back(std::move(result.model));
    if (observer_)
        observer_(model);
    pointsRead_ += result.pointCount;
    if (result.built) {
        if (result.built->streamed)
            cache_.WriteModel(result.built->model);
        else
            cache_.Write(result.built->bytes);
        // Freed with the result, on the thread that made them.
        result.written.swap(result.built->bytes);
        built_.push_back(std::move(*result.built));
        model.Clear();
    }
    return {};
}

int CSCDImport::ReadSCDIEDs(CConfigDoc& doc) {
    const CtBase root = doc.m_sclService->GetRoot();
    if (!root)
        return 0;
    position_ = 2;
    progress_->SetWaitCursor(false);
    Shared shared;
    IndexFile(shared, root);
    shared.brake.SetHeldCeiling(heldCeiling_);
    // The points themselves are needed only by an observer or when the models are built later.
    shared.keepPoints = !buildWhileReading_ || static_cast<bool>(observer_);

    IedSource source;
    source.scl = doc.m_sclService.get();
    root.FindEleListByID(EleID::IED, source.inDocument, false);
    source.count = source.inDocument.size() + static_cast<std::size_t>(source.scl->GetStreamedCount());
    source.build = buildWhileReading_;
    const std::size_t count = source.count;
    const float step = count == 0 ? 0.0f : (100.0f - position_) / static_cast<float>(count);
    built_.clear();
    pointsRead_ = 0;
    nodesWalked_ = 0;
    cache_.Discard();
    cacheFromModels_ = false;
    if (buildWhileReading_) {
        built_.reserve(count);
        cache_.Open(count, fileBytes_);
    }
    progress_->SetCaption("正在读取测点信息，请稍候……");

    // Each IED parsed, walked and (when asked) built on whichever thread takes it, and filed here
    // in file order.
    const std::size_t threads = WalkThreads(threads_, count);
    source.severalThreads = threads > 1;
    COrderedWork<WalkState, IedResult> walks(
        count, threads, kAheadPerThread * threads,
        [&] { return std::make_unique<WalkState>(shared, source); },
        [this](WalkState& state, std::size_t i) { return WalkIed(state, i); },
        {[](const IedResult& r) { return r.built ? r.built->heldBytes : 0; }, kWaitingCacheBytes});
    FileCharge charge(shared.limits);
    mostHeld_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_ptr<IedResult> result = walks.Take(i);
        const std::string refusal = FileIed(doc, *result, i + 1 == count, charge);
        nodesWalked_ = charge.budget.NodesCounted();
        mostHeld_ = shared.brake.MostHeld();
        walks.Release(std::move(result));
        if (!refusal.empty()) {
            // The file is refused whole and the project keeps what it had.
            shared.brake.Stop();
            walks.Stop();
            doc.m_infoModels.clear();
            doc.m_dataSetMembers.clear();
            built_.clear();
            cache_.Discard();
            progress_->SetWaitCursor(false);
            platform::MessageBox(refusal);
            return 0;
        }
        SetProgressPos(position_ + step);
    }
    SetProgressPos(100);
    if (!charge.dropped.empty()) {
        progress_->SetWaitCursor(false);
        platform::MessageBox(DroppedNamesakes(charge.dropped), {}, platform::Icon::Warning);
    }
    return 1;
}

int CSCDImport::BuildIEDListFromSCD(CConfigDoc& doc) {
    progress_->Show("正在更新装置列表，请稍候……");
    SetProgressPos(5);
    const float step = doc.m_infoModels.empty() ? 0.0f : 95.0f / static_cast<float>(doc.m_infoModels.size());
    CImportIndex index;
    index.Build(doc);
    // The models built while the file was read have their devices made and their part of the
    // cache written. Otherwise (the walk kept the points) they are built here, and the cache is
    // written while the models are filed, a piece at a time: a big file's cache is never held
    // whole. It replaces the old one only once complete on disk.
    // IEDs left out as namesakes leave the models built while reading, to be written into the
    // cache here.
    const bool rewrite = cacheFromModels_ && built_.size() == doc.m_infoModels.size();
    const bool prebuilt = (cache_.IsOpen() || rewrite) && built_.size() == doc.m_infoModels.size();
    if (!prebuilt || rewrite)
        cache_.Open(doc.m_infoModels.size(), fileBytes_);
    cacheFromModels_ = false;
    constexpr std::size_t kPiece = 1 << 20;
    platform::CArchive ar;
    for (std::size_t i = 0; i < doc.m_infoModels.size(); ++i) {
        CInfoModel& info = *doc.m_infoModels[i];
        if (prebuilt) {
            Built& b = built_[i];
            if (rewrite) {
                SerializeSCDIED(ar, b.model);
                if (ar.Bytes().size() >= kPiece) {
                    cache_.Write(ar.Bytes());
                    ar.DiscardBytes();
                }
            }
            MergeImportedModel(doc, std::move(b.model), std::move(b.device), info.m_strDesc, index);
        } else {
            CDeviceTemplate tpl = BuildDeviceModel(info);
            // Once filed into its device model an IED's points are not needed again; freed here,
            // a big file never holds every IED's points and every device model at once. The model
            // keeps its name, description and type.
            info.Clear();
            SerializeSCDIED(ar, tpl);
            if (ar.Bytes().size() >= kPiece) {
                cache_.Write(ar.Bytes());
                ar.DiscardBytes();
            }
            MergeImportedModel(doc, std::move(tpl), info.m_strDesc, index);
        }
        SetProgressPos(position_ + step);
    }
    std::vector<Built>().swap(built_);
    cache_.Write(ar.Bytes());
    const bool saved = cache_.Commit();
    SetProgressPos(100);
    progress_->Hide();
    progress_->SetWaitCursor(false);
    if (!saved) {
        platform::MessageBox("保存文件" + CacheFilePath().string() + "失败!", "错误", platform::Icon::Error);
        return 0;
    }
    return 1;
}

} // namespace points
