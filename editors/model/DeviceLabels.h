#pragma once
// How the main tool names a device in its lists, by address and text (printf formats for an int
// and a string): with the text in angle brackets in the device, port and model lists, in square
// brackets in the point selection and the project tree.
namespace editors {

inline constexpr char kDeviceListLabel[] = "装置%d<%s>";
inline constexpr char kDeviceItemLabel[] = "装置%d[%s]";

// Boards are numbered from 0 in the records and shown from 1 ("板卡1" is board 0), as the
// project tree names them: every list, choice and message shows this number.
inline int ShownBoardNumber(int board) {
    return board + 1;
}
inline int BoardFromShownNumber(int shown) {
    return shown - 1;
}

} // namespace editors
