// The message dispatcher's handlers of the devices' IEC 60870-5-103 answers relayed by the unit,
// and the steps that read a device's settings structure.
#include "monitor/core/MessageDispatcher.h"

#include "monitor/core/DevTime.h"
#include "monitor/core/DispatcherReader.h"
#include "monitor/core/MonitorWindows.h"

#include "platform/Prompt.h"
#include "unitlink/RequestBodies.h"

namespace marindle {

using namespace dispatch;

struct CMessageDispatcher::AsduContext {
    CDeviceRecord& d;
    const Reader& r;
    std::uint8_t inf;
    ITelecontrolWindow* tele;
    ISettingsWindow* settings;
    bool telecontrol; // a telecontrol of the device waits (else a settings download)
};

void CMessageDispatcher::OnAsduFrame(const std::uint8_t* body, std::size_t length, std::uint16_t source,
                                     std::string& caption) {
    const Reader r(body, length);
    if (r.Size() == 0)
        return;
    CDeviceRecord* d = model_.FindDevice(source);
    if (!d || !r.Has(0, 8))
        return;
    if (r.U8(0) != 10 || r.U8(1) != 0x81 || r.U8(4) != 254)
        return;
    const AsduContext a{
        *d, r, r.U8(5), windows_.FindTelecontrol(d->key), windows_.FindSettings(d->key), d->writeState == 1};
    switch (const std::uint8_t cot = r.U8(2)) {
    case 1:
        OnSpontaneousValues(a, caption);
        break;
    case 9:
        OnInterrogationValues(a, caption);
        break;
    case 40:
    case 41:
    case 44:
        OnWriteReply(a, cot, caption);
        break;
    case 42:
        if (a.inf == 240)
            OnGroupTitles(a, caption);
        else if (a.inf == 241)
            OnGenericRead(*d, r, caption);
        break;
    case 43:
        OnReadRefused(a, caption);
        break;
    default:
        break;
    }
}

void CMessageDispatcher::OnSpontaneousValues(const AsduContext& a, std::string& caption) {
    if (a.inf != 244)
        return;
    caption = "遥信事件";
    const Reader& r = a.r;
    r.ForEachAsduItem(
        caption, [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            const std::uint16_t gin = r.U16(off);
            const std::string text = FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3);
            if (CEntryRecord* e = a.d.FindEntry(gin))
                e->actualValue = text;
            std::uint16_t ms = 0;
            const std::time_t t = EventTimeOfValue(gdd.type, value, r.Left(off + 6), &ms);
            if (IWarnView* v = windows_.WarnView())
                v->AddEvent(0, t, ms, a.d.name, a.d.address, DescriptionOf(&a.d, gin), text);
            if (a.tele)
                a.tele->OneValueArrived(gin, text);
            return true;
        });
}

void CMessageDispatcher::OnInterrogationValues(const AsduContext& a, std::string& caption) {
    if (a.inf != 245)
        return;
    caption = "总查询返回";
    const Reader& r = a.r;
    r.ForEachAsduItem(
        caption, [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            if (CEntryRecord* e = a.d.FindEntry(r.U16(off))) {
                e->dataType = gdd.type;
                e->dataSize = gdd.size;
                e->number = gdd.number;
                if (!e->editFlag)
                    e->actualValue = FormatGenericValue(gdd.type, gdd.size, gdd.number, value, vlen, 3);
            }
            return true;
        });
    if (a.tele)
        a.tele->GroupValuesArrived();
}

// 40 positive, 41 negative write answers, 44 the confirmation of a first write step: to the
// waiting telecontrol, else to the settings download.
void CMessageDispatcher::OnWriteReply(const AsduContext& a, std::uint8_t cot, std::string& caption) {
    const std::uint8_t inf = a.inf;
    if (cot == 40) {
        if (inf != 250 && inf != 251)
            return;
        caption = inf == 250 ? "执行写肯定" : "撤销写肯定";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(inf == 250 ? 1 : 2, 1);
        } else if (inf == 250 && a.settings) {
            a.settings->WriteAck(0, 1);
        }
    } else if (cot == 41) {
        if (inf != 249 && inf != 250 && inf != 251)
            return;
        caption = inf == 249 ? "确认写否定" : inf == 250 ? "执行写否定" : "撤销写否定";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(inf - 249, 0);
        } else if (a.settings && inf != 251) {
            a.settings->WriteAck(inf == 249 ? 1 : 0, 0);
        }
    } else {
        if (inf != 249)
            return;
        caption = "写确认";
        if (a.telecontrol) {
            if (a.tele)
                a.tele->TelecontrolAck(0, 1);
        } else if (a.settings) {
            a.settings->WriteAck(1, 1);
        }
    }
}

