// Config Port against real ends: Wine's serial settings dialog on a
// pty-backed COM5, and the LPT dialog on Wine's registry.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "common/Globals.h"
#include "app/PortConfig.h"
#include "app/WindowsSettings.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxCatcher.h"

namespace {

constexpr wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr wchar_t kRetryValue[] = L"TransmissionRetryTimeout";

DWORD PortBaud(const wchar_t* port) {
  HANDLE file = ::CreateFileW(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  DWORD baud = ::GetCommState(file, &dcb) ? dcb.BaudRate : 0;
  ::CloseHandle(file);
  return baud;
}

bool SetPortBaud(const wchar_t* port, DWORD baud) {
  HANDLE file = ::CreateFileW(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  bool ok = ::GetCommState(file, &dcb);
  dcb.BaudRate = baud;
  ok = ok && ::SetCommState(file, &dcb);
  ::CloseHandle(file);
  return ok;
}

// Saves the retry value and puts it back afterwards.
class RetryValueGuard {
 public:
  RetryValueGuard() {
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kWindowsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                      &key_, nullptr);
    DWORD size = sizeof(saved_);
    had_ = ::RegQueryValueExW(key_, kRetryValue, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
  }
  ~RetryValueGuard() {
    if (had_) {
      Set(saved_);
    } else {
      Remove();
    }
    ::RegCloseKey(key_);
  }
  void Set(const wchar_t* text) {
    ::RegSetValueExW(key_, kRetryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }
  void Remove() { ::RegDeleteValueW(key_, kRetryValue); }
  std::wstring Get() {
    wchar_t value[300] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (::RegQueryValueExW(key_, kRetryValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                           &size) != ERROR_SUCCESS) {
      return L"<missing>";
    }
    return value;
  }

 private:
  HKEY key_ = nullptr;
  wchar_t saved_[300] = {};
  bool had_ = false;
};

std::wstring FieldText(HWND dialog) {
  wchar_t text[32] = {};
  ::GetDlgItemTextW(dialog, IDC_LPT_TIMEOUT, text, 32);
  return text;
}

struct LptSession {
  std::wstring opened;      // field text when the dialog appeared
  std::wstring caption;
  std::wstring typeText;    // typed before closing (empty: nothing typed)
  LRESULT limit = 0;
  std::wstring afterClear;  // field text after the field was emptied
  DWORD selStart = 99, selEnd = 99;
};

void DriveLptDialog(HWND dialog, void* context) {
  auto* session = static_cast<LptSession*>(context);
  session->opened = FieldText(dialog);
  wchar_t caption[64] = {};
  ::GetWindowTextW(dialog, caption, 64);
  session->caption = caption;
  session->limit = ::SendDlgItemMessageW(dialog, IDC_LPT_TIMEOUT, EM_GETLIMITTEXT, 0, 0);
  if (!session->typeText.empty()) {
    ::SetDlgItemTextW(dialog, IDC_LPT_TIMEOUT, session->typeText.c_str());
    ::SetDlgItemTextW(dialog, IDC_LPT_TIMEOUT, L"");
    session->afterClear = FieldText(dialog);
    ::SendDlgItemMessageW(dialog, IDC_LPT_TIMEOUT, EM_GETSEL,
                          reinterpret_cast<WPARAM>(&session->selStart),
                          reinterpret_cast<LPARAM>(&session->selEnd));
    ::SetDlgItemTextW(dialog, IDC_LPT_TIMEOUT, L"0");
    ::SetDlgItemTextW(dialog, IDC_LPT_TIMEOUT, session->typeText.c_str());
  }
}

class PortConfigTest : public ::testing::Test {
 protected:
  void TearDown() override {
    delete StoredSerialSettings;
    StoredSerialSettings = nullptr;
  }
};

}  // namespace

TEST_F(PortConfigTest, CancelledSerialDialogStillStoresThePortState) {
  ASSERT_TRUE(SetPortBaud(L"COM5", 4800));
  MessageBoxCatcher boxes;
  DialogCloser closer(L"Settings for", IDCANCEL);
  EXPECT_EQ(ConfigureComPort(L"COM5:"), 1);
  EXPECT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(boxes.Count(), 0u);
  ASSERT_NE(StoredSerialSettings, nullptr);
  EXPECT_EQ(StoredSerialSettings->BaudRate, 4800u);
}

TEST_F(PortConfigTest, StoredSettingsAreOfferedAndAppliedToTheNextPort) {
  ASSERT_TRUE(SetPortBaud(L"COM5", 9600));
  {
    DialogCloser closer(L"Settings for", IDCANCEL);
    ASSERT_EQ(ConfigureComPort(L"COM5:"), 1);
  }
  ASSERT_NE(StoredSerialSettings, nullptr);
  StoredSerialSettings->BaudRate = 19200;
  DialogCloser closer(L"Settings for", IDOK);
  EXPECT_EQ(ConfigureComPort(L"COM5"), 1);
  EXPECT_EQ(PortBaud(L"COM5"), 19200u);
  EXPECT_EQ(StoredSerialSettings->BaudRate, 19200u);
}

TEST_F(PortConfigTest, MissingOrOverlongSerialPortIsReported) {
  MessageBoxCatcher boxes;
  EXPECT_EQ(ConfigureComPort(L"COM9:"), 0);
  EXPECT_EQ(ConfigureComPort(L"COM123456789012345678901234567890123:"), 0);
  ASSERT_EQ(boxes.Count(), 2u);
  for (const CaughtBox& box : boxes.Boxes()) {
    EXPECT_EQ(box.text, L"Open com fail");
    EXPECT_EQ(box.caption, L"ERROR");
  }
  EXPECT_EQ(StoredSerialSettings, nullptr);
}

TEST(LptConfig, ShowsTheRegistryValueAndOkWritesTheField) {
  RetryValueGuard value;
  value.Set(L"90");
  LptSession session;
  session.typeText = L"120";
  DialogCloser closer(L"Configure LPT Port", IDOK, DriveLptDialog, &session);
  EXPECT_EQ(ConfigureLptPort(L"LPT1:"), 1);
  ASSERT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(session.opened, L"90");
  EXPECT_EQ(session.caption, L"Configure LPT Port");
  EXPECT_EQ(session.limit, 6);
  // Emptying the field puts the last accepted number back, all selected.
  EXPECT_EQ(session.afterClear, L"120");
  EXPECT_EQ(session.selStart, 0u);
  EXPECT_EQ(session.selEnd, 3u);
  EXPECT_EQ(value.Get(), L"120");
}

TEST(LptConfig, MissingValueOpensWithZeroAndCancelWritesNothing) {
  RetryValueGuard value;
  value.Remove();
  LptSession session;
  {
    DialogCloser closer(L"Configure LPT Port", IDOK, DriveLptDialog, &session);
    EXPECT_EQ(ConfigureLptPort(L"LPT5:"), 1);
  }
  EXPECT_EQ(session.opened, L"0");
  EXPECT_EQ(value.Get(), L"0");

  value.Set(L"45");
  LptSession cancelled;
  cancelled.typeText = L"777";
  DialogCloser closer(L"Configure LPT Port", IDCANCEL, DriveLptDialog, &cancelled);
  EXPECT_EQ(ConfigureLptPort(L"LPT1:"), 1);
  EXPECT_EQ(cancelled.opened, L"45");
  EXPECT_EQ(value.Get(), L"45");
}

TEST(LptConfig, ReadAndWriteWindowsString) {
  RetryValueGuard value;
  EXPECT_EQ(WriteWindowsString(kRetryValue, L"33"), 1);
  wchar_t buffer[260] = {};
  EXPECT_EQ(ReadWindowsString(kRetryValue, buffer), 1);
  EXPECT_STREQ(buffer, L"33");
}
