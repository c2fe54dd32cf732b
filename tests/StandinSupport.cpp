#include "StandinSupport.h"

#include <windows.h>

#include <cstdint>
#include <vector>

CStandinRecord::CStandinRecord(const CTempDir& dir) : m_strPath(dir.File("record.txt")) {
    ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", m_strPath.c_str());
}

CStandinRecord::~CStandinRecord() {
    ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", nullptr);
}

std::string CStandinRecord::Text() const {
    return ReadFileText(m_strPath);
}

bool CStandinRecord::WaitFor(const std::string& strPrefix, int nTimeoutMs) const {
    for (int nWaited = 0; nWaited < nTimeoutMs; nWaited += 50) {
        if (("\n" + Text()).find("\n" + strPrefix) != std::string::npos)
            return true;
        ::Sleep(50);
    }
    return false;
}

std::string TestBinBytes(const char* pszName) {
    std::vector<uint8_t> bytes;
    ReadFileBytes(TestBinFolder() + pszName, bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string ComposeProductSetup(const std::string& strName, const std::string& strVersion) {
    std::string strStub = TestBinBytes("OrvProductSetup.exe");
    std::string strOverlay =
        "set name=" + strName + "\nset version=" + strVersion + "\nset icon=product.ico\n";
    std::string strClient = TestBinBytes("OrvClient.exe");
    strOverlay += "file Kavvik.exe " + std::to_string(strClient.size()) + "\n" + strClient;
    strOverlay += "file product.ico 4\nicon";
    std::string strTrailer = "ORVSTAND";
    for (int i = 0; i < 8; ++i) strTrailer += static_cast<char>((strStub.size() >> (8 * i)) & 0xFF);
    return strStub + strOverlay + strTrailer;
}