void CMessageDispatcher::OnGroupTitles(const AsduContext& a, std::string& caption) {
    caption = "组标题";
    const Reader& r = a.r;
    const bool all = r.ForEachAsduItem(
        caption,
        [&](std::size_t off, const Gdd& gdd, const std::uint8_t*, std::size_t) {
            if (CGroupRecord* g = a.d.AddGroup(KeyGroup(r.U16(off)))) {
                g->title = r.Text(off + 6, static_cast<std::size_t>(gdd.size) * gdd.number);
                g->kind = GroupKindFromTitle(g->title);
            }
            return true;
        },
        10);
    if (all && !(r.U8(7) & 0x80))
        DescriptionsStep(a.d);
}

// The device has no dimensions or ranges for the group asked: it counts as read.
void CMessageDispatcher::OnReadRefused(const AsduContext& a, std::string& caption) {
    CDeviceRecord& d = a.d;
    if (a.inf != 241 || (d.readState != CDeviceRecord::kDimensions && d.readState != CDeviceRecord::kRanges))
        return;
    const bool dims = d.readState == CDeviceRecord::kDimensions;
    caption = dims ? "量纲无效" : "量程无效";
    if (a.r.Has(8, 2))
        if (CGroupRecord* g = d.FindGroup(KeyGroup(a.r.U16(8))))
            (dims ? g->hasDimensions : g->hasRanges) = 1;
}

namespace {
// The caption and the kind of description of the answer a read step waits for; false when no
// read waits.
bool ReadStepKind(int readState, std::string& caption, std::uint8_t& kod) {
    switch (readState) {
    case CDeviceRecord::kDescriptions:
        caption = "描述";
        kod = 10;
        return true;
    case CDeviceRecord::kDimensions:
        caption = "量纲";
        kod = 9;
        return true;
    case CDeviceRecord::kPrecision:
        caption = "精度";
        kod = 5;
        return true;
    case CDeviceRecord::kRanges:
        caption = "量程";
        kod = 3;
        return true;
    case CDeviceRecord::kValues:
        caption = "实际值";
        kod = 1;
        return true;
    default:
        return false;
    }
}
} // namespace

void CMessageDispatcher::OnGenericRead(CDeviceRecord& d, const Reader& r, std::string& caption) {
    std::uint8_t kod = 0;
    if (!ReadStepKind(d.readState, caption, kod))
        return;
    const bool more = (r.U8(7) & 0x80) != 0;
    int lastGroup = d.askedGroup;
    const bool all = r.ForEachAsduItem(
        caption,
        [&](std::size_t off, const Gdd& gdd, const std::uint8_t* value, std::size_t vlen) {
            StoreReadItem(d, r.U16(off), value, vlen, gdd.type, gdd.size, gdd.number, lastGroup);
            return true;
        },
        kod);
    if (all && !more)
        FinishRead(d, lastGroup);
}

void CMessageDispatcher::StoreReadItem(CDeviceRecord& d, std::uint16_t gin, const std::uint8_t* value,
                                       std::size_t vlen, std::uint8_t type, std::uint8_t size,
                                       std::uint8_t number, int& lastGroup) {
    CGroupRecord* g = d.FindGroup(KeyGroup(gin));
    const bool entryNo = KeyEntry(gin) != 0;
    CEntryRecord* e = g && entryNo ? g->FindEntry(gin) : nullptr;
    auto whole = [&](int decimals) { return FormatGenericValue(type, size, number, value, vlen, decimals); };
    // One element of the value, formatted on its own.
    auto element = [&](std::size_t k) {
        const std::size_t at = k * size;
        return at + size <= vlen ? FormatGenericValue(type, size, 1, value + at, size, 3) : std::string();
    };
    switch (d.readState) {
    case CDeviceRecord::kDescriptions:
        if (!g)
            break;
        g->hasDescriptions = 1;
        if (entryNo && !e)
            if (CEntryRecord* n = g->AddEntry(gin)) {
                n->address = d.address;
                n->description = whole(3);
            }
        break;
    case CDeviceRecord::kDimensions:
        if (g)
            g->hasDimensions = 1;
        if (e)
            e->dimension = whole(3);
        break;
    case CDeviceRecord::kPrecision:
        if (g)
            g->hasPrecision = 1;
        if (e) {
            e->precision1 = element(0);
            e->precision2 = element(1);
        }
        break;
    case CDeviceRecord::kRanges:
        if (g)
            g->hasRanges = 1;
        if (e) {
            e->rangeMin = element(0);
            e->rangeMax = element(1);
            e->rangeStep = element(2);
        }
        break;
    case CDeviceRecord::kValues:
        if (CEntryRecord* v = d.FindEntry(gin)) {
            v->dataType = type;
            v->dataSize = size;
            v->number = number;
            if (!v->editFlag)
                v->actualValue = whole(v->precision2.empty() ? 3 : platform::AtoI(v->precision2));
        }
        lastGroup = KeyGroup(gin);
        break;
    default:
        break;
    }
}

