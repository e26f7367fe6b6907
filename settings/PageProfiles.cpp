// The pages' side of profiles: each page writes its groups into a profile
// from its controls, and sets its controls from a profile the way a user
// does (clicks on boxes and radio buttons, list choices with their
// notification, typed texts). Loading sends nothing.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "settings/BidTab.h"
#include "settings/BluetoothTab.h"
#include "settings/NetTab.h"
#include "settings/PanelTab.h"
#include "settings/Profile.h"
#include "settings/SerialTab.h"
#include "settings/UserDefTab.h"
#include "settings/WifiTab.h"

namespace {

void Click(HWND page, int id) { ::SendMessageW(::GetDlgItem(page, id), BM_CLICK, 0, 0); }

// Ticks or clears a setting box by clicking it when it differs.
void Tick(HWND page, int id, bool ticked) {
  if (IsTicked(page, id) != ticked) Click(page, id);
}

void Choose(HWND page, int id, int index) {
  HWND combo = ::GetDlgItem(page, id);
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Type(HWND page, int id, const std::string& utf8) {
  ::SetDlgItemTextW(page, id, Utf8ToWide(utf8).c_str());
}

std::string AddressText(HWND page, int id) {
  DWORD address = 0;
  ::SendDlgItemMessageW(page, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  char text[16] = {};
  std::snprintf(text, sizeof(text), "%u.%u.%u.%u", static_cast<unsigned>(FIRST_IPADDRESS(address)),
                static_cast<unsigned>(SECOND_IPADDRESS(address)),
                static_cast<unsigned>(THIRD_IPADDRESS(address)),
                static_cast<unsigned>(FOURTH_IPADDRESS(address)));
  return text;
}

void TypeAddress(HWND page, int id, const std::string& text) {
  uint32_t address = 0;
  if (!commands::ParseDottedAddress(text, &address)) return;
  ::SendDlgItemMessageW(page, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
}

constexpr int kMacEdits[6] = {IDC_NET_MAC1, IDC_NET_MAC2, IDC_NET_MAC3,
                              IDC_NET_MAC4, IDC_NET_MAC5, IDC_NET_MAC6};
constexpr int kSerialLists[5] = {IDC_SERIAL_BAUD, IDC_SERIAL_DATA_BITS, IDC_SERIAL_PARITY,
                                 IDC_SERIAL_STOP_BITS, IDC_SERIAL_HANDSHAKE};

}  // namespace

// ---------------------------------------------------------------------------
// Panel: a group per box; unticked boxes are not in the profile.

void CPanelTabDlg::SaveProfile(profile::Profile& out) const {
  out.panel = ReadPanelInput(m_hWnd, ReadUtf8Text);
}

void CPanelTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  const commands::PanelInput& in = p.panel;
  Tick(page, IDC_PANEL_PIN_CHECK, in.pinBroken);
  if (in.pinBroken) {
    Choose(page, IDC_PANEL_PIN_ENABLE, in.pinEnable);
    Choose(page, IDC_PANEL_PIN_GROUP, in.pinGroup);
  }
  Tick(page, IDC_PANEL_TOP_CHECK, in.pageTop);
  if (in.pageTop) {
    Choose(page, IDC_PANEL_TOP_SIDE, in.pageTopSide);
    Type(page, IDC_PANEL_TOP_MM, in.pageTopMm);
  }
  Tick(page, IDC_PANEL_TABLE_CHECK, in.tableAuto);
  if (in.tableAuto) Choose(page, IDC_PANEL_TABLE, in.tableAutoIndex);
  Tick(page, IDC_PANEL_LINE_FEED_CHECK, in.lineFeed);
  if (in.lineFeed) Choose(page, IDC_PANEL_LINE_FEED, in.lineFeedIndex);
  Tick(page, IDC_PANEL_DIRECTION_CHECK, in.direction);
  if (in.direction) Choose(page, IDC_PANEL_DIRECTION, in.directionIndex);
  Tick(page, IDC_PANEL_LENGTH_CHECK, in.pageLength);
  if (in.pageLength) {
    Choose(page, IDC_PANEL_LENGTH_ENABLE, in.pageLengthEnable);
    Choose(page, IDC_PANEL_PAGE_SIZE, in.pageSizeIndex);
  }
  Tick(page, IDC_PANEL_LEFT_CHECK, in.leftSpace);
  if (in.leftSpace) {
    Choose(page, IDC_PANEL_LEFT_DIRECTION, in.leftSpaceDirection);
    Type(page, IDC_PANEL_LEFT_VALUE, in.leftSpaceValue);
  }
  Tick(page, IDC_PANEL_COMPRESS_CHECK, in.compression);
  if (in.compression) Choose(page, IDC_PANEL_COMPRESS, in.compressionIndex);
}

// ---------------------------------------------------------------------------
// BID

void CBIDTabDlg::SaveProfile(profile::Profile& out) const {
  out.bid.present = IsTicked(m_hWnd, IDC_BID_CHECK);
  out.bidDirection = ComboIndex(m_hWnd, IDC_BID_DIRECTION);
  out.bidValue = ReadUtf8Text(m_hWnd, IDC_BID_VALUE);
}

void CBIDTabDlg::LoadProfile(const profile::Profile& p) {
  Tick(m_hWnd, IDC_BID_CHECK, p.bid.present);
  if (!p.bid.present) return;
  Choose(m_hWnd, IDC_BID_DIRECTION, p.bidDirection);
  Type(m_hWnd, IDC_BID_VALUE, p.bidValue);
}

// ---------------------------------------------------------------------------
// Ethernet: the groups whose Set button was pressed; of address and DHCP
// only the one of the page's current mode.

void CNetTabDlg::SaveProfile(profile::Profile& out) const {
  HWND page = m_hWnd;
  const bool dhcpMode = IsTicked(page, IDC_NET_RADIO_DHCP);
  out.address.present = chosen_[0] && !dhcpMode;
  out.ip = AddressText(page, IDC_NET_IP);
  out.mask = AddressText(page, IDC_NET_MASK);
  out.gateway = AddressText(page, IDC_NET_GATEWAY);
  out.dhcp.present = chosen_[1] && dhcpMode;
  out.dhcpIndex = ComboIndex(page, IDC_NET_DHCP);
  out.mac.present = chosen_[2];
  for (int i = 0; i < 6; ++i) out.macFields[i] = ReadUtf8Text(page, kMacEdits[i]);
  out.duplex.present = chosen_[3];
  out.duplexIndex = ComboIndex(page, IDC_NET_DUPLEX);
}

void CNetTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  if (p.address.present) {
    Click(page, IDC_NET_RADIO_IP);
    TypeAddress(page, IDC_NET_IP, p.ip);
    TypeAddress(page, IDC_NET_MASK, p.mask);
    TypeAddress(page, IDC_NET_GATEWAY, p.gateway);
  }
  if (p.dhcp.present) {
    Click(page, IDC_NET_RADIO_DHCP);
    Choose(page, IDC_NET_DHCP, p.dhcpIndex);
  }
  if (p.mac.present) {
    for (int i = 0; i < 6; ++i) Type(page, kMacEdits[i], p.macFields[i]);
  }
  if (p.duplex.present) Choose(page, IDC_NET_DUPLEX, p.duplexIndex);
  chosen_[0] = p.address.present;
  chosen_[1] = p.dhcp.present;
  chosen_[2] = p.mac.present;
  chosen_[3] = p.duplex.present;
}

// ---------------------------------------------------------------------------
// Wi-Fi: the key of the chosen security (written only when asked for).

void CWifiTabDlg::SaveProfile(profile::Profile& out) const {
  HWND page = m_hWnd;
  out.wifi.present = chosen_;
  out.ssid = ReadUtf8Text(page, IDC_WIFI_SSID);
  out.wifiMode = ComboIndex(page, IDC_WIFI_MODE);
  if (IsTicked(page, IDC_WIFI_RADIO_OPEN)) {
    out.security = commands::WifiSecurity::Open;
  } else if (IsTicked(page, IDC_WIFI_RADIO_WPA)) {
    out.security = commands::WifiSecurity::Wpa;
  } else {
    out.security = commands::WifiSecurity::Wep;
  }
  out.wpaType = ComboIndex(page, IDC_WIFI_WPA_TYPE);
  out.wpaCipher = ComboIndex(page, IDC_WIFI_CIPHER);
  out.wepAuth = ComboIndex(page, IDC_WIFI_WEP_TYPE);
  out.hasKey = out.security != commands::WifiSecurity::Open;
  if (out.security == commands::WifiSecurity::Wpa) out.key = ReadUtf8Text(page, IDC_WIFI_PSK_KEY);
  if (out.security == commands::WifiSecurity::Wep) out.key = ReadUtf8Text(page, IDC_WIFI_WEP_KEY);
}

void CWifiTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  chosen_ = p.wifi.present;
  if (!p.wifi.present) return;
  Type(page, IDC_WIFI_SSID, p.ssid);
  Choose(page, IDC_WIFI_MODE, p.wifiMode);
  switch (p.security) {
    case commands::WifiSecurity::Open:
      Click(page, IDC_WIFI_RADIO_OPEN);
      break;
    case commands::WifiSecurity::Wpa:
      Click(page, IDC_WIFI_RADIO_WPA);
      Choose(page, IDC_WIFI_WPA_TYPE, p.wpaType);
      Choose(page, IDC_WIFI_CIPHER, p.wpaCipher);
      if (p.hasKey) Type(page, IDC_WIFI_PSK_KEY, p.key);
      break;
    case commands::WifiSecurity::Wep:
      Click(page, IDC_WIFI_RADIO_WEP);
      Choose(page, IDC_WIFI_WEP_TYPE, p.wepAuth);
      if (p.hasKey) Type(page, IDC_WIFI_WEP_KEY, p.key);
      break;
  }
}

