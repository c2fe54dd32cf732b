// What the main dialog offers the pages it hosts (start, install path, progress, finish).
// The pages hold a reference to it for their whole life; every call is made on the
// user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "ImageSource.h"

class IInstallHost {
public:
    // The main dialog's window: pages send it the flow's commands (begin download 32775,
    // start 32777, close 32778, cancel 2) and minimise it.
    virtual HWND GetHostWindow() const = 0;

    virtual std::string GetInstallDir() const = 0;
    virtual void SetInstallPath(const std::string& strDir) = 0;

    virtual BOOL GetRunAfterInstall() const = 0;
    virtual void SetRunAfterInstall(BOOL bValue) = 0;
    virtual BOOL GetAnchorReminder() const = 0;
    virtual void SetAnchorReminder(BOOL bValue) = 0;
    virtual void SetAutoStart(BOOL bValue) = 0;
    virtual void SetPinTaskbar(BOOL bValue) = 0;
    // nIndex 0 to 2: the user's choice for recommended product nIndex.
    virtual void SetRecommend(int nIndex, BOOL bValue) = 0;
    // Starts the recommended-install worker; the application waits for it after the dialog.
    virtual void StartRecommendThread() = 0;

    // The part of the shared background that lies behind rcScreen (screen co-ordinates);
    // false, entry untouched, when there is none to draw.
    virtual bool GetBackgroundSlice(const RECT& rcScreen, ImageEntry& entry) const = 0;
    // Draws that part over the whole client area of hPage into hdc; nothing when there is none.
    void DrawBackgroundBehind(HWND hPage, HDC hdc) const;

    // Page switching between the start page and the install-path page.
    virtual void ShowInstallPathPage() = 0;
    // Shows the start page again with its agreement box ticked (by message, no repaint).
    virtual void ShowStartPage() = 0;

protected:
    ~IInstallHost() = default;
};
