#include "Scene.h"

#include <commctrl.h>

#include <memory>
#include <vector>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorProgressCtrl.h"
#include "ColorStatic.h"
#include "ControlTable.h"
#include "DialogBase.h"
#include "PathEdit.h"
#include "SkinDraw.h"
#include "resource.h"

namespace {

LRESULT CALLBACK BackdropProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_ERASEBKGND)
        return DefWindowProcW(hWnd, nMsg, wParam, lParam);
    HDC hdc = reinterpret_cast<HDC>(wParam);
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    CBrushHandle light(CreateSolidBrush(RGB(220, 220, 220))), dark(CreateSolidBrush(RGB(170, 170, 170)));
    for (int y = 0; y < rc.bottom; y += 16) {
        for (int x = 0; x < rc.right; x += 16) {
            RECT cell = {x, y, x + 16, y + 16};
            FillRect(hdc, &cell, ((x + y) / 16) % 2 ? dark.Get() : light.Get());
        }
    }
    return TRUE;
}

// A window over the shared background that holds controls made on the spot.
class CSheet : public CDialogBase {
public:
    CSheet(int cx, int cy) : CDialogBase(IDD_ORVANE_DIALOG), m_cx(cx), m_cy(cy) {}
    bool Open() {
        if (!Create(nullptr))
            return false;
        SetWindowPos(GetHwnd(), HWND_TOP, 60, 60, m_cx, m_cy, SWP_SHOWWINDOW);
        return true;
    }
    template <typename T>
    T& Add(const wchar_t* pszClass, const wchar_t* pszText, DWORD nStyle, int x, int y, int cx, int cy) {
        auto pControl = std::make_unique<T>();
        HWND hWnd = CreateWindowExW(
            0, pszClass, pszText, WS_CHILD | WS_VISIBLE | nStyle, x, y, cx, cy, GetHwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(1100 + m_controls.size())), nullptr, nullptr);
        pControl->Attach(hWnd);
        T& control = *pControl;
        m_controls.push_back(std::move(pControl));
        return control;
    }

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (nMsg != WM_ERASEBKGND)
            return false;
        DrawImageKey(reinterpret_cast<HDC>(wParam), kImageBackground, 0, 0, 0, m_cx, m_cy);
        result = TRUE;
        return true;
    }

private:
    int m_cx, m_cy;
    std::vector<std::unique_ptr<CSubclassedWindow>> m_controls;
};

