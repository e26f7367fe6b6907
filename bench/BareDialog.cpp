// The baseline of the start-up benchmark: Setwright's main dialog and its
// seven pages from the same templates, in the same layout, with the same
// start-up calls (COM, common controls, the rich-edit library), but none of
// Setwright's own work (no texts looked up, no ports, printers or USB
// devices listed, no notifications). Closes like Setwright (exit code 2).
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "resources/pages.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND tab = ::GetDlgItem(dialog, IDC_TAB);
      const wchar_t* captions[] = {L"Panel", L"BID", L"Ethernet", L"Wifi", L"Bluetooth setting",
                                   L"Serial", L"User Define"};
      const int templates[] = {IDD_PANEL_TAB, IDD_BID_TAB,    IDD_NET_TAB,    IDD_WIFI_TAB,
                               IDD_BLUETOOTH_TAB, IDD_SERIAL_TAB, IDD_USERDEF_TAB};
      RECT area{};
      ::GetClientRect(tab, &area);
      area.top += 20;
      for (int i = 0; i < 7; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(captions[i]);
        ::SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        HWND page = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templates[i]),
                                         tab, PageProc, 0);
        ::MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
        ::ShowWindow(page, i == 0 ? SW_SHOW : SW_HIDE);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::DestroyWindow(dialog);
        ::PostQuitMessage(LOWORD(wParam));
      }
      return TRUE;
    case WM_CLOSE:
      ::DestroyWindow(dialog);
      ::PostQuitMessage(IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::LoadLibraryW(L"RICHED20.DLL");
  HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainProc, 0);
  if (!dialog) return 0;
  ::ShowWindow(dialog, showCommand);
  MSG message;
  int result = 0;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  result = static_cast<int>(message.wParam);
  ::CoUninitialize();
  return result;
}
