// Profiles end to end under Wine: the bytes SetwrightCmd apply writes to
// LPT5 against the bytes Setwright's own Set buttons write after Load
// profile of the same file; Save/Load/Save; a failing target among others;
// bad input refused with nothing sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/pages.h"
#include "settings/Profile.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PageDriver.h"
#include "tests/support/TransportEnds.h"
#include "tests/cmd/CmdRun.h"

namespace {

using namespace pages_test;

struct Press {
  int page;
  int button;
};

// Every group of every page, one send each: LPT5 is a file that each open
// writes again from its start, so each row is one send.
struct Row {
  const char* name;
  std::string profile;
  Press press;
};

const Row kRows[] = {
    {"panel, every box",
     "[Panel]\nPinBroken = Enable, 13-24 Pin Broken\nPageTop = Rear, 100\nTableAuto = Enable\n"
     "LineSpacing = 1/3 inch\nPrintDirection = Undirectional\nPageLength = Enable, 14 inch\n"
     "LeftSpace = Shift Right, 60\nCompression = 75%\n",
     {kPanel, IDC_PANEL_SET}},
    {"panel, two boxes", "[Panel]\nPinBroken = Disable, 1-12 Pin Broken\nCompression = Off\n",
     {kPanel, IDC_PANEL_SET}},
    {"bid", "[BID]\nBID = Shift Right, 16\n", {kBid, IDC_BID_SET}},
    {"address", "[Ethernet]\nAddress = 10.1.2.3, 255.255.0.0, 10.1.0.1\n", {kNet, IDC_NET_SET_ADDRESS}},
    {"dhcp", "[Ethernet]\nDHCP = Enable\n", {kNet, IDC_NET_SET_DHCP}},
    {"mac", "[Ethernet]\nMAC = 0, 17, 34, 51, 68, 255\n", {kNet, IDC_NET_SET_MAC}},
    {"duplex", "[Ethernet]\nDuplexMode = 10Mbps Half Duplex\n", {kNet, IDC_NET_SET_DUPLEX}},
    {"wifi wpa", "[WiFi]\nWiFi = \"shop\", AP, WPA2-PSK, TPIK, \"secret12\"\n", {kWifi, IDC_WIFI_SET}},
    {"wifi wep", "[WiFi]\nWiFi = \"back office\", STA, WEP, SHARE, \"k\"\n", {kWifi, IDC_WIFI_SET}},
    {"wifi open", "[WiFi]\nWiFi = \"guest\", STA, Open\n", {kWifi, IDC_WIFI_SET}},
    {"bluetooth", "[Bluetooth]\nBluetooth = \"name of fifteen\", \"7\"\n", {kBluetooth, IDC_BT_SET}},
    {"serial", "[Serial]\nSerial = 4800, 7 bits, Odd, 2 bits, Hardware\n", {kSerial, IDC_SERIAL_SET}},
    {"user define", "[UserDefine]\nPageLength = 4623\nLeftShift = 110\n", {kUserDef, IDC_USER_SET}},
};

class ProfilesTest : public PagesTest {};

TEST_F(ProfilesTest, CommandLineSendsWhatTheSetButtonsSendAfterLoad) {
  MessageBoxCatcher boxes;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    std::wstring path = WriteProfile(L"row.ini", row.profile);
    Bytes fromCmd = AtLpt([&] {
      CmdResult result = RunCmd(L"apply \"" + path + L"\" --to lpt:LPT5");
      EXPECT_EQ(result.exitCode, 0u) << result.out;
    });
    ASSERT_FALSE(fromCmd.empty());
    boxes.Clear();
    ASSERT_TRUE(dialog_->LoadProfileFrom(path));
    Bytes fromWindow = AtLpt([&] { Click(Page(row.press.page), row.press.button); });
    EXPECT_EQ(fromWindow, fromCmd);
  }
}

