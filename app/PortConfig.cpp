#include "app/PortConfig.h"
#include "app/WindowsSettings.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

#include "framework/Framework.h"
#include "common/Globals.h"
#include "common/translation/Translation.h"
#include "common/Numbers.h"
#include "common/UniqueResource.h"
#include "transport/PortNames.h"
#include "resources/resource.h"

int LptRetryTimeout = 0;

namespace {

constexpr wchar_t kRetryValue[] = L"TransmissionRetryTimeout";
constexpr int kTimeoutFieldChars = 6;
constexpr unsigned kTimeoutMax = 999999;
// Put back when the field is cleared before any number was accepted.
constexpr unsigned kTimeoutFallback = 90;

void ShowError(HWND owner, const char* key) {
  wchar_t text[kMessageTextChars] = {};
  ::MessageBoxW(owner, LookupText(key, text), L"ERROR", MB_OKCANCEL);
}

// The unsigned value of the field's digits; false for anything else.
bool ReadFieldNumber(HWND field, unsigned* value) {
  wchar_t text[16] = {};
  ::GetWindowTextW(field, text, 16);
  return ParseDigits(text, kTimeoutMax, value);
}

class CLptConfigDlg : public CDialogImpl<CLptConfigDlg> {
 public:
  enum { IDD = IDD_LPT_CONFIG };

  BEGIN_MSG_MAP(CLptConfigDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_HANDLER(IDC_LPT_TIMEOUT, EN_UPDATE, OnTimeoutUpdate)
    COMMAND_ID_HANDLER(IDOK, OnOk)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetForegroundWindow(m_hWnd);
    wchar_t text[kMessageTextChars] = {};
    ::SetWindowTextW(m_hWnd, LookupText("PO_GSTR_CONFIG_LPT", text));
    ::SetDlgItemTextW(m_hWnd, IDOK, LookupText("PO_GSTR_LPT_OK", text));
    ::SetDlgItemTextW(m_hWnd, IDCANCEL, LookupText("PO_GSTR_LPT_CANCEL", text));
    ::SetDlgItemTextW(m_hWnd, IDC_LPT_GROUP, LookupText("PO_GSTR_TIMEOUT", text));
    ::SetDlgItemTextW(m_hWnd, IDC_LPT_RETRY, LookupText("PO_GSTR_RETRY", text));

    if (LptRetryTimeout >= 1 && static_cast<unsigned>(LptRetryTimeout) <= kTimeoutMax) {
      lastAccepted_ = static_cast<unsigned>(LptRetryTimeout);
    }
    wchar_t number[16] = {};
    _snwprintf(number, 15, L"%d", LptRetryTimeout);
    initialising_ = true;
    ::SetDlgItemTextW(m_hWnd, IDC_LPT_TIMEOUT, number);
    initialising_ = false;
    ::SendDlgItemMessageW(m_hWnd, IDC_LPT_TIMEOUT, EM_SETLIMITTEXT, kTimeoutFieldChars, 0);
    return TRUE;
  }

  LRESULT OnTimeoutUpdate(WORD, WORD, HWND field, BOOL&) {
    if (initialising_ || restoring_) return 0;
    unsigned value = 0;
    if (ReadFieldNumber(field, &value) && value >= 1 && value <= kTimeoutMax) {
      lastAccepted_ = value;
      return 0;
    }
    wchar_t number[16] = {};
    _snwprintf(number, 15, L"%u", lastAccepted_);
    restoring_ = true;
    ::SetWindowTextW(field, number);
    restoring_ = false;
    ::SendMessageW(field, EM_SETSEL, 0, -1);
    return 0;
  }

  LRESULT OnOk(WORD, WORD, HWND, BOOL&) {
    wchar_t text[kMessageTextChars + 1] = {};
    ::GetDlgItemTextW(m_hWnd, IDC_LPT_TIMEOUT, text, kMessageTextChars + 1);
    if (!WriteWindowsString(kRetryValue, text)) {
      wchar_t message[kMessageTextChars] = {};
      ::MessageBoxW(m_hWnd, LookupText("PO_GSTR_CONFIG_PORT_ERROR", message), L"ERROR",
                    MB_OKCANCEL);
    }
    EndDialog(0);
    return 0;
  }

  LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
    EndDialog(ERROR_CANCELLED);
    return 0;
  }

  unsigned lastAccepted_ = kTimeoutFallback;
  bool initialising_ = false;
  bool restoring_ = false;
};

}  // namespace

int ConfigureComPort(const wchar_t* portName) {
  wchar_t port[kPortNameChars];
  if (!TrimPortName(portName, port, kPortNameChars)) {
    ShowError(MainWindow, "PO_GSTR_OPEN_COM_FAIL");
    return 0;
  }

  COMMCONFIG config{};
  config.dwSize = 52;
  config.wVersion = 0x100;

  UniqueHandle file(::CreateFileW(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    ShowError(MainWindow, "PO_GSTR_OPEN_COM_FAIL");
    return 0;
  }

  if (StoredSerialSettings) {
    config.dcb = *StoredSerialSettings;
  } else {
    config.dcb.DCBlength = sizeof(DCB);
    if (!::GetCommState(file.Get(), &config.dcb)) {
      ShowError(MainWindow, "PO_GSTR_SET_COM_FAIL");
      return 0;
    }
  }

  // Confirmed or cancelled, the settings as the dialog leaves them are used.
  ::CommConfigDialogW(port, MainWindow, &config);

  if (!::SetCommState(file.Get(), &config.dcb)) {
    ShowError(MainWindow, "PO_GSTR_SET_COM_FAIL");
    return 0;
  }
  if (!StoredSerialSettings) {
    StoredSerialSettings = new (std::nothrow) DCB;
    if (!StoredSerialSettings) return 1;
  }
  *StoredSerialSettings = config.dcb;
  return 1;
}

int ConfigureLptPort(const wchar_t* portName) {
  wchar_t port[kPortNameChars];
  TrimPortName(portName, port, kPortNameChars);  // the dialog edits a system-wide value, not the port

  wchar_t value[260] = {};
  if (!ReadWindowsString(kRetryValue, value)) {
    ::MessageBoxW(MainWindow, L"Can't configure port", L"ERROR", MB_OKCANCEL);
    return 0;
  }
  LptRetryTimeout = ParseDecimal(value);

  CLptConfigDlg dialog;
  dialog.DoModal(MainWindow);
  return 1;
}
