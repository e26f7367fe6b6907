// Spoolkit.dll as an installer sees it: the exports by plain name, the log
// writer, registry strings, the monitor and port services, the USB query
// without a device and the serial configuration through Wine's dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>

#include "tests/installer/SpoolkitTestSupport.h"
#include "tests/support/MessageBoxCatcher.h"

using namespace spoolkit_test;

namespace {
const wchar_t kTestKey[] = L"Software\\SpoolkitTestFrame";
}

TEST(Exports, AllTenByPlainName) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  for (const char* name : kExportNames) {
    EXPECT_NE(::GetProcAddress(lib.module(), name), nullptr) << name;
  }
}

TEST(Log, TwoCallsGiveTwoLines) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  ClearLog();
  lib.WriteLog("ab", 2);
  lib.WriteLog("cdXX", 2);  // only the given length
  EXPECT_EQ(ReadLog(), "ab\r\ncd\r\n");
  // The caller's bytes land unchanged, a lone line feed included.
  lib.WriteLog("e\nf", 3);
  EXPECT_EQ(ReadLog(), "ab\r\ncd\r\ne\nf\r\n");
  ClearLog();
}

TEST(Log, UnopenableLogShowsTheBoxAndReturns) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  ClearLog();
  HANDLE held = ::CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  {
    MessageBoxCatcher catcher;
    lib.WriteLog("ab", 2);
    ASSERT_EQ(catcher.Count(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].text, L"WriteLog2File::fopen fail.");
    EXPECT_EQ(catcher.Boxes()[0].caption, L"ERROR");
    EXPECT_EQ(catcher.Boxes()[0].owner, nullptr);
  }
  ::CloseHandle(held);
  // Once the file is free again the next line is written.
  lib.WriteLog("cd", 2);
  EXPECT_EQ(ReadLog(), "cd\r\n");
  ClearLog();
}

TEST(Registry, MissingKeyGivesZeroAndCreatesNothing) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, kTestKey);
  EXPECT_EQ(lib.SetRegStr(kTestKey, L"Name", L"value"), 0);
  HKEY key = nullptr;
  EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  wchar_t buffer[260] = L"untouched";
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Name", buffer), 0);
  EXPECT_STREQ(buffer, L"untouched");
}

TEST(Registry, RoundTripMissingValueAndOtherTypes) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, kTestKey);
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
            ERROR_SUCCESS);

  EXPECT_EQ(lib.SetRegStr(kTestKey, L"Name", L"KV Printer"), 1);
  DWORD type = 0, size = 0;
  ASSERT_EQ(::RegQueryValueExW(key, L"Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof(L"KV Printer"));  // terminator included
  wchar_t buffer[260] = L"untouched";
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Name", buffer), 1);
  EXPECT_STREQ(buffer, L"KV Printer");

  // A null data pointer writes nothing and still reports the open key.
  EXPECT_EQ(lib.SetRegStr(kTestKey, L"Nothing", nullptr), 1);
  EXPECT_NE(::RegQueryValueExW(key, L"Nothing", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

  // Missing value: 1, buffer untouched.
  wcscpy_s(buffer, L"untouched");
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Missing", buffer), 1);
  EXPECT_STREQ(buffer, L"untouched");

  // REG_EXPAND_SZ is read without expansion.
  const wchar_t expand[] = L"%WINDIR%\\x";
  ::RegSetValueExW(key, L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand),
                   sizeof(expand));
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Expand", buffer), 1);
  EXPECT_STREQ(buffer, expand);

  // Another type fills no garbage: the buffer is left terminated and empty.
  const BYTE raw[8] = {'a', 0, 'b', 0, 'c', 0, 'd', 0};
  ::RegSetValueExW(key, L"Binary", 0, REG_BINARY, raw, sizeof(raw));
  wcscpy_s(buffer, L"untouched");
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Binary", buffer), 1);
  EXPECT_STREQ(buffer, L"");

  // A string stored without its terminator comes back terminated.
  ::RegSetValueExW(key, L"NoTerm", 0, REG_SZ, raw, sizeof(raw));
  for (wchar_t& c : buffer) c = L'#';
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"NoTerm", buffer), 1);
  EXPECT_STREQ(buffer, L"abcd");

  // 259 characters fit; 260 and more do not fit the buffer and give "".
  std::wstring longest(259, L'x');
  EXPECT_EQ(lib.SetRegStr(kTestKey, L"Long", longest.c_str()), 1);
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Long", buffer), 1);
  EXPECT_EQ(std::wstring(buffer), longest);
  std::wstring tooLong(300, L'y');
  EXPECT_EQ(lib.SetRegStr(kTestKey, L"Long", tooLong.c_str()), 1);
  wchar_t guarded[262];
  for (wchar_t& c : guarded) c = L'#';
  EXPECT_EQ(lib.GetRegStr(kTestKey, L"Long", guarded), 1);
  EXPECT_STREQ(guarded, L"");
  EXPECT_EQ(guarded[260], L'#');  // nothing written past the 260 characters
  ::RegCloseKey(key);
}

