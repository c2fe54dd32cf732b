#include "ProductTable.h"

#include "Registry.h"

const char* ProductTableName(int nProductId) {
    static const char* const kNames[] = {"Brelo", "Dunsa", "Nalvo", "Fimra",
                                         "Gorlu", "Hesko", "Jupra", "Kavvik"};
    if (nProductId < 1 || nProductId > 8)
        return nullptr;
    return kNames[nProductId - 1];
}

std::string ProductRegistryName(int nProductId) {
    const char* pszName = ProductTableName(nProductId);
    if (!pszName)
        return std::string();
    std::string strName = pszName;
    return strName == "Kavvik" ? strName : strName + "视频社区";
}

bool CheckProductInstalled(int nProductId) {
    std::string strName = ProductRegistryName(nProductId);
    if (strName.empty())
        return false;
    std::string strFolder;
    return FindInstalledProduct(strName, strFolder);
}

std::string FindEarlierInstallFolder(const std::string& strUninstallKeyName,
                                     const std::string& strProductName) {
    std::string strFolder;
    GetUninstallFolder(strUninstallKeyName, strFolder);
    if (strFolder.empty())
        GetAppPathsFolder(strProductName, strFolder);
    for (char& c : strFolder)
        if (c == '/')
            c = '\\';
    return strFolder;
}
