// The seven pages inside the real main dialog: start-up state, clicks and
// typing, and the bytes that arrive at a real printer end (the file behind
// LPT5, COM5's other end, a loopback TCP printer).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "resources/pages.h"
#include "tests/support/PageDriver.h"
#include "tests/support/TransportEnds.h"
#include "tests/support/MessageBoxCatcher.h"

using namespace pages_test;

namespace {


// What Config Port leaves behind for a COM port: 9600 baud, 8 data bits.
void ConfigureSerialPort() {
  DCB settings{};
  settings.DCBlength = sizeof(settings);
  settings.BaudRate = CBR_9600;
  settings.ByteSize = 8;
  settings.fBinary = TRUE;
  delete StoredSerialSettings;
  StoredSerialSettings = new DCB(settings);
}

// Exactly one box, with this caption and text.
void ExpectOneBox(const MessageBoxCatcher& boxes, const wchar_t* caption, const std::wstring& text) {
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, caption);
  EXPECT_EQ(boxes.Boxes()[0].text, text);
}

// Every control of the page that shows a text has one; every list has items,
// none of them empty, and one of them chosen.
void ExpectNoBlankTexts(HWND page) {
  for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[64] = {};
    ::GetClassNameW(child, className, 64);
    int id = ::GetDlgCtrlID(child);
    std::wstring kind = className;
    LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(className, L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX) {
      EXPECT_GT(::GetWindowTextLengthW(child), 0) << "blank button " << id;
    } else if (_wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
      EXPECT_GT(::GetWindowTextLengthW(child), 0) << "blank label " << id;
    } else if (_wcsicmp(className, L"ComboBox") == 0) {
      std::vector<std::wstring> items = ComboItems(page, id);
      EXPECT_FALSE(items.empty()) << "empty list " << id;
      for (const std::wstring& item : items) EXPECT_FALSE(item.empty()) << "blank item in " << id;
      EXPECT_GE(ComboSelection(page, id), 0) << "nothing chosen in " << id;
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up without a catalogue.

TEST_F(PagesTest, StartUpTextsDefaultsAndEnableStates) {
  for (int i = kPanel; i <= kUserDef; ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(Page(i), nullptr);
    ExpectNoBlankTexts(Page(i));
  }

  HWND panel = Page(kPanel);
  EXPECT_EQ(TextOf(panel, IDC_PANEL_SET), L"Set");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_SELF_TEST), L"Self Test");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_LINE_FEED_CHECK), L"Line Width:");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_COMPRESS_CHECK), L"Compress Ratio:");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_LEFT_CHECK), L"Left Space:");
  EXPECT_EQ(ComboItems(panel, IDC_PANEL_COMPRESS),
            (std::vector<std::wstring>{L"Off", L"80%", L"75%", L"60%", L"50%", L"Auto"}));
  EXPECT_EQ(ComboItems(panel, IDC_PANEL_LINE_FEED),
            (std::vector<std::wstring>{L"1/3 inch", L"1/6 inch", L"1/8 inch", L"1/12 inch"}));
  EXPECT_EQ(ComboSelection(panel, IDC_PANEL_LINE_FEED), 1);
  std::vector<std::wstring> sizes = ComboItems(panel, IDC_PANEL_PAGE_SIZE);
  ASSERT_EQ(sizes.size(), 12u);
  EXPECT_EQ(sizes[5], L"5.5 inch");
  EXPECT_EQ(sizes[11], L"14 inch");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_TOP_MM), L"0");
  EXPECT_EQ(TextOf(panel, IDC_PANEL_LEFT_VALUE), L"0");
  for (int id : {IDC_PANEL_PIN_ENABLE, IDC_PANEL_PIN_GROUP, IDC_PANEL_TOP_SIDE, IDC_PANEL_TOP_MM,
                 IDC_PANEL_TABLE, IDC_PANEL_LINE_FEED, IDC_PANEL_DIRECTION, IDC_PANEL_LENGTH_ENABLE,
                 IDC_PANEL_PAGE_SIZE, IDC_PANEL_COMPRESS, IDC_PANEL_LEFT_DIRECTION,
                 IDC_PANEL_LEFT_VALUE}) {
    EXPECT_FALSE(Enabled(panel, id)) << id;
  }
  EXPECT_TRUE(Enabled(panel, IDC_PANEL_SET));

  HWND bid = Page(kBid);
  EXPECT_EQ(TextOf(bid, IDC_BID_CHECK), L"BIN Value:");
  EXPECT_EQ(TextOf(bid, IDC_BID_VALUE), L"0");
  EXPECT_FALSE(Enabled(bid, IDC_BID_VALUE));
  EXPECT_FALSE(Enabled(bid, IDC_BID_DIRECTION));

  HWND net = Page(kNet);
  EXPECT_EQ(AddressOf(net, IDC_NET_IP), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 87)));
  EXPECT_EQ(AddressOf(net, IDC_NET_MASK), static_cast<DWORD>(MAKEIPADDRESS(255, 255, 255, 0)));
  EXPECT_EQ(AddressOf(net, IDC_NET_GATEWAY), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 1)));
  EXPECT_EQ(TextOf(net, IDC_NET_PORT), L"9100");
  EXPECT_EQ(TextOf(net, IDC_NET_MAC6), L"0");
  EXPECT_EQ(TextOf(net, IDC_NET_SET_DHCP), L"Set");
  EXPECT_EQ(TextOf(net, IDC_NET_GET_IP), L"Get IP");
  EXPECT_EQ(TextOf(net, IDC_NET_DUPLEX_LABEL), L"Duplex Mode:");
  EXPECT_TRUE(Ticked(net, IDC_NET_RADIO_IP));
  EXPECT_FALSE(Ticked(net, IDC_NET_RADIO_DHCP));
  EXPECT_TRUE(Enabled(net, IDC_NET_SET_ADDRESS));
  EXPECT_FALSE(Enabled(net, IDC_NET_DHCP));
  EXPECT_FALSE(Enabled(net, IDC_NET_SET_DHCP));

  HWND wifi = Page(kWifi);
  EXPECT_EQ(TextOf(wifi, IDC_WIFI_RADIO_OPEN), L"OPEN(No Keys)");
  EXPECT_EQ(TextOf(wifi, IDC_WIFI_PSK_KEY_LABEL), L"PSK Key:");
  for (int id : {IDC_WIFI_RADIO_OPEN, IDC_WIFI_RADIO_WPA, IDC_WIFI_RADIO_WEP}) {
    EXPECT_FALSE(Ticked(wifi, id)) << id;
  }
  EXPECT_EQ(ComboItems(wifi, IDC_WIFI_CIPHER), (std::vector<std::wstring>{L"AES", L"TPIK"}));

  HWND bluetooth = Page(kBluetooth);
  EXPECT_EQ(TextOf(bluetooth, IDC_BT_NAME), L"bluetooth");
  EXPECT_EQ(TextOf(bluetooth, IDC_BT_PIN), L"5291");
  EXPECT_EQ(TextOf(bluetooth, IDC_BT_NAME_LABEL), L"Device Name:");

  HWND serial = Page(kSerial);
  EXPECT_EQ(TextOf(serial, IDC_SERIAL_STOP_BITS_LABEL), L"Stop Bits:");
  EXPECT_EQ(ComboSelection(serial, IDC_SERIAL_BAUD), 1);
  EXPECT_EQ(ComboSelection(serial, IDC_SERIAL_DATA_BITS), 1);
  EXPECT_EQ(ComboItems(serial, IDC_SERIAL_HANDSHAKE),
            (std::vector<std::wstring>{L"None", L"XON/XOFF", L"Hardware"}));

  HWND user = Page(kUserDef);
  EXPECT_EQ(TextOf(user, IDC_USER_RESTORE), L"Restore factory settings");
  EXPECT_EQ(TextOf(user, IDC_USER_SHIFT_CHECK), L"Left Shift:");
  EXPECT_EQ(ComboItems(user, IDC_USER_SHIFT).size(), 13u);
  EXPECT_EQ(ComboItems(user, IDC_USER_SHIFT).back(), L"120");
  EXPECT_FALSE(Enabled(user, IDC_USER_LENGTH_MM));
  EXPECT_FALSE(Enabled(user, IDC_USER_SHIFT));
}