// Puts a button or box into the state of its column: normal, hover, pressed, disabled.
void SetState(HWND hWnd, int nState) {
    if (nState == 1)
        SendMessageW(hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    if (nState == 2)
        SendMessageW(hWnd, BM_SETSTATE, TRUE, 0);
    if (nState == 3)
        EnableWindow(hWnd, FALSE);
}

SIZE FrameSize(int nType) {
    ImageEntry entry;
    LookupImage(nType, 0, entry);
    return SIZE{entry.cx, entry.cy};
}

int ShootButtons(const std::string& strOutDir) {
    const struct {
        int nType;
        const wchar_t* pszCaption;
    } rows[] = {{kImageSmallButton, L"浏览"}, {kImageBoxButton, L"确 定"}, {kImageFinishButton, L""},
                {kImageInstallButton, L""},   {kImageInstallBlocked, L""}, {kImageBackButton, L""},
                {kImageCloseButton, L""},     {kImageMinimiseButton, L""}, {kImageBoxClose, L""},
                {kImageCustomButton, L""}};
    int cy = 10;
    for (const auto& row : rows) cy += FrameSize(row.nType).cy + 10;
    CSheet sheet(1050, cy);
    if (!sheet.Open())
        return 1;
    int y = 10;
    for (const auto& row : rows) {
        SIZE size = FrameSize(row.nType);
        for (int nState = 0; nState < 4; ++nState) {
            auto& button =
                sheet.Add<CColorButton>(L"BUTTON", row.pszCaption, 0, 10 + nState * 260, y, size.cx, size.cy);
            button.SetImageType(row.nType);
            button.SetFixedNormal(row.nType == kImageCustomButton);
            button.SetTextColor(kButtonTextColor);
            button.SetTextFont(MakeFontDesc(12));
            SetState(button.GetHwnd(), nState);
        }
        y += size.cy + 10;
    }
    return TakeShot(sheet.GetHwnd(), strOutDir, "buttons") ? 0 : 1;
}

int ShootCheckBoxes(const std::string& strOutDir) {
    CSheet sheet(520, 70);
    if (!sheet.Open())
        return 1;
    for (int nChecked = 0; nChecked < 2; ++nChecked) {
        for (int nState = 0; nState < 4; ++nState) {
            int x = 10 + nState * 125, y = 12 + nChecked * 28;
            auto& box = sheet.Add<CColorCheckButton>(L"BUTTON", L"", BS_AUTOCHECKBOX, x, y, 14, 13);
            SendMessageW(box.GetHwnd(), BM_SETCHECK, nChecked, 0);
            SetState(box.GetHwnd(), nState);
            auto& label = sheet.Add<CColorStatic>(L"STATIC", L"开机启动", 0, x + 19, y, 90, 13);
            label.SetTextColor(kWhite);
            label.SetTextFont(MakeFontDesc(12));
        }
    }
    return TakeShot(sheet.GetHwnd(), strOutDir, "checkboxes") ? 0 : 1;
}

int ShootLabels(const std::string& strOutDir) {
    CSheet sheet(600, 150);
    if (!sheet.Open())
        return 1;
    auto& title = sheet.Add<CColorStatic>(L"STATIC", L"Orvane 演示版 (白色粗体标题)", 0, 10, 10, 400, 14);
    title.SetTextColor(kWhite);
    title.SetTextFont(MakeFontDesc(12, FW_BOLD));
    auto& plain = sheet.Add<CColorStatic>(L"STATIC", L"正在安装视频资源......", 0, 10, 34, 400, 14);
    plain.SetTextColor(RGB(186, 77, 216));
    plain.SetTextFont(MakeFontDesc(12, FW_BOLD));
    const wchar_t* links[] = {L"Velmora Tessel软件许可协议 (链接)", L"Velmora Tessel软件许可协议 (悬停)"};
    for (int i = 0; i < 2; ++i) {
        auto& link = sheet.Add<CColorStatic>(L"STATIC", links[i], SS_NOTIFY, 10, 58 + i * 22, 400, 14);
        link.SetTextColor(RGB(201, 116, 240));
        link.SetHoverColor(RGB(255, 116, 210));
        link.SetHoverEnabled(true);
        link.SetTextFont(MakeFontDesc(12));
        link.SetHoverFont(MakeFontDesc(12, FW_NORMAL, true));
        if (i == 1)
            SendMessageW(link.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    }
    auto& line = sheet.Add<CColorStatic>(L"STATIC", L"默认颜色 0x342F27：您选择的硬盘存储空间不足", 0, 10,
                                         106, 400, 14);
    line.SetTextFont(MakeFontDesc(12));
    return TakeShot(sheet.GetHwnd(), strOutDir, "labels") ? 0 : 1;
}

int ShootProgressAndPath(const std::string& strOutDir) {
    CSheet sheet(620, 120);
    if (!sheet.Open())
        return 1;
    const int positions[] = {0, 250, 1000};
    for (int i = 0; i < 3; ++i) {
        auto& bar = sheet.Add<CColorProgressCtrl>(PROGRESS_CLASSW, L"", 0, 9, 10 + i * 22, 602, 12);
        bar.SetRange(0, 1000);
        bar.SetPos(positions[i]);
    }
    auto& edit = sheet.Add<CPathEdit>(L"EDIT", L"D:\\Program Files\\Orvane", WS_BORDER | ES_AUTOHSCROLL, 10,
                                      80, 194, 23);
    edit.SetTextFont(MakeFontDesc(12));
    auto& browse = sheet.Add<CColorButton>(L"BUTTON", L"浏览", 0, 210, 80, 50, 23);
    browse.SetImageType(kImageSmallButton);
    browse.SetTextColor(kButtonTextColor);
    browse.SetTextFont(MakeFontDesc(12));
    return TakeShot(sheet.GetHwnd(), strOutDir, "progress-and-path") ? 0 : 1;
}

}  // namespace

HWND CreateBackdrop() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = BackdropProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvaneSkinshotsBackdrop";
    RegisterClassW(&wc);
    HWND hWnd =
        CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                        GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowPos(hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hWnd;
}

void RunMessages(DWORD nMs) {
    DWORD nStart = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_MOUSELEAVE)
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - nStart < nMs);
}

bool TakeShot(HWND hWnd, const std::string& strOutDir, const std::string& strName, int nMargin) {
    SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(hWnd);
    RunMessages(600);
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    std::string strFile = strOutDir + "/" + strName + ".png";
    std::string strCommand =
        "/usr/bin/import -window root -crop " + std::to_string(rc.right - rc.left + 2 * nMargin) + "x" +
        std::to_string(rc.bottom - rc.top + 2 * nMargin) + "+" + std::to_string(rc.left - nMargin) + "+" +
        std::to_string(rc.top - nMargin) + " +repage " + strFile;
    std::string strWinPath = "Z:" + strFile;
    for (char& c : strWinPath) c = c == '/' ? '\\' : c;
    DeleteFileA(strWinPath.c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wine does not wait for a host program's end: the picture is there once import is.
    for (int i = 0; i < 300; ++i) {
        if (GetFileAttributesA(strWinPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            RunMessages(300);  // the screen was read before the file appeared; let it be written
            return true;
        }
        Sleep(100);
    }
    return false;
}

int ShootControls(const std::string& strOutDir) {
    return ShootButtons(strOutDir) + ShootCheckBoxes(strOutDir) + ShootLabels(strOutDir) +
           ShootProgressAndPath(strOutDir);
}
