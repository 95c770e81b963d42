#pragma once
// The record containers of the project model: a vector of value records with the few index
// operations the model and its views use. Elements are held by value and copied with the array.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace projectmodel {

using CStringArray = std::vector<std::string>;
using CStringList = std::vector<std::string>;
using CIntArray = std::vector<int>;

template <class T> class CRecordArray {
public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return items_.empty(); }
    bool IsValidIndex(int i) const { return i >= 0 && i < GetSize(); }

    // Resizes; new elements are default records, dropped ones are destroyed. The growth step of
    // the class library's arrays has no meaning for a vector and is accepted only for callers.
    void SetSize(int newSize, int growBy = -1) {
        (void)growBy;
        items_.resize(newSize < 0 ? 0 : static_cast<std::size_t>(newSize));
    }
    void RemoveAll() { items_.clear(); }
    void Reserve(int n) { items_.reserve(n < 0 ? 0 : static_cast<std::size_t>(n)); }

    // An index outside the array throws std::out_of_range instead of reaching other memory.
    T& operator[](int i) { return items_[Checked(i)]; }
    const T& operator[](int i) const { return items_[Checked(i)]; }
    T& GetAt(int i) { return (*this)[i]; }
    const T& GetAt(int i) const { return (*this)[i]; }
    // Null when the index is outside the array.
    T* GetPtr(int i) { return IsValidIndex(i) ? &items_[static_cast<std::size_t>(i)] : nullptr; }
    const T* GetPtr(int i) const { return IsValidIndex(i) ? &items_[static_cast<std::size_t>(i)] : nullptr; }
    void SetAt(int i, const T& v) { (*this)[i] = v; }

    int Add(const T& v) {
        items_.push_back(v);
        return GetSize() - 1;
    }
    int Add(T&& v) {
        items_.push_back(std::move(v));
        return GetSize() - 1;
    }
    // Inserts before index i; an index past the end grows the array with default records first.
    void InsertAt(int i, const T& v) {
        if (i < 0)
            i = 0;
        if (i > GetSize())
            SetSize(i);
        items_.insert(items_.begin() + i, v);
    }
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count <= 0 || i >= GetSize())
            return;
        int last = std::min(GetSize(), i + count);
        items_.erase(items_.begin() + i, items_.begin() + last);
    }

    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

    std::vector<T>& Items() { return items_; }
    const std::vector<T>& Items() const { return items_; }

    bool operator==(const CRecordArray&) const = default;

protected:
    std::vector<T> items_;

private:
    std::size_t Checked(int i) const {
        if (!IsValidIndex(i))
            throw std::out_of_range("record index " + std::to_string(i) + " outside " +
                                    std::to_string(GetSize()));
        return static_cast<std::size_t>(i);
    }
};

// The same operations over records that copies of one device model may share: the device table's
// copy of each model an SCD import builds holds the very groups the library's model holds, so a
// station of hundreds of thousands of points keeps them once. An array is copied whole, as a
// CRecordArray is, unless it was offered for sharing (AllowSharing): the next copy then takes the
// same records, and the offer ends. Whichever holder is changed first (any non-const access) takes
// a copy of its own before the change, so a change never reaches the other holder; a non-const
// access also ends the offer, so that a record reached for writing is never shared afterwards.
template <class T> class CSharedRecordArray {
public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    CSharedRecordArray() = default;
    CSharedRecordArray(const CSharedRecordArray& other)
        : items_(other.shareable_ || !other.items_ ? other.items_
                                                   : std::make_shared<std::vector<T>>(*other.items_)) {
        other.shareable_ = false;
    }
    CSharedRecordArray(CSharedRecordArray&& other) noexcept
        : items_(std::move(other.items_)), shareable_(other.shareable_) {
        other.shareable_ = false;
    }
    CSharedRecordArray& operator=(const CSharedRecordArray& other) {
        if (this != &other)
            *this = CSharedRecordArray(other);
        return *this;
    }
    CSharedRecordArray& operator=(CSharedRecordArray&& other) noexcept {
        if (this != &other) {
            items_ = std::move(other.items_);
            shareable_ = other.shareable_;
            other.shareable_ = false;
        }
        return *this;
    }

    // The next copy of this array shares its records (until either is changed). Changes nothing
    // that a reader sees.
    void AllowSharing() const { shareable_ = true; }
    // True when both arrays hold the very same records.
    bool SharesWith(const CSharedRecordArray& other) const { return items_ && items_ == other.items_; }

    int GetSize() const { return static_cast<int>(Read().size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return Read().empty(); }
    bool IsValidIndex(int i) const { return i >= 0 && i < GetSize(); }

    void SetSize(int newSize, int growBy = -1) {
        (void)growBy;
        Write().resize(newSize < 0 ? 0 : static_cast<std::size_t>(newSize));
    }
    void RemoveAll() {
        items_.reset();
        shareable_ = false;
    }
    void Reserve(int n) { Write().reserve(n < 0 ? 0 : static_cast<std::size_t>(n)); }

    T& operator[](int i) { return Write()[Checked(i)]; }
    const T& operator[](int i) const { return Read()[Checked(i)]; }
    T& GetAt(int i) { return (*this)[i]; }
    const T& GetAt(int i) const { return (*this)[i]; }
    T* GetPtr(int i) { return IsValidIndex(i) ? &Write()[static_cast<std::size_t>(i)] : nullptr; }
    const T* GetPtr(int i) const { return IsValidIndex(i) ? &Read()[static_cast<std::size_t>(i)] : nullptr; }
    void SetAt(int i, const T& v) { (*this)[i] = v; }

    int Add(const T& v) {
        Write().push_back(v);
        return GetSize() - 1;
    }
    int Add(T&& v) {
        Write().push_back(std::move(v));
        return GetSize() - 1;
    }
    void InsertAt(int i, const T& v) {
        if (i < 0)
            i = 0;
        if (i > GetSize())
            SetSize(i);
        std::vector<T>& items = Write();
        items.insert(items.begin() + i, v);
    }
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count <= 0 || i >= GetSize())
            return;
        int last = std::min(GetSize(), i + count);
        std::vector<T>& items = Write();
        items.erase(items.begin() + i, items.begin() + last);
    }

    iterator begin() { return Write().begin(); }
    iterator end() { return Write().end(); }
    const_iterator begin() const { return Read().begin(); }
    const_iterator end() const { return Read().end(); }

    std::vector<T>& Items() { return Write(); }
    const std::vector<T>& Items() const { return Read(); }

    friend bool operator==(const CSharedRecordArray& a, const CSharedRecordArray& b) {
        return a.items_ == b.items_ || a.Read() == b.Read();
    }

protected:
    const std::vector<T>& Read() const {
        static const std::vector<T> kNone;
        return items_ ? *items_ : kNone;
    }
    // The records of this holder alone, copied first while another holder shares them.
    std::vector<T>& Write() {
        shareable_ = false;
        if (!items_)
            items_ = std::make_shared<std::vector<T>>();
        else if (items_.use_count() > 1)
            items_ = std::make_shared<std::vector<T>>(*items_);
        return *items_;
    }

private:
    std::size_t Checked(int i) const {
        if (!IsValidIndex(i))
            throw std::out_of_range("record index " + std::to_string(i) + " outside " +
                                    std::to_string(GetSize()));
        return static_cast<std::size_t>(i);
    }

    std::shared_ptr<std::vector<T>> items_;
    mutable bool shareable_ = false;
};

} // namespace projectmodel
