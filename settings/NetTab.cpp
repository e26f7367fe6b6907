#include "settings/NetTab.h"

#include <commctrl.h>

#include <string>

#include "common/Globals.h"
#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"
#include "transport/Device.h"
#include "transport/USBDevice.h"

namespace {

constexpr int kMacEdits[6] = {IDC_NET_MAC1, IDC_NET_MAC2, IDC_NET_MAC3,
                              IDC_NET_MAC4, IDC_NET_MAC5, IDC_NET_MAC6};

// Reply of the read-back request: room for the 64 bytes asked for and more.
constexpr size_t kReplyBufferBytes = 520;
constexpr unsigned kReplyRequestBytes = 64;

// Sets an address control from dotted text; text that is no address leaves it as it is.
void WriteAddressText(HWND page, int id, const std::string& text) {
  uint32_t address = 0;
  if (commands::ParseDottedAddress(text, &address)) WriteAddress(page, id, address);
}

}  // namespace

void CNetTabDlg::InitPage() {
  HWND page = m_hWnd;
  FillFixedList(page, IDC_NET_DUPLEX, pagelists::kDuplex, 0);
  FillFixedList(page, IDC_NET_DHCP, pagelists::kDhcp, 0);
  WriteAddress(page, IDC_NET_IP, MAKEIPADDRESS(192, 168, 1, 87));
  WriteAddress(page, IDC_NET_MASK, MAKEIPADDRESS(255, 255, 255, 0));
  WriteAddress(page, IDC_NET_GATEWAY, MAKEIPADDRESS(192, 168, 1, 1));
  ::SetDlgItemTextW(page, IDC_NET_PORT, L"9100");
  for (int id : kMacEdits) ::SetDlgItemTextW(page, id, L"0");
  ApplyMode(false);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_NET_PORT_LABEL, "PO_IDC_STATIC_NET_PORT", text);
    SetTextFromKey(page, IDC_NET_DUPLEX_LABEL, "PO_IDC_STATIC_NET_DUPLEX_MODE", text);
    SetTextFromKey(page, IDC_NET_SET_ADDRESS, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_NET_SET_MAC, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_NET_SET_DUPLEX, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_NET_SET_DHCP, "PO_GSTR_SET", text);
    SetTextFromKey(page, IDC_NET_GET_IP, "PO_GSTR_NET_GET_IP", text);
  }
}

void CNetTabDlg::ApplyMode(bool dhcp) {
  HWND page = m_hWnd;
  ::CheckDlgButton(page, IDC_NET_RADIO_IP, dhcp ? BST_UNCHECKED : BST_CHECKED);
  ::CheckDlgButton(page, IDC_NET_RADIO_DHCP, dhcp ? BST_CHECKED : BST_UNCHECKED);
  EnableControls(page, {IDC_NET_IP, IDC_NET_GATEWAY, IDC_NET_MASK, IDC_NET_PORT, IDC_NET_SET_ADDRESS},
                 !dhcp);
  EnableControls(page, {IDC_NET_DHCP, IDC_NET_SET_DHCP}, dhcp);
}

void CNetTabDlg::OnRadioIp(UINT, int, HWND) {
  ApplyMode(false);
}

void CNetTabDlg::OnRadioDhcp(UINT, int, HWND) {
  ApplyMode(true);
}

bool ReadAddressInput(HWND page, TextUse, commands::AddressInput* in) {
  in->address = ReadAddress(page, IDC_NET_IP);
  in->mask = ReadAddress(page, IDC_NET_MASK);
  in->gateway = ReadAddress(page, IDC_NET_GATEWAY);
  return true;
}

bool ReadDhcpInput(HWND page, TextUse, commands::DhcpInput* in) {
  in->index = ComboIndex(page, IDC_NET_DHCP);
  return true;
}

bool ReadMacInput(HWND page, TextUse use, commands::MacInput* in) {
  for (int i = 0; i < 6; ++i) in->parts[i] = ReadNumberText(page, kMacEdits[i], use);
  return true;
}

bool ReadDuplexInput(HWND page, TextUse, commands::DuplexInput* in) {
  in->index = ComboIndex(page, IDC_NET_DUPLEX);
  return true;
}

void CNetTabDlg::OnSetAddress(UINT, int, HWND) {
  chosen_[0] = true;
  EncodeAndSend(ReadAddressInput, commands::EncodeAddressCommands);
}

void CNetTabDlg::OnSetMac(UINT, int, HWND) {
  chosen_[2] = true;
  EncodeAndSend(ReadMacInput, commands::EncodeMacCommand);
}

void CNetTabDlg::OnSetDuplex(UINT, int, HWND) {
  chosen_[3] = true;
  EncodeAndSend(ReadDuplexInput, commands::EncodeDuplexCommand);
}

void CNetTabDlg::OnSaveDhcp(UINT, int, HWND) {
  chosen_[1] = true;
  EncodeAndSend(ReadDhcpInput, commands::EncodeDhcpCommand);
}

void CNetTabDlg::OnGetIp(UINT, int, HWND) {
  HWND page = m_hWnd;
  // The selection as it stands; the page does not refresh it.
  if (!CurrentSelection || CurrentSelection->kind != Usb) {
    ShowInputError(page, "PO_GSTR_NOT_USB_ERROR");
    return;
  }
  SendEncoded(commands::EncodeReadNetworkRequest(), 0);

  unsigned char reply[kReplyBufferBytes] = {};
  unsigned int length = kReplyRequestBytes;
  if (!ReadFromUsb(CurrentSelection->name, reply, &length, 1) || length == 0) {
    ShowInputError(page, "PO_GSTR_READ_USB_ERROR");
    return;
  }
  if (length > kReplyRequestBytes) length = kReplyRequestBytes;
  ShowReply(reply, length);
}

void CNetTabDlg::ShowReply(const unsigned char* reply, size_t length) {
  HWND page = m_hWnd;
  commands::NetworkReply parsed = commands::ParseNetworkReply(reply, length);
  if (parsed.dhcp) {
    ApplyMode(true);
    return;
  }
  ApplyMode(false);
  if (parsed.count > 0) WriteAddressText(page, IDC_NET_IP, parsed.pieces[0]);
  if (parsed.count > 1) ::SetDlgItemTextW(page, IDC_NET_PORT, AnsiToWide(parsed.pieces[1]).c_str());
  if (parsed.count > 2) WriteAddressText(page, IDC_NET_MASK, parsed.pieces[2]);
  if (parsed.count > 3) WriteAddressText(page, IDC_NET_GATEWAY, parsed.pieces[3]);
}
