#pragma once
// What the SCD import's walk shares between its files: the types' leaves, the state shared by
// the walking threads, an IED's result and the walker of one thread. Only the import includes it.
#include "platform/Archive.h"
#include "platform/Prompt.h"
#include "platform/scl/ChildIndex.h"
#include "platform/scl/SCLService.h"
#include "platform/Text.h"
#include "points/OrderedWork.h"
#include "points/ScdDeviceModel.h"
#include "points/SCDImport.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/NameTables.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/TextHelpers.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iterator>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace points {

// The names the import's files use unqualified.
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

// The walk's own helpers and records, named so that the import's files share one definition.
namespace scdwalk {

// Nested data objects and structured attributes deeper than this are a type loop of a damaged
// file; the walk stops there instead of running out of stack.
constexpr int kMaxTypeDepth = 32;

inline std::string Lower(std::string_view text) {
    return platform::ToLowerAscii(text);
}

inline void IndexById(const CtEleList& list, std::unordered_map<std::string, CtBase>& map) {
    map.clear();
    map.reserve(list.size());
    for (const CtBase& e : list)
        map.emplace(Lower(e.GetAttrValByName("id")), e); // the first of an id stays
}

inline CtBase FindIn(const std::unordered_map<std::string, CtBase>& map, std::string_view id) {
    auto it = map.find(Lower(id));
    return it == map.end() ? CtBase() : it->second;
}

// What the walk reads of an IED, for the reader to leave the rest out of its tree: every FCDA
// below the IED (data-set members), every LDevice below an access point, their LN0 and LN
// children, a node's SettingControl, the DOIs of a node whose type the file defines, the SDI, DOI
// and DAI children of DOIs and SDIs, and the whole of a DAI's Val. Anything else is read only as
// a path to those.
enum class IedRead : std::uint8_t {
    Ied,            // the IED
    InAccessPoint,  // below an access point: its FCDAs and LDevices
    Device,         // an LDevice
    Node,           // an LN0 or LN of a type the file defines
    UntypedNode,    // an LN0 or LN without one: the walk reads none of its DOIs
    Instance,       // a DOI or SDI
    Attribute,      // a DAI
    Whole,          // a Val and what it holds
    OutsideDevices, // below the IED outside its access points: its FCDAs
};

class CIedReadRule final : public platform::scl::CKeepRule {
public:
    // lnodeTypes: the file's LNodeTypes by lower-cased id.
    explicit CIedReadRule(const std::unordered_map<std::string, CtBase>& lnodeTypes)
        : lnodeTypes_(lnodeTypes) {}

    platform::scl::KeptChild Child(std::uint8_t parentState, std::string_view name,
                                   std::string_view startTag) const override {
        const auto parent = static_cast<IedRead>(parentState);
        if (parent == IedRead::Whole)
            return Kept(IedRead::Whole);
        if (parent == IedRead::Ied || parent == IedRead::OutsideDevices) {
            if (name == "FCDA")
                return Kept(IedRead::OutsideDevices);
            if (parent == IedRead::Ied && name == "AccessPoint")
                return Kept(IedRead::InAccessPoint);
            return Through(IedRead::OutsideDevices);
        }
        // Below an access point every FCDA and LDevice is found, however deep.
        if (name == "FCDA")
            return Kept(IedRead::InAccessPoint);
        if (name == "LDevice")
            return Kept(IedRead::Device);
        switch (parent) {
        case IedRead::Device:
            if (name == "LN0" || name == "LN")
                return Kept(TypeDefined(startTag) ? IedRead::Node : IedRead::UntypedNode);
            break;
        case IedRead::Node:
        case IedRead::UntypedNode:
            if (name == "DOI" && parent == IedRead::Node)
                return Kept(IedRead::Instance);
            if (name == "SettingControl")
                return Kept(IedRead::InAccessPoint);
            break;
        case IedRead::Instance:
            if (name == "DOI" || name == "SDI")
                return Kept(IedRead::Instance);
            if (name == "DAI")
                return Kept(IedRead::Attribute);
            break;
        case IedRead::Attribute:
            if (name == "Val")
                return Kept(IedRead::Whole);
            break;
        default:
            break;
        }
        return Through(IedRead::InAccessPoint);
    }

private:
    static platform::scl::KeptChild Kept(IedRead state) { return {static_cast<std::uint8_t>(state), true}; }
    static platform::scl::KeptChild Through(IedRead state) {
        return {static_cast<std::uint8_t>(state), false};
    }

