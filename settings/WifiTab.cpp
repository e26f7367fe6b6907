#include "settings/WifiTab.h"

#include "settings/Encoders.h"
#include "settings/PageControls.h"
#include "settings/PageLists.h"

void CWifiTabDlg::InitPage() {
  HWND page = m_hWnd;
  FillFixedList(page, IDC_WIFI_MODE, pagelists::kWifiMode, 0);
  FillFixedList(page, IDC_WIFI_WPA_TYPE, pagelists::kWpaType, 0);
  FillFixedList(page, IDC_WIFI_CIPHER, pagelists::kWpaCipher, 0);
  FillFixedList(page, IDC_WIFI_WEP_TYPE, pagelists::kWepAuth, 0);
  {
    PageTextBuffer text = {};
    SetTextFromKey(page, IDC_WIFI_MODE_LABEL, "PO_IDC_STATIC_WIFI_MODE", text);
    SetTextFromKey(page, IDC_WIFI_WPA_TYPE_LABEL, "PO_GSTR_TYPE", text);
    SetTextFromKey(page, IDC_WIFI_CIPHER_LABEL, "PO_IDC_STATIC_WIFI_WPA_ENCRY", text);
    SetTextFromKey(page, IDC_WIFI_PSK_KEY_LABEL, "PO_IDC_STATIC_WIFI_WPA_KEY", text);
    SetTextFromKey(page, IDC_WIFI_WEP_TYPE_LABEL, "PO_GSTR_TYPE", text);
    SetTextFromKey(page, IDC_WIFI_WEP_KEY_LABEL, "PO_IDC_STATIC_WIFI_WEP_KEY", text);
    SetTextFromKey(page, IDC_WIFI_RADIO_OPEN, "PO_IDC_RADIO_WIFI_NONE", text);
    SetTextFromKey(page, IDC_WIFI_SET, "PO_GSTR_SET", text);
  }
}

// The three choices sit in separate frames; keep exactly one of them ticked.
void CWifiTabDlg::OnChooseSecurity(UINT, int id, HWND) {
  ::CheckRadioButton(m_hWnd, IDC_WIFI_RADIO_OPEN, IDC_WIFI_RADIO_WEP, id);
}

// Only the chosen security's key is read. A text the code page cannot
// carry is refused: the printer could not join the network it names.
bool ReadWifiInput(HWND page, TextUse use, commands::WifiInput* in) {
  if (IsTicked(page, IDC_WIFI_RADIO_OPEN)) {
    in->security = commands::WifiSecurity::Open;
  } else if (IsTicked(page, IDC_WIFI_RADIO_WPA)) {
    in->security = commands::WifiSecurity::Wpa;
  } else {
    in->security = commands::WifiSecurity::Wep;
  }
  in->wpaType = ComboIndex(page, IDC_WIFI_WPA_TYPE);
  in->wpaCipher = ComboIndex(page, IDC_WIFI_CIPHER);
  in->wepAuth = ComboIndex(page, IDC_WIFI_WEP_TYPE);
  in->mode = ComboIndex(page, IDC_WIFI_MODE);
  if (!ReadFreeText(page, IDC_WIFI_SSID, use, &in->ssid)) return false;
  if (in->security == commands::WifiSecurity::Wpa) return ReadFreeText(page, IDC_WIFI_PSK_KEY, use, &in->pskKey);
  if (in->security == commands::WifiSecurity::Wep) return ReadFreeText(page, IDC_WIFI_WEP_KEY, use, &in->wepKey);
  return true;
}

void CWifiTabDlg::OnSet(UINT, int, HWND) {
  chosen_ = true;
  EncodeAndSend(ReadWifiInput, commands::EncodeWifiCommand);
}