void CMessageDispatcher::FinishRead(CDeviceRecord& d, int lastGroup) {
    // The group asked for counts as read even when the answer named no entry of it, so that an
    // empty group does not make the same request go out for ever.
    CGroupRecord* asked = d.askedGroup >= 0 ? d.FindGroup(static_cast<std::uint8_t>(d.askedGroup)) : nullptr;
    switch (d.readState) {
    case CDeviceRecord::kDescriptions:
        if (asked)
            asked->hasDescriptions = 1;
        DescriptionsStep(d);
        break;
    case CDeviceRecord::kDimensions:
        if (asked)
            asked->hasDimensions = 1;
        DimensionsStep(d);
        break;
    case CDeviceRecord::kPrecision:
        if (asked)
            asked->hasPrecision = 1;
        PrecisionStep(d);
        break;
    case CDeviceRecord::kRanges:
        if (asked)
            asked->hasRanges = 1;
        RangesStep(d);
        break;
    case CDeviceRecord::kValues:
        if (ISettingsWindow* w = windows_.FindSettings(d.key))
            w->GroupValuesArrived(static_cast<std::uint8_t>(lastGroup < 0 ? 0 : lastGroup));
        d.readState = CDeviceRecord::kIdle;
        break;
    default:
        break;
    }
}

void CMessageDispatcher::DescriptionsStep(CDeviceRecord& d) {
    if (d.structureComplete)
        return;
    for (const auto& g : d.Groups())
        if (!g->hasDescriptions) {
            link_.RequestGroupRead(d, g->number, 10, CDeviceRecord::kDescriptions);
            return;
        }
    d.structureComplete = 1;
    d.readState = CDeviceRecord::kIdle;
    DimensionsStep(d);
}

namespace {
// The groups whose dimensions, precision and ranges are read: setting-type and statistics groups.
bool HasUnits(const CGroupRecord& g) {
    return g.kind == 2 || g.kind == 3;
}

// Asks for the first group with units that lacks the given part; false when none lacks it.
bool RequestMissingUnits(CDeviceLink& link, CDeviceRecord& d, int CGroupRecord::*has, std::uint8_t kod,
                         int readState) {
    for (const auto& g : d.Groups())
        if (HasUnits(*g) && !((*g).*has)) {
            link.RequestGroupRead(d, g->number, kod, readState);
            return true;
        }
    return false;
}
} // namespace

void CMessageDispatcher::DimensionsStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasDimensions, 9, CDeviceRecord::kDimensions))
        return;
    PrecisionStep(d);
}

void CMessageDispatcher::PrecisionStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasPrecision, 5, CDeviceRecord::kPrecision))
        return;
    RangesStep(d);
}

void CMessageDispatcher::RangesStep(CDeviceRecord& d) {
    if (!d.structureComplete ||
        RequestMissingUnits(link_, d, &CGroupRecord::hasRanges, 3, CDeviceRecord::kRanges))
        return;
    d.readState = CDeviceRecord::kIdle;
    d.askedGroup = -1;
}

int CMessageDispatcher::ReinitialiseDevice(CDeviceRecord& d) {
    if (!d.communicating) {
        platform::MessageBox(text::kDeviceNotConnected);
        return 0;
    }
    d.ClearGroups();
    d.structureComplete = 0;
    d.readState = CDeviceRecord::kIdle;
    d.askedGroup = -1;
    return link_.RequestGroupTitles(d);
}

int CMessageDispatcher::RestartReading(CDeviceRecord& d) {
    if (d.structureComplete)
        return 0;
    return link_.RequestGroupTitles(d);
}

int CMessageDispatcher::SignalReset(CDeviceRecord& d) {
    if (!d.communicating) {
        platform::MessageBox(text::kDeviceNotConnected);
        return 0;
    }
    return link_.SendSignalReset(d);
}

} // namespace marindle
