#include "app/markup_xml.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scratch_files.h"

namespace {

TEST(MarkupXml, WalksElementsForwardWithTheThreePositions)
{
    CMarkupMSXML markup;
    ASSERT_TRUE(markup.SetDocument(
        "<?xml version=\"1.0\"?><!-- c --><Root a=\"1\"><x/>text<Item n=\"one\">1</Item><!-- note -->"
        "<Item n=\"two\"><![CDATA[<2>]]></Item><?pi data?></Root>"));
    EXPECT_TRUE(markup.GetError().empty());
    ASSERT_TRUE(markup.FindElement());
    EXPECT_EQ(markup.GetAttribute("a"), "1");
    EXPECT_EQ(markup.GetAttribute("missing"), "");
    EXPECT_FALSE(markup.FindElement());  // one root only; nothing moves
    EXPECT_EQ(markup.GetAttribute("a"), "1");
    ASSERT_TRUE(markup.FindChildElement("Item"));
    EXPECT_EQ(markup.GetChildAttribute("n"), "one");
    EXPECT_EQ(markup.GetChildData(), "1");
    EXPECT_EQ(markup.GetChildSubDocument(), "<Item n=\"one\">1</Item>");
    ASSERT_TRUE(markup.FindChildElement("Item"));
    EXPECT_EQ(markup.GetChildData(), "<2>");
    EXPECT_FALSE(markup.FindChildElement("Item"));
    EXPECT_EQ(markup.GetChildAttribute("n"), "two");
    markup.ResetChildPosition();
    ASSERT_TRUE(markup.FindChildElement());
    EXPECT_EQ(markup.GetChildData(), "");  // <x/> has no content
    // Without a main position, the child walk first finds the root.
    markup.ResetMainPosition();
    ASSERT_TRUE(markup.FindChildElement("Item"));
    EXPECT_EQ(markup.GetChildAttribute("n"), "one");
}

TEST(MarkupXml, EmptyTextGivesAnEmptyDocumentAndElementsCanBeAdded)
{
    CMarkupMSXML markup;
    ASSERT_TRUE(markup.SetDocument(""));
    ASSERT_TRUE(markup.SetDocument(nullptr));
    EXPECT_FALSE(markup.FindElement());
    ASSERT_TRUE(markup.AddElement("error"));
    ASSERT_TRUE(markup.SetAttribute("msg", "bad & <worse>"));
    ASSERT_TRUE(markup.SetAttribute("line", 12));
    CMarkupMSXML reread;
    ASSERT_TRUE(reread.SetDocument(markup.GetDocument().c_str()));
    ASSERT_TRUE(reread.FindElement("error"));
    EXPECT_EQ(reread.GetAttribute("msg"), "bad & <worse>");
    EXPECT_EQ(reread.GetAttribute("line"), "12");
    EXPECT_FALSE(markup.AddElement("second"));  // a document has one root
}

TEST(MarkupXml, MalformedTextTellsTheLineAndPosition)
{
    CMarkupMSXML markup;
    EXPECT_FALSE(markup.SetDocument("<Root>\n  <a>\n  </b>\n</Root>"));
    const std::string& error = markup.GetError();
    EXPECT_EQ(error, "<error msg=\"Opening and ending tag mismatch.\" line=\"3\" linepos=\"6\"/>");
    EXPECT_FALSE(markup.FindElement());
    // A good load clears the error.
    EXPECT_TRUE(markup.SetDocument("<a/>"));
    EXPECT_TRUE(markup.GetError().empty());
}

TEST(MarkupXml, DocumentTypesLoadButExternalEntitiesAreNeverRead)
{
    const auto secret = qm::ScratchPath("markup_secret.txt");
    std::ofstream(secret) << "SECRET-CONTENT";
    const auto path = qm::ScratchPath("markup_doctype.xml");
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n"
                           "<!DOCTYPE Root [\n"
                           "  <!ELEMENT Root ANY>\n"
                           "  <!ENTITY inner \"expanded\">\n"
                           "  <!ENTITY outside SYSTEM \"file://"
                        << secret.string()
                        << "\">\n"
                           "]>\n"
                           "<Root><A>&inner;</A><B>&outside;</B></Root>\n";
    CMarkupMSXML markup;
    ASSERT_TRUE(markup.LoadFile(path.string().c_str())) << markup.GetError();
    ASSERT_TRUE(markup.FindChildElement("A"));
    EXPECT_EQ(markup.GetChildData(), "expanded");
    ASSERT_TRUE(markup.FindChildElement("B"));
    EXPECT_EQ(markup.GetChildData().find("SECRET"), std::string::npos);
    EXPECT_EQ(markup.GetDocument().find("SECRET"), std::string::npos);
}

TEST(MarkupXml, EntityExpansionIsBounded)
{
    std::string text = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">";
    const char* previous = "a";
    const char* names[] = {"b", "c", "d", "e", "f", "g", "h", "i"};
    for (const char* name : names) {
        text += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            text += std::string("&") + previous + ";";
        }
        text += "\">";
        previous = name;
    }
    text += "]><r>&i;</r>";
    CMarkupMSXML markup;
    markup.SetDocument(text.c_str());  // must end quickly, either way
    EXPECT_LT(markup.GetDocument().size(), 1000000u);
}

TEST(MarkupXml, MissingFileFails)
{
    CMarkupMSXML markup;
    EXPECT_FALSE(markup.LoadFile("/nonexistent/FileFilter.xml"));
    EXPECT_FALSE(markup.GetError().empty());
    EXPECT_FALSE(markup.LoadFile(nullptr));
}

}  // namespace
