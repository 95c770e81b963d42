#include "projectmodel/Device.h"

#include "platform/Text.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ProjectModel.h"

#include <algorithm>

namespace projectmodel {

CDevice::CDevice() : m_strModelName("未定义"), m_strDescription("未定义") {}

CDevice::CDevice(const CDeviceTemplate& model)
    : m_strModelName(model.m_strName), m_strDescription(model.m_strName), m_model(model),
      m_nKind(kDeviceOrdinary) {}

CDevice CDevice::CDeviceFromTemplate(const CDeviceTemplate& model) {
    // The offer to share ends with this copy: the model's next copy is its own again.
    model.m_groups.AllowSharing();
    return CDevice(model);
}

CDevice::CDevice(DeviceKind kind) : m_nKind(kind) {
    switch (kind) {
    case kDeviceStatus:
        m_nAddress = m_nMappedAddress = kStatusDeviceAddress;
        m_strModelName = "状态信号虚装置";
        break;
    case kDeviceComposite:
        m_nAddress = m_nMappedAddress = kCompositeDeviceAddress;
        m_strModelName = "复合信号虚装置";
        break;
    case kDeviceCustom:
        m_nAddress = m_nMappedAddress = kCustomDeviceAddress;
        m_strModelName = "自定义装置";
        break;
    case kDeviceOrdinary:
        m_strModelName = "未选型号";
        break;
    default:
        m_strModelName = "未定义";
        break;
    }
    m_strDescription = m_strModelName;
    if (IsVirtual()) {
        m_model.m_strName = m_strModelName;
        m_model.m_strType = "虚拟装置";
    }
}

void CDevice::Unplace() {
    m_nBoard = -1;
    m_model.m_nPortGroup = -1;
    m_model.m_nPortIndex = -1;
}

int CDeviceArray::BinarySearch(int address, int* insertAt) const {
    int low = 0;
    int high = GetSize() - 1;
    while (low <= high) {
        int middle = (low + high) / 2;
        int a = items_[static_cast<std::size_t>(middle)].m_nAddress;
        if (a == address)
            return middle;
        if (address < a)
            high = middle - 1;
        else
            low = middle + 1;
    }
    if (insertAt)
        *insertAt = low;
    return -1;
}

int CDeviceArray::Insert(CDevice device) {
    if (CProjectContext::Instance().IsDeviceTableSorted()) {
        int at = 0;
        if (BinarySearch(device.m_nAddress, &at) >= 0)
            return -1;
        items_.insert(items_.begin() + at, std::move(device));
        return at;
    }
    if (device.m_nKind == kDeviceOrdinary) {
        // Before the run of virtual devices at the end of the table, never outside the table.
        int at = GetSize();
        while (at > 0 && items_[static_cast<std::size_t>(at - 1)].IsVirtual())
            --at;
        items_.insert(items_.begin() + at, std::move(device));
        return at;
    }
    items_.push_back(std::move(device));
    return GetSize() - 1;
}

int CDeviceArray::FindIndexByAddress(int address) const {
    if (CProjectContext::Instance().IsDeviceTableSorted())
        return BinarySearch(address, nullptr);
    for (int i = 0; i < GetSize(); ++i)
        if (items_[static_cast<std::size_t>(i)].m_nAddress == address)
            return i;
    return -1;
}

CDevice* CDeviceArray::FindByAddress(int address) {
    return GetPtr(FindIndexByAddress(address));
}

const CDevice* CDeviceArray::FindByAddress(int address) const {
    return GetPtr(FindIndexByAddress(address));
}

int CDeviceArray::FindIndexByModelName(std::string_view name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (platform::EqualsNoCase(items_[static_cast<std::size_t>(i)].m_model.m_strName, name))
            return i;
    return -1;
}

void CDeviceArray::Sort() {
    if (!CProjectContext::Instance().IsDeviceTableSorted())
        return;
    std::stable_sort(items_.begin(), items_.end(),
                     [](const CDevice& a, const CDevice& b) { return a.m_nAddress < b.m_nAddress; });
}

void CDeviceArray::Move(int from, int to) {
    if (!IsValidIndex(from) || !IsValidIndex(to) || from == to)
        return;
    CDevice device = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(device));
}

int CDeviceArray::LowestFreeAddress() const {
    // Only the candidates 1..count+1 matter; one pass marks the taken ones.
    const std::size_t count = items_.size();
    std::vector<bool> taken(count + 2, false);
    for (const CDevice& d : items_)
        if (d.m_nAddress >= 1 && static_cast<std::size_t>(d.m_nAddress) <= count + 1)
            taken[static_cast<std::size_t>(d.m_nAddress)] = true;
    for (std::size_t k = 1; k <= count; ++k)
        if (!taken[k])
            return static_cast<int>(k);
    return static_cast<int>(count + 1);
}

int CDeviceArray::PrepareNewDevice(CDevice& device) const {
    const CProjectModel* doc = CProjectContext::Instance().CurrentDocument();
    if (!doc)
        return 0;
    return PrepareNewDevice(device, doc->m_deviceExtItems);
}

int CDeviceArray::PrepareNewDevice(CDevice& device, const COptionItemArray& extensionItems) const {
    PrepareNewDevice(device, extensionItems, LowestFreeAddress());
    return 1;
}

void CDeviceArray::PrepareNewDevice(CDevice& device, const COptionItemArray& extensionItems, int address) {
    extensionItems.GetDefaultValues(device.m_optionValues);
    device.m_pointRefs.RemoveAll();
    device.m_nAddress = device.m_nMappedAddress = address;
}

} // namespace projectmodel
