#include "ui/shell_launch_windows.h"

#include <windows.h>
// shellapi.h before the shell's COM headers, so that its ShellExecute macro renames the method of
// IShellDispatch2 where it is declared and where it is called alike.
#include <shellapi.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <memory>

#include "bits/com_owners.h"

namespace {

// Any answer above 32 is a success; the desktop's shell gives no handle of its own to answer.
constexpr intptr_t kOpenedThroughDesktop = 33;

bool IsWebAddress(const WideText& target) {
  return target.rfind(L"https://", 0) == 0 || target.rfind(L"http://", 0) == 0;
}

bool ProcessIsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
      elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

bool Exists(const WideText& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct BstrFree {
  void operator()(BSTR text) const { SysFreeString(text); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;

// The shell's Application object of the desktop's folder view: the desktop window among the
// shell's windows, its browser, its view, the view's background object, and that object's
// application, which Explorer serves in the desktop user's own process.
ComPtr<IShellDispatch2> DesktopShell() {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.put_void()))) {
    return {};
  }
  VARIANT location;
  VARIANT root;
  VariantInit(&location);
  VariantInit(&root);
  LONG window = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            desktop.put()) != S_OK ||
      !desktop) {
    return {};
  }
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  ComPtr<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.put_void())) || !services ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                    browser.put_void())) || !browser ||
      FAILED(browser->QueryActiveShellView(view.put())) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void())) ||
      !background ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.put_void())) ||
      !folderView || FAILED(folderView->get_Application(application.put())) || !application ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.put_void()))) {
    return {};
  }
  return shell;
}

bool OpenThroughDesktop(const WideText& target) {
  // COM is up on this thread already; this pair only makes sure, and is balanced. A thread in the
  // other apartment model can make the calls all the same.
  const ComApartment apartment;
  if (!apartment.initialised() && apartment.result() != RPC_E_CHANGED_MODE) return false;
  const ComPtr<IShellDispatch2> shell = DesktopShell();
  if (!shell) return false;
  const OwnedBstr file(SysAllocStringLen(target.data(), static_cast<UINT>(target.size())));
  const OwnedBstr verb(SysAllocString(L"open"));
  if (!file || !verb) return false;
  VARIANT none;
  VariantInit(&none);
  VARIANT operation;
  VariantInit(&operation);
  operation.vt = VT_BSTR;
  operation.bstrVal = verb.get();
  VARIANT show;
  VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return SUCCEEDED(shell->ShellExecute(file.get(), none, none, operation, show));
}

intptr_t ShellExecuteOpen(const WideText& target) {
  return reinterpret_cast<intptr_t>(
      ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

}  // namespace

ShellLaunch SystemShellLaunch() {
  ShellLaunch launch;
  launch.elevated = ProcessIsElevated;
  launch.exists = Exists;
  launch.openThroughDesktop = OpenThroughDesktop;
  launch.shellExecute = ShellExecuteOpen;
  return launch;
}

intptr_t LaunchWithShell(const ShellLaunch& launch, const WideText& target) {
  if (launch.elevated()) {
    if (!IsWebAddress(target) && !launch.exists(target)) return SE_ERR_FNF;
    if (launch.openThroughDesktop(target)) return kOpenedThroughDesktop;
  }
  return launch.shellExecute(target);
}