const char kEveryGroup[] =
    "; Setwright profile (UTF-8)\n\n"
    "[Panel]\nPinBroken = Enable, 13-24 Pin Broken\nPageTop = Rear, 100\nTableAuto = Enable\n"
    "LineSpacing = 1/8 inch\nPrintDirection = Undirectional\nPageLength = Enable, A4\n"
    "LeftSpace = Shift Right, 20\nCompression = 80%\n\n"
    "[BID]\nBID = Shift Left, 5\n\n"
    "[Ethernet]\nAddress = 192.168.7.9, 255.255.255.0, 192.168.7.1\nMAC = 1, 2, 3, 4, 5, 6\n"
    "DuplexMode = Auto Detect\n\n"
    "[WiFi]\nWiFi = \"shop \"\"north\"\"\", AP, WPA-PSK, AES, \"secret12\"\n\n"
    "[Bluetooth]\nBluetooth = \"till-1\", \"1234\"\n\n"
    "[Serial]\nSerial = 115200, 8 bits, None, 1 bit, Hardware\n\n"
    "[UserDefine]\nPageLength = 297\nLeftShift = 40\n";

TEST_F(ProfilesTest, SaveLoadSaveGivesTheSameFile) {
  MessageBoxCatcher boxes;
  std::wstring original = WriteProfile(L"every.ini", kEveryGroup);
  ASSERT_TRUE(dialog_->LoadProfileFrom(original));
  // Loading sends nothing.
  EXPECT_TRUE(testing_ends::ReadLptBytes().empty());
  EXPECT_TRUE(Ticked(Page(kPanel), IDC_PANEL_TOP_CHECK));
  EXPECT_TRUE(Enabled(Page(kPanel), IDC_PANEL_TOP_MM));
  const std::wstring first = testing_ends::ScratchDir() + L"first.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(first, true));
  EXPECT_EQ(ReadText(first), kEveryGroup);

  // A fresh window.
  dialog_.reset();
  dialog_ = std::make_unique<CMainDlg>();
  ASSERT_NE(dialog_->Create(nullptr), nullptr);
  MainDialog = dialog_.get();
  MainWindow = dialog_->m_hWnd;
  ASSERT_TRUE(dialog_->LoadProfileFrom(first));
  const std::wstring second = testing_ends::ScratchDir() + L"second.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(second, true));
  EXPECT_EQ(ReadText(second), ReadText(first));

  // Without secrets the key and PIN stay out of the file.
  const std::wstring bare = testing_ends::ScratchDir() + L"bare.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(bare, false));
  EXPECT_EQ(ReadText(bare).find("secret12"), std::string::npos);
}

TEST_F(ProfilesTest, BadProfileChangesNoControlAndShowsOneBoxWithTheLine) {
  MessageBoxCatcher boxes;
  ASSERT_TRUE(dialog_->LoadProfileFrom(WriteProfile(L"good.ini", "[BID]\nBID = Shift Right, 3\n")));
  const std::wstring before = testing_ends::ScratchDir() + L"before.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(before, true));
  boxes.Clear();
  // Good groups first, the error last: nothing of it may reach the pages.
  std::wstring bad = WriteProfile(L"bad.ini",
                                  "[Panel]\nPageTop = Front, 50\n[BID]\nBID = Shift Left, 4\n"
                                  "[UserDefine]\nPageLength = 5000\n");
  EXPECT_FALSE(dialog_->LoadProfileFrom(bad));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  EXPECT_NE(boxes.Boxes()[0].text.find(L"line 6"), std::wstring::npos) << boxes.Boxes()[0].text;
  EXPECT_FALSE(Ticked(Page(kPanel), IDC_PANEL_TOP_CHECK));
  EXPECT_EQ(TextOf(Page(kBid), IDC_BID_VALUE), L"3");
  const std::wstring after = testing_ends::ScratchDir() + L"after.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(after, true));
  EXPECT_EQ(ReadText(after), ReadText(before));
  EXPECT_TRUE(testing_ends::ReadLptBytes().empty());
}

