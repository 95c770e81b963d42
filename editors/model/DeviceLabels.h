#pragma once
// How the main tool names a device in its lists, by address and text (printf formats for an int
// and a string): with the text in angle brackets in the device, port and model lists, in square
// brackets in the point selection and the project tree.
namespace editors {

inline constexpr char kDeviceListLabel[] = "装置%d<%s>";
inline constexpr char kDeviceItemLabel[] = "装置%d[%s]";

} // namespace editors
