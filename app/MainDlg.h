// The main dialog: transport choice, port and printer lists, the network
// printer's address, Config Port and the tab control with the seven pages.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Framework.h"
#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "resources/resource.h"

class CPanelTabDlg;
class CUserDefTabDlg;
class CWifiTabDlg;
class CNetTabDlg;
class CBuleToothDlg;
class CSerialDlg;
class CBIDTabDlg;

class CMainDlg;
extern CMainDlg* MainDialog;  // set once the main dialog exists

class CMainDlg : public CDialogImpl<CMainDlg>, public CMessageFilter, public CIdleHandler {
 public:
  enum { IDD = IDD_MAIN };
  static constexpr int kPageCount = 7;

  CMainDlg();
  ~CMainDlg() override;

  // The dialog manager's keyboard handling for the window and its shown
  // page, with the page switch keys of property sheets: Ctrl+Tab and
  // Ctrl+PageDown go to the next page, Ctrl+Shift+Tab and Ctrl+PageUp to the
  // previous one. Enter in a page's field does nothing (a page has no
  // default button); Enter in the address field applies the address.
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle() override;

  // 1 when a command may be sent; 0 after a message box told the user why not.
  int CheckPortReady();
  // Reads the transport choice into the selection.
  void RefreshSelection();
  void UpdateUsbChoice();

  const TransportSelection& Selection() const { return selection_; }
  HWND Page(int index) const;  // tab page window of index 0..6, or null
  int CurrentPage() const;
  // Shows page index (0..6) and selects its tab, as choosing the tab does.
  void SelectPage(int index);
  // The DPI the window is laid out for.
  UINT Dpi() const { return dpi_; }

  // Profiles. Save writes the pages' groups (the Wi-Fi key and Bluetooth
  // PIN only with secrets); Load checks the whole file first and sets the
  // pages only when it is right, sending nothing. Each shows one box.
  bool SaveProfileTo(const std::wstring& path, bool secrets);
  bool LoadProfileFrom(const std::wstring& path);

  BEGIN_MSG_MAP(CMainDlg)
    MSG_WM_INITDIALOG(OnInitDialog)
    MSG_WM_DESTROY(OnDestroy)
    MSG_WM_DEVICECHANGE(OnDeviceChange)
    MSG_WM_DPICHANGED(OnDpiChanged)
    MESSAGE_HANDLER_EX(DM_GETDEFID, OnGetDefaultId)
    MESSAGE_HANDLER_EX(kLayOutMessage, OnLayOut)
    COMMAND_ID_HANDLER_EX(IDOK, OnClose)
    COMMAND_ID_HANDLER_EX(IDCANCEL, OnClose)
    COMMAND_HANDLER_EX(IDC_CONFIG_PORT, BN_CLICKED, OnConfigPort)
    COMMAND_HANDLER_EX(IDC_SAVE_PROFILE, BN_CLICKED, OnSaveProfile)
    COMMAND_HANDLER_EX(IDC_LOAD_PROFILE, BN_CLICKED, OnLoadProfile)
    COMMAND_HANDLER_EX(IDC_RADIO_USB, BN_CLICKED, OnChooseUsb)
    COMMAND_HANDLER_EX(IDC_RADIO_PORT, BN_CLICKED, OnChoosePort)
    COMMAND_HANDLER_EX(IDC_RADIO_DRIVER, BN_CLICKED, OnChooseDriver)
    COMMAND_HANDLER_EX(IDC_PORT_LIST, CBN_SELCHANGE, OnPortListChange)
    COMMAND_HANDLER_EX(IDC_PRINTER_ADDRESS, EN_CHANGE, OnAddressEdited)
    NOTIFY_HANDLER_EX(IDC_PRINTER_ADDRESS, IPN_FIELDCHANGED, OnAddressChanged)
    NOTIFY_HANDLER_EX(IDC_TAB, TCN_SELCHANGE, OnTabChange)
  END_MSG_MAP()