TEST(ProfilesCmd, MiddleTargetFailsTheOthersReceiveTheirBytes) {
  testing_ends::TruncateLpt();
  LoopbackPrinter printer("127.0.13.1");
  ASSERT_TRUE(printer.Listening());
  std::wstring path = WriteProfile(L"bid.ini", "[BID]\nBID = Shift Left, 9\n");
  const Bytes expected = {0x1F, 0x42, 0x00, 0x09, 0x10, 0x43};
  // Nothing listens on 127.0.13.3: the connection is refused.
  CmdResult result = RunCmd(L"apply \"" + path + L"\" --to lpt:LPT5 --to ip:127.0.13.3 --to ip:127.0.13.1");
  EXPECT_EQ(result.exitCode, 2u) << result.out;
  EXPECT_EQ(testing_ends::ReadLptBytes(), expected);
  std::vector<Bytes> jobs = printer.Finished(1);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0], expected);
  EXPECT_NE(result.out.find("lpt:LPT5\t1\t0\t0\tok"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.13.3\t1\t1\t0\tFAILED"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("ip:127.0.13.1\t1\t0\t0\tok"), std::string::npos) << result.out;
}

TEST(ProfilesCmd, BadInputIsRefusedWithItsExitCodeAndNothingSent) {
  std::wstring good = WriteProfile(L"good.ini", "[BID]\nBID = Shift Left, 1\n");
  // A 100 MB file (sparse: quick to make) is refused before it is read.
  std::wstring huge = testing_ends::ScratchDir() + L"huge.ini";
  {
    HANDLE file = ::CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 100LL * 1024 * 1024;
    ::SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file);
    ::CloseHandle(file);
  }
  struct Case {
    const char* name;
    std::wstring arguments;
    DWORD exitCode;
    const char* says;
  };
  const Case cases[] = {
      {"value out of range", L"apply \"" + WriteProfile(L"b1.ini", "[BID]\nBID = Shift Left, 1\n[Panel]\nPageTop = Rear, 101\n") + L"\" --to lpt:LPT5", 1, "line 4"},
      {"not in a list", L"apply \"" + WriteProfile(L"b2.ini", "[Serial]\nSerial = 300, 8 bits, None, 1 bit, None\n") + L"\" --to lpt:LPT5", 1, "line 2"},
      {"binary file", L"apply \"" + WriteProfile(L"b3.ini", std::string("MZ\x90\0\x03\0", 6)) + L"\" --to lpt:LPT5", 1, "not a text file"},
      {"100 MB file", L"apply \"" + huge + L"\" --to lpt:LPT5", 1, "larger"},
      {"missing file", L"apply \"" + testing_ends::ScratchDir() + L"none.ini\" --to lpt:LPT5", 1, "cannot be opened"},
      {"queue that does not exist", L"apply \"" + good + L"\" --to lpt:LPT5 --to queue:NoSuchQueue", 1, "NoSuchQueue"},
      {"malformed target", L"apply \"" + good + L"\" --to lpt:LPT5 --to tcp:1.2.3.4", 1, "tcp:1.2.3.4"},
      {"bad serial settings", L"apply \"" + good + L"\" --to com:COM5:9600,9,N,1", 1, "9600,9,N,1"},
      {"unknown page", L"apply \"" + good + L"\" --only Panel,Printer --to lpt:LPT5", 1, "Printer"},
      {"bad hex", L"send-hex \"1F 4\" --to lpt:LPT5", 1, "hex"},
      {"unknown command", L"format c:", 3, ""},
      {"no target", L"apply \"" + good + L"\"", 3, "--to"},
  };
  for (const Case& c : cases) {
    testing_ends::TruncateLpt();
    CmdResult result = RunCmd(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << result.out;
    EXPECT_NE(result.out.find(c.says), std::string::npos) << c.name << "\n" << result.out;
    EXPECT_TRUE(testing_ends::ReadLptBytes().empty()) << c.name;
  }
}

}  // namespace
