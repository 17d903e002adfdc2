#include "persistence/commands/filedialogrequest.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <string>

namespace {

bool globMatches(const char* pattern, const char* name)
{
    return fnmatch(pattern, name, 0) == 0;
}

TEST(FileDialogRequest, XmlFilterComesFirstSoItIsInEffectWhenADialogOpens)
{
    ASSERT_EQ(FileDialogRequest::filterCount, 2u);
    EXPECT_STREQ(FileDialogRequest::filters[0].name, "XML Files (*.xml)");
    EXPECT_STREQ(FileDialogRequest::filters[1].name, "All Files");
    EXPECT_STREQ(FileDialogRequest::caption, "VEZAZE");
}

TEST(FileDialogRequest, XmlFilterShowsOnlyNamesEndingInXml)
{
    const char* xml = FileDialogRequest::filters[0].pattern;
    EXPECT_TRUE(globMatches(xml, "scene.xml"));
    EXPECT_TRUE(globMatches(xml, ".xml"));
    EXPECT_FALSE(globMatches(xml, "scene.xml.bak"));
    EXPECT_FALSE(globMatches(xml, "notes.txt"));
    EXPECT_FALSE(globMatches(xml, "xml"));
}

TEST(FileDialogRequest, AllFilesFilterAlsoShowsNamesWithoutADot)
{
    const char* all = FileDialogRequest::filters[1].pattern;
    EXPECT_TRUE(globMatches(all, "README"));
    EXPECT_TRUE(globMatches(all, "scene"));
    EXPECT_TRUE(globMatches(all, "scene.xml"));
    EXPECT_TRUE(globMatches(all, "notes.txt"));
}

TEST(AcceptedDialogPath, NoChoiceGivesAnEmptyPath)
{
    EXPECT_EQ(acceptedDialogPath(nullptr), "");
    EXPECT_EQ(acceptedDialogPath(""), "");
}

TEST(AcceptedDialogPath, PathIsHandedOnByteForByte)
{
    EXPECT_EQ(acceptedDialogPath("/home/u/scene"), "/home/u/scene");
    // Names are bytes in the file system's encoding, not re-encoded.
    EXPECT_EQ(acceptedDialogPath("/tmp/sc\xC3\xA8ne \xFF.XML"), "/tmp/sc\xC3\xA8ne \xFF.XML");
}

TEST(AcceptedDialogPath, PathMustFitTheBufferOf1024BytesWithItsNul)
{
    const std::string longest = "/" + std::string(1022, 'a');
    ASSERT_EQ(longest.size(), 1023u);
    EXPECT_EQ(acceptedDialogPath(longest.c_str()), longest);

    const std::string tooLong = longest + "b";
    EXPECT_EQ(acceptedDialogPath(tooLong.c_str()), "");   // not truncated to another file's name
    EXPECT_EQ(acceptedDialogPath(std::string(5000, 'c').c_str()), "");
}

TEST(FolderOfPath, TheNextDialogOpensWhereTheLastFileWas)
{
    EXPECT_EQ(folderOfPath("/home/u/scenes/a.xml"), "/home/u/scenes");
    EXPECT_EQ(folderOfPath("/a.xml"), "/");
    EXPECT_EQ(folderOfPath("/tmp/sc\xC3\xA8ne/b.xml"), "/tmp/sc\xC3\xA8ne");
    EXPECT_EQ(folderOfPath("a.xml"), "");   // no folder: the working one
    EXPECT_EQ(folderOfPath(""), "");        // a cancel changes nothing
}

} // namespace