 private:
  // Posted on a DPI change: lays the window out again once the dialog
  // manager has scaled what it scales.
  static constexpr UINT kLayOutMessage = WM_APP + 1;

  BOOL OnInitDialog(HWND focus, LPARAM);
  void OnDestroy();
  BOOL OnDeviceChange(UINT event, DWORD_PTR data);
  void OnDpiChanged(UINT dpi, const RECT* suggested);
  LRESULT OnGetDefaultId(UINT, WPARAM, LPARAM);
  LRESULT OnLayOut(UINT, WPARAM, LPARAM);
  void OnClose(UINT, int id, HWND);
  void OnConfigPort(UINT, int, HWND);
  void OnSaveProfile(UINT, int, HWND);
  void OnLoadProfile(UINT, int, HWND);
  // A file name from the standard Save or Open dialog; empty when cancelled.
  std::wstring AskProfilePath(bool save);
  void ShowProfileBox(const char* key, const std::string& detail, bool success);
  void OnChooseUsb(UINT, int, HWND);
  void OnChoosePort(UINT, int, HWND);
  void OnChooseDriver(UINT, int, HWND);
  void OnPortListChange(UINT, int, HWND);
  LRESULT OnAddressChanged(LPNMHDR);
  void OnAddressEdited(UINT, int, HWND);
  LRESULT OnTabChange(LPNMHDR);

  // Keyboard.
  bool SwitchPageByKey(const MSG& msg);
  bool IsEnterInPage(const MSG& msg) const;
  void MarkChosenTransport();

  void CreatePages();
  void ShowPage(int index);
  void FillPortList();
  void FillPrinterList();
  void RegisterDeviceNotifications();
  void SetControlTexts();
  void UpdateAddressControl();
  void StoreAddressText();

  // Layout for dpi_: what the system does not scale itself.
  void LayOut();
  void PlacePages();
  void LoadIcons();
  void LayOutAddressField();
  void RecreateAddressField();

  // The seven pages live as long as the dialog; their windows go with it.
  std::unique_ptr<CPanelTabDlg> panel_;
  std::unique_ptr<CUserDefTabDlg> userDef_;
  std::unique_ptr<CWifiTabDlg> wifi_;
  std::unique_ptr<CNetTabDlg> net_;
  std::unique_ptr<CBuleToothDlg> bluetooth_;
  std::unique_ptr<CSerialDlg> serial_;
  std::unique_ptr<CBIDTabDlg> bid_;
  // Calls visit with each page that exists, in tab order.
  template <class Visit>
  void ForEachPage(Visit visit) {
    if (panel_) visit(*panel_);
    if (bid_) visit(*bid_);
    if (net_) visit(*net_);
    if (wifi_) visit(*wifi_);
    if (bluetooth_) visit(*bluetooth_);
    if (serial_) visit(*serial_);
    if (userDef_) visit(*userDef_);
  }
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;

  HWND portList_ = nullptr;
  HWND printerList_ = nullptr;
  HWND radioPort_ = nullptr;
  HWND radioDriver_ = nullptr;
  HWND radioUsb_ = nullptr;
  HWND configPort_ = nullptr;
  HWND tab_ = nullptr;
  HWND address_ = nullptr;

  UINT dpi_ = 96;
  // The dialog font's size in points, for the fonts made for a DPI.
  int fontPoints_ = 8;
  // The address field's digits, in the dialog's font made for addressDpi_.
  UniqueFont addressFont_;
  UINT addressDpi_ = 0;

  wchar_t usbDevicePath_[260] = {};
  std::vector<std::wstring> spoolerPorts_;
  std::vector<std::wstring> printers_;
  TransportSelection selection_{};
  UniqueNotification deviceNotify_;
  // The network printer's address text, published as PrinterAddressText.
  wchar_t addressText_[kPrinterAddressChars] = {};
};
