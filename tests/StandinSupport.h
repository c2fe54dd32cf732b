// What the install tests share about the stand-in programs: the record they write and the
// product installer stand-in composed with what it installs.
#pragma once

#include <string>

#include "TestSupport.h"

// The stand-ins write their records to one file per test, named through the environment
// that started processes inherit.
class CStandinRecord {
public:
    explicit CStandinRecord(const CTempDir& dir);
    ~CStandinRecord();
    CStandinRecord(const CStandinRecord&) = delete;
    CStandinRecord& operator=(const CStandinRecord&) = delete;
    std::string Text() const;
    // Waits for a line beginning with strPrefix; stand-ins run beside the test.
    bool WaitFor(const std::string& strPrefix, int nTimeoutMs = 20000) const;

private:
    std::string m_strPath;
};

// The bytes of a program in the test bin folder.
std::string TestBinBytes(const char* pszName);
// The product installer stand-in carrying the client as "Kavvik.exe" and an icon file, for
// the product strName at strVersion (layout in tools/standins/OrvProductSetup.cpp).
std::string ComposeProductSetup(const std::string& strName, const std::string& strVersion);
