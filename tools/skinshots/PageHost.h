// The main window as the screenshots need it: a skinned 600 x 400 window over the shared
// background that hosts the real pages, with the texts and offers of a typical product.
// Commands the pages send it are ignored.
#pragma once

#include <string>
#include <vector>

#include "DialogBase.h"
#include "InstallHost.h"

class CPageHost : public CDialogBase, public IInstallHost {
public:
    CPageHost();
    // Creates the window at (x, y) of the screen; false when it could not be made.
    bool Open(int x, int y);

    HWND GetHostWindow() const override { return GetHwnd(); }
    const PageTexts& GetPageTexts() const override { return m_texts; }
    std::vector<OfferChoice> GetRecommendOffers() const override { return {{"推荐软件", 1}}; }
    OfferChoice GetHomePageOffer() const override { return {"", 0}; }
    bool IsClientRunning() const override { return false; }
    void CloseClient() override {}
    std::string GetInstallDir() const override { return "C:\\Program Files\\Orvane"; }
    void SetInstallPath(const std::string&) override {}
    BOOL GetRunAfterInstall() const override { return TRUE; }
    void SetRunAfterInstall(BOOL) override {}
    BOOL GetAnchorReminder() const override { return TRUE; }
    void SetAnchorReminder(BOOL) override {}
    void SetAutoStart(BOOL) override {}
    void SetPinTaskbar(BOOL) override {}
    void SetRecommend(int, BOOL) override {}
    void SetHomePageChoice(BOOL) override {}
    bool GetBackgroundSlice(const RECT& rcScreen, ImageEntry& entry) const override;
    void ShowInstallPathPage() override {}
    void ShowStartPage() override {}

protected:
    bool OnCommand(int, int, HWND) override { return true; }
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    PageTexts m_texts;
};
