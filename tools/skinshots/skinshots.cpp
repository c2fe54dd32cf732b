// skinshots OUTDIR: saves a screenshot of every skinned control in each state and of every
// dialog template over its background into OUTDIR (a folder of the host system, written by
// ImageMagick's import). Runs under Wine on an X display; see skinshots.sh.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>

#include "ImageMgr.h"
#include "PreviewDlg.h"
#include "Scene.h"
#include "SkinDraw.h"
#include "resource.h"

namespace {

using Picture = CPreviewDlg::Picture;

const Picture kBackground = {12, 0, 0, 0, 0, 0};
const Picture kIcon = {15, 0, 10, 7, 16, 16};
const Picture kSeparator = {16, 0, 0, 364, 600, 2};
const wchar_t kTitle[] = L"Orvane 视频客户端";

// A page as the main window hosts it: a child of a skinned 600 x 400 window.
int ShootPage(const std::string& strOutDir, const char* pszName, UINT nTemplate, CPreviewDlg::Setup setup) {
    CPreviewDlg::Setup hostSetup;
    hostSetup.pictures = {kBackground};
    CPreviewDlg host(IDD_ORVANE_DIALOG, hostSetup);
    CPreviewDlg page(nTemplate, std::move(setup));
    if (!host.Create(nullptr))
        return 1;
    MakeSkinnedWindow(host.GetHwnd());
    SetWindowPos(host.GetHwnd(), HWND_TOP, 60, 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    if (!page.Create(host.GetHwnd()))
        return 1;
    MakeSkinnedWindow(page.GetHwnd());
    SetWindowPos(page.GetHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return TakeShot(host.GetHwnd(), strOutDir, pszName) ? 0 : 1;
}

// A top-level dialog over its own picture.
int ShootPopup(const std::string& strOutDir, const char* pszName, UINT nTemplate, CPreviewDlg::Setup setup,
               BYTE nAlpha) {
    CPreviewDlg dialog(nTemplate, std::move(setup));
    if (!dialog.Create(nullptr))
        return 1;
    MakeSkinnedWindow(dialog.GetHwnd());
    if (nAlpha)
        SetLayeredWindowAttributes(dialog.GetHwnd(), 0, nAlpha, LWA_ALPHA);
    SetWindowPos(dialog.GetHwnd(), HWND_TOP, 60, 60, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return TakeShot(dialog.GetHwnd(), strOutDir, pszName) ? 0 : 1;
}

int ShootTemplates(const std::string& strOutDir) {
    int nFailed = 0;
    CPreviewDlg::Setup main;
    main.pictures = {kBackground, kIcon, kSeparator};
    nFailed += ShootPopup(strOutDir, "dialog-102-main", IDD_ORVANE_DIALOG, main, 0);

    CPreviewDlg::Setup start;
    start.pictures = {kBackground, {20, 0, 10, 3, 580, 354}, kIcon, kSeparator};
    start.buttonTypes = {{1015, 5}, {1016, 4}, {1046, 3}, {1053, 19}};
    start.nFixedNormalId = 1053;
    start.texts = {{1027, kTitle}, {1043, L"Velmora Tessel软件许可协议"}};
    nFailed += ShootPage(strOutDir, "dialog-173-start-page", IDD_ORVANE_START, start);

    CPreviewDlg::Setup path;
    path.pictures = {kBackground, kIcon, kSeparator};
    path.buttonTypes = {{1, 3}, {1007, 1}, {1016, 4}, {1054, 5}, {1062, 26}};
    path.texts = {{1027, kTitle}};
    nFailed += ShootPage(strOutDir, "dialog-129-install-path", IDD_INSTALLPATH, path);

    CPreviewDlg::Setup progress;
    progress.pictures = {kBackground, {18, 0, 10, 3, 580, 354}, kIcon};
    progress.buttonTypes = {{1015, 5}, {1016, 4}};
    progress.texts = {{1027, kTitle}};
    nFailed += ShootPage(strOutDir, "dialog-130-progress", IDD_PROGRESS, progress);

    CPreviewDlg::Setup finish;
    finish.pictures = {kBackground, {17, 0, 10, 0, 580, 354}, {24, 0, 15, 377, 41, 15}, kIcon, kSeparator};
    finish.buttonTypes = {{1015, 5}, {1058, 4}, {1016, 2}};
    finish.texts = {{1059, kTitle}, {1023, L"推荐软件"}};
    finish.shown = {1022, 1023};
    nFailed += ShootPage(strOutDir, "dialog-160-finish", IDD_CONFIG, finish);

    CPreviewDlg::Setup box;
    box.cx = 296;
    box.cy = 173;
    box.pictures = {{13, 0, 0, 0, 0, 0}};
    box.buttonTypes = {{1, 7}, {2, 7}, {1014, 6}};
    box.texts = {{1008, L"您选择的硬盘存储空间不足，请删除其他文"},
                 {1009, L"件，或重新选择路径后进行安装。"}};
    nFailed += ShootPopup(strOutDir, "dialog-151-message-box", IDD_MSGBOX, box, 0);

    CPreviewDlg::Setup loading;
    loading.cx = 228;
    loading.cy = 57;
    loading.pictures = {{14, 0, 1, 1, 226, 55}};
    loading.texts = {{1042, L"请稍后，正在加载资源 1%"}};
    nFailed += ShootPopup(strOutDir, "dialog-170-loading", IDD_START, loading, 102);
    return nFailed;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 2) {
        fprintf(stderr, "usage: skinshots OUTDIR (a folder of the host system)\n");
        return 2;
    }
    std::string strOutDir = __argv[1];
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    CImageMgr::Instance().LoadFromResources();
    // Keep the pointer off the windows: only the states set on purpose should show.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    HWND hBackdrop = CreateBackdrop();
    int nFailed = ShootControls(strOutDir) + ShootTemplates(strOutDir);
    DestroyWindow(hBackdrop);
    CImageMgr::Instance().Release();
    Gdiplus::GdiplusShutdown(token);
    if (nFailed)
        fprintf(stderr, "skinshots: %d pictures failed\n", nFailed);
    return nFailed ? 1 : 0;
}
