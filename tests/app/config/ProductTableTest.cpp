#include "ProductTable.h"

#include <gtest/gtest.h>

#include <string>

#include "Handles.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

}  // namespace

TEST(ProductTable, RegistryNamesAndIdsOutsideTheTable) {
    EXPECT_EQ(ProductRegistryName(8), "Kavvik");
    EXPECT_EQ(ProductRegistryName(3), "Nalvo视频社区");
    EXPECT_EQ(ProductRegistryName(1), "Brelo视频社区");
    EXPECT_EQ(ProductRegistryName(0), "");
    EXPECT_EQ(ProductRegistryName(9), "");
    // Never installed, whatever the registry holds: no name to search for.
    EXPECT_FALSE(CheckProductInstalled(0));
    EXPECT_FALSE(CheckProductInstalled(9));
}

TEST(ProductTable, EarlierInstallFolderFromTheUninstallEntryOrTheAppPath) {
    const std::string strAppPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OrvFlowTest.exe";
    const std::string strEntry = "OrvFlowTest-1.0";
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "");
    CRegKey hApp;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strAppPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, hApp.Receive(), nullptr),
              ERROR_SUCCESS);
    const char kValue[] = "D:/Apps/Orv Flow";
    ::RegSetValueExA(hApp.Get(), "KavvikPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(kValue),
                     sizeof(kValue));
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "D:\\Apps\\Orv Flow");
    CRegKey hEntry;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + strEntry).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, hEntry.Receive(), nullptr),
              ERROR_SUCCESS);
    // The icon file is gone: the folder still counts as the earlier install's.
    const char kUninstall[] = "E:\\Old/Orv\\uninst.exe";
    ::RegSetValueExA(hEntry.Get(), "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(kUninstall),
                     sizeof(kUninstall));
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "E:\\Old\\Orv");
    hApp.Close();
    hEntry.Close();
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, strAppPath.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + strEntry).c_str());
}
