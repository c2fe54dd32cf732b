#include "InstallerTrust.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <atomic>
#include <cctype>

#include "CertificateTable.h"
#include "Log.h"

#ifndef ORVANE_TRUSTED_SIGNERS
#define ORVANE_TRUSTED_SIGNERS ""
#endif

namespace {

constexpr size_t kThumbprintDigits = 64;

std::wstring ToWide(const std::string& strText) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, strText.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring strWide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, strText.c_str(), -1, &strWide[0], n);
    strWide.resize(static_cast<size_t>(n - 1));
    return strWide;
}

// One verification: the provider keeps its state (the signer and its chain) from the verify
// action until the close action, which the destructor always takes. The provider reads the
// open file; the path only names it.
class CVerification {
public:
    CVerification(HANDLE hFile, const std::string& strPath) : m_strPath(ToWide(strPath)) {
        m_file.cbStruct = sizeof(m_file);
        m_file.pcwszFilePath = m_strPath.c_str();
        m_file.hFile = hFile;
        m_data.cbStruct = sizeof(m_data);
        m_data.dwUIChoice = WTD_UI_NONE;
        m_data.fdwRevocationChecks = WTD_REVOKE_NONE;
        m_data.dwUnionChoice = WTD_CHOICE_FILE;
        m_data.pFile = &m_file;
        m_data.dwStateAction = WTD_STATEACTION_VERIFY;
        // No certificate list or revocation fetched from the network.
        m_data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
        m_lResult = Call();
    }
    ~CVerification() {
        m_data.dwStateAction = WTD_STATEACTION_CLOSE;
        Call();
    }
    CVerification(const CVerification&) = delete;
    CVerification& operator=(const CVerification&) = delete;

    LONG Result() const { return m_lResult; }

    // The leaf signer's SHA-256 thumbprint in upper-case hex; empty when there is none.
    std::string SignerThumbprint() const {
        CRYPT_PROVIDER_DATA* pData = ::WTHelperProvDataFromStateData(m_data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* pSigner = pData ? ::WTHelperGetProvSignerFromChain(pData, 0, FALSE, 0) : nullptr;
        if (!pSigner || pSigner->csCertChain == 0 || !pSigner->pasCertChain ||
            !pSigner->pasCertChain[0].pCert)
            return std::string();
        PCCERT_CONTEXT pCert = pSigner->pasCertChain[0].pCert;
        // Hashed here rather than read as a certificate property, which not every platform
        // version fills in for a signer's certificate.
        BYTE hash[32] = {};
        DWORD cbHash = sizeof(hash);
        if (!::CryptHashCertificate2(L"SHA256", 0, nullptr, pCert->pbCertEncoded, pCert->cbCertEncoded, hash,
                                     &cbHash) ||
            cbHash != sizeof(hash))
            return std::string();
        static const char kHex[] = "0123456789ABCDEF";
        std::string strHex;
        for (BYTE b : hash) {
            strHex += kHex[b >> 4];
            strHex += kHex[b & 15];
        }
        return strHex;
    }

private:
    LONG Call() {
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        return ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &m_data);
    }

    std::wstring m_strPath;
    WINTRUST_FILE_INFO m_file = {};
    WINTRUST_DATA m_data = {};
    LONG m_lResult = 0;
};

bool IsThumbprint(const std::string& strEntry) {
    if (strEntry.size() != kThumbprintDigits)
        return false;
    for (char c : strEntry)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

}  // namespace

const CInstallerTrust& CInstallerTrust::Built() {
    static const CInstallerTrust trust(ORVANE_TRUSTED_SIGNERS);
    return trust;
}

CInstallerTrust::CInstallerTrust(const std::string& strThumbprints) {
    std::string strEntry;
    for (size_t i = 0; i <= strThumbprints.size(); ++i) {
        char c = i < strThumbprints.size() ? strThumbprints[i] : ';';
        if (c == ';' || c == ',' || c == ' ' || c == '\t') {
            if (IsThumbprint(strEntry))
                m_pinned.push_back(strEntry);
            strEntry.clear();
        } else {
            strEntry += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
}

bool CInstallerTrust::IsPinned(const std::string& strThumbprint) const {
    for (const std::string& strPinned : m_pinned)
        if (strPinned == strThumbprint)
            return true;
    return false;
}

bool CInstallerTrust::Check(HANDLE hFile, const std::string& strPath, LONG* plResult) const {
    if (!IsEnforced()) {
        static std::atomic<bool> bLogged(false);
        if (!bLogged.exchange(true))
            LOGF(0, "CInstallerTrust 未配置可信签名者，安装程序不校验签名\n");
        if (plResult)
            *plResult = 0;
        return true;
    }
    CVerification verification(hFile, strPath);
    LONG lResult = verification.Result();
    if (plResult)
        *plResult = lResult;
    if (lResult != ERROR_SUCCESS) {
        LOGF(0, "CInstallerTrust::Check(%s) 签名无效[0x%08lX]\n", strPath.c_str(),
             static_cast<unsigned long>(lResult));
        return false;
    }
    if (!HasCleanCertificateTable(hFile)) {
        LOGF(0, "CInstallerTrust::Check(%s) 证书表含签名以外的数据\n", strPath.c_str());
        return false;
    }
    std::string strSigner = verification.SignerThumbprint();
    if (!IsPinned(strSigner)) {
        LOGF(0, "CInstallerTrust::Check(%s) 签名者不可信[%s]\n", strPath.c_str(), strSigner.c_str());
        return false;
    }
    return true;
}

void CInstallerTrust::Discard(const std::string& strPath) {
    for (const char* pszSuffix : {"", ".kvd", ".kvb"}) ::DeleteFileA((strPath + pszSuffix).c_str());
}
