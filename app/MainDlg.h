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

  CMainDlg();
  ~CMainDlg() override;

  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle() override;

  // 1 when a command may be sent; 0 after a message box told the user why not.
  int CheckPortReady();
  // Reads the transport choice into the selection.
  void RefreshSelection();
  void UpdateUsbChoice();

  const TransportSelection& Selection() const { return selection_; }
  HWND Page(int index) const;  // tab page window of index 0..6, or null

  // Profiles. Save writes the pages' groups (the Wi-Fi key and Bluetooth
  // PIN only with secrets); Load checks the whole file first and sets the
  // pages only when it is right, sending nothing. Each shows one box.
  bool SaveProfileTo(const std::wstring& path, bool secrets);
  bool LoadProfileFrom(const std::wstring& path);

  BEGIN_MSG_MAP(CMainDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_DEVICECHANGE, OnDeviceChange)
    MESSAGE_HANDLER(DM_GETDEFID, OnGetDefaultId)
    COMMAND_ID_HANDLER(IDOK, OnClose)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    COMMAND_HANDLER(IDC_CONFIG_PORT, BN_CLICKED, OnConfigPort)
    COMMAND_HANDLER(IDC_SAVE_PROFILE, BN_CLICKED, OnSaveProfile)
    COMMAND_HANDLER(IDC_LOAD_PROFILE, BN_CLICKED, OnLoadProfile)
    COMMAND_HANDLER(IDC_RADIO_USB, BN_CLICKED, OnChooseUsb)
    COMMAND_HANDLER(IDC_RADIO_PORT, BN_CLICKED, OnChoosePort)
    COMMAND_HANDLER(IDC_RADIO_DRIVER, BN_CLICKED, OnChooseDriver)
    COMMAND_HANDLER(IDC_PORT_LIST, CBN_SELCHANGE, OnPortListChange)
    COMMAND_HANDLER(IDC_PRINTER_ADDRESS, EN_CHANGE, OnAddressEdited)
    NOTIFY_HANDLER(IDC_PRINTER_ADDRESS, IPN_FIELDCHANGED, OnAddressChanged)
    NOTIFY_HANDLER(IDC_TAB, TCN_SELCHANGE, OnTabChange)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDeviceChange(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnGetDefaultId(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(WORD, WORD, HWND, BOOL&);
  LRESULT OnConfigPort(WORD, WORD, HWND, BOOL&);
  LRESULT OnSaveProfile(WORD, WORD, HWND, BOOL&);
  LRESULT OnLoadProfile(WORD, WORD, HWND, BOOL&);
  // A file name from the standard Save or Open dialog; empty when cancelled.
  std::wstring AskProfilePath(bool save);
  void ShowProfileBox(const char* key, const std::string& detail, bool success);
  LRESULT OnChooseUsb(WORD, WORD, HWND, BOOL&);
  LRESULT OnChoosePort(WORD, WORD, HWND, BOOL&);
  LRESULT OnChooseDriver(WORD, WORD, HWND, BOOL&);
  LRESULT OnPortListChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnAddressChanged(int, LPNMHDR, BOOL&);
  LRESULT OnAddressEdited(WORD, WORD, HWND, BOOL&);
  LRESULT OnTabChange(int, LPNMHDR, BOOL&);

  void CreatePages();
  void ShowPage(int index);
  void FillPortList();
  void FillPrinterList();
  void RegisterDeviceNotifications();
  void SetControlTexts();
  void UpdateAddressControl();
  void StoreAddressText();

  // The seven pages live as long as the dialog; their windows go with it.
  std::unique_ptr<CPanelTabDlg> panel_;
  std::unique_ptr<CUserDefTabDlg> userDef_;
  std::unique_ptr<CWifiTabDlg> wifi_;
  std::unique_ptr<CNetTabDlg> net_;
  std::unique_ptr<CBuleToothDlg> bluetooth_;
  std::unique_ptr<CSerialDlg> serial_;
  std::unique_ptr<CBIDTabDlg> bid_;
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

  wchar_t usbDevicePath_[260] = {};
  std::vector<std::wstring> spoolerPorts_;
  std::vector<std::wstring> printers_;
  TransportSelection selection_{};
  UniqueNotification deviceNotify_;
  // The network printer's address text, published as PrinterAddressText.
  wchar_t addressText_[kPrinterAddressChars] = {};
};
