// The console history: where Up and Down start and stop, and what Right copies.
#include "platform/CommandHistory.h"

#include <gtest/gtest.h>

using platform::CCommandHistory;

TEST(CommandHistory, UpAndDownWalkTheSentLines) {
    CCommandHistory h;
    std::string text = "x";
    EXPECT_FALSE(h.Up("x", text));
    EXPECT_FALSE(h.Down(text));
    EXPECT_EQ(text, "x");
    h.Add("one");
    h.Add("two");
    h.Add("three");
    // The newest first; when the line already shows it, the one before.
    ASSERT_TRUE(h.Up("", text));
    EXPECT_EQ(text, "three");
    h.ResetCursor();
    ASSERT_TRUE(h.Up("three", text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(h.Up(text, text));
    EXPECT_EQ(text, "one");
    ASSERT_TRUE(h.Up(text, text));
    EXPECT_EQ(text, "one"); // stays on the oldest
    EXPECT_EQ(h.Cursor(), 0);
    ASSERT_TRUE(h.Down(text));
    EXPECT_EQ(text, "two");
    ASSERT_TRUE(h.Down(text));
    ASSERT_TRUE(h.Down(text));
    EXPECT_EQ(text, "three"); // stays on the newest
    h.ResetCursor();
    EXPECT_FALSE(h.Down(text));

    CCommandHistory single;
    single.Add("ls");
    ASSERT_TRUE(single.Up("ls", text)); // the only line, even when the line shows it
    EXPECT_EQ(text, "ls");
}

TEST(CommandHistory, RightCopiesFromTheCursorOrTheNewest) {
    CCommandHistory h;
    EXPECT_EQ(h.Current(), "");
    EXPECT_EQ(h.Completion(""), "");
    h.Add("abc");
    h.Add("查看状态");
    EXPECT_EQ(h.Current(), "查看状态");
    EXPECT_EQ(h.Completion("查看"), "状"); // one whole character
    EXPECT_EQ(h.Completion("查看状态"), "");
    std::string text;
    ASSERT_TRUE(h.Up("", text));
    ASSERT_TRUE(h.Up(text, text));
    EXPECT_EQ(h.Current(), "abc");
    EXPECT_EQ(h.Completion("a"), "b");
    EXPECT_EQ(h.Completion("ab"), "c");
    EXPECT_EQ(h.Completion("abcd"), "");
}
