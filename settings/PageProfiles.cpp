// The pages' side of profiles: each page saves its groups into a profile
// through the Read…Input functions its Set buttons use, and sets its
// controls from a profile the way a user does (clicks on boxes and radio
// buttons, list choices with their notification, typed texts). Loading
// sends nothing.
#include <windows.h>

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

constexpr int kMacEdits[6] = {IDC_NET_MAC1, IDC_NET_MAC2, IDC_NET_MAC3,
                              IDC_NET_MAC4, IDC_NET_MAC5, IDC_NET_MAC6};

}  // namespace

// ---------------------------------------------------------------------------
// Panel: a group per box; unticked boxes are not in the profile.

void CPanelTabDlg::SaveProfile(profile::Profile& out) const {
  ReadPanelInput(m_hWnd, TextUse::Profile, &out.panel);
}

void CPanelTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  const commands::PanelInput& in = p.panel;
  SetTicked(page, IDC_PANEL_PIN_CHECK, in.pinBroken);
  if (in.pinBroken) {
    ChooseItem(page, IDC_PANEL_PIN_ENABLE, in.pinEnable);
    ChooseItem(page, IDC_PANEL_PIN_GROUP, in.pinGroup);
  }
  SetTicked(page, IDC_PANEL_TOP_CHECK, in.pageTop);
  if (in.pageTop) {
    ChooseItem(page, IDC_PANEL_TOP_SIDE, in.pageTopSide);
    SetUtf8Text(page, IDC_PANEL_TOP_MM, in.pageTopMm);
  }
  SetTicked(page, IDC_PANEL_TABLE_CHECK, in.tableAuto);
  if (in.tableAuto) ChooseItem(page, IDC_PANEL_TABLE, in.tableAutoIndex);
  SetTicked(page, IDC_PANEL_LINE_FEED_CHECK, in.lineFeed);
  if (in.lineFeed) ChooseItem(page, IDC_PANEL_LINE_FEED, in.lineFeedIndex);
  SetTicked(page, IDC_PANEL_DIRECTION_CHECK, in.direction);
  if (in.direction) ChooseItem(page, IDC_PANEL_DIRECTION, in.directionIndex);
  SetTicked(page, IDC_PANEL_LENGTH_CHECK, in.pageLength);
  if (in.pageLength) {
    ChooseItem(page, IDC_PANEL_LENGTH_ENABLE, in.pageLengthEnable);
    ChooseItem(page, IDC_PANEL_PAGE_SIZE, in.pageSizeIndex);
  }
  SetTicked(page, IDC_PANEL_LEFT_CHECK, in.leftSpace);
  if (in.leftSpace) {
    ChooseItem(page, IDC_PANEL_LEFT_DIRECTION, in.leftSpaceDirection);
    SetUtf8Text(page, IDC_PANEL_LEFT_VALUE, in.leftSpaceValue);
  }
  SetTicked(page, IDC_PANEL_COMPRESS_CHECK, in.compression);
  if (in.compression) ChooseItem(page, IDC_PANEL_COMPRESS, in.compressionIndex);
}

// ---------------------------------------------------------------------------
// BID

void CBIDTabDlg::SaveProfile(profile::Profile& out) const {
  out.given[profile::kBidGroup] = IsTicked(m_hWnd, IDC_BID_CHECK);
  ReadBidInput(m_hWnd, TextUse::Profile, &out.bid);
}

void CBIDTabDlg::LoadProfile(const profile::Profile& p) {
  const bool given = p.given[profile::kBidGroup];
  SetTicked(m_hWnd, IDC_BID_CHECK, given);
  if (!given) return;
  ChooseItem(m_hWnd, IDC_BID_DIRECTION, p.bid.directionIndex);
  SetUtf8Text(m_hWnd, IDC_BID_VALUE, p.bid.value);
}

// ---------------------------------------------------------------------------
// Ethernet: the groups whose Set button was pressed; of address and DHCP
// only the one of the page's current mode.

namespace {
constexpr profile::Group kNetGroups[4] = {profile::kAddressGroup, profile::kDhcpGroup, profile::kMacGroup,
                                          profile::kDuplexGroup};
}  // namespace

void CNetTabDlg::SaveProfile(profile::Profile& out) const {
  HWND page = m_hWnd;
  const bool dhcpMode = IsTicked(page, IDC_NET_RADIO_DHCP);
  const bool given[4] = {chosen_[0] && !dhcpMode, chosen_[1] && dhcpMode, chosen_[2], chosen_[3]};
  for (int i = 0; i < 4; ++i) out.given[kNetGroups[i]] = given[i];
  ReadAddressInput(page, TextUse::Profile, &out.address);
  ReadDhcpInput(page, TextUse::Profile, &out.dhcp);
  ReadMacInput(page, TextUse::Profile, &out.mac);
  ReadDuplexInput(page, TextUse::Profile, &out.duplex);
}

void CNetTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  for (int i = 0; i < 4; ++i) chosen_[i] = p.given[kNetGroups[i]];
  if (chosen_[0]) {
    Click(page, IDC_NET_RADIO_IP);
    WriteAddress(page, IDC_NET_IP, p.address.address);
    WriteAddress(page, IDC_NET_MASK, p.address.mask);
    WriteAddress(page, IDC_NET_GATEWAY, p.address.gateway);
  }
  if (chosen_[1]) {
    Click(page, IDC_NET_RADIO_DHCP);
    ChooseItem(page, IDC_NET_DHCP, p.dhcp.index);
  }
  if (chosen_[2]) {
    for (int i = 0; i < 6; ++i) SetUtf8Text(page, kMacEdits[i], p.mac.parts[i]);
  }
  if (chosen_[3]) ChooseItem(page, IDC_NET_DUPLEX, p.duplex.index);
}

