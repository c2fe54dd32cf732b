// The installer trust check on real files: a stand-in this build signs with the pinned test
// signer, an unsigned program, the signed one with one byte changed and a missing file.
#include "InstallerTrust.h"

#include <gtest/gtest.h>
#include <wintrust.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "Log.h"
#include "Path.h"
#include "TestSupport.h"

namespace {

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
    EXPECT_TRUE(built.Check(strSigned, &lResult));
    EXPECT_EQ(lResult, 0);

    // The same signer pinned in lower case beside an entry that is no thumbprint; then a
    // list without it: the signature holds, the signer does not.
    std::string strThumbprint = TrustedThumbprint();
    ASSERT_EQ(strThumbprint.size(), 64u);
    std::string strLower = strThumbprint;
    std::transform(strLower.begin(), strLower.end(), strLower.begin(),
                   [](char c) { return std::tolower(c); });
    EXPECT_TRUE(CInstallerTrust("not-a-thumbprint;" + strLower).Check(strSigned));
    EXPECT_FALSE(CInstallerTrust(std::string(64, 'A')).Check(strSigned, &lResult));
    EXPECT_EQ(lResult, 0);

    EXPECT_FALSE(built.Check(GetModulePath(), &lResult));
    EXPECT_EQ(lResult, static_cast<LONG>(TRUST_E_NOSIGNATURE));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(strSigned, bytes));
    bytes[bytes.size() / 2] ^= 0xFF;
    const std::string strTampered = dir.File("tampered.exe");
    ASSERT_TRUE(WriteFileBytes(strTampered, bytes.data(), bytes.size()));
    EXPECT_FALSE(built.Check(strTampered, &lResult));
    EXPECT_EQ(lResult, static_cast<LONG>(TRUST_E_BAD_DIGEST));
    EXPECT_FALSE(built.Check(dir.File("missing.exe"), &lResult));
    EXPECT_NE(lResult, 0);

    // Without pins everything passes, said once for the whole process.
    CInstallerTrust unpinned("");
    EXPECT_FALSE(unpinned.IsEnforced());
    EXPECT_TRUE(unpinned.Check(strTampered));
    EXPECT_TRUE(unpinned.Check(dir.File("missing.exe")));

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
    EXPECT_EQ(CountOccurrences(strLog, "CInstallerTrust 未配置可信签名者，安装程序不校验签名"), 1u) << strLog;
}
