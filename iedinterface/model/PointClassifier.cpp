#include "iedinterface/model/PointClassifier.h"

#include "iedinterface/model/FieldText.h"
#include "iedinterface/model/IcdInterfaceApp.h"
#include "iedinterface/model/PointTyping.h"
#include "platform/Prompt.h"
#include "platform/Text.h"

#include <algorithm>
#include <unordered_map>

namespace iedinterface {

namespace {

int ShownCount(const CSCDPointRefList& list, const std::string& category) {
    return int(std::count_if(list.begin(), list.end(), [&](const CSCDPointRef& r) {
        return platform::EqualsNoCase(r.CategoryName, category);
    }));
}

} // namespace

CCidPointList& CPointClassifier::Points(int source) {
    return source == SourceDataSet ? app_.DataSetPoints : app_.OtherPoints;
}

std::vector<CConfigRow> CPointClassifier::ConfigRows(int categoryIndex) {
    std::vector<CConfigRow> rows;
    std::string name;
    const int code = GetPointCategory(categoryIndex, name);
    CSCDPointRefList* list = app_.CategoryList(code);
    if (!list)
        return rows;
    for (CSCDPointRef& rec : *list) {
        if (!platform::EqualsNoCase(rec.CategoryName, name))
            continue;
        if (code == CODE_YT && rec.TapChgDir.empty())
            rec.TapChgDir = "UPDOWN";
        rows.push_back({rec.Reference, rec.Description, rec.Cdc, rec.CtlModel, rec.TapChgDir, rec.CopyIndex});
    }
    return rows;
}

std::vector<CPointRow> CPointClassifier::PointRows(int source, int pointClass) const {
    std::vector<CPointRow> rows;
    for (const CCidPoint& p : const_cast<CPointClassifier*>(this)->Points(source))
        if (!p.Configured && p.Class == pointClass)
            rows.push_back({p.Reference, p.Description, p.Cdc, p.Fc, p.CtlModel});
    return rows;
}

namespace {

// One box for the points refused for one reason: the point itself, or the first and the count.
void TellRefused(const std::vector<const std::string*>& refused, const char* one, const char* many) {
    if (refused.empty())
        return;
    const std::string text = refused.size() == 1 ? platform::StrFormat(one, refused.front()->c_str())
                                                 : platform::StrFormat(many, refused.front()->c_str(),
                                                                       static_cast<int>(refused.size()));
    platform::MessageBox(text, "错误", platform::Icon::Error);
}

} // namespace

std::vector<std::string> CPointClassifier::AddPoints(int source, int categoryIndex,
                                                     const std::vector<std::string>& references) {
    std::vector<std::string> added;
    std::string name;
    const int code = GetPointCategory(categoryIndex, name);
    CSCDPointRefList* list = app_.CategoryList(code);
    if (!list)
        return added;
    const int bit = CategoryBit(categoryIndex);
    CCidPointList& points = Points(source);
    int shown = ShownCount(*list, name);
    // The points refused, told in one box for each reason however many were selected.
    std::vector<const std::string*> configured, wrongClass;
    for (const std::string& reference : references) {
        CCidPoint* point = points.Find(reference);
        if (!point)
            continue;
        if (point->Configured) {
            configured.push_back(&reference);
            continue;
        }
        if (CategoryMaskForClass(point->Class, bit) == 0) {
            wrongClass.push_back(&reference);
            continue;
        }
        point->Configured = 1;
        CSCDPointRef rec;
        rec.Reference = point->Reference;
        rec.Cdc = point->Cdc;
        rec.CtlModel = point->CtlModel;
        rec.Attributes = BuildFcdaAttributes(rec.Reference, rec.Cdc, rec.CtlModel) + point->ExtraAttributes;
        rec.TapChgDir = code == CODE_YT ? "UPDOWN" : "";
        rec.Code = static_cast<std::int16_t>(code);
        rec.CategoryName = name;
        rec.Description = !point->Description.empty() ? point->Description
                                                      : platform::StrFormat("%s%i", name.c_str(), shown);
        rec.Field5 = point->Field5;
        rec.Field6 = point->Field6;
        rec.OnText = point->OnText;
        rec.OffText = point->OffText;
        rec.Source = static_cast<std::int16_t>(source);
        rec.CopyIndex = -1;
        list->push_back(std::move(rec));
        ++shown;
        added.push_back(reference);
    }
    TellRefused(configured, "测点：%s 已经被添加到组态类型中！",
                "测点：%s等%d个测点已经被添加到组态类型中！");
    TellRefused(wrongClass, "测点：%s，类型不对应，不能添加！", "测点：%s等%d个测点类型不对应，不能添加！");
    return added;
}

void CPointClassifier::RemoveRows(int categoryIndex, const std::vector<std::string>& references) {
    std::string name;
    const int code = GetPointCategory(categoryIndex, name);
    CSCDPointRefList* list = app_.CategoryList(code);
    if (!list)
        return;
    // One pass over the list for all rows: every selected reference loses its record (on 遥调 all
    // of its records), and remembers where the point came from and the description it had.
    struct Removal {
        int source = SourceDataSet;
        std::string description;
        bool original = false;
        bool removed = false;
    };
    std::unordered_map<std::string, Removal> removals;
    for (const std::string& reference : references)
        removals.emplace(platform::ToLowerAscii(reference), Removal{});
    std::erase_if(*list, [&](const CSCDPointRef& rec) {
        auto it = removals.find(platform::ToLowerAscii(rec.Reference));
        if (it == removals.end() || (code != CODE_YT && it->second.removed))
            return false;
        if (rec.CopyIndex == -1) {
            it->second.source = rec.Source;
            it->second.description = rec.Description;
            it->second.original = true;
        }
        it->second.removed = true;
        return true;
    });
    if (code == CODE_YT)
        std::erase_if(copyBuffer_,
                      [&](const std::string& r) { return removals.count(platform::ToLowerAscii(r)) > 0; });
    for (const std::string& reference : references) {
        const Removal& removal = removals[platform::ToLowerAscii(reference)];
        if (CCidPoint* point = Points(removal.source).Find(reference)) {
            point->Configured = 0;
            if (removal.original && point->Description != removal.description)
                point->Description = removal.description;
        }
    }
}

bool CPointClassifier::CommitDescription(int categoryIndex, const std::string& reference, int copyIndex,
                                         const std::string& text) {
    std::string name;
    const int code = GetPointCategory(categoryIndex, name);
    CSCDPointRefList* list = app_.CategoryList(code);
    if (!list)
        return false;
    // The text is shown as the device-model file will carry it.
    const std::string trimmed = CleanFieldText(text);
    bool changed = false;
    for (CSCDPointRef& rec : *list) {
        if (!platform::EqualsNoCase(rec.Reference, reference))
            continue;
        if (code == CODE_YT && rec.CopyIndex != copyIndex)
            continue;
        if (rec.Description != trimmed) {
            rec.Description = trimmed;
            changed = true;
        }
    }
    return changed;
}

bool CPointClassifier::CommitDirection(int categoryIndex, const std::string& reference, int copyIndex,
                                       const std::string& direction) {
    std::string name;
    CSCDPointRefList* list = app_.CategoryList(GetPointCategory(categoryIndex, name));
    if (!list)
        return false;
    for (CSCDPointRef& rec : *list)
        if (platform::EqualsNoCase(rec.Reference, reference) && rec.CopyIndex == copyIndex) {
            if (rec.TapChgDir == direction)
                return false;
            rec.TapChgDir = direction;
            return true;
        }
    return false;
}

void CPointClassifier::Copy(const std::vector<std::string>& references) {
    copyBuffer_ = references;
}

int CPointClassifier::Paste() {
    CSCDPointRefList& list = *app_.CategoryList(CODE_YT);
    int pasted = 0;
    for (const std::string& reference : copyBuffer_) {
        const CSCDPointRef* first = nullptr;
        int count = 0;
        for (const CSCDPointRef& rec : list)
            if (platform::EqualsNoCase(rec.Reference, reference)) {
                if (!first)
                    first = &rec;
                ++count;
            }
        if (!first)
            continue;
        CSCDPointRef copy = *first;
        copy.CopyIndex = count;
        list.push_back(std::move(copy));
        ++pasted;
    }
    return pasted;
}

int CPointClassifier::AlignClassTab(int classTab, int categoryIndex) {
    const int bit = CategoryBit(categoryIndex);
    if (CategoryMaskForClass(kClassFirst + classTab, bit))
        return classTab;
    for (int tab = 0; tab < kClassCount; ++tab)
        if (tab != classTab && CategoryMaskForClass(kClassFirst + tab, bit))
            return tab;
    return classTab;
}

int CPointClassifier::AlignCategoryTab(int categoryIndex, int classTab) {
    const int pointClass = kClassFirst + classTab;
    if (CategoryMaskForClass(pointClass, CategoryBit(categoryIndex)))
        return categoryIndex;
    for (int index = 0; index < kCategoryCount; ++index)
        if (index != categoryIndex && CategoryMaskForClass(pointClass, CategoryBit(index)))
            return index;
    return categoryIndex;
}

} // namespace iedinterface
