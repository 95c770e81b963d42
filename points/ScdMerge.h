#pragma once
// The merge of an imported device model into the project: the library's model of that name is
// replaced (or the model added), and the device of that model refreshed (or a new one added at the
// lowest free address).
#include "projectmodel/DeviceTemplate.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace projectmodel {
class CConfigDoc;
class CDevice;
} // namespace projectmodel

namespace points {

// Where the models and devices of the project are found by model name while an import merges
// thousands of models (lower-cased name -> library index, and -> address of the first device).
struct CImportIndex {
    std::unordered_map<std::string, int> models;
    std::unordered_map<std::string, int> devices;
    // The addresses of the device table, and a number below which all are taken: new devices
    // take the lowest free address without a pass over the table each.
    std::unordered_set<int> addresses;
    int lowestFree = 1;
    void Build(const projectmodel::CConfigDoc& doc);
    // The lowest address from 1 upward that no device has, now taken.
    int TakeLowestFree();
};

// Puts an imported model into the library (replacing the model of that name) and the device
// table (a new device, or the device of that model refreshed, keeping its placement, addresses,
// option values, point references and the settings of the entries both models hold).
void MergeImportedModel(projectmodel::CConfigDoc& doc, const projectmodel::CDeviceTemplate& model,
                        const std::string& iedDesc);
void MergeImportedModel(projectmodel::CConfigDoc& doc, const projectmodel::CDeviceTemplate& model,
                        const std::string& iedDesc, CImportIndex& index);
// The same, the library taking the model itself instead of a copy.
void MergeImportedModel(projectmodel::CConfigDoc& doc, projectmodel::CDeviceTemplate&& model,
                        const std::string& iedDesc, CImportIndex& index);

// The same, with the device already made from the model (CDevice::CDeviceFromTemplate).
void MergeImportedModel(projectmodel::CConfigDoc& doc, projectmodel::CDeviceTemplate&& model,
                        projectmodel::CDevice&& device, const std::string& iedDesc, CImportIndex& index);

} // namespace points
