#include "SkinTestSupport.h"

#include <objbase.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <cstdlib>

#include "Handles.h"
#include "SkinMath.h"

namespace {
Gdiplus::Color ToGdiplus(COLORREF c) {
    return Gdiplus::Color(255, GetRValue(c), GetGValue(c), GetBValue(c));
}
}  // namespace

CSolidImageSource::CSolidImageSource() {
    CImageSource::SetCurrent(this);
}

CSolidImageSource::~CSolidImageSource() {
    if (CImageSource::Current() == this)
        CImageSource::SetCurrent(nullptr);
}

void CSolidImageSource::AddStrip(int nType, int nFrameCx, int nCy, const COLORREF (&colors)[5]) {
    auto pBitmap = std::make_unique<Gdiplus::Bitmap>(nFrameCx * kStripFrames, nCy, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(pBitmap.get());
        for (int i = 0; i < kStripFrames; ++i) {
            Gdiplus::SolidBrush brush(ToGdiplus(colors[i]));
            graphics.FillRectangle(&brush, i * nFrameCx, 0, nFrameCx, nCy);
        }
    }
    for (UINT i = 0; i < kStripFiledFrames; ++i) {
        RECT rc = StripFrameRect(nFrameCx * kStripFrames, nCy, i);
        m_entries[{nType, i}] =
            ImageEntry{pBitmap.get(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
    }
    m_images.push_back(std::move(pBitmap));
}

void CSolidImageSource::AddWhole(int nType, UINT nIndex, int nCx, int nCy, COLORREF color, int nCornerKey) {
    auto pBitmap = std::make_unique<Gdiplus::Bitmap>(nCx, nCy, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(pBitmap.get());
        Gdiplus::SolidBrush brush(ToGdiplus(color));
        graphics.FillRectangle(&brush, 0, 0, nCx, nCy);
        Gdiplus::SolidBrush key(ToGdiplus(RGB(255, 0, 255)));
        int k = nCornerKey;
        if (k > 0) {
            graphics.FillRectangle(&key, 0, 0, k, k);
            graphics.FillRectangle(&key, nCx - k, 0, k, k);
            graphics.FillRectangle(&key, 0, nCy - k, k, k);
            graphics.FillRectangle(&key, nCx - k, nCy - k, k, k);
        }
    }
    m_entries[{nType, nIndex}] = ImageEntry{pBitmap.get(), 0, 0, nCx, nCy};
    m_images.push_back(std::move(pBitmap));
}

bool CSolidImageSource::GetImage(int nType, UINT nIndex, ImageEntry& entry) {
    auto it = m_entries.find({nType, nIndex});
    if (it == m_entries.end())
        return false;
    entry = it->second;
    return true;
}

void PumpMessages(DWORD nMs) {
    DWORD nStart = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (nMs)
            Sleep(10);
    } while (GetTickCount() - nStart < nMs);
}

namespace {
std::function<void()> g_fnLater;
void CALLBACK LaterTimerProc(HWND, UINT, UINT_PTR nId, DWORD) {
    KillTimer(nullptr, nId);
    auto fn = std::move(g_fnLater);
    if (fn)
        fn();
}
}  // namespace

void Later(UINT nMs, std::function<void()> fn) {
    g_fnLater = std::move(fn);
    SetTimer(nullptr, 0, nMs, LaterTimerProc);
}

std::wstring TextOf(HWND hWnd) {
    wchar_t sz[256] = {};
    GetWindowTextW(hWnd, sz, 256);
    return sz;
}

std::wstring Wide(const char* pszAnsi) {
    wchar_t sz[256] = {};
    MultiByteToWideChar(CP_ACP, 0, pszAnsi, -1, sz, 256);
    return sz;
}

CSnapshot::CSnapshot(HWND hWnd) {
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT rc = {};
    GetClientRect(hWnd, &rc);
    m_cx = rc.right;
    m_cy = rc.bottom;
    if (m_cx <= 0 || m_cy <= 0)
        return;
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), m_cx, -m_cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pBits = nullptr;
    CWindowDc windowDc(hWnd);
    CMemoryDc memDc(CreateCompatibleDC(windowDc.Get()));
    CBitmapHandle dib(CreateDIBSection(windowDc.Get(), &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!memDc || !dib || !pBits)
        return;
    {
        CSelectObject select(memDc.Get(), dib.Get());
        BitBlt(memDc.Get(), 0, 0, m_cx, m_cy, windowDc.Get(), 0, 0, SRCCOPY);
    }
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(pBits);
    m_pixels.assign(p, p + static_cast<size_t>(m_cx) * m_cy);
}

COLORREF CSnapshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_cx || y >= m_cy || m_pixels.empty())
        return CLR_INVALID;
    DWORD v = m_pixels[static_cast<size_t>(y) * m_cx + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

bool NearColor(COLORREF a, COLORREF b, int nTolerance) {
    if (a == CLR_INVALID || b == CLR_INVALID)
        return false;
    return std::abs(GetRValue(a) - GetRValue(b)) <= nTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

namespace {
struct TooltipSearch {
    HWND hOwner;
    HWND hFound;
};
BOOL CALLBACK FindTooltipProc(HWND hWnd, LPARAM lParam) {
    auto* pSearch = reinterpret_cast<TooltipSearch*>(lParam);
    wchar_t szClass[32] = {};
    GetClassNameW(hWnd, szClass, 32);
    if (lstrcmpiW(szClass, TOOLTIPS_CLASSW) != 0)
        return TRUE;
    // The platform makes the top-level window the owner; the tools name the page.
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    if (!SendMessageA(hWnd, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)) ||
        info.hwnd != pSearch->hOwner)
        return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}
}  // namespace

HWND FindTooltipOf(HWND hOwner) {
    TooltipSearch search = {hOwner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindTooltipProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

std::string TooltipText(HWND hTip, HWND hOwner, HWND hTool) {
    char szText[80] = {};
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = hOwner;
    info.uId = reinterpret_cast<UINT_PTR>(hTool);
    info.lpszText = szText;
    SendMessageA(hTip, TTM_GETTEXTA, sizeof(szText), reinterpret_cast<LPARAM>(&info));
    return szText;
}