// ---------------------------------------------------------------------------
// Bluetooth

// Set cuts a long name and PIN to what the command carries, and a profile
// may hold no more than that: the profile gets what Set sends.
void CBuleToothDlg::SaveProfile(profile::Profile& out) const {
  out.bluetooth.present = chosen_;
  out.btName = ReadUtf8Text(m_hWnd, IDC_BT_NAME);
  std::string name;
  if (ReadSendableText(m_hWnd, IDC_BT_NAME, &name)) {
    const std::string cut = commands::CutBluetoothName(name, IsAnsiLeadByte);
    if (cut.size() < name.size()) out.btName = WideToUtf8(AnsiToWide(cut));
  }
  out.hasPin = true;
  out.btPin = ReadUtf8Text(m_hWnd, IDC_BT_PIN);
  if (out.btPin.size() > commands::kBluetoothPinMaxDigits && commands::IsAllDigits(out.btPin)) {
    out.btPin.resize(commands::kBluetoothPinMaxDigits);
  }
}

void CBuleToothDlg::LoadProfile(const profile::Profile& p) {
  chosen_ = p.bluetooth.present;
  if (!p.bluetooth.present) return;
  Type(m_hWnd, IDC_BT_NAME, p.btName);
  if (p.hasPin) Type(m_hWnd, IDC_BT_PIN, p.btPin);
}