TEST(MonitorsAndPorts, GetMonitorsKeepsFullListAndAppends) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  MonitorNameList full{};
  full.count = 8;
  for (auto& slot : full.names) wcscpy_s(slot, L"caller");
  EXPECT_EQ(lib.GetMonitors(&full), 1);
  EXPECT_EQ(full.count, 8u);
  for (auto& slot : full.names) EXPECT_STREQ(slot, L"caller");

  // A USB printer monitor registered straight in the registry is listed
  // after the caller's slot; "Local Port" does not qualify.
  KeyCleanup monitor(HKEY_LOCAL_MACHINE,
                     L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Test USB Printer Monitor");
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Test USB "
                              L"Printer Monitor",
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t dll[] = L"localspl.dll";
  ::RegSetValueExW(key, L"Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll), sizeof(dll));
  ::RegCloseKey(key);

  MonitorNameList list{};
  list.count = 1;
  wcscpy_s(list.names[0], L"caller");
  EXPECT_EQ(lib.GetMonitors(&list), 1);
  EXPECT_STREQ(list.names[0], L"caller");
  ASSERT_EQ(list.count, 2u);
  EXPECT_STREQ(list.names[1], L"Test USB Printer Monitor");
}

TEST(MonitorsAndPorts, EnumPrinterPortsAndDeletePointer) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  DWORD count = 12345;
  PORT_INFO_2W* ports = lib.EnumPrinterPorts(&count);
  ASSERT_NE(ports, nullptr);
  DWORD needed = 0, returned = 0;
  ::EnumPortsW(nullptr, 2, nullptr, 0, &needed, &returned);
  std::vector<BYTE> mine(needed);
  ASSERT_TRUE(::EnumPortsW(nullptr, 2, mine.data(), needed, &needed, &returned));
  ASSERT_EQ(count, returned);
  auto* expected = reinterpret_cast<PORT_INFO_2W*>(mine.data());
  bool sawLpt1 = false;
  for (DWORD i = 0; i < count; ++i) {
    EXPECT_STREQ(ports[i].pPortName, expected[i].pPortName);
    if (std::wstring(ports[i].pPortName) == L"LPT1:") sawLpt1 = true;
  }
  EXPECT_TRUE(sawLpt1);
  lib.DeletePointer(ports);
  lib.DeletePointer(nullptr);  // accepted, does nothing
}

TEST(MonitorsAndPorts, KVAddPortPassesTheSpoolerResultThrough) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  wchar_t monitor[] = L"No Such Monitor";
  ::SetLastError(0);
  EXPECT_FALSE(lib.KVAddPort(nullptr, nullptr, monitor));
  DWORD libError = ::GetLastError();
  ::SetLastError(0);
  EXPECT_FALSE(::AddPortW(nullptr, nullptr, monitor));
  EXPECT_EQ(libError, ::GetLastError());
  EXPECT_NE(libError, 0u);
}

TEST(UsbQuery, NoDeviceGives16AndLeavesTheBuffer) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  wchar_t name[64] = L"untouched";
  EXPECT_EQ(lib.GetPrinterName(name), 16);
  EXPECT_STREQ(name, L"untouched");
}

namespace {
const wchar_t kCommKey[] = L"System\\CurrentControlSet\\Services\\Class\\Ports\\COM1";

// Picks 19200 in the baud rate box (id 1026) and presses OK.
void Pick19200(HWND dialog, void*) {
  HWND combo = ::GetDlgItem(dialog, 1026);
  LRESULT at = ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(L"19200"));
  ::SendMessageW(combo, CB_SETCURSEL, at, 0);
  ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1026, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

DWORD StoredBaud(const wchar_t* port) {
  COMMCONFIG config{};
  config.dwSize = sizeof(config);
  DWORD size = sizeof(config);
  if (!::GetDefaultCommConfigW(port, &config, &size)) return 0;
  return config.dcb.BaudRate;
}
}  // namespace

TEST(ConfigCOM, ColonOrNotTheSamePortThroughTheDialog) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  KeyCleanup cleanup(HKEY_LOCAL_MACHINE, kCommKey);
  {
    DialogCloser closer(L"Settings for", IDOK, Pick19200);
    EXPECT_EQ(lib.ConfigCOM(L"COM1:"), 1);
    ASSERT_EQ(closer.Seen().size(), 1u);
    EXPECT_EQ(closer.Seen()[0], L"Settings for COM1");
  }
  EXPECT_EQ(StoredBaud(L"COM1"), 19200u);
  {
    // Cancel writes the defaults just read back: still 19200, result 1.
    DialogCloser closer(L"Settings for", IDCANCEL);
    EXPECT_EQ(lib.ConfigCOM(L"COM1"), 1);
    ASSERT_EQ(closer.Seen().size(), 1u);
    EXPECT_EQ(closer.Seen()[0], L"Settings for COM1");
  }
  EXPECT_EQ(StoredBaud(L"COM1"), 19200u);
}

TEST(ConfigCOM, UnknownPortGivesZeroWithoutDialog) {
  Spoolkit lib;
  ASSERT_TRUE(lib.loaded());
  DialogCloser closer(L"Settings for", IDCANCEL);
  EXPECT_EQ(lib.ConfigCOM(L"CO:M1"), 0);
  EXPECT_EQ(lib.ConfigCOM(L"LPT1:"), 0);
  EXPECT_TRUE(closer.Seen().empty());
}
