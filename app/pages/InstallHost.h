// What the main dialog offers the pages it hosts (start, install path, progress, finish):
// the texts and offers they show, the user's choices they hand back, and the flow's
// commands. The pages hold a reference to it for their whole life; every call is made on the
// user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ImageSource.h"

// The product texts the pages show and work with.
struct PageTexts {
    std::string strDisplayName;  // window and page titles
    std::string strCompanyName;
    std::string strProductName;  // the install folder's last part
    std::string strLicenseUrl;
    std::string strUninstallKeyName;  // the folder browser's title
};

// One choice of the finish page: status 0 not offered, 1 offered ticked, otherwise offered
// clear.
struct OfferChoice {
    std::string strName;
    uint32_t nStatus;
};

class IInstallHost {
public:
    // The main dialog's window: pages send it the flow's commands (ID_CMD_BEGIN_DOWNLOAD,
    // ID_CMD_FINISH_START, ID_CMD_CLOSE_RUN, IDCANCEL) and minimise it.
    virtual HWND GetHostWindow() const = 0;

    virtual const PageTexts& GetPageTexts() const = 0;
    // The recommended products in server order (the page offers the first three).
    virtual std::vector<OfferChoice> GetRecommendOffers() const = 0;
    virtual OfferChoice GetHomePageOffer() const = 0;
    // Whether the product's client runs now; closing it ends its processes.
    virtual bool IsClientRunning() const = 0;
    virtual void CloseClient() = 0;

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
    virtual void SetHomePageChoice(BOOL bValue) = 0;

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