    // Whether the node's lnType names a type of the file, as the walk looks it up; true when the
    // tag does not tell plainly (a reference, a byte outside ASCII, a blank the parser changes).
    bool TypeDefined(std::string_view startTag) const {
        std::string_view lnType;
        const int found = platform::scl::StartTagAttribute(startTag, "lnType", lnType);
        if (found < 0)
            return true;
        if (found == 0 || lnType.empty())
            return false;
        for (const char c : lnType)
            if (c == '&' || c == '\t' || c == '\r' || c == '\n' ||
                (static_cast<unsigned char>(c) & 0x80) != 0)
                return true;
        return lnodeTypes_.count(Lower(lnType)) != 0;
    }

    const std::unordered_map<std::string, CtBase>& lnodeTypes_;
};

// The value of the element's DAI child named daiName (without regard to case), found through the
// index of the element's children.
inline std::string ValOfDai(platform::scl::CChildIndex& children, const CtBase& element,
                            std::string_view daiName) {
    const CtBase dai = children.Find(element, EleID::DAI, daiName);
    if (!dai)
        return {};
    const CtBase val = dai.FindOneEleByID(EleID::Val, false);
    return val ? val.GetValue() : std::string();
}

inline bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// A leaf of an LN type's walk: what a point of every LN of that type is built from. A type of
// many leaves is held as long as the import, so its texts are compact: the short ones inside the
// word, those its leaves repeat (the data object, its class) shared.
struct Leaf {
    projectmodel::CCompactText topDo, doPath, fc, cdc, attrPath;
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
    std::unordered_map<std::string, CtBase> dois; // lower-cased name -> first DOI, when many
    CtEleList doiList;
    std::string key;
    // The DOI asked for last, by the name it was asked with.
    bool lastAsked = false;
    std::string lastName;
    CtBase lastDoi;
    // The children of the node's DOIs and SDIs by name (without regard to case), each read once.
    platform::scl::CChildIndex children{true};

    // Starts on the next logical node of the IED; the texts and the DOI index keep their room.
    void Start(const CtBase& element, const std::string& device) {
        ln = element;
        ldInst = device;
        rdre = false;
        doisRead = false;
        lastAsked = false;
        dois.clear();
        children.Clear();
    }

    CtBase Doi(std::string_view name) {
        // The leaves of a data object follow one another: its DOI is asked for many times running.
        if (lastAsked && name == lastName)
            return lastDoi;
        if (!doisRead) {
            doisRead = true;
            doiList.clear();
            ln.FindEleListByID(EleID::DOI, doiList, false);
            // A node of many DOIs has them indexed; a few are compared in file order.
            if (doiList.size() > kDoisSearchedInOrder)
                for (const CtBase& d : doiList)
                    dois.emplace(Lower(d.GetAttrValByName("name")), d);
        }
        lastAsked = true;
        lastName.assign(name);
        lastDoi = CtBase();
        if (doiList.size() > kDoisSearchedInOrder) {
            key.assign(name);
            for (char& ch : key)
                if (ch >= 'A' && ch <= 'Z')
                    ch = static_cast<char>(ch - 'A' + 'a');
            if (const auto it = dois.find(key); it != dois.end())
                lastDoi = it->second;
            return lastDoi;
        }
        static constexpr std::string_view kName[] = {"name"};
        for (const CtBase& d : doiList) {
            std::string_view value[1];
            d.GetAttrViews(kName, value, nameText, 1);
            if (EqualsLowered(value[0], name)) {
                lastDoi = d; // the first of the name
                break;
            }
        }
        return lastDoi;
    }

private:
    static constexpr std::size_t kDoisSearchedInOrder = 16;
    std::string nameText[1]; // a DOI's name converted from GBK

    // Whether a and b are equal once A-Z are lower-cased.
    static bool EqualsLowered(std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            char x = a[i], y = b[i];
            if (x >= 'A' && x <= 'Z')
                x = static_cast<char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<char>(y - 'A' + 'a');
            if (x != y)
                return false;
        }
        return true;
    }
};

} // namespace scdwalk

using namespace scdwalk;

