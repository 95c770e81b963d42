#pragma once
// Device records and the device table. A device's address is its identity across the project;
// the table stays in ascending address order with unique addresses while the process-wide
// device-table-sorted flag is set (CProjectContext). Addresses 65530, 65531 and 65532 are the
// status-signal, composite-signal and custom virtual devices.
#include "projectmodel/DeviceTemplate.h"
#include "projectmodel/OptionItem.h"
#include "projectmodel/PointRef.h"
#include "projectmodel/RecordArray.h"

#include <string>

namespace projectmodel {

constexpr int kStatusDeviceAddress = 65530;
constexpr int kCompositeDeviceAddress = 65531;
constexpr int kCustomDeviceAddress = 65532;

enum DeviceKind {
    kDeviceUnset = 0, // made by the default constructor
    kDeviceOrdinary = 1,
    kDeviceStatus = 2,    // status-signal virtual device, 65530
    kDeviceComposite = 3, // composite-signal virtual device, 65531
    kDeviceCustom = 4,    // custom device, 65532
};

class CDevice {
public:
    // Board -1, address and mapped address 1, model name and description "未定义", kind 0.
    CDevice();
    // An ordinary device of that model: the model's name as model name and description.
    explicit CDevice(const CDeviceTemplate& model);
    // A device of a kind: 1 "未选型号"; 2, 3 and 4 the virtual devices with their fixed
    // addresses, names and the model type "虚拟装置".
    explicit CDevice(DeviceKind kind);
    // A device record built from a model (the form the SCD import uses). The device shares the
    // model's groups until either is changed: an import's devices and models hold each point once.
    static CDevice CDeviceFromTemplate(const CDeviceTemplate& model);

    int m_nBoard = -1; // -1: not placed on a port
    int m_nAddress = 1;
    int m_nMappedAddress = 1;
    std::string m_strModelName;
    std::string m_strDescription;
    CDeviceTemplate m_model;
    CStringArray m_optionValues; // one per device-table extension item of the document
    CPointRefArray m_pointRefs;
    int m_nKind = kDeviceUnset;

    bool IsVirtual() const { return m_nKind >= kDeviceStatus && m_nKind <= kDeviceCustom; }
    bool IsPlaced() const {
        return m_nBoard != -1 && m_model.m_nPortGroup != -1 && m_model.m_nPortIndex != -1;
    }
    // Takes the device off its port (board, port group and port index -1).
    void Unplace();
    int FindPointRef(int a, int b, int c) const { return m_pointRefs.Find(a, b, c); }

    bool operator==(const CDevice&) const = default;
};

class CDeviceArray : public CRecordArray<CDevice> {
public:
    // Sorted: in address order, -1 when the address is taken. Unsorted: an ordinary device goes
    // before the trailing virtual devices (appended when there are none), any other at the end.
    int Insert(CDevice device);
    int FindIndexByAddress(int address) const;
    CDevice* FindByAddress(int address);
    const CDevice* FindByAddress(int address) const;
    int FindIndexByModelName(std::string_view name) const;
    // Only while the table is to be kept sorted: ascending by address.
    void Sort();
    // Takes the device at from out and inserts it at to (both within the table).
    void Move(int from, int to);
    CDevice GetCopyAt(int index) const { return GetAt(index); }
    void CopyFrom(const CDeviceArray& other) { *this = other; }
    // The lowest address from 1 upward that no device of the table has.
    int LowestFreeAddress() const;
    // Gives a new device the default extension values of the current document, no point
    // references and the lowest free address; 0 when no document is current.
    int PrepareNewDevice(CDevice& device) const;
    int PrepareNewDevice(CDevice& device, const COptionItemArray& extensionItems) const;
    // The same with an address the caller knows to be the lowest free one.
    static void PrepareNewDevice(CDevice& device, const COptionItemArray& extensionItems, int address);

private:
    // Search by halving over the addresses: the index of the address, or -1 with the insertion
    // point in *insertAt.
    int BinarySearch(int address, int* insertAt) const;
};

} // namespace projectmodel