// ---------------------------------------------------------------------------
// Serial

void CSerialDlg::SaveProfile(profile::Profile& out) const {
  out.serial.present = chosen_;
  for (int i = 0; i < 5; ++i) out.serialIndex[i] = ComboIndex(m_hWnd, kSerialLists[i]);
}

void CSerialDlg::LoadProfile(const profile::Profile& p) {
  chosen_ = p.serial.present;
  if (!p.serial.present) return;
  for (int i = 0; i < 5; ++i) Choose(m_hWnd, kSerialLists[i], p.serialIndex[i]);
}

// ---------------------------------------------------------------------------
// User Define

void CUserDefTabDlg::SaveProfile(profile::Profile& out) const {
  out.userDef.pageLength = IsTicked(m_hWnd, IDC_USER_LENGTH_CHECK);
  out.userDef.pageLengthMm = ReadUtf8Text(m_hWnd, IDC_USER_LENGTH_MM);
  out.userDef.leftShift = IsTicked(m_hWnd, IDC_USER_SHIFT_CHECK);
  out.userDef.leftShiftIndex = ComboIndex(m_hWnd, IDC_USER_SHIFT);
}

void CUserDefTabDlg::LoadProfile(const profile::Profile& p) {
  Tick(m_hWnd, IDC_USER_LENGTH_CHECK, p.userDef.pageLength);
  if (p.userDef.pageLength) Type(m_hWnd, IDC_USER_LENGTH_MM, p.userDef.pageLengthMm);
  Tick(m_hWnd, IDC_USER_SHIFT_CHECK, p.userDef.leftShift);
  if (p.userDef.leftShift) Choose(m_hWnd, IDC_USER_SHIFT, p.userDef.leftShiftIndex);
}
