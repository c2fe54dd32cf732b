#include "InstallerPaths.h"

#include <gtest/gtest.h>

TEST(InstallerPaths, FileNamesFromAddressesNeverLeaveTheInstallFolder) {
    const char* kCases[][2] = {
        {"http://h/dl/kavvik_setup.exe", "kavvik_setup.exe"},
        {"http://h/dl/a.exe?x=/y/z.exe#frag", "a.exe"},
        {"http://h/dl/my%20setup.exe", "my setup.exe"},
        {"http://h/dl/a%2525.exe", "a%25.exe"},  // decoded once only
        {"http://h/dl/", "setup.exe"},
        {"http://h/dl/..", "setup.exe"},
        {"http://h/dl/%2e%2e", "setup.exe"},
        {"http://h/dl/..%5c..%5cevil.exe", "setup.exe"},
        {"http://h/dl\\..\\..\\evil.exe", "setup.exe"},
        {"http://h/dl/c:evil.exe", "setup.exe"},
        {"http://h/dl/a%2fb.exe", "setup.exe"},
        {"http://h/dl/a%00b.exe", "setup.exe"},
        {"http://h/dl/con.exe", "setup.exe"},
        {"http://h/dl/a<b>.exe", "setup.exe"},
        // A double-byte character whose second byte is 0x5C is a name, not a separator.
        {"http://h/dl/%D7%5C.exe", "\xD7\x5C.exe"},
        // Saved under any other extension, the shell would hand it to that type's opener.
        {"http://h/dl/Setup.EXE", "Setup.EXE"},
        {"http://h/dl/setup.hta", "setup.exe"},
        {"http://h/dl/setup.exe.hta", "setup.exe"},
        {"http://h/dl/setup.exe%20", "setup.exe"},
        {"http://h/dl/setup.exe.", "setup.exe"},
        {"http://h/dl/setup", "setup.exe"},
    };
    for (const auto& item : kCases) EXPECT_EQ(SafeFileNameFromUrl(item[0]), item[1]) << item[0];
    EXPECT_EQ(SafeFileNameFromUrl("http://h/", "recommend1.exe"), "recommend1.exe");
    EXPECT_EQ(InstallerPathFor("C:\\Program Files\\Kavvik", "http://h/..%5cx.exe"),
              "C:\\Program Files\\Kavvik\\Install\\setup.exe");
    EXPECT_EQ(InstallerPathFor("D:\\K\\", "http://h/a/k.exe"), "D:\\K\\Install\\k.exe");
    EXPECT_EQ(InstallerFolderFor("D:\\K"), "D:\\K\\Install");
    EXPECT_EQ(DefaultInstallFolder('D', "Kavvik"), "D:\\Program Files\\Kavvik");
}

TEST(InstallerPaths, TheClientIsAProgramOfTheInstallFolderOutsideItsDownloads) {
    for (const char* pszExecute : {"Kavvik.exe", "bin\\Kavvik.EXE", "Installer\\k.exe", "Install.exe"})
        EXPECT_TRUE(IsClientProgramPath(pszExecute)) << pszExecute;
    for (const char* pszExecute :
         {"..\\..\\any\\program.exe", "Install\\kavvik_setup.exe.kvd", "Install\\kavvik_setup.exe",
          "install/kavvik_setup.exe", "Kavvik.bat", "C:\\Windows\\notepad.exe", "Kavvik.exe:x.exe", ""})
        EXPECT_FALSE(IsClientProgramPath(pszExecute)) << pszExecute;
}
