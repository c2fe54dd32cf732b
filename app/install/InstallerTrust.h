// Whether a downloaded installer may run: its Authenticode signature must hold and its signer
// must be one of the maker's certificates pinned at build time (SHA-256 thumbprints). Over
// plain HTTP anyone on the path could hand over a program of their own; the pin is what makes
// the check mean something where the platform accepts any root (Wine does).
//
// Stateless apart from a once-per-process log line; safe on any thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CInstallerTrust {
public:
    // The signers this build pins (ORVANE_TRUSTED_SIGNERS at configure time).
    static const CInstallerTrust& Built();

    // strThumbprints: SHA-256 thumbprints in hex, either case, separated by ';', ',' or blanks.
    // An entry that is not 64 hex digits is ignored. No entry at all: nothing is verified.
    explicit CInstallerTrust(const std::string& strThumbprints);

    bool IsEnforced() const { return !m_pinned.empty(); }

    // True when the open file hFile (read access; strPath names it in the log) may run.
    // Without pins always true (logged once per process). Else the signature must verify
    // without any user interface or network, the certificate table hold nothing but it, and
    // its signer be pinned; a refusal is logged with the platform's verdict. plResult:
    // WinVerifyTrust's result. The check reads hFile only, so a caller that keeps it open
    // without write or delete sharing starts what was checked.
    bool Check(HANDLE hFile, const std::string& strPath, LONG* plResult = nullptr) const;

    // Deletes a refused installer and the partial-download files beside it (".kvd", ".kvb"),
    // so that no later run resumes from or starts those bytes.
    static void Discard(const std::string& strPath);

private:
    bool IsPinned(const std::string& strThumbprint) const;

    std::vector<std::string> m_pinned;  // upper-case hex
};
