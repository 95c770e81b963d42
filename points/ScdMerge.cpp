#include "points/ScdMerge.h"

#include "platform/Text.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/Device.h"

using projectmodel::CConfigDoc;
using projectmodel::CDevice;
using projectmodel::CDeviceTemplate;

namespace points {

void CImportIndex::Build(const CConfigDoc& doc) {
    models.clear();
    devices.clear();
    for (int i = 0; i < doc.m_deviceModels.GetSize(); ++i)
        models.emplace(platform::ToLowerAscii(doc.m_deviceModels[i].m_strName), i);
    addresses.clear();
    lowestFree = 1;
    for (const projectmodel::CDevice& d : doc.m_devices) {
        devices.emplace(platform::ToLowerAscii(d.m_strModelName),
                        d.m_nAddress); // the first device of a name stays
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
    const std::string key = platform::ToLowerAscii(model.m_strName);
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

} // namespace points
