// The products the program knows by id, and what the registry says of them: whether an
// installer left a product registered, and where an earlier install lies. Blocks on the
// registry; any thread.
#pragma once

#include <string>

// The product-name table (1-8); null for any other id.
const char* ProductTableName(int nProductId);
// The name the product's uninstall entry begins with: the table name, followed by
// "视频社区" except for Kavvik; empty for an id outside the table.
std::string ProductRegistryName(int nProductId);
// Whether the installer left the product registered. Ids outside 1-8 are failures without a
// registry search.
bool CheckProductInstalled(int nProductId);

// The folder of an earlier install: the uninstall entry's folder (used even when its icon file
// is gone), else the App Paths "KavvikPath" of the product; every '/' turned into '\'.
// Empty when neither names one.
std::string FindEarlierInstallFolder(const std::string& strUninstallKeyName,
                                     const std::string& strProductName);
