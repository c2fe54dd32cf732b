#include "ShellLaunch.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shlguid.h>

#include "Handles.h"

namespace {

// The desktop's shell view: the folder view behind the icons of the desktop window.
HRESULT FindDesktopView(IShellView** ppView) {
    CComPtr<IShellWindows> windows;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                    reinterpret_cast<void**>(windows.Receive()));
    if (FAILED(hr))
        return hr;
    CVariant location;
    location.Get()->vt = VT_I4;
    location.Get()->lVal = CSIDL_DESKTOP;
    CVariant root;
    long hwnd = 0;
    CComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(location.Get(), root.Get(), SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH,
                               desktop.Receive());
    if (hr != S_OK || !desktop)
        return FAILED(hr) ? hr : E_NOINTERFACE;
    CComPtr<IServiceProvider> services;
    hr = desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(services.Receive()));
    CComPtr<IShellBrowser> browser;
    if (SUCCEEDED(hr))
        hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                    reinterpret_cast<void**>(browser.Receive()));
    return SUCCEEDED(hr) ? browser->QueryActiveShellView(ppView) : hr;
}

// The shell's automation object (Shell.Application) of the process that runs the desktop.
HRESULT FindDesktopShell(IShellDispatch2** ppShell) {
    CComPtr<IShellView> view;
    HRESULT hr = FindDesktopView(view.Receive());
    CComPtr<IDispatch> background;
    if (SUCCEEDED(hr))
        hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                 reinterpret_cast<void**>(background.Receive()));
    CComPtr<IShellFolderViewDual> folderView;
    if (SUCCEEDED(hr))
        hr = background->QueryInterface(IID_IShellFolderViewDual,
                                        reinterpret_cast<void**>(folderView.Receive()));
    CComPtr<IDispatch> application;
    if (SUCCEEDED(hr))
        hr = folderView->get_Application(application.Receive());
    if (SUCCEEDED(hr) && !application)
        hr = E_NOINTERFACE;
    return SUCCEEDED(hr) ? application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(ppShell))
                         : hr;
}

// A VARIANT holding text; VT_EMPTY stays when the text could not be made.
void SetText(CVariant& value, const char* pszText) {
    CBstr text(pszText);
    if (!text.Get())
        return;
    value.Get()->vt = VT_BSTR;
    value.Get()->bstrVal = text.Detach();
}

}  // namespace

HRESULT ShellExecuteAsDesktopUser(const std::string& strFile, const std::string& strFolder) {
    CComInit com;
    CComPtr<IShellDispatch2> shell;
    HRESULT hr = FindDesktopShell(shell.Receive());
    if (FAILED(hr))
        return hr;
    CBstr file(strFile.c_str());
    if (!file.Get())
        return E_OUTOFMEMORY;
    CVariant parameters, folder, verb, show;
    SetText(parameters, "");
    SetText(folder, strFolder.c_str());
    SetText(verb, "");
    show.Get()->vt = VT_I4;
    show.Get()->lVal = SW_SHOWNORMAL;
    return shell->ShellExecute(file.Get(), *parameters.Get(), *folder.Get(), *verb.Get(), *show.Get());
}
