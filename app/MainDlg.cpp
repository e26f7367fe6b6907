#include "app/MainDlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dbt.h>
#include <shlobj.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "app/PortConfig.h"
#include "framework/Dpi.h"
#include "transport/PortLists.h"
#include "common/translation/Translation.h"
#include "settings/BidTab.h"
#include "settings/BluetoothTab.h"
#include "settings/NetTab.h"
#include "settings/PanelTab.h"
#include "settings/PageControls.h"
#include "settings/Profile.h"
#include "settings/ProfileFiles.h"
#include "settings/SerialTab.h"
#include "settings/UserDefTab.h"
#include "settings/WifiTab.h"
#include "transport/Device.h"
#include "transport/PortNames.h"
#include "transport/USBDevice.h"

namespace {

// Class of the device-interface notification filter (all classes are asked for).
const GUID kNotifyInterface = {0x25DBCE51, 0x6C8F, 0x4A72, {0x8A, 0x6D, 0xB5, 0x4C, 0x2B, 0x4F, 0xC8, 0x35}};

constexpr wchar_t kDefaultAddress[] = L"0.0.0.0";
constexpr int kPageCount = CMainDlg::kPageCount;

// The program's own key of the user's settings, and the folder the profile
// dialogs open in after the first use.
constexpr wchar_t kSettingsKey[] = L"Software\\Setwright";
constexpr wchar_t kProfileFolderValue[] = L"ProfileFolder";

std::wstring WindowText(HWND window, int maxChars) {
  std::wstring text(static_cast<size_t>(maxChars) + 1, L'\0');
  int n = ::GetWindowTextW(window, &text[0], maxChars + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// The dispatch's refresh: while the live main dialog's selection is the
// published one, it follows the dialog's controls.
void RefreshMainSelection() {
  if (MainDialog != nullptr && MainDialog->IsWindow() &&
      CurrentSelection == &MainDialog->Selection()) {
    MainDialog->RefreshSelection();
  }
}

// The common file dialogs, loaded with their first use: the library pulls
// in the shell's, which would otherwise cost every start-up. It stays loaded
// until the program ends.
using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW);
FileDialogFunction FileDialog(bool save) {
  static const HMODULE library = ::LoadLibraryW(L"comdlg32.dll");
  if (library == nullptr) return nullptr;
  return reinterpret_cast<FileDialogFunction>(reinterpret_cast<void*>(
      ::GetProcAddress(library, save ? "GetSaveFileNameW" : "GetOpenFileNameW")));
}

// The pages' pre-send check: the live main dialog's.
int MainPreSendCheck() {
  return MainDialog != nullptr && MainDialog->IsWindow() ? MainDialog->CheckPortReady() : 0;
}

// True while the key is down, as of the message being handled.
bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// The window that holds the keyboard focus when it lies inside window
// (window itself included); null otherwise.
bool HoldsFocus(HWND window) {
  const HWND focus = ::GetFocus();
  return window != nullptr && focus != nullptr && (focus == window || ::IsChild(window, focus));
}

// The user's Documents folder, or empty. The shell library is loaded with
// the first use, like the file dialogs, and stays loaded.
std::wstring DocumentsFolder() {
  using FolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  static const HMODULE shell = ::LoadLibraryW(L"shell32.dll");
  if (shell == nullptr) return std::wstring();
  const auto folderPath = reinterpret_cast<FolderPathFunction>(
      reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetFolderPathW")));
  wchar_t path[MAX_PATH] = {};
  if (folderPath == nullptr || FAILED(folderPath(nullptr, CSIDL_PERSONAL, nullptr, 0, path))) {
    return std::wstring();
  }
  path[MAX_PATH - 1] = L'\0';
  return path;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder of the last profile saved or loaded, when it still exists.
std::wstring LastProfileFolder() {
  UniqueRegistryKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, key.Out()) !=
      ERROR_SUCCESS) {
    return std::wstring();
  }
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = MAX_PATH * sizeof(wchar_t);  // the last unit stays the terminator
  if (::RegQueryValueExW(key.Get(), kProfileFolderValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(folder), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::wstring();
  }
  const std::wstring path(folder);
  return IsFolder(path) ? path : std::wstring();
}

void RememberProfileFolder(const std::wstring& folder) {
  UniqueRegistryKey key;
  if (folder.empty() || ::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                          nullptr, key.Out(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  ::RegSetValueExW(key.Get(), kProfileFolderValue, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

CMainDlg* MainDialog = nullptr;

// ---------------------------------------------------------------------------
// CMainDlg.

// Before the first classification the selection points at the network
// printer: with its unset address every send stops with a message, and no
// local port is opened under a name that was never classified.
CMainDlg::CMainDlg() { selection_.kind = Ethernet; }

CMainDlg::~CMainDlg() {
  // The page windows go with the dialog window; their objects after them.
  if (m_hWnd) ::DestroyWindow(m_hWnd);
  if (CurrentSelection == &selection_) CurrentSelection = nullptr;
  if (PrinterAddressText == addressText_) PrinterAddressText = nullptr;
  if (MainDialog == this) {
    MainDialog = nullptr;
    RefreshCurrentSelection = nullptr;
    PreSendCheck = nullptr;
  }
}

BOOL CMainDlg::PreTranslateMessage(MSG* msg) {
  if (!m_hWnd || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return FALSE;
  if (SwitchPageByKey(*msg)) return TRUE;
  const bool enter = (msg->message == WM_KEYDOWN || msg->message == WM_CHAR ||
                      msg->message == WM_KEYUP) &&
                     msg->wParam == VK_RETURN;
  if (enter) {
    // Enter while typing the printer's address applies the address and keeps
    // the window open; elsewhere in the window the dialog manager takes it
    // for OK.
    if (address_ != nullptr && (msg->hwnd == address_ || ::IsChild(address_, msg->hwnd))) {
      if (msg->message == WM_KEYDOWN) RefreshSelection();
      return TRUE;
    }
    if (IsEnterInPage(*msg)) {
      // A page has no default button: Enter in its fields does nothing (it
      // would otherwise close the window as OK). On a focused button it
      // presses the button, as Space does.
      const HWND focus = msg->hwnd;
      const LRESULT code = ::SendMessageW(focus, WM_GETDLGCODE, 0, 0);
      if (msg->message == WM_KEYDOWN && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) &&
          ::IsWindowEnabled(focus)) {
        ::SendMessageW(focus, BM_CLICK, 0, 0);
      }
      return TRUE;
    }
  }
  return ::IsDialogMessageW(m_hWnd, msg);
}

// Enter aimed at a control of a page that does not take Enter itself (a
// drop-down list closes its open list with it).
bool CMainDlg::IsEnterInPage(const MSG& msg) const {
  for (int i = 0; i < kPageCount; ++i) {
    const HWND page = Page(i);
    if (page == nullptr || !::IsChild(page, msg.hwnd)) continue;
    const LRESULT code =
        ::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    return (code & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)) == 0;
  }
  return false;
}

// Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PageDown and Ctrl+PageUp anywhere in the
// window step through the pages, round the end, unless the control with
// the focus takes the key itself.
bool CMainDlg::SwitchPageByKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return false;
  int step = 0;
  if (msg.wParam == VK_TAB) step = KeyDown(VK_SHIFT) ? -1 : 1;
  if (msg.wParam == VK_NEXT) step = 1;
  if (msg.wParam == VK_PRIOR) step = -1;
  if (step == 0) return false;
  const LRESULT code =
      ::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (code & DLGC_WANTMESSAGE) return false;
  const int current = CurrentPage();
  SelectPage(((current < 0 ? 0 : current) + step + kPageCount) % kPageCount);
  return true;
}

BOOL CMainDlg::OnIdle() { return FALSE; }

HWND CMainDlg::Page(int index) const {
  switch (index) {
    case 0: return panel_ ? panel_->m_hWnd : nullptr;
    case 1: return bid_ ? bid_->m_hWnd : nullptr;
    case 2: return net_ ? net_->m_hWnd : nullptr;
    case 3: return wifi_ ? wifi_->m_hWnd : nullptr;
    case 4: return bluetooth_ ? bluetooth_->m_hWnd : nullptr;
    case 5: return serial_ ? serial_->m_hWnd : nullptr;
    case 6: return userDef_ ? userDef_->m_hWnd : nullptr;
  }
  return nullptr;
}

int CMainDlg::CurrentPage() const {
  return tab_ != nullptr ? static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0)) : -1;
}

void CMainDlg::SelectPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  ::SendMessageW(tab_, TCM_SETCURSEL, index, 0);
  ShowPage(index);
}

BOOL CMainDlg::OnInitDialog(HWND, LPARAM) {
  CenterWindow(nullptr);
  dpi_ = WindowDpi(m_hWnd);

  if (CMessageLoop* loop = _Module.GetMessageLoop()) {
    loop->AddMessageFilter(this);
    loop->AddIdleHandler(this);
  }

  InitTranslation();

  radioPort_ = GetDlgItem(IDC_RADIO_PORT);
  radioDriver_ = GetDlgItem(IDC_RADIO_DRIVER);
  radioUsb_ = GetDlgItem(IDC_RADIO_USB);
  portList_ = GetDlgItem(IDC_PORT_LIST);
  printerList_ = GetDlgItem(IDC_PRINTER_LIST);
  configPort_ = GetDlgItem(IDC_CONFIG_PORT);
  address_ = GetDlgItem(IDC_PRINTER_ADDRESS);
  ::SendMessageW(radioPort_, BM_SETCHECK, BST_CHECKED, 0);
  MarkChosenTransport();
  ::EnableWindow(printerList_, FALSE);
  tab_ = GetDlgItem(IDC_TAB);

  // The dialog font's size, for the fonts this window makes for a DPI.
  LOGFONTW dialogFont{};
  const HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
  if (font != nullptr && ::GetObjectW(font, sizeof(dialogFont), &dialogFont) == sizeof(dialogFont) &&
      dialogFont.lfHeight != 0) {
    const int pixels = dialogFont.lfHeight < 0 ? -dialogFont.lfHeight : dialogFont.lfHeight;
    fontPoints_ = ::MulDiv(pixels, 72, static_cast<int>(dpi_));
  }

  CreatePages();
  FillPortList();
  FillPrinterList();
  UpdateUsbChoice();
  RegisterDeviceNotifications();
  SetControlTexts();
  LayOut();

  CurrentSelection = &selection_;
  RefreshSelection();
  RefreshCurrentSelection = &RefreshMainSelection;
  PreSendCheck = &MainPreSendCheck;

  std::memset(addressText_, 0, sizeof(addressText_));
  wcsncpy(addressText_, kDefaultAddress, kPrinterAddressChars - 1);
  PrinterAddressText = addressText_;
  UpdateAddressControl();

  // The first choice to make has the focus: the transport.
  ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(radioPort_), TRUE);
  return FALSE;
}

// Only the chosen transport is a tab stop of the three choices; the arrow
// keys move between them, as in every group of radio buttons.
void CMainDlg::MarkChosenTransport() {
  for (HWND radio : {radioUsb_, radioPort_, radioDriver_}) {
    if (radio == nullptr) continue;
    const LONG style = ::GetWindowLongW(radio, GWL_STYLE);
    const bool chosen = ::SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const LONG wanted = chosen ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
    if (wanted != style) ::SetWindowLongW(radio, GWL_STYLE, wanted);
  }
}

void CMainDlg::CreatePages() {
  wchar_t text[kMessageTextChars] = {};
  struct TabItem {
    const char* key;  // null: the caption is literal
    const wchar_t* literal;
  };
  const TabItem items[kPageCount] = {
      {"PO_TAB_PANEL", nullptr},          {nullptr, L"BID"},
      {"PO_PRINTER_SET_DLG_EHTERNET", nullptr}, {"PO_PRINTER_SET_DLG_WIFI", nullptr},
      {"PO_GSTR_BLUETOOTH_NOTICE", nullptr}, {"PO_PRINTER_SET_DLG_SERIAL", nullptr},
      {"PO_TAB_USER_DEF", nullptr},
  };
  for (int i = 0; i < kPageCount; ++i) {
    const wchar_t* caption = items[i].literal;
    if (items[i].key) {
      std::memset(text, 0, sizeof(text));
      caption = LookupText(items[i].key, text);
    }
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    ::SendMessageW(tab_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }

  // The pages are children of the dialog, as in a property sheet, not of
  // the tab control: the dialog manager then takes the shown page's
  // controls into the window's Tab cycle. Each lies above the tab control
  // (which clips it out of its painting) and so comes first in the Tab
  // order; the template puts the profile buttons next, so the cycle runs
  // profile buttons, transport, address, tab strip, page.
  panel_.reset(new (std::nothrow) CPanelTabDlg());
  bid_.reset(new (std::nothrow) CBIDTabDlg());
  net_.reset(new (std::nothrow) CNetTabDlg());
  wifi_.reset(new (std::nothrow) CWifiTabDlg());
  bluetooth_.reset(new (std::nothrow) CBuleToothDlg());
  serial_.reset(new (std::nothrow) CSerialDlg());
  userDef_.reset(new (std::nothrow) CUserDefTabDlg());
  ForEachPage([this](auto& page) { page.Create(m_hWnd); });
  // Each page carries its template's id, so it can be found as a control.
  const int ids[kPageCount] = {IDD_PANEL_TAB,     IDD_BID_TAB,    IDD_NET_TAB,    IDD_WIFI_TAB,
                               IDD_BLUETOOTH_TAB, IDD_SERIAL_TAB, IDD_USERDEF_TAB};
  for (int i = 0; i < kPageCount; ++i) {
    if (HWND page = Page(i)) {
      ::SetWindowLongPtrW(page, GWLP_ID, ids[i]);
      ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  SelectPage(0);
}

void CMainDlg::ShowPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  bool focusLeaves = false;
  for (int i = 0; i < kPageCount; ++i) {
    if (i != index && HoldsFocus(Page(i))) focusLeaves = true;
  }
  if (HWND page = Page(index)) ::ShowWindow(page, SW_SHOW);
  for (int i = 0; i < kPageCount; ++i) {
    if (i != index) {
      if (HWND page = Page(i)) ::ShowWindow(page, SW_HIDE);
    }
  }
  // The focus was on a page that went away: it goes on to the first control
  // of the page that came (or to the tab strip when that has none).
  if (focusLeaves) {
    HWND first = Page(index) ? ::GetNextDlgTabItem(Page(index), nullptr, FALSE) : nullptr;
    if (first == nullptr || !::IsChild(Page(index), first)) first = tab_;
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
}

// ---------------------------------------------------------------------------
// Layout for the window's DPI. The system scales the dialogs themselves
// (their fonts and controls) where it does that; what it leaves alone is
// laid out here: the pages' place under the tab strip, the window's icons
// and the address field, whose digits the control lays out only when it is
// made and shows in a font made here.

void CMainDlg::LayOut() {
  PlacePages();
  LoadIcons();
  LayOutAddressField();
}

// Each page fills the tab control's display area: its rectangle below the
// tab strip as the control itself reports it for its present captions.
void CMainDlg::PlacePages() {
  if (tab_ == nullptr) return;
  RECT area{};
  ::GetWindowRect(tab_, &area);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&area), 2);
  ::SendMessageW(tab_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (int i = 0; i < kPageCount; ++i) {
    if (HWND page = Page(i)) {
      ::SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void CMainDlg::LoadIcons() {
  HICON big = static_cast<HICON>(::LoadImageW(
      ResourceInstance(), MAKEINTRESOURCEW(IDI_SETWRIGHT), IMAGE_ICON,
      SystemMetricForDpi(SM_CXICON, dpi_), SystemMetricForDpi(SM_CYICON, dpi_), LR_DEFAULTCOLOR));
  HICON small = static_cast<HICON>(::LoadImageW(
      ResourceInstance(), MAKEINTRESOURCEW(IDI_SETWRIGHT), IMAGE_ICON,
      SystemMetricForDpi(SM_CXSMICON, dpi_), SystemMetricForDpi(SM_CYSMICON, dpi_), LR_DEFAULTCOLOR));
  // The window lets go of the old icons before they are destroyed.
  if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (big) bigIcon_.Reset(big);
  if (small) smallIcon_.Reset(small);
}

void CMainDlg::LayOutAddressField() {
  if (address_ == nullptr) return;
  if (addressDpi_ != 0 && addressDpi_ != dpi_) RecreateAddressField();
  if (addressDpi_ != dpi_ || !addressFont_.Valid()) {
    LOGFONTW font{};
    const HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr || ::GetObjectW(dialogFont, sizeof(font), &font) != sizeof(font)) {
      ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    }
    font.lfHeight = -::MulDiv(fontPoints_, static_cast<int>(dpi_), 72);
    font.lfWidth = 0;
    HFONT made = ::CreateFontIndirectW(&font);
    if (made == nullptr) return;
    // The fields take the new font before the old one is deleted.
    for (HWND field = ::GetWindow(address_, GW_CHILD); field != nullptr;
         field = ::GetWindow(field, GW_HWNDNEXT)) {
      ::SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    }
    addressFont_.Reset(made);
    addressDpi_ = dpi_;
  }
}

// The address control places its four fields when it is made, for the size
// it has then: after a DPI change it is made again in its new place, with
// the address, enabled state, place in the Tab order and focus it had.
void CMainDlg::RecreateAddressField() {
  const HWND old = address_;
  RECT place{};
  ::GetWindowRect(old, &place);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
  const bool blank = ::SendMessageW(old, IPM_ISBLANK, 0, 0) != 0;
  DWORD address = 0;
  if (!blank) ::SendMessageW(old, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  const bool enabled = ::IsWindowEnabled(old) != FALSE;
  const bool focused = HoldsFocus(old);
  const LONG style = ::GetWindowLongW(old, GWL_STYLE) & ~WS_DISABLED;
  const LONG exStyle = ::GetWindowLongW(old, GWL_EXSTYLE);
  const HWND fresh = ::CreateWindowExW(
      exStyle, WC_IPADDRESSW, L"", static_cast<DWORD>(style), place.left, place.top,
      place.right - place.left, place.bottom - place.top, m_hWnd,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PRINTER_ADDRESS)), ResourceInstance(), nullptr);
  if (fresh == nullptr) return;  // the old field stays
  ::SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  address_ = fresh;
  if (!blank) ::SendMessageW(fresh, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
  ::EnableWindow(fresh, enabled ? TRUE : FALSE);
  // The control may own the font it was given; the dialog's font must outlive it.
  ::SendMessageW(old, WM_SETFONT, 0, FALSE);
  ::DestroyWindow(old);
  if (focused) ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fresh), TRUE);
  StoreAddressText();
}

// The new DPI comes with the message (the window's own DPI may still be the
// old one while it is handled). The window takes the suggested rectangle;
// the rest is laid out once the dialog manager has scaled the dialog.
void CMainDlg::OnDpiChanged(UINT dpi, const RECT* suggested) {
  if (dpi == 0) return;
  dpi_ = dpi;
  if (suggested != nullptr) {
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::PostMessageW(m_hWnd, kLayOutMessage, 0, 0);
}

LRESULT CMainDlg::OnLayOut(UINT, WPARAM, LPARAM) {
  LayOut();
  return 0;
}

void CMainDlg::FillPortList() {
  spoolerPorts_ = EnumSpoolerPorts();
  std::vector<std::wstring> comPorts;
  // COM-port interfaces are only asked for when the spooler listed ports.
  if (!spoolerPorts_.empty()) comPorts = EnumComPorts();
  for (const std::wstring& entry : BuildPortEntries(comPorts, spoolerPorts_)) {
    if (entry == kEthernetEntry) {
      // Inserted, not added: it stays last although the list is sorted.
      ::SendMessageW(portList_, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry.c_str()));
    } else {
      ::SendMessageW(portList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  ::SendMessageW(portList_, CB_SETCURSEL, 0, 0);
}

void CMainDlg::FillPrinterList() {
  printers_ = EnumLocalPrinters();
  if (printers_.empty()) return;
  for (const std::wstring& name : printers_) {
    ::SendMessageW(printerList_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  ::SendMessageW(printerList_, CB_SETCURSEL, 0, 0);
}

void CMainDlg::UpdateUsbChoice() {
  BOOL found = FindUsbPrinter(usbDevicePath_) ? TRUE : FALSE;
  ::EnableWindow(radioUsb_, found);
}

void CMainDlg::RegisterDeviceNotifications() {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kNotifyInterface;
  deviceNotify_.Reset(::RegisterDeviceNotificationW(m_hWnd, &filter,
                                                DEVICE_NOTIFY_WINDOW_HANDLE |
                                                    DEVICE_NOTIFY_ALL_INTERFACE_CLASSES));
}

void CMainDlg::SetControlTexts() {
  wchar_t text[kMessageTextChars] = {};
  wchar_t caption[kMessageTextChars + 8] = {};
  LookupText("PO_GSTR_KORVEL_MAIN_DLG_CAPTION", text);
  _snwprintf(caption, kMessageTextChars + 7, L"%ls v1.44", text);
  ::SetWindowTextW(m_hWnd, caption);

  const struct {
    int id;
    const char* key;
  } controls[] = {
      {IDC_MAIN_GROUP, "PO_IDC_STATIC_MAIN_PORT"},
      {IDC_RADIO_PORT, "PO_IDC_RADIO_PORT"},
      {IDC_RADIO_DRIVER, "PO_IDC_RADIO_PRINTER_DRIVER"},
      {IDC_CONFIG_PORT, "PO_IDC_BUTTON_CONFIG_PORT"},
      {IDC_PRINTER_ADDRESS_LABEL, "PO_IDC_STATIC_PRINTER_ADDRESS"},
      {IDC_SAVE_PROFILE, "PO_GSTR_SAVE_PROFILE"},
      {IDC_LOAD_PROFILE, "PO_GSTR_LOAD_PROFILE"},
  };
  for (const auto& control : controls) {
    ::SetDlgItemTextW(m_hWnd, control.id, LookupText(control.key, text));
  }
}

void CMainDlg::RefreshSelection() {
  std::wstring text;
  if (::SendMessageW(radioPort_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    text = WindowText(portList_, kTransportNameChars);
    if (IsComPortName(text.c_str())) {
      selection_.kind = Com;
    } else if (IsLptPortName(text.c_str())) {
      selection_.kind = Lpt;
    } else if (text == kEthernetEntry) {
      selection_.kind = Ethernet;
    }
  } else if (::SendMessageW(radioDriver_, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    text = WindowText(printerList_, kTransportNameChars);
    selection_.kind = PrinterDriver;
  } else {
    text = usbDevicePath_;
    selection_.kind = Usb;
  }
  std::memset(selection_.name, 0, sizeof(selection_.name));
  wcsncpy(selection_.name, text.c_str(), kTransportNameChars - 1);
  StoreAddressText();
  UpdateAddressControl();
}

int CMainDlg::CheckPortReady() {
  RefreshSelection();
  if (selection_.kind == Com && !StoredSerialSettings) {
    ::MessageBoxW(m_hWnd, L"You need Configure com port first", L"ERROR", MB_OKCANCEL);
    return 0;
  }
  if (selection_.kind == Ethernet &&
      (!PrinterAddressText || wcscmp(PrinterAddressText, kDefaultAddress) == 0)) {
    ::MessageBoxW(m_hWnd, L"You need Configure ip first", L"ERROR", MB_OKCANCEL);
    return 0;
  }
  return 1;
}

// The address control is usable only while "Ethernet" is the chosen port entry.
void CMainDlg::UpdateAddressControl() {
  if (!address_) return;
  bool portChoice = ::SendMessageW(radioPort_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  std::wstring entry = WindowText(portList_, kTransportNameChars);
  ::EnableWindow(address_, portChoice && entry == kEthernetEntry);
}

void CMainDlg::StoreAddressText() {
  if (!PrinterAddressText || !address_) return;
  DWORD address = 0;
  // A blank control keeps the unset address.
  if (::SendMessageW(address_, IPM_ISBLANK, 0, 0)) {
    wcsncpy(PrinterAddressText, kDefaultAddress, kPrinterAddressChars - 1);
    return;
  }
  ::SendMessageW(address_, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  _snwprintf(PrinterAddressText, kPrinterAddressChars - 1, L"%u.%u.%u.%u",
             static_cast<unsigned>(FIRST_IPADDRESS(address)),
             static_cast<unsigned>(SECOND_IPADDRESS(address)),
             static_cast<unsigned>(THIRD_IPADDRESS(address)),
             static_cast<unsigned>(FOURTH_IPADDRESS(address)));
  PrinterAddressText[kPrinterAddressChars - 1] = L'\0';
}

LRESULT CMainDlg::OnAddressChanged(LPNMHDR) {
  StoreAddressText();
  return 0;
}

void CMainDlg::OnAddressEdited(UINT, int, HWND) { StoreAddressText(); }

// The selection itself is read from the list before each send.
void CMainDlg::OnPortListChange(UINT, int, HWND) { UpdateAddressControl(); }

void CMainDlg::OnDestroy() {
  if (CMessageLoop* loop = _Module.GetMessageLoop()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  deviceNotify_.Reset();
}

BOOL CMainDlg::OnDeviceChange(UINT event, DWORD_PTR) {
  if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) UpdateUsbChoice();
  return TRUE;
}

// The dialog has no default push button, so Enter means IDOK. Saying so
// keeps the dialog manager from taking a disabled control of id 1 inside a
// child control (an address field) for the default button.
LRESULT CMainDlg::OnGetDefaultId(UINT, WPARAM, LPARAM) { return 0; }

void CMainDlg::OnClose(UINT, int id, HWND) {
  // The address typed last is kept even if the control never lost focus.
  StoreAddressText();
  DestroyWindow();
  ::PostQuitMessage(id);
}

void CMainDlg::OnConfigPort(UINT, int, HWND) {
  if (spoolerPorts_.empty()) return;
  std::wstring text = WindowText(portList_, kTransportNameChars);
  if (IsComPortName(text.c_str())) {
    ConfigureComPort(text.c_str());
  } else if (IsLptPortName(text.c_str())) {
    ConfigureLptPort(text.c_str());
  } else if (text == kEthernetEntry) {
    // Nothing to configure: the address has its own control.
  } else {
    wchar_t message[kMessageTextChars] = {};
    ::MessageBoxW(m_hWnd, LookupText("PO_GSTR_CANNOT_CONFIG_PORT", message), L"ERROR",
                  MB_OKCANCEL);
  }
}

void CMainDlg::OnChooseUsb(UINT, int, HWND) {
  ::EnableWindow(configPort_, FALSE);
  ::EnableWindow(portList_, FALSE);
  ::EnableWindow(printerList_, FALSE);
  MarkChosenTransport();
  RefreshSelection();
}

void CMainDlg::OnChoosePort(UINT, int, HWND) {
  ::EnableWindow(configPort_, TRUE);
  ::EnableWindow(portList_, TRUE);
  ::EnableWindow(printerList_, FALSE);
  MarkChosenTransport();
  RefreshSelection();
}

void CMainDlg::OnChooseDriver(UINT, int, HWND) {
  ::EnableWindow(configPort_, FALSE);
  ::EnableWindow(portList_, FALSE);
  ::EnableWindow(printerList_, TRUE);
  MarkChosenTransport();
  RefreshSelection();
}

LRESULT CMainDlg::OnTabChange(LPNMHDR) {
  ShowPage(CurrentPage());
  return 0;
}

// ---------------------------------------------------------------------------
// Profiles.

void CMainDlg::ShowProfileBox(const char* key, const std::string& detail, bool success) {
  wchar_t text[kMessageTextChars] = {};
  std::wstring message = LookupText(key, text);
  if (!detail.empty()) message += L"\n" + Utf8ToWide(detail);
  ::MessageBoxW(m_hWnd, message.c_str(), success ? L"SUCCESS" : L"ERROR", MB_OKCANCEL);
}

bool CMainDlg::SaveProfileTo(const std::wstring& path, bool secrets) {
  profile::Profile current;
  ForEachPage([&current](auto& page) { page.SaveProfile(current); });
  const std::string text = profile::Format(current, secrets);
  // A profile is saved only if it can be loaded again.
  profile::Profile check;
  profile::Error error;
  if (!profile::Parse(text, profile::AnsiCodec(), &check, &error)) {
    ShowProfileBox("PO_GSTR_PROFILE_SAVE_ERR", error.Text(), false);
    return false;
  }
  std::string why;
  if (!profile::WriteProfileFile(path, text, &why)) {
    ShowProfileBox("PO_GSTR_PROFILE_SAVE_ERR", why, false);
    return false;
  }
  ShowProfileBox("PO_GSTR_PROFILE_SAVED", std::string(), true);
  return true;
}

bool CMainDlg::LoadProfileFrom(const std::wstring& path) {
  std::string text, why;
  profile::Profile loaded;
  profile::Error error;
  if (!profile::ReadProfileFile(path, &text, &why)) {
    ShowProfileBox("PO_GSTR_PROFILE_LOAD_ERR", why, false);
    return false;
  }
  if (!profile::Parse(text, profile::AnsiCodec(), &loaded, &error)) {
    ShowProfileBox("PO_GSTR_PROFILE_LOAD_ERR", error.Text(), false);
    return false;
  }
  ForEachPage([&loaded](auto& page) { page.LoadProfile(loaded); });
  ShowProfileBox("PO_GSTR_PROFILE_LOADED", std::string(), true);
  return true;
}

// The standard dialogs open in the user's Documents folder the first time
// and in the folder of the last profile saved or loaded after that (kept
// per user). They offer the one file type and no read-only choice.
std::wstring CMainDlg::AskProfilePath(bool save) {
  wchar_t file[MAX_PATH] = {};
  wchar_t filterName[kMessageTextChars] = {};
  LookupText("PO_GSTR_PROFILE_FILTER", filterName);
  // "name\0*.ini\0\0"
  std::wstring filter = filterName;
  filter.push_back(L'\0');
  filter += L"*.ini";
  filter.push_back(L'\0');
  std::wstring folder = LastProfileFolder();
  if (folder.empty()) folder = DocumentsFolder();
  OPENFILENAMEW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = m_hWnd;
  request.lpstrFilter = filter.c_str();
  request.lpstrFile = file;
  request.nMaxFile = MAX_PATH;
  request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  request.lpstrDefExt = L"ini";
  request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                  (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const FileDialogFunction ask = FileDialog(save);
  if (ask == nullptr || !ask(&request)) return std::wstring();
  file[MAX_PATH - 1] = L'\0';
  const std::wstring path(file);
  const size_t slash = path.find_last_of(L'\\');
  if (slash != std::wstring::npos) {
    // "C:\" keeps its backslash; other folders are named without one.
    RememberProfileFolder(path.substr(0, slash == 2 ? slash + 1 : slash));
  }
  return path;
}

void CMainDlg::OnSaveProfile(UINT, int, HWND) {
  std::wstring path = AskProfilePath(true);
  if (path.empty()) return;
  // Keys and PINs go into the file only when the user says so.
  bool secrets = false;
  profile::Profile current;
  if (wifi_) wifi_->SaveProfile(current);
  if (bluetooth_) bluetooth_->SaveProfile(current);
  if (profile::HasSecrets(current)) {
    wchar_t question[kMessageTextChars] = {};
    LookupText("PO_GSTR_PROFILE_SECRETS", question);
    secrets = ::MessageBoxW(m_hWnd, question, L"Setwright", MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
  SaveProfileTo(path, secrets);
}

void CMainDlg::OnLoadProfile(UINT, int, HWND) {
  std::wstring path = AskProfilePath(false);
  if (!path.empty()) LoadProfileFrom(path);
}
