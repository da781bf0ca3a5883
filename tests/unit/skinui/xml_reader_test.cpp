#include "skinui/xml_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SkinUI::CSkinXmlReader;

std::wstring ErrorOf(const std::string& xml) {
  CSkinXmlReader reader;
  EXPECT_FALSE(reader.Load(xml.data(), xml.size())) << xml;
  EXPECT_EQ(reader.Root(), nullptr);
  return reader.GetLastErrorMessage();
}

TEST(XmlReaderTest, ReadsElementsAttributesAndChildrenInOrder) {
  const std::string xml = "<Window a=\"1\" b='two'><X/><Y k=\"v\"></Y></Window>";
  CSkinXmlReader reader;
  ASSERT_TRUE(reader.Load(xml.data(), xml.size()));
  const SkinUI::XmlNode* root = reader.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->name, L"Window");
  ASSERT_EQ(root->attributes.size(), 2u);
  EXPECT_EQ(root->attributes[1].second, L"two");
  ASSERT_EQ(root->children.size(), 2u);
  EXPECT_EQ(root->children[1].name, L"Y");
  EXPECT_EQ(*root->children[1].Attribute(L"k"), L"v");
}

TEST(XmlReaderTest, SkipsByteOrderMarkDeclarationAndComments) {
  const std::string xml =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- a <comment> -->\n"
      "<Window><!-- inner --><Label text=\"\xE6\x8F\x90\xE7\xA4\xBA\"/>text<?pi?></Window>";
  CSkinXmlReader reader;
  ASSERT_TRUE(reader.Load(xml.data(), xml.size()))
      << std::string(reader.GetLastErrorMessage().begin(), reader.GetLastErrorMessage().end());
  ASSERT_EQ(reader.Root()->children.size(), 1u);
  EXPECT_EQ(*reader.Root()->children[0].Attribute(L"text"), L"\u63d0\u793a");
}

TEST(XmlReaderTest, DecodesEntitiesInValues) {
  const std::string xml = "<a t=\"&lt;&amp;&#x41;&#66;&unknown;\"/>";
  CSkinXmlReader reader;
  ASSERT_TRUE(reader.Load(xml.data(), xml.size()));
  EXPECT_EQ(*reader.Root()->Attribute(L"t"), L"<&AB&unknown;");
}

TEST(XmlReaderTest, ReportsEachSyntaxErrorWithItsText) {
  EXPECT_EQ(ErrorOf(""), L"Expected start tag");
  EXPECT_EQ(ErrorOf("hello"), L"Expected start tag");
  EXPECT_EQ(ErrorOf("<Window a=\"1\" /x>"), L"Expected start-tag closing");
  EXPECT_EQ(ErrorOf("<Window>"), L"Expected end-tag start");
  EXPECT_EQ(ErrorOf("<Window><Label></Window>"), L"Unmatched closing tag");
  EXPECT_EQ(ErrorOf("< Window/>"), L"Error parsing element name");
  EXPECT_EQ(ErrorOf("<Window a/>"), L"Error while parsing attributes");
  EXPECT_EQ(ErrorOf("<Window a=\"1/>"), L"Error while parsing attribute string");
  EXPECT_EQ(ErrorOf("<Window a=1/>"), L"Expected attribute value");
}

TEST(XmlReaderTest, AcceptsSixtyFourAttributesAndRefusesMore) {
  std::string attrs;
  for (int i = 0; i < 64; ++i) attrs += " a" + std::to_string(i) + "=\"x\"";
  const std::string ok = "<W" + attrs + "/>";
  CSkinXmlReader reader;
  EXPECT_TRUE(reader.Load(ok.data(), ok.size()));
  EXPECT_EQ(ErrorOf("<W" + attrs + " extra=\"y\"/>"), L"Error while parsing attributes");
}

TEST(XmlReaderTest, RefusesDeepNestingInsteadOfExhaustingTheStack) {
  std::string xml;
  for (int i = 0; i < 10000; ++i) xml += "<a>";
  EXPECT_EQ(ErrorOf(xml), L"Nesting too deep");
}

TEST(XmlReaderTest, InvalidUtf8BecomesReplacementCharacters) {
  const std::string xml = "<a t=\"\xFF\xC3\"/>";
  CSkinXmlReader reader;
  ASSERT_TRUE(reader.Load(xml.data(), xml.size()));
  EXPECT_EQ(*reader.Root()->Attribute(L"t"), L"\uFFFD\uFFFD");
}

}  // namespace