// ---------------------------------------------------------------------------
// Panel.

TEST_F(PagesTest, PanelSendsAllEightSettingsInFixedOrder) {
  HWND panel = Page(kPanel);
  // Ticked bottom-up: the order of the send does not follow the ticking.
  for (int id : {IDC_PANEL_LEFT_CHECK, IDC_PANEL_LENGTH_CHECK, IDC_PANEL_COMPRESS_CHECK,
                 IDC_PANEL_DIRECTION_CHECK, IDC_PANEL_LINE_FEED_CHECK, IDC_PANEL_TABLE_CHECK,
                 IDC_PANEL_TOP_CHECK, IDC_PANEL_PIN_CHECK}) {
    Click(panel, id);
  }
  Choose(panel, IDC_PANEL_PIN_ENABLE, 1);
  Choose(panel, IDC_PANEL_PIN_GROUP, 1);
  Choose(panel, IDC_PANEL_TOP_SIDE, 1);
  Type(panel, IDC_PANEL_TOP_MM, L"100");
  Choose(panel, IDC_PANEL_LINE_FEED, 3);
  Choose(panel, IDC_PANEL_LENGTH_ENABLE, 1);
  Choose(panel, IDC_PANEL_PAGE_SIZE, 11);
  Type(panel, IDC_PANEL_LEFT_VALUE, L"60");
  Choose(panel, IDC_PANEL_LEFT_DIRECTION, 1);
  Choose(panel, IDC_PANEL_COMPRESS, 2);

  MessageBoxCatcher boxes;
  Bytes sent = AtLpt([&] { Click(panel, IDC_PANEL_SET); });
  EXPECT_EQ(sent, (Bytes{0x1F, 0x45, 0x01, 0x01, 0x10, 0x44, 0x01, 0x05, 0x89, 0x1F,
                         0x46, 0x00, 0x10, 0x41, 0x03, 0x10, 0x42, 0x00, 0x10, 0x45,
                         0x0B, 0x1F, 0x71, 0x01, 0x3C, 0x10, 0x48, 0x02, 0x10, 0x43}));
  ExpectOneBox(boxes, L"SUCCESS", L"Set success");

  // Self Test sends its two bytes alone, whatever is ticked.
  boxes.Clear();
  EXPECT_EQ(AtLpt([&] { Click(panel, IDC_PANEL_SELF_TEST); }), (Bytes{0x1F, 0x48}));
}

