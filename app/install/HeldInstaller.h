// An installer from its signature check to its start. It is held open with a handle that
// shares reading only, so no other program can write, rename or delete it in between; the
// check reads that handle, and the shell then starts the same path, which still names the
// bytes that were checked. The file is let go once the process has started or failed to.
//
// One thread at a time; the owner's.
#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"
#include "InstallerTrust.h"

class CHeldInstaller {
public:
    explicit CHeldInstaller(const std::string& strPath) : m_strPath(strPath) {}

    // Opens the file (never through a link, whose target another program could change) and
    // checks it. A file that cannot be held or is refused is let go and deleted with its
    // partial-download files; false then. Logs what failed.
    bool HoldTrusted(const CInstallerTrust& trust = CInstallerTrust::Built());
    bool IsHeld() const { return m_hFile.IsValid(); }
    const std::string& GetPath() const { return m_strPath; }

    // Starts the held file hidden through the shell, by the path the file itself resolves to,
    // then lets it go. The caller owns the process handle; null when nothing started or
    // nothing was held.
    HANDLE Start(const char* pszParameters);
    void Release() { m_hFile.Close(); }

private:
    std::string m_strPath;
    CFileHandle m_hFile;
};
