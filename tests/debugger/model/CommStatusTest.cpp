#include "debugger/model/CommStatus.h"

#include <gtest/gtest.h>

using namespace quorvex;

namespace {

CUnitPort Port(std::uint8_t number, const std::string& name, std::initializer_list<std::uint16_t> addresses) {
    CUnitPort p;
    p.m_portNumber = number;
    p.m_name = name;
    for (std::uint16_t a : addresses)
        p.m_addresses.Add(CUnitAddress(a));
    return p;
}

// Board 1: 串口1 (devices 5, 6), 连接号1 (devices 7, 5); board 2: 串口1 (device 9), 以太网 (no devices).
CUnitBoardArray Boards() {
    CUnitBoardArray boards;
    CUnitBoard b1;
    b1.m_boardNumber = 1;
    b1.m_serialPorts.Add(Port(1, "串口1", {5, 6}));
    b1.m_netPorts.Add(Port(1, "连接号1", {7, 5}));
    boards.Add(b1);
    CUnitBoard b2;
    b2.m_boardNumber = 2;
    b2.m_serialPorts.Add(Port(1, "串口1", {9}));
    b2.m_netPorts.Add(Port(2, "以太网", {}));
    boards.Add(b2);
    return boards;
}

// Column col of every shown row, joined with "|".
std::string Column(const CCommStatusModel& m, int col) {
    std::string out;
    for (const auto& row : m.Rows())
        out += row[static_cast<std::size_t>(col)] + "|";
    return out;
}

} // namespace

TEST(CommStatusModel, RowsFollowTheBoardTable) {
    CCommStatusModel m;
    m.Build(Boards());
    EXPECT_EQ(Column(m, 0), "板卡1|||||||板卡2||||");
    EXPECT_EQ(Column(m, 1), "|串口1|||连接号1||||串口1||以太网|");
    EXPECT_EQ(Column(m, 2), "||装置5|装置6||装置7|装置5|||装置9||");
}

TEST(CommStatusModel, StatesGoToEveryRowOfTheAddressAndOnlyToNamedPortsOfTheBoard) {
    CCommStatusModel m;
    m.Build(Boards());
    m.UpdateDevice(5, 0x21);
    EXPECT_EQ(Column(m, 5), "||投运||||投运|||||");
    EXPECT_EQ(Column(m, 3), "||通||||通|||||");
    EXPECT_EQ(Column(m, 4), "||其他||||其他|||||");
    m.UpdatePort(0, 1, 1, 3); // board 1, network port 1
    m.UpdatePort(1, 0, 1, 2); // board 2, serial port 1
    m.UpdatePort(1, 1, 2, 2); // a name without either word is never updated
    m.UpdatePort(255, 0, 1, 2);
    EXPECT_EQ(Column(m, 3), "||通||断||通||通|||");
}

TEST(CommStatusModel, FoldingKeepsTheStatesForWhenTheRowsComeBack) {
    CCommStatusModel m;
    m.Build(Boards());
    m.UpdateDevice(6, 0x12);
    ASSERT_TRUE(m.Toggle(1)); // fold 串口1 of board 1
    EXPECT_EQ(Column(m, 1), "|串口1 ↓|连接号1||||串口1||以太网|");
    EXPECT_FALSE(m.Toggle(3)); // a device row folds nothing
    m.UpdateDevice(6, 0x21);   // arrives while folded
    ASSERT_TRUE(m.Toggle(1));
    EXPECT_EQ(Column(m, 5), "|||投运|"
                            "|||||||");

    ASSERT_TRUE(m.Toggle(1)); // fold the port, then the board
    ASSERT_TRUE(m.Toggle(0));
    EXPECT_EQ(m.Rows().size(), 5u);
    EXPECT_EQ(Column(m, 0), "板卡1 ↓|板卡2||||");
    ASSERT_TRUE(m.Toggle(0)); // the board comes back with every port unfolded
    EXPECT_EQ(Column(m, 1), "|串口1|||连接号1||||串口1||以太网|");
    EXPECT_FALSE(m.Toggle(99));
    EXPECT_FALSE(m.Toggle(-1));
}

TEST(CommStatusModel, APortWithoutANameCannotBeFolded) {
    CUnitBoardArray boards;
    CUnitBoard b;
    b.m_boardNumber = 3;
    b.m_serialPorts.Add(Port(1, "", {4}));
    boards.Add(b);
    CCommStatusModel m;
    m.Build(boards);
    EXPECT_FALSE(m.Toggle(1));
    EXPECT_EQ(m.Rows().size(), 3u);
}