// ---------------------------------------------------------------------------
// Wi-Fi: the key of the chosen security (written only when asked for).

void CWifiTabDlg::SaveProfile(profile::Profile& out) const {
  out.given[profile::kWifiGroup] = chosen_;
  ReadWifiInput(m_hWnd, TextUse::Profile, &out.wifi);
  out.secretHeld[profile::kWifiGroup] = out.wifi.security != commands::WifiSecurity::Open;
}

void CWifiTabDlg::LoadProfile(const profile::Profile& p) {
  HWND page = m_hWnd;
  chosen_ = p.given[profile::kWifiGroup];
  if (!chosen_) return;
  const commands::WifiInput& in = p.wifi;
  const bool keyHeld = p.secretHeld[profile::kWifiGroup];
  SetUtf8Text(page, IDC_WIFI_SSID, in.ssid);
  ChooseItem(page, IDC_WIFI_MODE, in.mode);
  switch (in.security) {
    case commands::WifiSecurity::Open:
      Click(page, IDC_WIFI_RADIO_OPEN);
      break;
    case commands::WifiSecurity::Wpa:
      Click(page, IDC_WIFI_RADIO_WPA);
      ChooseItem(page, IDC_WIFI_WPA_TYPE, in.wpaType);
      ChooseItem(page, IDC_WIFI_CIPHER, in.wpaCipher);
      if (keyHeld) SetUtf8Text(page, IDC_WIFI_PSK_KEY, in.pskKey);
      break;
    case commands::WifiSecurity::Wep:
      Click(page, IDC_WIFI_RADIO_WEP);
      ChooseItem(page, IDC_WIFI_WEP_TYPE, in.wepAuth);
      if (keyHeld) SetUtf8Text(page, IDC_WIFI_WEP_KEY, in.wepKey);
      break;
  }
}

// ---------------------------------------------------------------------------
// Bluetooth

// Set cuts a long name and PIN to what the command carries, and a profile
// may hold no more than that: the profile gets what Set sends.
void CBuleToothDlg::SaveProfile(profile::Profile& out) const {
  out.given[profile::kBluetoothGroup] = chosen_;
  out.secretHeld[profile::kBluetoothGroup] = true;
  commands::BluetoothInput& in = out.bluetooth;
  ReadBluetoothInput(m_hWnd, TextUse::Profile, &in);
  commands::BluetoothInput sent;
  if (ReadBluetoothInput(m_hWnd, TextUse::Send, &sent)) {
    const std::string cut = commands::CutBluetoothName(sent.name, IsAnsiLeadByte);
    if (cut.size() < sent.name.size()) in.name = WideToUtf8(AnsiToWide(cut));
  }
  if (in.pin.size() > commands::kBluetoothPinMaxDigits && commands::IsAllDigits(in.pin)) {
    in.pin.resize(commands::kBluetoothPinMaxDigits);
  }
}

void CBuleToothDlg::LoadProfile(const profile::Profile& p) {
  chosen_ = p.given[profile::kBluetoothGroup];
  if (!chosen_) return;
  SetUtf8Text(m_hWnd, IDC_BT_NAME, p.bluetooth.name);
  if (p.secretHeld[profile::kBluetoothGroup]) SetUtf8Text(m_hWnd, IDC_BT_PIN, p.bluetooth.pin);
}

// ---------------------------------------------------------------------------
// Serial

void CSerialDlg::SaveProfile(profile::Profile& out) const {
  out.given[profile::kSerialGroup] = chosen_;
  ReadSerialInput(m_hWnd, TextUse::Profile, &out.serial);
}

void CSerialDlg::LoadProfile(const profile::Profile& p) {
  chosen_ = p.given[profile::kSerialGroup];
  if (!chosen_) return;
  const commands::SerialInput& in = p.serial;
  ChooseItem(m_hWnd, IDC_SERIAL_BAUD, in.baud);
  ChooseItem(m_hWnd, IDC_SERIAL_DATA_BITS, in.dataBits);
  ChooseItem(m_hWnd, IDC_SERIAL_PARITY, in.parity);
  ChooseItem(m_hWnd, IDC_SERIAL_STOP_BITS, in.stopBits);
  ChooseItem(m_hWnd, IDC_SERIAL_HANDSHAKE, in.handshake);
}

// ---------------------------------------------------------------------------
// User Define

void CUserDefTabDlg::SaveProfile(profile::Profile& out) const {
  ReadUserDefInput(m_hWnd, TextUse::Profile, &out.userDef);
}

void CUserDefTabDlg::LoadProfile(const profile::Profile& p) {
  SetTicked(m_hWnd, IDC_USER_LENGTH_CHECK, p.userDef.pageLength);
  if (p.userDef.pageLength) SetUtf8Text(m_hWnd, IDC_USER_LENGTH_MM, p.userDef.pageLengthMm);
  SetTicked(m_hWnd, IDC_USER_SHIFT_CHECK, p.userDef.leftShift);
  if (p.userDef.leftShift) ChooseItem(m_hWnd, IDC_USER_SHIFT, p.userDef.leftShiftIndex);
}
