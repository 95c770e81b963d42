#include "points/VirtualPoints.h"

#include "editors/model/DevinfolistModel.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "points/ExprOperands.h"

#include "projectmodel/TextHelpers.h"
#include <algorithm>

namespace points {

using editors::CDevinfolistModel;
using platform::StrFormat;
using projectmodel::kCompositeDeviceAddress;

namespace {

const projectmodel::CInfoGroup* GroupOf(const CDeviceTemplate& model, int group) {
    return model.FindGroup(group);
}

} // namespace

std::vector<CPointRow> CVirtualPoints::Rows(int tab) {
    std::vector<CPointRow> rows;
    CDevice* device = Composite();
    if (!device || tab < 0 || tab > 6)
        return rows;
    for (projectmodel::CInfoGroup& g : device->m_model.m_groups) {
        if (g.m_nType != tab)
            continue;
        int position = 0;
        for (CInfoEntry& e : g.m_entries) {
            ++position;
            if (e.m_nEntry == 0)
                continue;
            e.m_nSeq = position;
            CPointRow row;
            row.texts = {std::to_string(rows.size() + 1),
                         e.m_strGroupName,
                         std::to_string(g.m_nGroupNo),
                         std::to_string(e.m_nEntry),
                         std::to_string(e.m_nFun),
                         std::to_string(e.m_nInf),
                         e.m_strDesc,
                         std::string()};
            row.data =
                static_cast<std::int64_t>(e.m_nEntry) + static_cast<std::int64_t>(g.m_nGroupNo) * 65536;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

const char* CVirtualPoints::GroupName(VirtualKind kind) {
    switch (kind) {
    case VirtualKind::YcComposite:
    case VirtualKind::YcFromTap:
        return "遥测";
    case VirtualKind::TapFromYx:
        return "档位";
    default:
        return "遥信";
    }
}

int CVirtualPoints::Category(VirtualKind kind) {
    switch (kind) {
    case VirtualKind::YcComposite:
    case VirtualKind::YcFromTap:
        return projectmodel::kInfoTypeYC;
    case VirtualKind::TapFromYx:
        return projectmodel::kInfoTypeYP;
    default:
        return projectmodel::kInfoTypeYX;
    }
}

std::string CVirtualPoints::ProposedName(VirtualKind kind, int group, int entry) {
    const char* head = kind == VirtualKind::YxWarning    ? "预告警信号"
                       : kind == VirtualKind::YxAccident ? "事故总信号"
                                                         : "复合信号";
    return head + StrFormat("(%d-%d-%d)", kCompositeDeviceAddress, group, entry);
}

bool CVirtualPoints::Propose(VirtualKind kind, CVirtualPointEdit& edit) {
    CDevice* device = Composite();
    if (!device)
        return false;
    int group = m_doc.GetGroupNo(&device->m_model, GroupName(kind), Category(kind));
    int entry = m_doc.GetEntryNo(&device->m_model, group);
    if (kind == VirtualKind::YxWarning || kind == VirtualKind::YxAccident) {
        group = kReservedGroupNo;
        entry = kind == VirtualKind::YxWarning ? 1 : 2;
    }
    edit = CVirtualPointEdit();
    edit.group = group;
    edit.entry = entry;
    edit.name = ProposedName(kind, group, entry);
    return true;
}

bool CVirtualPoints::KindOfVyx(int vyx, VirtualKind& kind) {
    switch (vyx) {
    case 0:
        kind = VirtualKind::YxAccident;
        return true;
    case 1:
        kind = VirtualKind::YxWarning;
        return true;
    case 2:
        kind = VirtualKind::YxComposite;
        return true;
    default:
        platform::MessageBox(
            "程序错误：未定义的虚遥信转换！\n错误位置：void CConfigGINVirView::AddVyx(int nType)");
        return false;
    }
}

namespace {

CInfoEntry EntryOf(VirtualKind kind, const CVirtualPointEdit& edit) {
    CInfoEntry e;
    e.m_strGroupName = CVirtualPoints::GroupName(kind);
    e.m_nGroup = edit.group;
    e.m_nEntry = edit.entry;
    e.m_nSeq = edit.entry;
    e.m_strDesc = projectmodel::ConfigLineSafeText(edit.name, projectmodel::ConfigTextKind::EntryText);
    e.m_expr = edit.expr.value_or(projectmodel::CExpression());
    return e;
}

// Group 10 holds only the warning (entry 1) and the accident signal (entry 2): an ordinary
// composite telesignal filed there would later be replaced by one of them.
bool CheckKindKey(VirtualKind kind, const CVirtualPointEdit& edit) {
    if (kind != VirtualKind::YxComposite || edit.group != kReservedGroupNo)
        return true;
    platform::MessageBox(kReservedGroupText, {}, platform::Icon::Warning);
    return false;
}

} // namespace

int CVirtualPoints::StoreNew(VirtualKind kind, const CVirtualPointEdit& edit) {
    if (!edit.expr || !CheckCompositePointKey(&m_doc, Category(kind), edit.group, edit.entry) ||
        !CheckKindKey(kind, edit))
        return 0;
    return m_doc.SetCompositeExpression(edit.group, Category(kind), EntryOf(kind, edit));
}

int CVirtualPoints::StoreChanged(VirtualKind kind, int oldGroup, int oldEntry,
                                 const CVirtualPointEdit& edit) {
    if (!edit.expr || !CheckCompositePointKey(&m_doc, Category(kind), edit.group, edit.entry) ||
        !CheckKindKey(kind, edit))
        return 0;
    CDevice* device = Composite();
    CInfoEntry* stored = device ? device->m_model.FindEntry(oldGroup, oldEntry) : nullptr;
    if (!stored)
        return 0;
    // The dialog edits the key, the name and the expression; the point's other settings (its
    // equipment link, its position signal, its rules) stay as they were.
    const CInfoEntry edited = EntryOf(kind, edit);
    CInfoEntry entry = *stored;
    entry.m_strGroupName = edited.m_strGroupName;
    entry.m_nGroup = edited.m_nGroup;
    entry.m_nEntry = edited.m_nEntry;
    entry.m_nSeq = edited.m_nSeq;
    entry.m_strDesc = edited.m_strDesc;
    entry.m_expr = edited.m_expr;
    if (edit.group == oldGroup && edit.entry == oldEntry) {
        *stored = entry;
        return 1;
    }
    if (!m_doc.SetCompositeExpression(edit.group, Category(kind), entry))
        return 0;
    m_doc.DeleteCompositeExpression(oldGroup, oldEntry);
    // What named the point under its old key names it under the new one.
    CDevinfolistModel::RefreshCarry(m_doc,
                                    CDevinfolistModel::VisitPointRefs(m_doc, [&](int& a, int& g, int& e) {
                                        if (a == kCompositeDeviceAddress && g == oldGroup && e == oldEntry) {
                                            g = edit.group;
                                            e = edit.entry;
                                        }
                                        return true;
                                    }));
    return 1;
}

bool CVirtualPoints::EditOf(int group, int entry, CVirtualPointEdit& edit) const {
    CDevice* device = Composite();
    const CInfoEntry* e = device ? device->m_model.FindEntry(group, entry) : nullptr;
    if (!e)
        return false;
    edit = CVirtualPointEdit();
    edit.group = group;
    edit.entry = entry;
    edit.name = e->m_strDesc;
    edit.expr = e->m_expr;
    return true;
}

bool CVirtualPoints::Delete(const std::vector<std::pair<int, int>>& keys) {
    CDevice* device = Composite();
    if (!device)
        return false;
    std::vector<std::pair<int, int>> present;
    int references = 0;
    for (const auto& [group, entry] : keys) {
        if (!device->m_model.FindEntry(group, entry))
            continue;
        present.emplace_back(group, entry);
        references += CDevinfolistModel::CountPointRefs(m_doc, kCompositeDeviceAddress, group, entry);
    }
    if (present.empty() || !CDevinfolistModel::ConfirmReferenceRemoval(references))
        return false;
    CDevinfolistModel::CompositeKeys complete = CDevinfolistModel::CompleteComposites(m_doc);
    // The deleted ones are not named again as left short.
    std::erase_if(complete, [&present](const std::pair<int, int>& key) {
        return std::find(present.begin(), present.end(), key) != present.end();
    });
    CDevinfolistModel::CCarry carry;
    for (const auto& [group, entry] : present) {
        m_doc.DeleteCompositeExpression(group, entry);
        CDevinfolistModel::Join(
            carry, CDevinfolistModel::CarryEntryRemoval(m_doc, kCompositeDeviceAddress, group, entry,
                                                        CDevinfolistModel::LaterEntries::Kept));
    }
    CDevinfolistModel::RefreshCarry(m_doc, carry);
    CDevinfolistModel::DeleteShortComposites(m_doc, complete, "删除信息");
    return true;
}

VirtualEditor CVirtualPoints::EditorFor(const std::string& groupName, int group, int entry) const {
    CDevice* device = Composite();
    const CInfoEntry* e = device ? device->m_model.FindEntry(group, entry) : nullptr;
    if (!e)
        return VirtualEditor::None;
    const int op = e->m_expr.m_nOperator;
    if (groupName == "遥测")
        return op == 25 ? VirtualEditor::YBToYC : VirtualEditor::YCExpr;
    if (groupName == "遥信") {
        if (op >= 15 && op <= 22)
            return VirtualEditor::YBToYXEJZ;
        if (op == 24)
            return VirtualEditor::YBToYX;
        if (op == 26)
            return VirtualEditor::YBToYXBCD;
        return VirtualEditor::YXExpr;
    }
    if (groupName == "档位")
        return VirtualEditor::YXToYB;
    return VirtualEditor::None;
}

VirtualKind CVirtualPoints::KindOfEditor(VirtualEditor editor) {
    switch (editor) {
    case VirtualEditor::YBToYC:
        return VirtualKind::YcFromTap;
    case VirtualEditor::YCExpr:
        return VirtualKind::YcComposite;
    case VirtualEditor::YXToYB:
        return VirtualKind::TapFromYx;
    default:
        return VirtualKind::YxComposite;
    }
}

bool CVirtualPoints::CanPaste(int tab) const {
    if (m_copied < 0 || (tab != 0 && tab != 1))
        return false;
    const int group = static_cast<int>(m_copied / 65536);
    const int entry = static_cast<int>(m_copied % 65536);
    CDevice* device = Composite();
    if (!device || !device->m_model.FindEntry(group, entry))
        return false;
    if (tab == 1 && group == kReservedGroupNo)
        return false;
    // A point pasted with the other tab's command would land in a group of the other kind.
    const projectmodel::CInfoGroup* g = GroupOf(device->m_model, group);
    return g && g->m_nType == tab;
}

int CVirtualPoints::Paste(int tab) {
    if (!CanPaste(tab))
        return 0;
    const int group = static_cast<int>(m_copied / 65536);
    const int entry = static_cast<int>(m_copied % 65536);
    CDevice* device = Composite();
    const CInfoEntry* source = device->m_model.FindEntry(group, entry);
    const VirtualKind kind = tab == 0 ? VirtualKind::YcComposite : VirtualKind::YxComposite;
    CVirtualPointEdit edit;
    edit.group = group;
    edit.entry = m_doc.GetEntryNo(&device->m_model, group);
    edit.name = StrFormat("复合信号(%d-%d-%d)", kCompositeDeviceAddress, group, edit.entry);
    edit.expr = source->m_expr;
    return StoreNew(kind, edit);
}

} // namespace points
