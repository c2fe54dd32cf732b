// The installer trust check on real files: a stand-in this build signs with the pinned test
// signer, an unsigned program, the signed one with one byte changed, with script inside its
// certificate table, and a missing file.
#include "InstallerTrust.h"

#include <gtest/gtest.h>
#include <wintrust.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "CertificateTable.h"
#include "Handles.h"
#include "HeldInstaller.h"
#include "Log.h"
#include "Path.h"
#include "TestSupport.h"

namespace {

// The check as the install run makes it: through a handle that shares reading only.
bool CheckFile(const CInstallerTrust& trust, const std::string& strPath, LONG* plResult = nullptr) {
    CFileHandle hFile(::CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(hFile.IsValid()) << strPath;
    return trust.Check(hFile.Get(), strPath, plResult);
}

uint32_t GetLe32(const std::vector<uint8_t>& bytes, size_t nAt) {
    uint32_t n = 0;
    memcpy(&n, &bytes[nAt], sizeof(n));
    return n;
}

void PutLe32(std::vector<uint8_t>& bytes, size_t nAt, uint32_t n) {
    memcpy(&bytes[nAt], &n, sizeof(n));
}

// A signed program with strExtra appended inside its certificate table, which ends the file:
// the table's size in the security directory and the signature entry's length both grow, as
// a patcher does to keep the platform's signature check passing.
std::vector<uint8_t> AppendInsideCertificateTable(std::vector<uint8_t> bytes, const std::string& strExtra) {
    size_t nNt = GetLe32(bytes, 0x3C);
    bool bPe32Plus = bytes[nNt + 24] == 0x0B && bytes[nNt + 25] == 0x02;
    size_t nEntry = nNt + 24 + (bPe32Plus ? 112 : 96) + 4 * 8;
    uint32_t dwOffset = GetLe32(bytes, nEntry), dwSize = GetLe32(bytes, nEntry + 4);
    EXPECT_EQ(size_t(dwOffset) + dwSize, bytes.size());
    PutLe32(bytes, nEntry + 4, dwSize + static_cast<uint32_t>(strExtra.size()));
    PutLe32(bytes, dwOffset, GetLe32(bytes, dwOffset) + static_cast<uint32_t>(strExtra.size()));
    bytes.insert(bytes.end(), strExtra.begin(), strExtra.end());
    return bytes;
}

// The pinned signer's thumbprint as scripts/test-signer.sh wrote it.
std::string TrustedThumbprint() {
    std::string strDir = GetEnvString("ORVANE_TEST_SIGNER_DIR");
    if (strDir.empty())
        strDir = GetEnvString("ORVANE_SOURCE_DIR") + "/build-testsigner";
    std::string strText = ReadFileText("Z:" + strDir + "/trusted.sha256");
    return strText.substr(0, strText.find_first_of("\r\n"));
}

}  // namespace

TEST(InstallerTrustTest, OnlyAnIntactFileOfAPinnedSignerPasses) {
    CTempDir dir;
    SetLogFile(dir.File("trust.log").c_str());
    SetLogFlags(LOG_FILE);
    const CInstallerTrust& built = CInstallerTrust::Built();
    ASSERT_TRUE(built.IsEnforced());
    const std::string strSigned = TestBinFolder() + "OrvRecommendSetup.exe";
    LONG lResult = -1;
    EXPECT_TRUE(CheckFile(built, strSigned, &lResult));
    EXPECT_EQ(lResult, 0);
    {
        // What is checked is the open file, whatever the path names by then.
        CFileHandle hSigned(::CreateFileA(strSigned.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(built.Check(hSigned.Get(), GetModulePath()));
    }

    // The same signer pinned in lower case beside an entry that is no thumbprint; then a
    // list without it: the signature holds, the signer does not.
    std::string strThumbprint = TrustedThumbprint();
    ASSERT_EQ(strThumbprint.size(), 64u);
    std::string strLower = strThumbprint;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](char c) { return std::tolower(c); });
    EXPECT_TRUE(CheckFile(CInstallerTrust("not-a-thumbprint;" + strLower), strSigned));
    EXPECT_FALSE(CheckFile(CInstallerTrust(std::string(64, 'A')), strSigned, &lResult));
    EXPECT_EQ(lResult, 0);

    EXPECT_FALSE(CheckFile(built, GetModulePath(), &lResult));
    EXPECT_EQ(lResult, static_cast<LONG>(TRUST_E_NOSIGNATURE));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(strSigned, bytes));
    bytes[bytes.size() / 2] ^= 0xFF;
    const std::string strTampered = dir.File("tampered.exe");
    ASSERT_TRUE(WriteFileBytes(strTampered, bytes.data(), bytes.size()));
    EXPECT_FALSE(CheckFile(built, strTampered, &lResult));
    EXPECT_EQ(lResult, static_cast<LONG>(TRUST_E_BAD_DIGEST));