TEST_F(PagesTest, PanelRejectedInputSendsNothingAtAll) {
  HWND panel = Page(kPanel);
  Click(panel, IDC_PANEL_DIRECTION_CHECK);
  Click(panel, IDC_PANEL_TOP_CHECK);
  Click(panel, IDC_PANEL_LEFT_CHECK);
  MessageBoxCatcher boxes;

  Type(panel, IDC_PANEL_TOP_MM, L"12a");
  EXPECT_TRUE(AtLpt([&] { Click(panel, IDC_PANEL_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Please input a number for page top");
  EXPECT_EQ(boxes.Boxes()[0].owner, MainWindow);  // a child page's box belongs to its window
  EXPECT_EQ(TextOf(panel, IDC_PANEL_TOP_MM), L"12a");  // what the user typed stays

  boxes.Clear();
  Type(panel, IDC_PANEL_TOP_MM, L"101");
  EXPECT_TRUE(AtLpt([&] { Click(panel, IDC_PANEL_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Page top value must not be more than 100");

  boxes.Clear();
  Type(panel, IDC_PANEL_TOP_MM, L"0");
  Type(panel, IDC_PANEL_LEFT_VALUE, L"99999999999999999999");
  EXPECT_TRUE(AtLpt([&] { Click(panel, IDC_PANEL_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Left space value must not be more than 60");

  boxes.Clear();
  Type(panel, IDC_PANEL_LEFT_VALUE, L"");
  EXPECT_TRUE(AtLpt([&] { Click(panel, IDC_PANEL_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Please input a number for left space");
}

TEST_F(PagesTest, SettingBoxesEnableTheirControlsWhileTicked) {
  HWND panel = Page(kPanel);
  Click(panel, IDC_PANEL_PIN_CHECK);
  EXPECT_TRUE(Enabled(panel, IDC_PANEL_PIN_ENABLE));
  EXPECT_TRUE(Enabled(panel, IDC_PANEL_PIN_GROUP));
  EXPECT_FALSE(Enabled(panel, IDC_PANEL_TABLE));
  Click(panel, IDC_PANEL_PIN_CHECK);
  EXPECT_FALSE(Ticked(panel, IDC_PANEL_PIN_CHECK));
  EXPECT_FALSE(Enabled(panel, IDC_PANEL_PIN_ENABLE));
  EXPECT_FALSE(Enabled(panel, IDC_PANEL_PIN_GROUP));
  Click(panel, IDC_PANEL_LEFT_CHECK);
  EXPECT_TRUE(Enabled(panel, IDC_PANEL_LEFT_VALUE));
  EXPECT_TRUE(Enabled(panel, IDC_PANEL_LEFT_DIRECTION));

  HWND bid = Page(kBid);
  Click(bid, IDC_BID_CHECK);
  EXPECT_TRUE(Enabled(bid, IDC_BID_VALUE));
  Click(bid, IDC_BID_CHECK);
  EXPECT_FALSE(Enabled(bid, IDC_BID_VALUE));
  EXPECT_FALSE(Enabled(bid, IDC_BID_DIRECTION));

  HWND user = Page(kUserDef);
  Click(user, IDC_USER_SHIFT_CHECK);
  EXPECT_TRUE(Enabled(user, IDC_USER_SHIFT));
  EXPECT_FALSE(Enabled(user, IDC_USER_LENGTH_MM));
  Click(user, IDC_USER_SHIFT_CHECK);
  EXPECT_FALSE(Enabled(user, IDC_USER_SHIFT));
}

// ---------------------------------------------------------------------------
// BID and User Define.

TEST_F(PagesTest, BidSendsValueAndRejectsBadInput) {
  HWND bid = Page(kBid);
  MessageBoxCatcher boxes;
  // Box cleared: nothing is sent and nothing is said.
  EXPECT_TRUE(AtLpt([&] { Click(bid, IDC_BID_SET); }).empty());
  EXPECT_EQ(boxes.Count(), 0u);

  Click(bid, IDC_BID_CHECK);
  Choose(bid, IDC_BID_DIRECTION, 1);
  Type(bid, IDC_BID_VALUE, L"16");
  EXPECT_EQ(AtLpt([&] { Click(bid, IDC_BID_SET); }), (Bytes{0x1F, 0x42, 0x01, 0x10, 0x10, 0x43}));
  ExpectOneBox(boxes, L"SUCCESS", L"Set success");

  boxes.Clear();
  Type(bid, IDC_BID_VALUE, L"17");
  EXPECT_TRUE(AtLpt([&] { Click(bid, IDC_BID_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"BID value must not be more than 16");

  // The whole entry is checked, however long it is.
  for (const std::wstring& bad : {std::wstring(), std::wstring(300, L'0') + L"x"}) {
    boxes.Clear();
    Type(bid, IDC_BID_VALUE, bad);
    EXPECT_TRUE(AtLpt([&] { Click(bid, IDC_BID_SET); }).empty());
    ExpectOneBox(boxes, L"ERROR", L"Please input a number for BID");
  }
}

TEST_F(PagesTest, UserDefinedLengthShiftAndFactorySettings) {
  HWND user = Page(kUserDef);
  MessageBoxCatcher boxes;
  // Restore needs no ticked box.
  EXPECT_EQ(AtLpt([&] { Click(user, IDC_USER_RESTORE); }), (Bytes{0x1F, 0x72, 0x10, 0x43}));

  Click(user, IDC_USER_LENGTH_CHECK);
  Click(user, IDC_USER_SHIFT_CHECK);
  Type(user, IDC_USER_LENGTH_MM, L"297");
  Choose(user, IDC_USER_SHIFT, 12);
  EXPECT_EQ(AtLpt([&] { Click(user, IDC_USER_SET); }),
            (Bytes{0x10, 0x47, 0x10, 0x71, 0x1F, 0x62, 0x0C, 0x10, 0x43}));

  // A length whose dot count would not fit two bytes is refused; the
  // ticked shift is not sent either.
  boxes.Clear();
  Type(user, IDC_USER_LENGTH_MM, L"4624");
  EXPECT_TRUE(AtLpt([&] { Click(user, IDC_USER_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Page length must be less than 4624 mm");

  boxes.Clear();
  Type(user, IDC_USER_LENGTH_MM, L"5");
  EXPECT_EQ(AtLpt([&] { Click(user, IDC_USER_SET); }),
            (Bytes{0x10, 0x47, 0x00, 0x46, 0x1F, 0x62, 0x0C, 0x10, 0x43}));
}

// ---------------------------------------------------------------------------
// Serial, Ethernet, Wi-Fi, Bluetooth.

TEST_F(PagesTest, SerialSendsTheFiveChoices) {
  HWND serial = Page(kSerial);
  MessageBoxCatcher boxes;
  EXPECT_EQ(AtLpt([&] { Click(serial, IDC_SERIAL_SET); }),
            (Bytes{0x1F, 0x4B, 0x01, 0x01, 0x00, 0x00, 0x00}));
  Choose(serial, IDC_SERIAL_BAUD, 5);
  Choose(serial, IDC_SERIAL_DATA_BITS, 0);
  Choose(serial, IDC_SERIAL_PARITY, 2);
  Choose(serial, IDC_SERIAL_STOP_BITS, 1);
  Choose(serial, IDC_SERIAL_HANDSHAKE, 2);
  EXPECT_EQ(AtLpt([&] { Click(serial, IDC_SERIAL_SET); }),
            (Bytes{0x1F, 0x4B, 0x05, 0x00, 0x02, 0x01, 0x02}));
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(PagesTest, EthernetAddressMacDuplexAndDhcp) {
  HWND net = Page(kNet);
  MessageBoxCatcher boxes;
  EXPECT_EQ(AtLpt([&] { Click(net, IDC_NET_SET_ADDRESS); }),
            (Bytes{0x1F, 0x69, 0xC0, 0xA8, 0x01, 0x57, 0x1F, 0x25, 0x00, 0xFF,
                   0xFF, 0xFF, 0x00, 0x1F, 0x25, 0x01, 0xC0, 0xA8, 0x01, 0x01}));

  boxes.Clear();
  ::SendDlgItemMessageW(net, IDC_NET_IP, IPM_SETADDRESS, 0, MAKEIPADDRESS(224, 1, 1, 1));
  EXPECT_TRUE(AtLpt([&] { Click(net, IDC_NET_SET_ADDRESS); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"224 is not a valid first part of an IP address (use 1 to 223)");
  boxes.Clear();
  ::SendDlgItemMessageW(net, IDC_NET_IP, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 1));
  EXPECT_TRUE(AtLpt([&] { Click(net, IDC_NET_SET_ADDRESS); }).empty());
  ExpectOneBox(boxes, L"ERROR",
               L"127 is reserved for loopback and cannot be the first part of an IP address");

  boxes.Clear();
  const wchar_t* mac[6] = {L"0", L"17", L"34", L"170", L"187", L"255"};
  for (int i = 0; i < 6; ++i) Type(net, IDC_NET_MAC1 + i, mac[i]);
  EXPECT_EQ(AtLpt([&] { Click(net, IDC_NET_SET_MAC); }),
            (Bytes{0x1F, 0x6D, 0x00, 0x11, 0x22, 0xAA, 0xBB, 0xFF}));
  // Out of range, not a number or empty: refused rather than sent as another byte.
  for (const wchar_t* bad : {L"256", L"1234", L"12x", L""}) {
    boxes.Clear();
    Type(net, IDC_NET_MAC4, bad);
    EXPECT_TRUE(AtLpt([&] { Click(net, IDC_NET_SET_MAC); }).empty()) << bad;
    ExpectOneBox(boxes, L"ERROR",
                 L"Please input a number from 0 to 255 for each part of the MAC address");
  }

  Choose(net, IDC_NET_DUPLEX, 4);
  EXPECT_EQ(AtLpt([&] { Click(net, IDC_NET_SET_DUPLEX); }), (Bytes{0x1F, 0x70, 0x00, 0x00, 0x00}));

  Click(net, IDC_NET_RADIO_DHCP);
  EXPECT_TRUE(Enabled(net, IDC_NET_DHCP));
  EXPECT_TRUE(Enabled(net, IDC_NET_SET_DHCP));
  EXPECT_FALSE(Enabled(net, IDC_NET_IP));
  EXPECT_FALSE(Enabled(net, IDC_NET_SET_ADDRESS));
  EXPECT_TRUE(Enabled(net, IDC_NET_SET_MAC));
  EXPECT_FALSE(Ticked(net, IDC_NET_RADIO_IP));
  Choose(net, IDC_NET_DHCP, 1);
  EXPECT_EQ(AtLpt([&] { Click(net, IDC_NET_SET_DHCP); }), (Bytes{0x1F, 0x62, 0x44, 0x01}));
  Click(net, IDC_NET_RADIO_IP);
  EXPECT_FALSE(Enabled(net, IDC_NET_DHCP));
  EXPECT_TRUE(Enabled(net, IDC_NET_GATEWAY));
}

TEST_F(PagesTest, WifiOpenWpaWepAndLengthLimits) {
  HWND wifi = Page(kWifi);
  MessageBoxCatcher boxes;
  Type(wifi, IDC_WIFI_SSID, L"shop");
  // No choice ticked behaves as WEP: the empty WEP key is refused.
  EXPECT_TRUE(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"WEP key is empty,please input WEP key");

  Click(wifi, IDC_WIFI_RADIO_OPEN);
  EXPECT_EQ(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }),
            Join({{0x1F, 0x77, 0x04}, Text("shop"), {0, 0, 0, 0}}));

  Click(wifi, IDC_WIFI_RADIO_WPA);
  EXPECT_FALSE(Ticked(wifi, IDC_WIFI_RADIO_OPEN));
  Choose(wifi, IDC_WIFI_WPA_TYPE, 1);
  Choose(wifi, IDC_WIFI_MODE, 1);
  Type(wifi, IDC_WIFI_PSK_KEY, L"12345678");
  EXPECT_EQ(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }),
            Join({{0x1F, 0x77, 0x04}, Text("shop"), {0x03, 0x01, 0x08}, Text("12345678"), {0x01}}));

  // Lengths that do not fit their length byte or the command are refused.
  boxes.Clear();
  Type(wifi, IDC_WIFI_SSID, std::wstring(256, L's'));
  EXPECT_TRUE(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"SSID is too long,it may have at most 255 bytes");
  boxes.Clear();
  Type(wifi, IDC_WIFI_SSID, std::wstring(100, L's'));
  Type(wifi, IDC_WIFI_PSK_KEY, std::wstring(250, L'k'));
  EXPECT_TRUE(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR",
               L"SSID and key are too long together,they may have at most 317 bytes");
  boxes.Clear();
  Type(wifi, IDC_WIFI_SSID, L"");
  EXPECT_TRUE(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"SSID is empty,please input SSID");
}

TEST_F(PagesTest, BluetoothNameAndPin) {
  HWND bluetooth = Page(kBluetooth);
  MessageBoxCatcher boxes;
  Bytes defaults = Join({{0x1F, 0x4A}, Text("bluetooth"), {0}, Text("5291")});
  defaults.resize(32, 0);
  EXPECT_EQ(AtLpt([&] { Click(bluetooth, IDC_BT_SET); }), defaults);

  Type(bluetooth, IDC_BT_NAME, L"abcdefghijklmnopqrst");
  Type(bluetooth, IDC_BT_PIN, L"7");
  Bytes cut = Join({{0x1F, 0x4A}, Text("abcdefghijklmno"), {0}, Text("0007")});
  cut.resize(32, 0);
  EXPECT_EQ(AtLpt([&] { Click(bluetooth, IDC_BT_SET); }), cut);

  boxes.Clear();
  Type(bluetooth, IDC_BT_PIN, L"12a4");
  EXPECT_TRUE(AtLpt([&] { Click(bluetooth, IDC_BT_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"The pin must be digits only");
  boxes.Clear();
  Type(bluetooth, IDC_BT_NAME, L"");
  EXPECT_TRUE(AtLpt([&] { Click(bluetooth, IDC_BT_SET); }).empty());
  ExpectOneBox(boxes, L"ERROR", L"Please input device name");
}

// Text the ANSI code page (1252 here) cannot carry is refused with one box
// and nothing is sent: the printer would get '?' or a look-alike instead.
TEST_F(PagesTest, WifiAndBluetoothRefuseTextTheCodePageCannotSend) {
  if (::GetACP() != 1252) GTEST_SKIP() << "needs ANSI code page 1252";
  HWND wifi = Page(kWifi), bluetooth = Page(kBluetooth);
  MessageBoxCatcher boxes;
  Click(wifi, IDC_WIFI_RADIO_OPEN);
  Type(wifi, IDC_WIFI_SSID, L"caf\u00E9");
  EXPECT_EQ(AtLpt([&] { Click(wifi, IDC_WIFI_SET); }), Join({{0x1F, 0x77, 0x04}, Text("caf\xE9"), {0, 0, 0, 0}}));
  const std::pair<HWND, int> typed[] = {
      {wifi, IDC_WIFI_SSID}, {bluetooth, IDC_BT_NAME}, {bluetooth, IDC_BT_PIN}};
  for (const auto& [page, id] : typed) {
    // Chinese, and full-width digits a best-fit conversion would send as "1234".
    Type(page, id, id == IDC_BT_PIN ? L"\uFF11\uFF12\uFF13\uFF14" : L"caf\u00E9-\u5317\u4EAC");
    boxes.Clear();
    EXPECT_TRUE(AtLpt([&] { Click(page, page == wifi ? IDC_WIFI_SET : IDC_BT_SET); }).empty()) << id;
    ExpectOneBox(boxes, L"ERROR",
                 L"The printer cannot receive some characters of this text. Use characters of the system's code page.");
    Type(page, id, id == IDC_BT_PIN ? L"1234" : L"till");
  }
}

// Set cuts a long Bluetooth name and PIN; a saved profile holds what Set
// sends, so it loads again although a profile takes nothing longer.
TEST_F(PagesTest, SavedBluetoothGroupHoldsWhatSetSends) {
  MessageBoxCatcher boxes;
  Type(Page(kBluetooth), IDC_BT_NAME, L"abcdefghijklmnopqrst");
  Type(Page(kBluetooth), IDC_BT_PIN, L"12345678901234567");
  Click(Page(kBluetooth), IDC_BT_SET);
  const std::wstring path = testing_ends::ScratchDir() + L"bluetooth.ini";
  ASSERT_TRUE(dialog_->SaveProfileTo(path, true));
  Bytes saved = testing_ends::ReadWholeFile(path);
  EXPECT_NE(std::string(saved.begin(), saved.end()).find("Bluetooth = \"abcdefghijklmno\", \"12345678901234\"\n"),
            std::string::npos);
}

// ---------------------------------------------------------------------------
// The pre-send check and the other transport ends.

TEST_F(PagesTest, CheckPortReadyStopsOnlyPanelBidAndUserDefined) {
  UsePort(L"COM5:");
  testing_ends::ComPeer peer;
  ASSERT_TRUE(peer.IsOpen());
  Click(Page(kPanel), IDC_PANEL_DIRECTION_CHECK);
  Click(Page(kBid), IDC_BID_CHECK);
  Click(Page(kUserDef), IDC_USER_SHIFT_CHECK);
  MessageBoxCatcher boxes;
  const std::pair<int, int> gated[] = {
      {kPanel, IDC_PANEL_SET}, {kPanel, IDC_PANEL_SELF_TEST}, {kBid, IDC_BID_SET}, {kUserDef, IDC_USER_SET}};
  for (const auto& [page, button] : gated) {
    boxes.Clear();
    Click(Page(page), button);
    ExpectOneBox(boxes, L"ERROR", L"You need Configure com port first");
    EXPECT_EQ(boxes.Boxes()[0].owner, MainWindow);
  }
  EXPECT_TRUE(peer.Read(1, 200).empty());

  // Once the port is configured the same click reaches the printer.
  ConfigureSerialPort();
  boxes.Clear();
  Click(Page(kBid), IDC_BID_SET);
  EXPECT_EQ(peer.Read(6), (Bytes{0x1F, 0x42, 0x00, 0x00, 0x10, 0x43}));
  ExpectOneBox(boxes, L"SUCCESS", L"Set success");

  // With the network entry and no address the pre-send check says so; the
  // pages without the check go on to the transport, which fails differently.
  UseNetwork(0, 0, 0, 0);
  for (const auto& [page, button] : gated) {
    boxes.Clear();
    Click(Page(page), button);
    ExpectOneBox(boxes, L"ERROR", L"You need Configure ip first");
  }
  const std::pair<int, int> ungated[] = {{kSerial, IDC_SERIAL_SET},
                                         {kUserDef, IDC_USER_RESTORE},
                                         {kBluetooth, IDC_BT_SET},
                                         {kNet, IDC_NET_SET_DUPLEX}};
  for (const auto& [page, button] : ungated) {
    boxes.Clear();
    Click(Page(page), button);
    ASSERT_EQ(boxes.Count(), 1u) << page;
    EXPECT_NE(boxes.Boxes()[0].text, L"You need Configure ip first") << page;
  }
}

// A send goes to the port entry or queue the dialog shows when the button
// is pressed, also when only the list changed and the choice buttons were
// not touched since; nothing reaches the entry shown before.
TEST_F(PagesTest, SendsGoToTheEntryOnScreen) {
  testing_ends::ComPeer peer;
  ASSERT_TRUE(peer.IsOpen());
  ConfigureSerialPort();
  HWND dialog = dialog_->m_hWnd;

  // The pages without the pre-send check, each one group of their settings.
  Type(Page(kWifi), IDC_WIFI_SSID, L"shop");
  Click(Page(kWifi), IDC_WIFI_RADIO_OPEN);
  Type(Page(kBluetooth), IDC_BT_NAME, L"counter");
  const std::pair<int, int> buttons[] = {{kWifi, IDC_WIFI_SET},
                                         {kNet, IDC_NET_SET_DUPLEX},
                                         {kSerial, IDC_SERIAL_SET},
                                         {kBluetooth, IDC_BT_SET}};
  MessageBoxCatcher boxes;
  for (const auto& [page, button] : buttons) {
    // Shown: COM5 (LPT5 was the entry at the last choice click).
    ShowEntry(dialog, IDC_PORT_LIST, L"COM5:");
    boxes.Clear();
    EXPECT_TRUE(AtLpt([&] { Click(Page(page), button); }).empty()) << page;
    EXPECT_FALSE(peer.Read(3, 1000).empty()) << page;
    ExpectOneBox(boxes, L"SUCCESS", L"Set success");
    // And back: LPT5 shown, nothing more on COM5.
    ShowEntry(dialog, IDC_PORT_LIST, L"LPT5:");
    boxes.Clear();
    EXPECT_FALSE(AtLpt([&] { Click(Page(page), button); }).empty()) << page;
    EXPECT_TRUE(peer.Read(1, 200).empty()) << page;
  }

  // Two queues: the one shown in the printer list gets the job.
  FileQueue first(L"Setwright Pages Queue A");
  FileQueue second(L"Setwright Pages Queue B");
  ASSERT_TRUE(first.Ready() && second.Ready());
  dialog_.reset();
  dialog_ = std::make_unique<CMainDlg>();
  ASSERT_NE(dialog_->Create(nullptr), nullptr);
  MainDialog = dialog_.get();
  MainWindow = dialog = dialog_->m_hWnd;
  ShowEntry(dialog, IDC_PRINTER_LIST, L"Setwright Pages Queue A");
  Click(dialog, IDC_RADIO_DRIVER);
  ShowEntry(dialog, IDC_PRINTER_LIST, L"Setwright Pages Queue B");
  Click(Page(kSerial), IDC_SERIAL_SET);
  EXPECT_EQ(second.Delivered(7), (Bytes{0x1F, 0x4B, 0x01, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(first.Delivered(1, 300).empty());
}

TEST_F(PagesTest, PagesSendToTheLoopbackNetworkPrinter) {
  LoopbackPrinter printer("127.0.12.1");
  ASSERT_TRUE(printer.Listening());
  UseNetwork(127, 0, 12, 1);
  HWND bid = Page(kBid);
  Click(bid, IDC_BID_CHECK);
  Type(bid, IDC_BID_VALUE, L"7");
  MessageBoxCatcher boxes;
  Click(bid, IDC_BID_SET);
  const std::vector<Bytes> connections = printer.Finished(1);
  ASSERT_EQ(connections.size(), 1u);
  EXPECT_EQ(connections[0], (Bytes{0x1F, 0x42, 0x00, 0x07, 0x10, 0x43}));
  ExpectOneBox(boxes, L"SUCCESS", L"Set success");
}

// Under a double-byte ANSI code page (936) the name is cut at 15 bytes
// without splitting a character. Run by the settings_pages_cp936 test.
TEST_F(PagesTest, BluetoothNameKeepsDoubleByteCharactersWhole) {
  if (::GetACP() != 936) GTEST_SKIP() << "needs ANSI code page 936";
  HWND bluetooth = Page(kBluetooth);
  MessageBoxCatcher boxes;
  // Five characters, ten bytes: all of them go.
  Type(bluetooth, IDC_BT_NAME, L"\u4E2D\u6587\u6253\u5370\u673A");
  Bytes sent = AtLpt([&] { Click(bluetooth, IDC_BT_SET); });
  ASSERT_EQ(sent.size(), 32u);
  EXPECT_EQ(Bytes(sent.begin() + 2, sent.begin() + 13),
            (Bytes{0xD6, 0xD0, 0xCE, 0xC4, 0xB4, 0xF2, 0xD3, 0xA1, 0xBB, 0xFA, 0x00}));
  EXPECT_EQ(Bytes(sent.begin() + 13, sent.begin() + 17), Text("5291"));
  // "a" and eight characters, 17 bytes: seven characters fit with the "a".
  Type(bluetooth, IDC_BT_NAME, L"a" + std::wstring(8, L'\u4E2D'));
  sent = AtLpt([&] { Click(bluetooth, IDC_BT_SET); });
  ASSERT_EQ(sent.size(), 32u);
  Bytes name = {'a'};
  for (int i = 0; i < 7; ++i) name.insert(name.end(), {0xD6, 0xD0});
  EXPECT_EQ(Bytes(sent.begin() + 2, sent.begin() + 17), name);
  EXPECT_EQ(sent[17], 0);
  EXPECT_EQ(Bytes(sent.begin() + 18, sent.begin() + 22), Text("5291"));
}
