// Owners of platform handles. Each is non-copyable, movable, and gives its handle up with
// Detach(). Every module takes its handles through these so that no path can leak one.
#pragma once

#include <windows.h>
#include <wininet.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

// Closes a handle type with a given function. Traits::Invalid is what an empty owner holds;
// Traits::IsValid says whether a value is a handle at all, so a trait may treat more than one
// value as "none".
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
    bool IsValid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }
    T Detach() {
        T h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // Keeps the caller's GetLastError, so that a failed call's result can be owned first and
    // its error read afterwards.
    void Reset(T h = Traits::Invalid()) {
        DWORD dwError = ::GetLastError();
        if (IsValid())
            Traits::Close(m_h);
        m_h = h;
        ::SetLastError(dwError);
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

// Handle types whose only "none" is null.
template <typename T>
struct NullMeansNone {
    static T Invalid() { return nullptr; }
    static bool IsValid(T h) { return h != nullptr; }
};

// Kernel objects: some functions fail with null (CreateEvent, OpenProcess), others with
// INVALID_HANDLE_VALUE (CreateFile, CreateToolhelp32Snapshot); neither is closed.
struct KernelHandleTraits : NullMeansNone<HANDLE> {
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// FindFirstFile fails with INVALID_HANDLE_VALUE only.
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct InternetHandleTraits : NullMeansNone<HINTERNET> {
    static void Close(HINTERNET h) { ::InternetCloseHandle(h); }
};
struct RegKeyTraits : NullMeansNone<HKEY> {
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct LibraryTraits : NullMeansNone<HMODULE> {
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
template <typename T>
struct GdiObjectTraits : NullMeansNone<T> {
    static void Close(T h) { ::DeleteObject(h); }
};
struct DcTraits : NullMeansNone<HDC> {
    static void Close(HDC h) { ::DeleteDC(h); }
};
struct IconTraits : NullMeansNone<HICON> {
    static void Close(HICON h) { ::DestroyIcon(h); }
};

using CHandle = CScopedHandle<HANDLE, KernelHandleTraits>;
// The same owner under the name the file modules use.
using CFileHandle = CHandle;
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

// GdiplusStartup / GdiplusShutdown. Pictures and graphics objects of GDI+ must be gone before
// the owner ends.
class CGdiplusSession {
public:
    CGdiplusSession();
    ~CGdiplusSession();
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;
    // Test seam: false when GDI+ did not start; nothing will draw.
    bool IsStarted() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
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