    // 71 bytes of script inside the certificate table: the platform's check alone passes it.
    ASSERT_TRUE(ReadFileBytes(strSigned, bytes));
    const std::string strScript = "<script>new ActiveXObject('WScript.Shell').Run('cmd /c calc');</script>";
    ASSERT_EQ(strScript.size(), 71u);
    std::vector<uint8_t> padded = AppendInsideCertificateTable(bytes, strScript);
    const std::string strPadded = dir.File("padded.exe");
    ASSERT_TRUE(WriteFileBytes(strPadded, padded.data(), padded.size()));
    EXPECT_FALSE(CheckFile(built, strPadded, &lResult));
    EXPECT_EQ(lResult, 0);
    EXPECT_FALSE(CheckFile(CInstallerTrust(strThumbprint), strPadded, &lResult));
    EXPECT_EQ(lResult, 0);
    // A missing file is never held, and so never checked.
    EXPECT_FALSE(CHeldInstaller(dir.File("missing.exe")).HoldTrusted());

    // Without pins everything passes, said once for the whole process.
    CInstallerTrust unpinned("");
    EXPECT_FALSE(unpinned.IsEnforced());
    EXPECT_TRUE(CheckFile(unpinned, strTampered));
    EXPECT_TRUE(CheckFile(unpinned, strPadded));

    for (const char* pszSuffix : {".kvd", ".kvb"})
        ASSERT_TRUE(WriteFileText(strTampered + pszSuffix, "part"));
    CInstallerTrust::Discard(strTampered);
    for (const char* pszSuffix : {"", ".kvd", ".kvb"}) EXPECT_FALSE(FileExists(strTampered + pszSuffix));

    SetLogFlags(LOG_TIME);
    SetLogFile("");
    std::string strLog = ReadFileText(dir.File("trust.log"));
    EXPECT_EQ(CountOccurrences(strLog, "CInstallerTrust::Check(" + strTampered + ") 签名无效[0x80096010]"),
              1u)
        << strLog;
    EXPECT_EQ(
        CountOccurrences(strLog, "CInstallerTrust::Check(" + GetModulePath() + ") 签名无效[0x800B0100]"), 1u)
        << strLog;
    EXPECT_EQ(CountOccurrences(strLog, ") 签名者不可信[" + strThumbprint + "]"), 1u) << strLog;
    EXPECT_EQ(CountOccurrences(strLog, "CInstallerTrust::Check(" + strPadded + ") 证书表含签名以外的数据"),
              2u)
        << strLog;
    EXPECT_EQ(CountOccurrences(
                  strLog, "CHeldInstaller::HoldTrusted(" + dir.File("missing.exe") + ") 无法独占打开[2]"),
              1u)
        << strLog;
    EXPECT_EQ(CountOccurrences(strLog, "CInstallerTrust 未配置可信签名者，安装程序不校验签名"), 1u) << strLog;
}

// The table's rule at its edges, on the signed stand-in's own table and its headers.
TEST(InstallerTrustTest, CertificateTableHoldsTheSignatureAndAtMostItsPadding) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(TestBinFolder() + "OrvRecommendSetup.exe", bytes));
    CertificateTableSpan span;
    ASSERT_TRUE(LocateCertificateTable(bytes.data(), bytes.size(), span));
    ASSERT_EQ(size_t(span.dwOffset) + span.dwSize, bytes.size());
    const std::vector<uint8_t> table(bytes.begin() + span.dwOffset, bytes.end());
    EXPECT_TRUE(IsCertificateTableClean(table.data(), table.size()));
    EXPECT_FALSE(LocateCertificateTable(bytes.data(), 0x3C, span));
    EXPECT_FALSE(LocateCertificateTable(bytes.data(), GetLe32(bytes, 0x3C) + 40, span));

    // The signature alone, its entry's length exact, then followed by n more bytes.
    ASSERT_EQ(table[8], 0x30);
    ASSERT_EQ(table[9], 0x82);
    const size_t nEnd = 8 + 4 + ((size_t(table[10]) << 8) | table[11]);
    ASSERT_LE(nEnd, table.size());
    auto WithTail = [&](size_t nZeros, uint8_t bLast) {
        std::vector<uint8_t> t(table.begin(), table.begin() + nEnd);
        PutLe32(t, 0, static_cast<uint32_t>(nEnd));
        t.insert(t.end(), nZeros, 0);
        if (bLast)
            t.push_back(bLast);
        return t;
    };
    for (size_t nZeros : {0, 7}) {
        std::vector<uint8_t> t = WithTail(nZeros, 0);
        EXPECT_TRUE(IsCertificateTableClean(t.data(), t.size())) << nZeros;
    }
    std::vector<uint8_t> eight = WithTail(8, 0), marked = WithTail(6, 'x');
    EXPECT_FALSE(IsCertificateTableClean(eight.data(), eight.size()));
    EXPECT_FALSE(IsCertificateTableClean(marked.data(), marked.size()));
    // Lengths that overrun: the entry beyond the table, the signature beyond its entry.
    std::vector<uint8_t> t = WithTail(0, 0);
    PutLe32(t, 0, static_cast<uint32_t>(nEnd + 1));
    EXPECT_FALSE(IsCertificateTableClean(t.data(), t.size()));
    PutLe32(t, 0, static_cast<uint32_t>(nEnd - 1));
    EXPECT_FALSE(IsCertificateTableClean(t.data(), t.size()));
    PutLe32(t, 0, static_cast<uint32_t>(nEnd));
    t[6] = 1;  // an X.509 entry instead of signed data
    EXPECT_FALSE(IsCertificateTableClean(t.data(), t.size()));
}
