#include "FolderBrowser.h"

#include <shlobj.h>

namespace {

// An item list allocated by the shell, freed with the shell's allocator.
class CItemList {
public:
    CItemList() = default;
    explicit CItemList(PIDLIST_ABSOLUTE pidl) : m_pidl(pidl) {}
    ~CItemList() { ::CoTaskMemFree(m_pidl); }
    CItemList(const CItemList&) = delete;
    CItemList& operator=(const CItemList&) = delete;
    PIDLIST_ABSOLUTE* Receive() { return &m_pidl; }
    PIDLIST_ABSOLUTE Get() const { return m_pidl; }

private:
    PIDLIST_ABSOLUTE m_pidl = nullptr;
};

std::string PathOfItem(PCIDLIST_ABSOLUTE pidl) {
    char szPath[MAX_PATH] = {};
    if (!pidl || !::SHGetPathFromIDListA(pidl, szPath))
        return std::string();
    return szPath;
}

}  // namespace

CFolderBrowser::CFolderBrowser(HWND hOwner, const std::string& strTitle, const std::string& strInitialFolder)
    : m_hOwner(hOwner), m_strTitle(strTitle), m_strFolder(strInitialFolder) {}

bool CFolderBrowser::Show() {
    CItemList root;
    // Without the computer folder the list is null and the dialog starts at its default root.
    ::SHGetSpecialFolderLocation(m_hOwner, CSIDL_DRIVES, root.Receive());
    BROWSEINFOA info = {};
    info.hwndOwner = m_hOwner;
    info.pidlRoot = root.Get();
    info.lpszTitle = m_strTitle.c_str();
    info.ulFlags = m_nOptions | BIF_STATUSTEXT;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    CItemList chosen(::SHBrowseForFolderA(&info));
    if (!chosen.Get())
        return false;
    std::string strPath = PathOfItem(chosen.Get());
    if (strPath.empty())
        return false;
    m_strFolder = strPath;
    return true;
}

int CALLBACK CFolderBrowser::BrowseCallback(HWND hDialog, UINT nMsg, LPARAM lParam, LPARAM lpData) {
    auto* pThis = reinterpret_cast<CFolderBrowser*>(lpData);
    if (nMsg == BFFM_INITIALIZED && !pThis->m_strFolder.empty()) {
        ::SendMessageA(hDialog, BFFM_SETSELECTIONA, TRUE,
                       reinterpret_cast<LPARAM>(pThis->m_strFolder.c_str()));
    } else if (nMsg == BFFM_SELCHANGED) {
        std::string strPath = PathOfItem(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
        ::SendMessageA(hDialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strPath.c_str()));
    }
    return 0;
}
