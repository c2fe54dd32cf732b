// skinshots OUTDIR: saves a screenshot of every skinned control in each state, of the real
// pages on a stand-in main window (as the page tests open them), and of the loading window
// and the message box as the program runs them, into OUTDIR (a folder of the host system,
// written by ImageMagick's import). Runs under Wine on an X display; see skinshots.sh.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <functional>
#include <string>

#include "ConfigDlg.h"
#include "Handles.h"
#include "ImageMgr.h"
#include "InstallPathDlg.h"
#include "KavvikMsgBoxDlg.h"
#include "OrvaneStartDlg.h"
#include "PageHost.h"
#include "ProductInfoMgr.h"
#include "ProgressDlg.h"
#include "Scene.h"
#include "StartDlg.h"
#include "resource.h"

namespace {

constexpr int kShotX = 60;
constexpr int kShotY = 60;

// A page over its host, shown as the main window shows it; fnShown runs before the picture.
template <typename Page>
int ShootPage(const std::string& strOutDir, const char* pszName,
              const std::function<void(Page&)>& fnShown = nullptr) {
    CPageHost host;
    if (!host.Open(kShotX, kShotY))
        return 1;
    Page page(host);
    if (!page.Create(host.GetHwnd()))
        return 1;
    SetWindowPos(page.GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
    if (fnShown)
        fnShown(page);
    return TakeShot(host.GetHwnd(), strOutDir, pszName) ? 0 : 1;
}

// What a modal window does once it is up: its picture taken, then fnEnd(window) ends it.
struct ModalShot {
    std::string strOutDir;
    const char* pszName;
    std::function<void(HWND)> fnEnd;
    bool bTaken = false;
};
ModalShot* g_pModalShot = nullptr;

BOOL CALLBACK FindShownDialog(HWND hWnd, LPARAM lParam) {
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    if (!IsWindowVisible(hWnd) || lstrcmpW(szClass, L"#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

void CALLBACK ModalShotTimer(HWND, UINT, UINT_PTR nId, DWORD) {
    KillTimer(nullptr, nId);
    HWND hDialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&hDialog));
    if (!hDialog)
        return;
    SetWindowPos(hDialog, HWND_TOP, kShotX, kShotY, 0, 0, SWP_NOSIZE);
    g_pModalShot->bTaken = TakeShot(hDialog, g_pModalShot->strOutDir, g_pModalShot->pszName);
    g_pModalShot->fnEnd(hDialog);
}

// Runs fnRun (which shows a modal window) and takes the window's picture once it is up.
int ShootModal(ModalShot shot, const std::function<void()>& fnRun) {
    g_pModalShot = &shot;
    SetTimer(nullptr, 0, 300, ModalShotTimer);
    fnRun();
    g_pModalShot = nullptr;
    return shot.bTaken ? 0 : 1;
}

int ShootWindows(const std::string& strOutDir) {
    int nFailed = ShootPage<COrvaneStartDlg>(strOutDir, "page-start");
    nFailed += ShootPage<CInstallPathDlg>(strOutDir, "page-install-path");
    nFailed += ShootPage<CProgressDlg>(strOutDir, "page-progress", [](CProgressDlg& page) {
        page.SetProgress(40);
        page.RepaintSlide();
    });
    nFailed += ShootPage<CConfigDlg>(strOutDir, "page-finish");
    nFailed += ShootModal(
        {strOutDir, "message-box", [](HWND hBox) { PostMessageW(hBox, WM_COMMAND, IDOK, 0); }}, [] {
            ShowMsgBox(nullptr, "您选择的硬盘存储空间不足，请删除其他文\n件，或重新选择路径后进行安装。");
        });
    // The loader never answers: the window counts until its picture is taken.
    CStartDlg loading([](HWND) {});
    nFailed += ShootModal(
        {strOutDir, "loading", [](HWND hWnd) { PostMessageW(hWnd, WM_COMMAND, kCmdConfigLoaded, 0); }},
        [&loading] { loading.DoModal(nullptr); });
    return nFailed;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 2) {
        fprintf(stderr, "usage: skinshots OUTDIR (a folder of the host system)\n");
        return 2;
    }
    std::string strOutDir = __argv[1];
    CGdiplusSession gdiplus;
    CImageMgr::Instance().LoadFromResources();
    // Keep the pointer off the windows: only the states set on purpose should show.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    HWND hBackdrop = CreateBackdrop();
    int nFailed = ShootControls(strOutDir) + ShootWindows(strOutDir);
    DestroyWindow(hBackdrop);
    CImageMgr::Instance().Release();
    if (nFailed)
        fprintf(stderr, "skinshots: %d pictures failed\n", nFailed);
    return nFailed ? 1 : 0;
}
