#include "app/MainDlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dbt.h>

#include <cstring>
#include <cwchar>
#include <new>

#include "app/PortConfig.h"
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
constexpr int kPageCount = 7;

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
  if (!m_hWnd) return FALSE;
  // Enter while typing the printer's address applies the address and keeps
  // the window open; elsewhere the dialog manager takes it for OK.
  const bool enter = (msg->message == WM_KEYDOWN || msg->message == WM_CHAR ||
                      msg->message == WM_KEYUP) &&
                     msg->wParam == VK_RETURN;
  if (enter && address_ != nullptr && (msg->hwnd == address_ || ::IsChild(address_, msg->hwnd))) {
    if (msg->message == WM_KEYDOWN) RefreshSelection();
    return TRUE;
  }
  return ::IsDialogMessageW(m_hWnd, msg);
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

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow(nullptr);

  HICON big = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_SETWRIGHT),
                                              IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                              ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  HICON small = static_cast<HICON>(::LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_SETWRIGHT),
                                                IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  bigIcon_.Reset(big);
  smallIcon_.Reset(small);
  if (big) ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

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
  ::EnableWindow(printerList_, FALSE);
  tab_ = GetDlgItem(IDC_TAB);

  CreatePages();
  FillPortList();
  FillPrinterList();
  UpdateUsbChoice();
  RegisterDeviceNotifications();
  SetControlTexts();

  CurrentSelection = &selection_;
  RefreshSelection();
  RefreshCurrentSelection = &RefreshMainSelection;
  PreSendCheck = &MainPreSendCheck;

  std::memset(addressText_, 0, sizeof(addressText_));
  wcsncpy(addressText_, kDefaultAddress, kPrinterAddressChars - 1);
  PrinterAddressText = addressText_;
  UpdateAddressControl();
  return TRUE;
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

  panel_.reset(new (std::nothrow) CPanelTabDlg());
  bid_.reset(new (std::nothrow) CBIDTabDlg());
  net_.reset(new (std::nothrow) CNetTabDlg());
  wifi_.reset(new (std::nothrow) CWifiTabDlg());
  bluetooth_.reset(new (std::nothrow) CBuleToothDlg());
  serial_.reset(new (std::nothrow) CSerialDlg());
  userDef_.reset(new (std::nothrow) CUserDefTabDlg());
  if (panel_) panel_->Create(tab_);
  if (bid_) bid_->Create(tab_);
  if (net_) net_->Create(tab_);
  if (wifi_) wifi_->Create(tab_);
  if (bluetooth_) bluetooth_->Create(tab_);
  if (serial_) serial_->Create(tab_);
  if (userDef_) userDef_->Create(tab_);

  RECT area{};
  ::GetClientRect(tab_, &area);
  area.top += 20;
  for (int i = 0; i < kPageCount; ++i) {
    if (HWND page = Page(i)) {
      ::MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    }
  }
  ::SendMessageW(tab_, TCM_SETCURSEL, 0, 0);
  ShowPage(0);
}

void CMainDlg::ShowPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  for (int i = 0; i < kPageCount; ++i) {
    if (HWND page = Page(i)) ::ShowWindow(page, i == index ? SW_SHOW : SW_HIDE);
  }
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

LRESULT CMainDlg::OnAddressChanged(int, LPNMHDR, BOOL&) {
  StoreAddressText();
  return 0;
}

LRESULT CMainDlg::OnAddressEdited(WORD, WORD, HWND, BOOL&) {
  StoreAddressText();
  return 0;
}

LRESULT CMainDlg::OnPortListChange(WORD, WORD, HWND, BOOL&) {
  // The selection itself is read from the list before each send.
  UpdateAddressControl();
  return 0;
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (CMessageLoop* loop = _Module.GetMessageLoop()) {
    loop->RemoveMessageFilter(this);
    loop->RemoveIdleHandler(this);
  }
  deviceNotify_.Reset();
  handled = FALSE;
  return 0;
}

LRESULT CMainDlg::OnDeviceChange(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) UpdateUsbChoice();
  return 0;
}

