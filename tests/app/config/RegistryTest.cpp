#include "Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "TestSupport.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A name no other entry of the machine begins with.
std::string UniqueName(const char* pszTag) {
    return std::string("OrvRegTest") + pszTag + std::to_string(GetCurrentProcessId()) + "x" +
           std::to_string(GetTickCount());
}

// A registry key created for one test and deleted (with its values) at the end.
class CTestKey {
public:
    CTestKey(HKEY hRoot, const std::string& strPath) : m_hRoot(hRoot), m_strPath(strPath) {
        m_bCreated = RegCreateKeyExA(hRoot, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     m_hKey.Receive(), nullptr) == ERROR_SUCCESS;
    }
    ~CTestKey() {
        m_hKey.Close();
        if (m_bCreated)
            RegDeleteKeyA(m_hRoot, m_strPath.c_str());
    }
    bool IsCreated() const { return m_bCreated; }
    bool Set(const char* pszName, const std::string& strValue) {
        return RegSetValueExA(m_hKey.Get(), pszName, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(strValue.c_str()),
                              static_cast<DWORD>(strValue.size() + 1)) == ERROR_SUCCESS;
    }

private:
    HKEY m_hRoot;
    std::string m_strPath;
    CRegKey m_hKey;
    bool m_bCreated = false;
};

// An uninstall entry with the two values the lookups read.
struct UninstallEntry {
    UninstallEntry(const std::string& strName, const std::string& strUninstall, const std::string& strIcon)
        : key(HKEY_LOCAL_MACHINE, kUninstallKey + strName) {
        EXPECT_TRUE(key.IsCreated()) << strName;
        key.Set("UninstallString", strUninstall);
        key.Set("DisplayIcon", strIcon);
    }
    CTestKey key;
};

// Subkey names of the Uninstall key in listing order.
std::vector<std::string> ListUninstallEntries() {
    std::vector<std::string> names;
    CRegKey hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                      KEY_READ, hKey.Receive()) != ERROR_SUCCESS) {
        return names;
    }
    char szName[512];
    for (DWORD i = 0;; ++i) {
        DWORD cch = sizeof(szName);
        if (RegEnumKeyExA(hKey.Get(), i, szName, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(szName, cch);
    }
    return names;
}

// An installed product on disk: a folder with an uninstaller and an icon file.
struct FakeInstall {
    explicit FakeInstall(const std::string& strSub) {
        strFolder = temp.Path() + strSub;
        CreateDirectoryA(strFolder.c_str(), nullptr);
        strUninstaller = strFolder + "\\uninst.exe";
        strIcon = strFolder + "\\app.exe";
        WriteFileText(strUninstaller, "u");
        WriteFileText(strIcon, "i");
    }
    CTempDir temp;
    std::string strFolder, strUninstaller, strIcon;
};

}  // namespace

TEST(Registry, ReadRegistryStringKeyValueAndLength) {
    std::string strKeyPath = std::string("Software\\") + UniqueName("Read");
    std::string strOut = "untouched";
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "v", strOut));
    EXPECT_EQ(strOut, "untouched");

    CTestKey key(HKEY_CURRENT_USER, strKeyPath);
    ASSERT_TRUE(key.IsCreated());
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "missing", strOut));
    EXPECT_EQ(strOut, "");

    key.Set("short", "C:\\Apps\\中文");
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "short", strOut));
    EXPECT_EQ(strOut, "C:\\Apps\\中文");

    // Longer than the 260-byte first buffer: read whole, never cut.
    std::string strLong = "C:\\" + std::string(1000, 'a') + "\\end";
    key.Set("long", strLong);
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "long", strOut));
    EXPECT_EQ(strOut, strLong);
    // Exactly at the first buffer's size: 259 bytes and the terminator.
    std::string strEdge(259, 'e');
    key.Set("edge", strEdge);
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "edge", strOut));
    EXPECT_EQ(strOut, strEdge);
    // Beyond the limit: read as empty text, not a cut one.
    key.Set("huge", std::string(70000, 'h'));
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, strKeyPath, "huge", strOut));
    EXPECT_EQ(strOut, "");
}

