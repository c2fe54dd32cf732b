// The platform's folder-selection dialog, rooted at the computer folder (the list of drives),
// opening on an initial folder and showing the selected folder's path in its status line.
#pragma once

#include <windows.h>

#include <string>

class CFolderBrowser {
public:
    // The folder text starts as strInitialFolder.
    CFolderBrowser(HWND hOwner, const std::string& strTitle, const std::string& strInitialFolder);

    // BIF_* options; the status line is added when shown.
    void SetOptions(UINT nOptions) { m_nOptions = nOptions; }
    // Runs the dialog modally (user-interface thread, COM initialised apartment-threaded).
    // True with the chosen folder as the folder text; false, the text unchanged, when the
    // user cancelled or the dialog could not be shown.
    bool Show();
    const std::string& GetFolder() const { return m_strFolder; }

private:
    static int CALLBACK BrowseCallback(HWND hDialog, UINT nMsg, LPARAM lParam, LPARAM lpData);

    HWND m_hOwner;
    std::string m_strTitle;
    std::string m_strFolder;
    UINT m_nOptions = 0;
};
