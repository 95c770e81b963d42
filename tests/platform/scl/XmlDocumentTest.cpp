// The XML document wrapper: loading, its two messages, and element selection.
#include "platform/scl/XmlDocument.h"

#include "platform/Gbk.h"
#include "tests/support/PromptRecorder.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

using platform::CXmlDocument;

TEST(XmlDocumentTest, LoadsAndSelectsElementsInDocumentOrder) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    testsupport::WriteBytes(tmp / "a.xml", "<r><IED n=\"1\"><IED n=\"2\"/></IED><x><IED n=\"3\"/></x></r>");
    CXmlDocument doc((tmp / "a.xml").string());
    ASSERT_TRUE(doc.IsLoaded());
    CXmlDocument::NodeList nodes;
    ASSERT_EQ(doc.SelectNodes("IED", nodes), 0);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[2].GetAttrValByName("n"), "3");
    ASSERT_EQ(doc.SelectNodes("r", nodes), 0);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].GetChildEles().size(), 2u);
    EXPECT_EQ(doc.SelectNodes("none", nodes), 0);
    EXPECT_TRUE(nodes.empty());
    EXPECT_EQ(prompts.Count(), 0u);
}

TEST(XmlDocumentTest, MissingAndBrokenFilesAreReported) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    const std::string missing = (tmp / "缺少.xml").string();
    CXmlDocument doc(missing);
    EXPECT_FALSE(doc.IsLoaded());
    CXmlDocument::NodeList nodes;
    EXPECT_EQ(doc.SelectNodes("IED", nodes), -1);
    ASSERT_EQ(prompts.Count(), 1u);
    EXPECT_EQ(prompts.Messages()[0].text, "文件(" + missing + ")不存在！");
    EXPECT_EQ(prompts.Messages()[0].caption, "打开失败");
    EXPECT_EQ(prompts.Messages()[0].icon, platform::Icon::Error);

    testsupport::WriteBytes(tmp / "b.xml", "<r><a></r>");
    EXPECT_FALSE(doc.Load((tmp / "b.xml").string(), "SCL"));
    EXPECT_EQ(prompts.Messages().back().caption, "错误提示");
    EXPECT_FALSE(prompts.Messages().back().text.empty());
    EXPECT_EQ(doc.SelectNodes("a", nodes), -1);
}

} // namespace

namespace {

// A GB2312-declared file hands out its names and values as UTF-8, like the SCL reader does.
TEST(XmlDocumentTest, GbkDeclaredFileReadsAsUtf8) {
    testsupport::TempDir tmp;
    testsupport::PromptRecorder prompts;
    const std::string text = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<SCL><IED name=\"" +
                             platform::ToGbk("主变保护") + "\" type=\"" + platform::ToGbk("测控") +
                             "\"/></SCL>";
    testsupport::WriteBytes(tmp / "g.scd", text);
    CXmlDocument doc((tmp / "g.scd").string());
    ASSERT_TRUE(doc.IsLoaded());
    CXmlDocument::NodeList nodes;
    ASSERT_EQ(doc.SelectNodes("IED", nodes), 0);
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0].GetAttrValByName("name"), "主变保护");
    EXPECT_EQ(nodes[0].GetAttrValByName("type"), "测控");
    EXPECT_EQ(prompts.Count(), 0u);
}

} // namespace