// The dialog has no default push button, so Enter means IDOK. Saying so
// keeps the dialog manager from taking a disabled control of id 1 inside a
// child control (an address field) for the default button.
LRESULT CMainDlg::OnGetDefaultId(UINT, WPARAM, LPARAM, BOOL&) { return 0; }

LRESULT CMainDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
  // The address typed last is kept even if the control never lost focus.
  StoreAddressText();
  DestroyWindow();
  ::PostQuitMessage(id);
  return 0;
}

LRESULT CMainDlg::OnConfigPort(WORD, WORD, HWND, BOOL&) {
  if (spoolerPorts_.empty()) return 0;
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
  return 0;
}

LRESULT CMainDlg::OnChooseUsb(WORD, WORD, HWND, BOOL&) {
  ::EnableWindow(configPort_, FALSE);
  ::EnableWindow(portList_, FALSE);
  ::EnableWindow(printerList_, FALSE);
  RefreshSelection();
  return 0;
}

LRESULT CMainDlg::OnChoosePort(WORD, WORD, HWND, BOOL&) {
  ::EnableWindow(configPort_, TRUE);
  ::EnableWindow(portList_, TRUE);
  ::EnableWindow(printerList_, FALSE);
  RefreshSelection();
  return 0;
}

LRESULT CMainDlg::OnChooseDriver(WORD, WORD, HWND, BOOL&) {
  ::EnableWindow(configPort_, FALSE);
  ::EnableWindow(portList_, FALSE);
  ::EnableWindow(printerList_, TRUE);
  RefreshSelection();
  return 0;
}

LRESULT CMainDlg::OnTabChange(int, LPNMHDR, BOOL&) {
  int index = static_cast<int>(::SendMessageW(tab_, TCM_GETCURSEL, 0, 0));
  ShowPage(index);
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
  if (panel_) panel_->SaveProfile(current);
  if (bid_) bid_->SaveProfile(current);
  if (net_) net_->SaveProfile(current);
  if (wifi_) wifi_->SaveProfile(current);
  if (bluetooth_) bluetooth_->SaveProfile(current);
  if (serial_) serial_->SaveProfile(current);
  if (userDef_) userDef_->SaveProfile(current);
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
  if (panel_) panel_->LoadProfile(loaded);
  if (bid_) bid_->LoadProfile(loaded);
  if (net_) net_->LoadProfile(loaded);
  if (wifi_) wifi_->LoadProfile(loaded);
  if (bluetooth_) bluetooth_->LoadProfile(loaded);
  if (serial_) serial_->LoadProfile(loaded);
  if (userDef_) userDef_->LoadProfile(loaded);
  ShowProfileBox("PO_GSTR_PROFILE_LOADED", std::string(), true);
  return true;
}

std::wstring CMainDlg::AskProfilePath(bool save) {
  wchar_t file[MAX_PATH] = {};
  wchar_t filterName[kMessageTextChars] = {};
  LookupText("PO_GSTR_PROFILE_FILTER", filterName);
  // "name\0*.ini\0All files\0*.*\0\0"
  std::wstring filter = filterName;
  filter.push_back(L'\0');
  filter += L"*.ini";
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  filter += L"*.*";
  filter.push_back(L'\0');
  OPENFILENAMEW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = m_hWnd;
  request.lpstrFilter = filter.c_str();
  request.lpstrFile = file;
  request.nMaxFile = MAX_PATH;
  request.lpstrDefExt = L"ini";
  request.Flags = save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR
                       : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  const FileDialogFunction ask = FileDialog(save);
  return ask != nullptr && ask(&request) ? std::wstring(file) : std::wstring();
}

LRESULT CMainDlg::OnSaveProfile(WORD, WORD, HWND, BOOL&) {
  std::wstring path = AskProfilePath(true);
  if (path.empty()) return 0;
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
  return 0;
}

LRESULT CMainDlg::OnLoadProfile(WORD, WORD, HWND, BOOL&) {
  std::wstring path = AskProfilePath(false);
  if (!path.empty()) LoadProfileFrom(path);
  return 0;
}
