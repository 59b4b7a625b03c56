#include <gtest/gtest.h>

#include "LanguageFiles.h"
#include "i18n/cLanguage.h"

namespace tavex {
namespace {

class cLanguageTest : public ::testing::Test {
 protected:
  // A reader of the ".xml" file holding `sections`.
  cLanguage& Load(const std::string& sections, std::int32_t language = 0) {
    mFiles.PutSections(cLanguage::Extension(language), sections);
    mReader.SetLanguage(language);
    return mReader;
  }

  test::LanguageHome mFiles;
  cLanguage mReader;
};

TEST_F(cLanguageTest, EachNumberReadsTheFileOfItsExtension) {
  for (const char* extension : {".xml", ".gb", ".big", ".eng"}) {
    mFiles.PutSections(extension,
                       std::string("<Main><Msg_Title Default=\"") + extension + "\"/></Main>");
  }
  for (auto [number, extension] :
       {std::pair{2, ".big"}, std::pair{0, ".xml"}, std::pair{4, ".xml"}, std::pair{-1, ".xml"},
        std::pair{1, ".gb"}, std::pair{3, ".eng"}}) {
    mReader.SetLanguage(number);
    EXPECT_EQ(extension, mReader.getValue("Msg_Title", "", "default")) << number;
  }
}

TEST_F(cLanguageTest, LooksUpSectionKeyAndProperty) {
  Load(
      "<Main><Msg_Proc_Copied Left=\"L\" Middle=\"M\"/><lblWelcome Caption=\"Welcome\"/></Main>"
      "<frmRestore><frmRestore Caption=\"Restore\"/><Settings Default=\"S\"/></frmRestore>");
  EXPECT_EQ("L", mReader.getValue("Msg_Proc_Copied", "Left", "dl"));
  EXPECT_EQ("M", mReader.getValue("Msg_Proc_Copied", "Middle", "dm"));
  EXPECT_EQ("dr", mReader.getValue("Msg_Proc_Copied", "Right", "dr"));
  EXPECT_EQ("fallback", mReader.getValue("lblWelcome", "Default", "fallback"));
  mReader.SetSection("frmRestore");
  EXPECT_EQ("Restore", mReader.getValue("frmRestore", "Caption", "x"));
  EXPECT_EQ("S", mReader.getValue());
  EXPECT_EQ("Settings", mReader.Key());
  EXPECT_EQ("Default", mReader.Property());
}

TEST_F(cLanguageTest, AMissingEntryIsAddedInMemoryWithTheFirstDefault) {
  Load("<Main/>");
  EXPECT_FALSE(mReader.Modified());
  EXPECT_EQ("first", mReader.getValue("Msg_New", "", "first"));
  EXPECT_TRUE(mReader.Modified());
  EXPECT_EQ("first", mReader.getValue("Msg_New", "", "second"));
  // Setting the language again reloads the file and forgets the additions.
  mReader.SetLanguage(0);
  EXPECT_FALSE(mReader.Modified());
  EXPECT_EQ("second", mReader.getValue("Msg_New", "", "second"));
}

TEST_F(cLanguageTest, TheFirstElementOfANameCounts) {
  Load(
      "<Main><Msg_Title Default=\"one\"/><Msg_Title Default=\"two\"/></Main>"
      "<Main><Msg_Other Default=\"hidden\"/></Main>");
  EXPECT_EQ("one", mReader.getValue("Msg_Title", "", "d"));
  EXPECT_EQ("d", mReader.getValue("Msg_Other", "", "d"));
}

TEST_F(cLanguageTest, AppExeNameSelectsTheModuleElement) {
  mFiles.PutLanguageFile(".xml",
                         "<Language><Other><Main><Msg_Title Default=\"other\"/></Main></Other>"
                         "<tavExDataApp><Main><Msg_Title Default=\"ours\"/></Main></tavExDataApp>"
                         "</Language>");
  mReader.SetLanguage(0);
  EXPECT_EQ("tavExDataApp", mReader.AppExeName());
  EXPECT_EQ("ours", mReader.getValue("Msg_Title"));
  mReader.SetAppExeName("Other");
  EXPECT_EQ("other", mReader.getValue("Msg_Title"));
}

TEST_F(cLanguageTest, WritingAValueChangesOnlyTheMemoryCopy) {
  Load("<Main><Msg_Title Default=\"old\"/></Main>");
  std::string before = test::ReadFile(mReader.FilePath());
  mReader.getValue("Msg_Title");
  mReader.SetValue("new");
  EXPECT_EQ("new", mReader.getValue("Msg_Title", "", "d"));
  EXPECT_FALSE(mReader.SaveLanguage());
  EXPECT_EQ(before, test::ReadFile(mReader.FilePath()));
}

// Files that are no language file at all: every look-up yields its default.
struct BadFile {
  const char* name;
  std::string contents;
};

class cLanguageBadFileTest : public ::testing::TestWithParam<BadFile> {
 protected:
  test::LanguageHome mFiles;
};

TEST_P(cLanguageBadFileTest, GivesDefaultTexts) {
  mFiles.PutLanguageFile(".xml", GetParam().contents);
  cLanguage reader;
  reader.SetLanguage(0);
  EXPECT_EQ("提示", reader.getValue("Msg_Title", "", "提示"));
  EXPECT_EQ("取消", reader.getValue("Msg_Step_Cancel", "", "取消"));
  reader.SetSection("frmRestore");
  EXPECT_EQ("caption", reader.getValue("lblWelcome", "Caption", "caption"));
}

std::string Nested(int depth, bool closed) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<Language>";
  for (int i = 0; closed && i < depth; ++i) text += "</Language>";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, cLanguageBadFileTest,
    ::testing::Values(
        BadFile{"Empty", ""}, BadFile{"NotXml", "Msg_Title=Hello\n"},
        BadFile{"Truncated", "<Language><tavExDataApp><Main><Msg_Title Default=\"x"},
        BadFile{"Binary", std::string("\x00\xff\xfe<\x01\x02>\x00", 8) + std::string(4096, '\x9c')},
        BadFile{"Huge", "<Language><tavExDataApp><Main><Msg_Title Default=\"big\"/></Main>" +
                            std::string(20 << 20, ' ') + "</tavExDataApp></Language>"},
        BadFile{"DeeplyNestedUnclosed", Nested(200000, false)},
        BadFile{"DeeplyNested", Nested(200000, true)}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return info.param.name; });

TEST(cLanguageMissingFile, GivesDefaultTextsAndGrowsInMemory) {
  test::LanguageHome files;
  cLanguage reader;
  reader.SetLanguage(4);
  EXPECT_EQ("提示", reader.getValue("Msg_Title", "", "提示"));
  EXPECT_TRUE(reader.Modified());
  EXPECT_EQ("提示", reader.getValue("Msg_Title", "", "other"));
}

TEST(cLanguageOtherDocumentElement, EachLookUpYieldsItsOwnDefault) {
  test::LanguageHome files;
  files.PutLanguageFile(".xml",
                        "<Sprache><tavExDataApp><Main><Msg_Title Default=\"no\"/></Main>"
                        "</tavExDataApp></Sprache>");
  cLanguage reader;
  reader.SetLanguage(0);
  EXPECT_EQ("first", reader.getValue("Msg_Title", "", "first"));
  EXPECT_EQ("second", reader.getValue("Msg_Title", "", "second"));
  EXPECT_TRUE(reader.Modified());
}

}  // namespace
}  // namespace tavex
