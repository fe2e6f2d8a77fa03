#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fileutl/WinFileFind.h"

namespace {

using testsupport::MakeFolder;
using testsupport::TempFolder;
using testsupport::WriteTextFile;

std::vector<std::string> Walk(const std::string& path, bool recursive) {
    std::vector<std::string> names;
    FileNameEnumerater files;
    EXPECT_TRUE(files.Open(path, recursive));
    while (!files.IsDone() && names.size() < 100) {
        names.push_back(files.FullName());
        files.Next();
    }
    return names;
}

class FileFindTest : public ::testing::Test {
protected:
    FileFindTest() : dir_("find") {}
    void SetUp() override {
        const std::string& d = dir_.Path();
        ASSERT_FALSE(d.empty());
        ASSERT_TRUE(WriteTextFile(d + "a.oc", "1"));
        ASSERT_TRUE(WriteTextFile(d + "b.txt", "2"));
        ASSERT_TRUE(MakeFolder(d + "s"));
        ASSERT_TRUE(WriteTextFile(d + "s\\c.oc", "3"));
    }
    TempFolder dir_;
};

TEST_F(FileFindTest, NonRecursiveYieldsTheFilesOfTheFolderOnly) {
    const std::string& d = dir_.Path();
    std::vector<std::string> got = Walk(d, false);
    std::sort(got.begin(), got.end());
    // The folder was given with its trailing backslash, which the full name keeps.
    const std::vector<std::string> want = {d + "\\a.oc", d + "\\b.txt"};
    EXPECT_EQ(want, got);
}

TEST_F(FileFindTest, RecursiveEntersSubfoldersWhereTheyAreMet) {
    const std::string& d = dir_.Path();
    std::vector<std::string> want;
    for (const std::string& name : testsupport::FolderEntries(d)) {
        if (name == "s")
            want.push_back(d + "\\s\\c.oc");
        else
            want.push_back(d + "\\" + name);
    }
    ASSERT_EQ(3u, want.size());
    EXPECT_EQ(want, Walk(d, true));
}

TEST_F(FileFindTest, DeeperTreesAndEmptySubfoldersUnwindToTheParent) {
    const std::string& d = dir_.Path();
    ASSERT_TRUE(MakeFolder(d + "s\\t"));
    ASSERT_TRUE(MakeFolder(d + "s\\empty"));
    ASSERT_TRUE(WriteTextFile(d + "s\\t\\deep.oc", "4"));
    std::vector<std::string> got = Walk(d, true);
    std::sort(got.begin(), got.end());
    const std::vector<std::string> want = {d + "\\a.oc", d + "\\b.txt", d + "\\s\\c.oc", d + "\\s\\t\\deep.oc"};
    EXPECT_EQ(want, got);
}

TEST_F(FileFindTest, FullNamesOpenTheFiles) {
    for (const std::string& path : Walk(dir_.Path(), true)) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes) << path;
        EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_DIRECTORY) << path;
    }
}

TEST_F(FileFindTest, TraverserShowsFoldersButNotDotsWhenEnumeraterSkipsThem) {
    WinDirTraverser walk;
    ASSERT_TRUE(walk.Open(dir_.Path(), false));
    std::vector<std::string> names;
    while (!walk.IsDone() && names.size() < 100) {
        names.push_back(walk.CurrentEntry().cFileName);
        walk.Next();
    }
    std::sort(names.begin(), names.end());
    const std::vector<std::string> want = {".", "..", "a.oc", "b.txt", "s"};
    EXPECT_EQ(want, names);
    EXPECT_STREQ("", walk.CurrentEntry().cFileName);

    WinFileEnumerater files;
    ASSERT_TRUE(files.Open(dir_.Path(), false));
    names.clear();
    while (!files.IsDone() && names.size() < 100) {
        EXPECT_EQ(0u, files.CurrentEntry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        names.push_back(files.CurrentEntry().cFileName);
        files.Next();
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"a.oc", "b.txt"}), names);
}

TEST(FileFind, EmptyAndMissingFoldersAreDoneAtOnce) {
    TempFolder dir("find_empty");
    FileNameEnumerater files;
    EXPECT_TRUE(files.Open(dir.Path(), true));
    EXPECT_TRUE(files.IsDone());
    files.Close();
    EXPECT_TRUE(files.Open(dir.Path() + "missing\\", false));
    EXPECT_TRUE(files.IsDone());
    files.Next(); // harmless when done
    EXPECT_TRUE(files.IsDone());
}

TEST(FileFind, SingleSearchOpensAndCloses) {
    TempFolder dir("find_one");
    ASSERT_TRUE(WriteTextFile(dir.Path() + "only.oc", "x"));
    WinFileFindA find;
    EXPECT_FALSE(find.Open(dir.Path() + "*.none"));
    EXPECT_FALSE(find.IsOpen());
    EXPECT_TRUE(find.IsDone());
    ASSERT_TRUE(find.Open(dir.Path() + "*.oc"));
    EXPECT_TRUE(find.IsOpen());
    EXPECT_FALSE(find.IsDone());
    EXPECT_STREQ("only.oc", find.CurrentEntry().cFileName);
    find.Next();
    EXPECT_TRUE(find.IsDone());
    find.Close();
    EXPECT_FALSE(find.IsOpen());
    find.Close();
}

TEST(FileFind, FolderPartOfAPathWithoutTrailingBackslash) {
    TempFolder dir("find_part");
    ASSERT_TRUE(WriteTextFile(dir.Path() + "x.oc", "x"));
    // Only the folder part of the path counts: the text after the last
    // backslash is dropped and the folder that holds it is walked.
    std::vector<std::string> got = Walk(dir.Path() + "x.oc", false);
    EXPECT_EQ((std::vector<std::string>{dir.Path() + "\\x.oc"}), got);
}

} // namespace
