#pragma once
// The owning list shared by the user list and the group list: records are held in list order,
// removing one through the list deletes it, and both lists take new ids the same way.
#include "platform/Archive.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

template <class T> class CInfoList {
public:
    using Items = std::list<std::unique_ptr<T>>;

    CInfoList() = default;
    CInfoList(const CInfoList&) = delete;
    CInfoList& operator=(const CInfoList&) = delete;
    virtual ~CInfoList() { ClearAll(); }

    const Items& GetItems() const { return items_; }
    std::size_t GetCount() const { return items_.size(); }
    bool IsEmpty() const { return items_.empty(); }

    // Appends a record the list then owns; returns it.
    T* AddTail(std::unique_ptr<T> rec) {
        items_.push_back(std::move(rec));
        return items_.back().get();
    }

    // Removes the record from the list and deletes it; false when it is not in the list.
    bool RemoveAndDelete(const T* rec) {
        for (auto it = items_.begin(); it != items_.end(); ++it) {
            if (it->get() == rec) {
                items_.erase(it);
                return true;
            }
        }
        return false;
    }

    // The largest id (unsigned) plus 1; 1 for an empty list.
    std::uint32_t GetNextId() const {
        std::uint32_t maxId = 0;
        for (const auto& rec : items_)
            if (rec->m_dwId > maxId)
                maxId = rec->m_dwId;
        return maxId + 1;
    }

    // Deletes the head record until the list is empty.
    void ClearAll() {
        while (!items_.empty())
            items_.pop_front();
    }

    // Stores the count and every record with its object tag, or loads them and appends them.
    // Loading throws platform::CArchiveException on a record of another class, a null or
    // unknown tag, a schema other than 0 or a record that fails its own checks.
    void Serialize(platform::CArchive& ar) {
        if (ar.IsStoring()) {
            ar.WriteCount(static_cast<std::uint32_t>(items_.size()));
            for (const auto& rec : items_) {
                ar.WriteObjectTag(T::kClassName, 0);
                rec->Serialize(ar);
            }
            return;
        }
        std::uint32_t n = ar.ReadCount();
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint16_t schema = 0;
            std::string cls = ar.ReadObjectTag(&schema);
            if (cls != T::kClassName)
                throw platform::CArchiveException("unexpected record class '" + cls + "'");
            if (schema != 0)
                throw platform::CArchiveException("unknown record schema");
            auto rec = std::make_unique<T>();
            rec->Serialize(ar);
            items_.push_back(std::move(rec));
        }
    }

protected:
    Items items_;
};
