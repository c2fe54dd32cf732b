#include "MakerServer.h"

#include <windows.h>

#include "Path.h"
#include "TestSupport.h"

namespace {

std::string StateFile(const std::string& strName) {
    std::string strState = GetEnvString("ORVANE_TEST_STATE");
    return strState.empty() ? std::string() : AddBackslash(strState) + strName;
}

}  // namespace

bool PutMakerFile(const std::string& strName, const std::string& strBytes) {
    std::string strPath = StateFile(strName);
    return !strPath.empty() && WriteFileText(strPath, strBytes);
}

void ClearMakerFiles() {
    static const char* const kNames[] = {"maker-catalogue.xml", "maker-catalogue.status", "maker-setup.xml",
                                         "maker-setup.status",  "maker-stats.fail",       "maker-stats.log",
                                         "maker-config.log"};
    for (const char* pszName : kNames) {
        std::string strPath = StateFile(pszName);
        if (!strPath.empty())
            ::DeleteFileA(strPath.c_str());
    }
}

std::vector<std::string> MakerRecord(const std::string& strName) {
    std::vector<std::string> lines;
    std::string strText = ReadFileText(StateFile(strName));
    size_t nPos = 0;
    while (nPos < strText.size()) {
        size_t nEnd = strText.find('\n', nPos);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        lines.push_back(strText.substr(nPos, nEnd - nPos));
        nPos = nEnd + 1;
    }
    return lines;
}

bool WaitForMakerRecord(const std::string& strName, size_t nCount, int nTimeoutMs) {
    DWORD dwStart = ::GetTickCount();
    for (;;) {
        if (MakerRecord(strName).size() >= nCount)
            return true;
        if (static_cast<int>(::GetTickCount() - dwStart) > nTimeoutMs)
            return false;
        ::Sleep(20);
    }
}