struct CSCDImport::Shared {
    std::unordered_map<std::string, CtBase> lnodeTypes; // lower-cased id -> first
    std::unordered_map<std::string, CtBase> doTypes;
    std::unordered_map<std::string, CtBase> daTypes;
    std::unordered_map<std::string, CtBase> accessPoints; // apName + "+" + iedName
    platform::scl::TypeWalkLimits limits;                 // the ceilings
    platform::scl::CWalkBrake brake;                      // what every thread's walk has counted
    bool goose = false;
    bool descFromDu = false;
    // Whether the points are kept in the IEDs' information models; otherwise only what their
    // device models are built from while the file is read (IedWalker::Records).
    bool keepPoints = true;
    // What the walk reads of a big IED, told to the reader.
    CIedReadRule readRule{lnodeTypes};

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

// An IED's device model built on the walking thread, with what filing it needs: its bytes in the
// cache file and the device made from it.
struct CSCDImport::Built {
    explicit Built(CDeviceTemplate built)
        : model(std::move(built)), streamed(EntryCount(model) >= kStreamedEntries),
          bytes(streamed ? std::string() : CacheBytes(model)),
          heldBytes(streamed ? EntryCount(model) * kBytesPerEntry : bytes.size()),
          device(CDevice::CDeviceFromTemplate(model)) {}
    // A model of this many entries is stored into the cache file when it is filed, a piece at a
    // time, rather than held as bytes beside the model until then; it weighs among the results
    // waiting to be filed as its bytes would.
    static constexpr std::size_t kStreamedEntries = 16384;
    static constexpr std::size_t kBytesPerEntry = 128;
    static std::size_t EntryCount(const CDeviceTemplate& model) {
        std::size_t entries = 0;
        for (int g = 0; g < model.m_groups.GetSize(); ++g)
            entries += static_cast<std::size_t>(model.m_groups[g].m_entries.GetSize());
        return entries;
    }
    static constexpr std::size_t kKeptArchiveRoom = std::size_t{1} << 20;
    static std::string CacheBytes(const CDeviceTemplate& model) {
        // One archive a thread, its room kept from model to model: the bytes are stored without
        // growing a buffer from empty each time, then copied out at their size.
        thread_local platform::CArchive ar;
        ar.DiscardBytes();
        model.Store(ar);
        // A big model's bytes are taken with the archive's room rather than copied beside it.
        if (ar.Bytes().capacity() > kKeptArchiveRoom)
            return ar.TakeBytes();
        return ar.Bytes();
    }
    CDeviceTemplate model;
    bool streamed;
    std::string bytes; // written to the cache file as soon as the IED is filed, then freed
    std::size_t heldBytes;
    CDevice device; // shares the model's groups
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
    std::size_t pointCount = 0; // the points read (kept in the information model or not)
    std::unique_ptr<Built> built;
    std::string written; // the cache bytes once written
};

// Walks IED after IED on one thread: the data-set members, the logical nodes and their points.
// Each IED has a budget of its own; what it used is charged to the file's in file order.
class CSCDImport::IedWalker {
public:
    explicit IedWalker(Shared& shared) : shared_(shared), budget_(shared.limits) {
        budget_.SetBrake(&shared.brake);
    }
    // keepMembers: the data-set members are handed out in result (the document keeps those of
    // the last IED).
    // order: the IED's place in the file, from 1.
    void Walk(const CtBase& ied, IedResult& result, bool keepMembers, std::uint64_t order);
    // The points of the IED walked last, when the points are not kept (Shared::keepPoints), in the
    // order they were read.
    const std::vector<ScdPointRecord>& Records() const { return records_; }
    // Once the device model is built: the records of an IED of many points are freed, not kept
    // as room for the next IED while its model is stored.
    void LetRecordsGo() {
        if (records_.capacity() > kKeptRecords)
            std::vector<ScdPointRecord>().swap(records_);
        else
            records_.clear();
    }
    bool KeepsPoints() const { return shared_.keepPoints; }

private:
    // The FCDAs of the IED (at any depth) and the logical devices of each of its access points,
    // found in one pass over the IED.
    void FindElements(const CtBase& ied);
    // The data-set members of the IED, indexed for the points' test.
    void CollectMembers(IedResult& result, bool keepMembers);
    void ReadLN();
    // Whether the leaf makes a point of the node being read (its reference in reference_).
    bool Takes(const Leaf& leaf);
    void BuildPoint(const Leaf& leaf);
    std::string DescriptionOf(const CtBase& element, std::string_view path);

    Shared& shared_;
    platform::scl::CTypeWalkBudget budget_;
    CDataSetIndex dataSet_;
    CDataSetIndex::Prefix dataSetStart_; // the start of the references of the node being read
    LnContext ln_;
    IedResult* result_ = nullptr;
    CInfoModel* model_ = nullptr;
    // The shared leaves this thread has looked up, and those the IED being walked has used.
    std::unordered_map<std::string, const TypeLeaves*> known_;
    std::unordered_set<const TypeLeaves*> used_;
    std::string key_;
    std::string member_;
    std::string rest_;           // a point's path below its DOI
    std::string reference_;      // the reference of the leaf last looked at
    CtEleList fcdas_, aps_;      // of the IED being walked
    std::vector<CtEleList> lds_; // of each access point
    std::vector<ScdPointRecord> records_;
    static constexpr std::size_t kKeptRecords = 4096;
};

} // namespace points
