#include "Path.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Handles.h"
#include "TestSupport.h"

TEST(Path, BackslashHelpers) {
    EXPECT_EQ(AddBackslash("C:\\A"), "C:\\A\\");
    EXPECT_EQ(AddBackslash("C:\\A\\"), "C:\\A\\");
    EXPECT_EQ(AddBackslash(""), "\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\A\\\\\\"), "C:\\A");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\A"), "C:\\A");
    EXPECT_EQ(RemoveTrailingBackslash("\\\\"), "");
    EXPECT_EQ(GetParentFolder("C:\\A\\B\\"), "C:\\A");
    EXPECT_EQ(GetParentFolder("C:\\A\\B\\c.exe"), "C:\\A\\B");
    EXPECT_EQ(GetParentFolder("setup.exe"), "");
    EXPECT_EQ(GetParentFolder("C:\\"), "");
    EXPECT_EQ(QuoteSpaces("C:\\Program Files\\x"), "\"C:\\Program Files\\x\"");
    EXPECT_EQ(QuoteSpaces("C:\\Apps"), "C:\\Apps");
}

TEST(Path, DoubleByteTrailBytesAreNotBackslashes) {
    // Narrow literals are GBK: "誠" is D5 5C, its trail byte the value of a backslash.
    const std::string strName = "誠";
    ASSERT_EQ(strName, "\xD5\x5C");
    EXPECT_EQ(AddBackslash("C:\\" + strName), "C:\\" + strName + "\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\" + strName), "C:\\" + strName);
    EXPECT_EQ(RemoveTrailingBackslash("C:\\" + strName + "\\\\"), "C:\\" + strName);
    EXPECT_EQ(GetParentFolder("C:\\A\\" + strName), "C:\\A");
    EXPECT_EQ(GetParentFolder("C:\\" + strName + "B\\c.exe"), "C:\\" + strName + "B");
    EXPECT_EQ(GetParentFolder(strName + "x"), "");
    EXPECT_EQ(FindLastBackslash("a\\" + strName), 1u);

    CTempDir temp;
    std::string strChain = temp.Path() + strName + "\\" + strName + "B";
    EXPECT_TRUE(CreateDirectoryChain(strChain));
    bool bIsFile = true;
    EXPECT_TRUE(PathExists(temp.Path() + strName, bIsFile));
    EXPECT_FALSE(bIsFile);
    // A byte-wise split would have made a folder of the lone lead byte beside it.
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(FindFirstFileA((temp.Path() + "*").c_str(), &fd));
    ASSERT_TRUE(hFind.IsValid());
    std::vector<std::string> names;
    do {
        if (strcmp(fd.cFileName, ".") != 0 && strcmp(fd.cFileName, "..") != 0)
            names.push_back(fd.cFileName);
    } while (FindNextFileA(hFind.Get(), &fd));
    EXPECT_EQ(names, std::vector<std::string>{strName});
}

TEST(Path, CreateDirectoryChainMakesEveryLevel) {
    CTempDir temp;
    std::string strDeep = temp.Path() + "A\\B\\E";
    EXPECT_TRUE(CreateDirectoryChain(strDeep));
    for (const char* pszLevel : {"A", "A\\B", "A\\B\\E"}) {
        DWORD dwAttr = GetFileAttributesA((temp.Path() + pszLevel).c_str());
        EXPECT_NE(dwAttr, INVALID_FILE_ATTRIBUTES) << pszLevel;
        EXPECT_TRUE(dwAttr & FILE_ATTRIBUTE_DIRECTORY) << pszLevel;
    }
    // Existing levels and a trailing backslash are fine.
    EXPECT_TRUE(CreateDirectoryChain(strDeep + "\\F\\"));
    EXPECT_TRUE(CreateDirectoryChain(strDeep));

    // A file in the way.
    ASSERT_TRUE(WriteFileText(temp.File("F"), "x"));
    EXPECT_FALSE(CreateDirectoryChain(temp.Path() + "F\\B\\E"));
    EXPECT_FALSE(CreateDirectoryChain(temp.Path() + "F"));
    EXPECT_FALSE(CreateDirectoryChain("Q:\\no\\such\\drive"));
}

TEST(Path, PathExistsTellsFilesFromFolders) {
    CTempDir temp;
    ASSERT_TRUE(WriteFileText(temp.File("f.txt"), "x"));
    bool bIsFile = true;
    EXPECT_TRUE(PathExists(temp.Path(), bIsFile));
    EXPECT_FALSE(bIsFile);
    bIsFile = true;
    EXPECT_TRUE(PathExists(RemoveTrailingBackslash(temp.Path()), bIsFile));
    EXPECT_FALSE(bIsFile);
    EXPECT_TRUE(PathExists(temp.File("f.txt"), bIsFile));
    EXPECT_TRUE(bIsFile);
    EXPECT_TRUE(PathExists(temp.File("*.txt"), bIsFile));

    bIsFile = true;
    EXPECT_FALSE(PathExists(temp.File("missing"), bIsFile));
    EXPECT_TRUE(bIsFile);
    bIsFile = false;
    EXPECT_FALSE(PathExists(temp.File("missing\\"), bIsFile));
    EXPECT_FALSE(bIsFile);
    EXPECT_FALSE(PathExists(temp.File("*.none"), bIsFile));
}

TEST(Path, ModulePathAndFolder) {
    std::string strPath = GetModulePath();
    EXPECT_EQ(strPath.substr(strPath.size() - 12), "PathTest.exe");
    EXPECT_EQ(GetModuleFolder() + "PathTest.exe", strPath);
    EXPECT_TRUE(FileExists(strPath));
}
