// Owners of platform handles. Each is non-copyable, movable, and gives its handle up with
// Detach(). Every module takes its handles through these so that no path can leak one.
#pragma once

#include <windows.h>
#include <wininet.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

// Closes a handle type with a given function; Invalid is the value that means "none".
template <typename T, typename Traits>
class CScopedHandle {
public:
    CScopedHandle() : m_h(Traits::Invalid()) {}
    explicit CScopedHandle(T h) : m_h(h) {}
    ~CScopedHandle() { Close(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.Detach()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    T Get() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }
    T Detach() {
        T h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void Reset(T h = Traits::Invalid()) {
        if (IsValid())
            Traits::Close(m_h);
        m_h = h;
    }
    void Close() { Reset(); }
    // For APIs that fill a handle through a pointer; closes what is held first.
    T* Receive() {
        Reset();
        return &m_h;
    }

private:
    T m_h;
};

struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct InternetHandleTraits {
    static HINTERNET Invalid() { return nullptr; }
    static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct LibraryTraits {
    static HMODULE Invalid() { return nullptr; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
template <typename T>
struct GdiObjectTraits {
    static T Invalid() { return nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};
struct DcTraits {
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Close(HICON h) { ::DestroyIcon(h); }
};

using CHandle = CScopedHandle<HANDLE, KernelHandleTraits>;
using CFileHandle = CScopedHandle<HANDLE, FileHandleTraits>;
using CFindHandle = CScopedHandle<HANDLE, FindHandleTraits>;
using CInternetHandle = CScopedHandle<HINTERNET, InternetHandleTraits>;
using CRegKey = CScopedHandle<HKEY, RegKeyTraits>;
using CLibrary = CScopedHandle<HMODULE, LibraryTraits>;
using CBitmapHandle = CScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using CFontHandle = CScopedHandle<HFONT, GdiObjectTraits<HFONT>>;
using CBrushHandle = CScopedHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using CPenHandle = CScopedHandle<HPEN, GdiObjectTraits<HPEN>>;
using CRgnHandle = CScopedHandle<HRGN, GdiObjectTraits<HRGN>>;
using CMemoryDc = CScopedHandle<HDC, DcTraits>;
using CIconHandle = CScopedHandle<HICON, IconTraits>;

// Puts an object into a DC and restores the previous one on scope exit.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(::SelectObject(hdc, obj)) {}
    ~CSelectObject() {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_hdc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// GetDC / ReleaseDC pair.
class CWindowDc {
public:
    explicit CWindowDc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~CWindowDc() {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    CWindowDc(const CWindowDc&) = delete;
    CWindowDc& operator=(const CWindowDc&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// BeginPaint / EndPaint pair.
class CPaintDc {
public:
    explicit CPaintDc(HWND hwnd) : m_hwnd(hwnd) { m_hdc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDc() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDc(const CPaintDc&) = delete;
    CPaintDc& operator=(const CPaintDc&) = delete;
    HDC Get() const { return m_hdc; }
    const PAINTSTRUCT& Paint() const { return m_ps; }

private:
    HWND m_hwnd;
    HDC m_hdc;
    PAINTSTRUCT m_ps;
};

// A COM interface pointer that releases what it holds.
template <typename T>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { Release(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    CComPtr(CComPtr&& other) noexcept : m_p(other.Detach()) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) {
            Release();
            m_p = other.Detach();
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T** Receive() {
        Release();
        return &m_p;
    }
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Release() {
        if (m_p) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p = nullptr;
};

// A critical section and its scoped holder.
class CCriticalSection {
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Enter() { ::EnterCriticalSection(&m_cs); }
    void Leave() { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

class CAutoLock {
public:
    explicit CAutoLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~CAutoLock() { m_cs.Leave(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCriticalSection& m_cs;
};

// CoInitializeEx / CoUninitialize for one thread.
class CComInit {
public:
    explicit CComInit(DWORD model = COINIT_APARTMENTTHREADED)
        : m_ok(SUCCEEDED(::CoInitializeEx(nullptr, model))) {}
    ~CComInit() {
        if (m_ok)
            ::CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;

private:
    bool m_ok;
};

// A BSTR made from text in the system code page; null when it could not be made.
class CBstr {
public:
    explicit CBstr(const char* pszText) {
        int n = ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
        m_bstr = n > 0 ? ::SysAllocStringLen(nullptr, n - 1) : nullptr;
        if (m_bstr)
            ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, m_bstr, n);
    }
    ~CBstr() { ::SysFreeString(m_bstr); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Get() const { return m_bstr; }
    BSTR Detach() {
        BSTR bstr = m_bstr;
        m_bstr = nullptr;
        return bstr;
    }

private:
    BSTR m_bstr;
};

// A VARIANT cleared when it goes.
class CVariant {
public:
    CVariant() { ::VariantInit(&m_v); }
    ~CVariant() { ::VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* Get() { return &m_v; }

private:
    VARIANT m_v;
};
