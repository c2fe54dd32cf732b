// The configuration-loading window: a small semi-transparent box with a counting wait text,
// shown modally while the configuration manager loads on its own thread. The loader ends it
// by posting one of three commands. User-interface thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ColorStatic.h"
#include "DialogBase.h"

class CStartDlg : public CDialogBase {
public:
    static constexpr int kLoaded = 1;
    static constexpr int kNothingToInstall = 0;
    static constexpr int kFailed = -1;

    // Starts the loading for the window that is to receive the result command; called once
    // when the window opens, must return at once.
    using StartLoadingFn = std::function<void(HWND hNotify)>;
    // The configuration manager's own loading.
    CStartDlg();
    explicit CStartDlg(StartLoadingFn fnStartLoading);

    // 1 loaded, 0 nothing to install, -1 failure; 0 as well when the window was closed any
    // other way (Escape).
    int m_nResult = kNothingToInstall;
    // The number the wait text shows, at most 99.
    int m_nPercent = 0;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnTick();
    void EraseBackground(HDC hdc);
    void Finish(int nResult, INT_PTR nEnd);

    StartLoadingFn m_fnStartLoading;
    CColorStatic m_text;
};

// The wait text for a percentage: "请稍后，正在加载资源%2d%%".
std::string LoadingText(int nPercent);
