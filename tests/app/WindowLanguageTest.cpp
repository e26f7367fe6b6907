// The main dialog and its pages in Chinese, read back from the window's
// controls, on a system whose ANSI code page is Western (1252) and on a
// Chinese one (936): every text is the catalogue's text, whatever the code
// page. ctest runs this program once per code page (see CMakeLists).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "app/MainDlg.h"
#include "resources/pages.h"
#include "tests/app/CatalogueTexts.h"
#include "tests/support/PageDriver.h"

namespace {

std::wstring TextOf(HWND window) {
  wchar_t text[600] = {};
  ::GetWindowTextW(window, text, 600);
  return text;
}

// No text in window, its child windows or their drop-down lists went
// through a code page that could not carry it (which leaves '?').
void ExpectNoQuestionMarks(HWND window) {
  std::wstring texts = TextOf(window);
  wchar_t kind[32] = {};
  ::GetClassNameW(window, kind, 32);
  if (std::wstring(kind) == L"ComboBox") {
    for (const std::wstring& item : pages_test::ComboItems(::GetParent(window), ::GetDlgCtrlID(window))) {
      texts += item;
    }
  }
  EXPECT_EQ(texts.find(L'?'), std::wstring::npos) << "control " << ::GetDlgCtrlID(window) << ": " << texts;
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    ExpectNoQuestionMarks(child);
  }
}

class ChineseWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&controls);
    texts_ = catalogue_test::ReadTranslations(testing_ends::ThisFolder() + L"Lang\\zh_CN\\LC_MESSAGES\\PrinterConfig.mo");
    ASSERT_GT(texts_.size(), 50u);
    dialog_ = std::make_unique<CMainDlg>();
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
    MainDialog = dialog_.get();
    MainWindow = dialog_->m_hWnd;
  }
  void TearDown() override {
    dialog_.reset();
    MainDialog = nullptr;
    MainWindow = nullptr;
  }

  std::wstring Catalogue(const char* key) {
    auto found = texts_.find(key);
    EXPECT_NE(found, texts_.end()) << key;
    return found == texts_.end() ? std::wstring() : found->second;
  }

  // The window shows the catalogue's texts and nothing the code page mangled.
  void ExpectCatalogueTexts() {
    const HWND window = dialog_->m_hWnd;
    EXPECT_EQ(TextOf(window), Catalogue("PO_GSTR_KORVEL_MAIN_DLG_CAPTION") + L" v1.44");

    const struct {
      int page;  // -1: the main window
      int id;
      const char* key;
    } controls[] = {
        {-1, IDC_MAIN_GROUP, "PO_IDC_STATIC_MAIN_PORT"},
        {-1, IDC_RADIO_PORT, "PO_IDC_RADIO_PORT"},
        {-1, IDC_RADIO_DRIVER, "PO_IDC_RADIO_PRINTER_DRIVER"},
        {-1, IDC_CONFIG_PORT, "PO_IDC_BUTTON_CONFIG_PORT"},
        {-1, IDC_PRINTER_ADDRESS_LABEL, "PO_IDC_STATIC_PRINTER_ADDRESS"},
        {-1, IDC_SAVE_PROFILE, "PO_GSTR_SAVE_PROFILE"},
        {-1, IDC_LOAD_PROFILE, "PO_GSTR_LOAD_PROFILE"},
        {pages_test::kPanel, IDC_PANEL_PIN_CHECK, "PO_IDC_CHECK_PIN_BROKEN"},
        {pages_test::kPanel, IDC_PANEL_SELF_TEST, "PO_GSTR_SELF_TEST"},
        {pages_test::kBid, IDC_BID_CHECK, "PO_IDC_CHECK_BID"},
        {pages_test::kNet, IDC_NET_DUPLEX_LABEL, "PO_IDC_STATIC_NET_DUPLEX_MODE"},
        {pages_test::kWifi, IDC_WIFI_CIPHER_LABEL, "PO_IDC_STATIC_WIFI_WPA_ENCRY"},
        {pages_test::kWifi, IDC_WIFI_RADIO_OPEN, "PO_IDC_RADIO_WIFI_NONE"},
        {pages_test::kBluetooth, IDC_BT_NAME_LABEL, "PO_IDC_STATIC_BLUETOOTH_DEV_NAME"},
        {pages_test::kSerial, IDC_SERIAL_DATA_BITS_LABEL, "PO_IDC_STATIC_SERIAL_NUMBER_BITS"},
        {pages_test::kSerial, IDC_SERIAL_SET, "PO_GSTR_SET"},
        {pages_test::kUserDef, IDC_USER_RESTORE, "PO_GSTR_SET_DEFAULT"},
    };
    for (const auto& control : controls) {
      const HWND parent = control.page < 0 ? window : dialog_->Page(control.page);
      EXPECT_EQ(TextOf(::GetDlgItem(parent, control.id)), Catalogue(control.key)) << control.key;
    }

    const HWND tab = ::GetDlgItem(window, IDC_TAB);
    const char* const captions[] = {"PO_TAB_PANEL", nullptr, "PO_PRINTER_SET_DLG_EHTERNET",
                                    "PO_PRINTER_SET_DLG_WIFI", "PO_GSTR_BLUETOOTH_NOTICE",
                                    "PO_PRINTER_SET_DLG_SERIAL", "PO_TAB_USER_DEF"};
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(pages_test::TabCaption(tab, i), captions[i] ? Catalogue(captions[i]) : L"BID") << i;
    }

    ExpectNoQuestionMarks(window);
  }

  std::map<std::string, std::wstring> texts_;
  std::unique_ptr<CMainDlg> dialog_;
};

using WindowZh1252 = ChineseWindow;
using WindowZh936 = ChineseWindow;

}  // namespace

TEST_F(WindowZh1252, ChineseTextsOnAWesternCodePage) {
  ASSERT_EQ(::GetACP(), 1252u);
  ExpectCatalogueTexts();
}

TEST_F(WindowZh936, ChineseTextsOnAChineseCodePage) {
  ASSERT_EQ(::GetACP(), 936u);
  ExpectCatalogueTexts();
}