TEST(Registry, FindInstalledProductByNameDashVersion) {
    FakeInstall install("App");
    std::string strName = UniqueName("Find");
    UninstallEntry entry(strName + "-1.0", install.strUninstaller, install.strIcon);

    std::string strFolder;
    EXPECT_TRUE(FindInstalledProduct(strName, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);

    // Letter case of the prefix does not matter.
    std::string strUpper = strName;
    for (char& c : strUpper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    strFolder.clear();
    EXPECT_TRUE(FindInstalledProduct(strUpper, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);

    // Only a full name followed by "-" counts: a longer name or a shorter one does not.
    EXPECT_FALSE(FindInstalledProduct(strName + "-1", strFolder));
    EXPECT_FALSE(FindInstalledProduct(strName.substr(0, strName.size() - 1), strFolder));
}

TEST(Registry, EntryNamedWithoutDashIsNotFound) {
    FakeInstall install("App");
    std::string strName = UniqueName("Bare");
    UninstallEntry entry(strName, install.strUninstaller, install.strIcon);
    std::string strFolder;
    EXPECT_FALSE(FindInstalledProduct(strName, strFolder));
    // The entry itself is sound: looked up by its exact name it answers true.
    EXPECT_TRUE(GetUninstallFolder(strName, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);
}

TEST(Registry, OnlyTheFirstMatchingEntryIsExamined) {
    FakeInstall install("App");
    std::string strName = UniqueName("Two");
    std::string strA = strName + "-1.0", strB = strName + "-2.0";
    UninstallEntry entryA(strA, install.strUninstaller, install.strIcon);
    UninstallEntry entryB(strB, install.strUninstaller, install.strIcon);
    std::string strFolder;
    ASSERT_TRUE(FindInstalledProduct(strName, strFolder));

    // Break whichever of the two the listing gives first; the other stays sound.
    std::vector<std::string> names = ListUninstallEntries();
    std::string strFirst;
    for (const std::string& s : names) {
        if (s == strA || s == strB) {
            strFirst = s;
            break;
        }
    }
    ASSERT_FALSE(strFirst.empty());
    UninstallEntry& first = strFirst == strA ? entryA : entryB;
    const std::string& strSecond = strFirst == strA ? strB : strA;
    first.key.Set("DisplayIcon", install.strFolder + "\\missing.exe");

    EXPECT_TRUE(GetUninstallFolder(strSecond, strFolder));
    EXPECT_FALSE(FindInstalledProduct(strName, strFolder));
}

TEST(Registry, UninstallFolderNeedsABackslashAndAnExistingIcon) {
    FakeInstall install("App");
    std::string strName = UniqueName("Rules") + "-1.0";
    UninstallEntry entry(strName, "uninst.exe", install.strIcon);

    std::string strFolder = "old";
    EXPECT_FALSE(GetUninstallFolder(strName, strFolder));
    EXPECT_EQ(strFolder, "");

    // The folder is filled in before the icon is tested, for callers that use it anyway.
    entry.key.Set("UninstallString", install.strUninstaller);
    entry.key.Set("DisplayIcon", install.strFolder + "\\gone.exe");
    EXPECT_FALSE(GetUninstallFolder(strName, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);

    entry.key.Set("DisplayIcon", "");
    EXPECT_FALSE(GetUninstallFolder(strName, strFolder));
    // A pattern matches files, but names none exactly.
    entry.key.Set("DisplayIcon", install.strFolder + "\\*.exe");
    EXPECT_FALSE(GetUninstallFolder(strName, strFolder));

    entry.key.Set("DisplayIcon", install.strIcon);
    EXPECT_TRUE(GetUninstallFolder(strName, strFolder));

    strFolder = "untouched";
    EXPECT_FALSE(GetUninstallFolder(UniqueName("None") + "-1.0", strFolder));
    EXPECT_EQ(strFolder, "untouched");
}

TEST(Registry, QuotesAndIconIndexAreTakenOff) {
    FakeInstall install("App Dir");
    std::string strName = UniqueName("Quote");
    UninstallEntry entry(strName + "-3.2", "\"" + install.strUninstaller + "\"",
                         "\"" + install.strIcon + "\",0");

    std::string strFolder;
    EXPECT_TRUE(FindInstalledProduct(strName, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);

    // Arguments behind the quoted uninstaller and other icon index forms.
    entry.key.Set("UninstallString", "\"" + install.strUninstaller + "\" /S /D=C:\\x\\y");
    entry.key.Set("DisplayIcon", install.strIcon + ",0");
    EXPECT_TRUE(FindInstalledProduct(strName, strFolder));
    EXPECT_EQ(strFolder, install.strFolder);
    entry.key.Set("DisplayIcon", install.strIcon + ",-101");
    EXPECT_TRUE(GetUninstallFolder(strName + "-3.2", strFolder));
    entry.key.Set("DisplayIcon", "\"" + install.strIcon + ",2\"");
    EXPECT_TRUE(GetUninstallFolder(strName + "-3.2", strFolder));
}

TEST(Registry, DisplayIconFileForms) {
    EXPECT_EQ(DisplayIconFile("C:\\a\\b.exe"), "C:\\a\\b.exe");
    EXPECT_EQ(DisplayIconFile("C:\\a\\b.exe,0"), "C:\\a\\b.exe");
    EXPECT_EQ(DisplayIconFile("C:\\a\\b.exe, 12"), "C:\\a\\b.exe");
    EXPECT_EQ(DisplayIconFile("\"C:\\a b\\c.exe\",-3"), "C:\\a b\\c.exe");
    // A comma that is part of the name stays.
    EXPECT_EQ(DisplayIconFile("C:\\a,b\\c.ico"), "C:\\a,b\\c.ico");
    EXPECT_EQ(DisplayIconFile("C:\\a\\b.exe,"), "C:\\a\\b.exe,");
    EXPECT_EQ(DisplayIconFile("C:\\a\\b.exe,1x"), "C:\\a\\b.exe,1x");
    EXPECT_EQ(UnquoteRegistryPath("\"C:\\a\\u.exe"), "C:\\a\\u.exe");
    EXPECT_EQ(UnquoteRegistryPath("C:\\a\\\"u\".exe"), "C:\\a\\\"u\".exe");
}

TEST(Registry, AppPathsFolder) {
    std::string strName = UniqueName("AppPath");
    std::string strFolder = "untouched";
    EXPECT_FALSE(GetAppPathsFolder(strName, strFolder));
    EXPECT_EQ(strFolder, "untouched");

    CTestKey key(HKEY_LOCAL_MACHINE,
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + strName + ".exe");
    ASSERT_TRUE(key.IsCreated());
    key.Set("KavvikPath", "D:/Kavvik/客户端");
    EXPECT_TRUE(GetAppPathsFolder(strName, strFolder));
    EXPECT_EQ(strFolder, "D:/Kavvik/客户端");
}

TEST(Registry, StartPageIsWrittenAndReadBack) {
    const char kMain[] = "Software\\Microsoft\\Internet Explorer\\Main";
    // The key exists on every system with a browser; make sure it does in this one too.
    CRegKey hKey;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kMain, 0, nullptr, 0, KEY_READ, nullptr, hKey.Receive(), nullptr),
        ERROR_SUCCESS);
    hKey.Close();
    std::string strOld;
    bool bHadOld = false;
    {
        CRegKey hRead;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kMain, 0, KEY_QUERY_VALUE, hRead.Receive()) == ERROR_SUCCESS)
            bHadOld = RegQueryValueExA(hRead.Get(), "Start Page", nullptr, nullptr, nullptr, nullptr) ==
                      ERROR_SUCCESS;
    }
    if (bHadOld)
        ReadRegistryString(HKEY_CURRENT_USER, kMain, "Start Page", strOld);

    const std::string strPage = "http://127.0.0.1:1/start?a=1&b=中";
    EXPECT_TRUE(SetBrowserStartPage(strPage));
    std::string strRead;
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kMain, "Start Page", strRead));
    EXPECT_EQ(strRead, strPage);

    if (bHadOld) {
        SetBrowserStartPage(strOld);
    } else {
        CRegKey hDel;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kMain, 0, KEY_SET_VALUE, hDel.Receive()) == ERROR_SUCCESS)
            RegDeleteValueA(hDel.Get(), "Start Page");
    }
}
