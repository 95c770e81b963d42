// The SCD import's walk: the leaves of the LN types, shared by the walking threads, and the
// walker that reads an IED's logical nodes and builds their points.
#include "points/ScdImportWalk.h"

namespace points {

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
        const std::string name = da.GetAttrValByName("name");
        const std::string fc = da.GetAttrValByName("fc");
        // A node weighs the texts of the leaf it may become.
        if (!budget.CountNode(platform::scl::TextBytes({cdc, fc, topDo, doPath, name})))
            return;
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
        const std::string name = sdo.GetAttrValByName("name");
        if (!budget.CountNode(platform::scl::TextBytes({cdc, topDo, doPath, name})))
            return;
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
        const std::string path = attrPath + "$" + bda.GetAttrValByName("name");
        if (!budget.CountNode(platform::scl::TextBytes({cdc, fc, topDo, doPath, path})))
            return;
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

void CSCDImport::IedWalker::FindElements(const CtBase& ied) {
    fcdas_.clear();
    aps_.clear();
    const CtEleList children = ied.GetChildEles();
    for (const CtBase& c : children) {
        // In document order: the child, then what lies below it.
        if (c.IsNamed("FCDA"))
            fcdas_.push_back(c);
        if (c.IsNamed("AccessPoint")) {
            if (lds_.size() <= aps_.size())
                lds_.emplace_back();
            CtEleList& lds = lds_[aps_.size()];
            lds.clear();
            aps_.push_back(c);
            static constexpr std::string_view kNames[] = {"FCDA", "LDevice"};
            CtEleList* const lists[] = {&fcdas_, &lds};
            c.FindEleListsByName(kNames, lists, 2, true);
        } else {
            c.FindEleListByID(EleID::FCDA, fcdas_, true);
        }
    }
}

void CSCDImport::IedWalker::CollectMembers(IedResult& result, bool keepMembers) {
    // Data-set members: "ldInst/prefix lnClass lnInst$fc$doName$daName", dots turned into "$".
    dataSet_.Clear();
    const CtEleList& fcdas = fcdas_;
    static constexpr std::string_view kFcdaAttrs[] = {"ldInst", "prefix", "lnClass", "lnInst",
                                                      "fc",     "doName", "daName"};
    std::string_view a[std::size(kFcdaAttrs)];
    std::string texts[std::size(kFcdaAttrs)];
    if (keepMembers)
        result.members.reserve(fcdas.size());
    std::string& member = member_;
    // The data object and attribute names with their dots as "$".
    const auto appendPath = [&member](std::string_view path) {
        const std::size_t from = member.size();
        member += path;
        std::replace(member.begin() + static_cast<std::ptrdiff_t>(from), member.end(), '.', '$');
    };
    for (const CtBase& f : fcdas) {
        f.GetAttrViews(kFcdaAttrs, a, texts, std::size(kFcdaAttrs));
        member.clear();
        member += a[0];
        member += '/';
        member += a[1];
        member += a[2];
        member += a[3];
        member += '$';
        member += a[4];
        member += '$';
        appendPath(a[5]);
        member += '$';
        appendPath(a[6]);
        dataSet_.Add(member);
        if (keepMembers)
            result.members.push_back(member);
    }
}

void CSCDImport::IedWalker::Walk(const CtBase& ied, IedResult& result, bool keepMembers,
                                 std::uint64_t order) {
    result_ = &result;
    records_.clear();
    budget_.SetOrder(order);
    budget_.StartFile();
    used_.clear();
    FindElements(ied);
    CollectMembers(result, keepMembers);

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

    for (std::size_t a = 0; a < aps_.size(); ++a) {
        const std::string key = aps_[a].GetAttrValByName("name") + "+" + model_->m_strName;
        if (!shared_.goose && !shared_.accessPoints.count(key))
            continue;
        for (const CtBase& ld : lds_[a]) {
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
        // The IEDs after this one need not be walked: the file is refused for this one or one
        // before it.
        shared_.brake.Failed(order);
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
    dataSetStart_ = dataSet_.Start(ln.reference);
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
            if (!budget_.CountPoint({p->m_strLNName, p->m_strLNInst, p->m_strPrefix, p->m_strReference}))
                return;
            ++result_->pointCount;
            if (shared_.keepPoints) {
                model_->AddPoint(std::move(p));
                continue;
            }
            ScdPointRecord& record = records_.emplace_back();
            record.reference = p->m_strReference.View();
            record.SetDesc(p->m_strDesc);
            record.pointClass = p->m_nClass;
        }
    }
    // The types this thread knows are looked up by their key alone; the file's index only for
    // the first LN of a type.
    key_.assign(lnType);
    for (char& ch : key_)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    if (ln.rdre)
        key_ += '\1';
    auto known = known_.find(key_);
    if (known == known_.end()) {
        const CtBase type = FindIn(shared_.lnodeTypes, lnType);
        if (!type)
            return;
        known = known_.emplace(key_, &shared_.LeavesOf(key_, ln.rdre, type)).first;
    }
    const TypeLeaves& walked = *known->second;
    if (used_.insert(&walked).second)
        result_->types.push_back(&walked);
    if (walked.walk.Failed()) {
        budget_.FailAs(walked.walk);
        return;
    }
    // A node whose leaves could break a ceiling fails before building any of them when they would.
    if (walked.leaves.size() > budget_.PointRoom()) {
        std::uint64_t taken = 0;
        for (const Leaf& leaf : walked.leaves)
            taken += Takes(leaf) ? 1 : 0;
        if (!budget_.Reserve(taken))
            return;
    }
    for (const Leaf& leaf : walked.leaves) {
        if (!budget_.CountNode(
                platform::scl::TextBytes({leaf.cdc, leaf.fc, leaf.topDo, leaf.doPath, leaf.attrPath})))
            return;
        BuildPoint(leaf);
    }
}

bool CSCDImport::IedWalker::Takes(const Leaf& leaf) {
    std::string& reference = reference_;
    reference.clear();
    reference += ln_.reference;
    reference += leaf.fc;
    reference += '$';
    reference += leaf.doPath;
    reference += '$';
    reference += leaf.attrPath;
    return leaf.pointClass == 13 || dataSet_.Matches(dataSetStart_, reference);
}

void CSCDImport::IedWalker::BuildPoint(const Leaf& leaf) {
    const std::string_view topDo = leaf.topDo;
    const std::string_view doPath = leaf.doPath;
    const std::string_view attrPath = leaf.attrPath;
    const int pointClass = leaf.pointClass;
    if (!Takes(leaf))
        return;
    const std::string& reference = reference_;
    const LnContext& ln = ln_;
    std::string_view sdoName;
    if (doPath.size() > topDo.size())
        sdoName = doPath.substr(topDo.size() + 1);

    // The DOI of the data object, searched with the rest of the path: sub-data-objects first,
    // then the attribute path.
    std::string desc, ctlModel;
    if (const CtBase doi = ln_.Doi(topDo)) {
        std::string_view rest = attrPath;
        if (!sdoName.empty()) {
            rest_.assign(sdoName).append("$").append(attrPath);
            rest = rest_;
        }
        desc = DescriptionOf(doi, rest);
        if (pointClass == 13)
            ctlModel = ValOfDai(ln_.children, doi, "ctlModel");
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
            const std::string_view part = attrPath.substr(attrPath.size() - 10, 8);
            if (part == "cVal$mag")
                desc += "幅值";
            else if (part == "cVal$ang")
                desc += "相角";
        }
    }
    // The point, its device model's entry and the cache file hold every text of it.
    if (!budget_.CountPoint({ln.name, ln.inst, ln.lnClass, ln.prefix, topDo, sdoName, leaf.fc, leaf.cdc,
                             attrPath, ctlModel, desc, reference}))
        return;
    ++result_->pointCount;
    if (!shared_.keepPoints) {
        // Only the device model is wanted: no point nor reference record is made.
        ScdPointRecord& record = records_.emplace_back();
        record.reference = reference;
        record.cdc = leaf.cdc;
        record.ctlModel = std::move(ctlModel);
        record.SetDesc(desc);
        record.pointClass = pointClass;
        return;
    }
    auto p = std::make_unique<CSCDPoint>();
    p->m_strLNName = ln.name;
    p->m_strLNInst = ln.inst;
    p->m_strLNClass = ln.lnClass;
    p->m_strPrefix = ln.prefix;
    p->m_strDOName = topDo;
    p->m_strSDOName = sdoName;
    p->m_strFC = leaf.fc;
    p->m_strCDC = leaf.cdc;
    p->m_strDAName = attrPath;
    p->m_nClass = static_cast<std::uint8_t>(pointClass);
    p->m_strCtlModel = std::move(ctlModel);
    p->m_strDesc = std::move(desc);
    p->m_strReference = reference;
    model_->AddPoint(std::move(p));
}

std::string CSCDImport::IedWalker::DescriptionOf(const CtBase& element, std::string_view path) {
    std::string text;
    if (shared_.descFromDu)
        text = ValOfDai(ln_.children, element, "dU");
    if (!path.empty()) {
        const std::size_t cut = path.find('$');
        const std::string_view head = path.substr(0, cut);
        const std::string_view rest =
            cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        if (const CtBase sdi = ln_.children.Find(element, EleID::SDI, head)) {
            std::string inner = DescriptionOf(sdi, rest);
            if (!inner.empty())
                text = std::move(inner);
        }
    }
    if (text.empty())
        text = element.GetAttrValByName("desc");
    return text;
}

} // namespace points
