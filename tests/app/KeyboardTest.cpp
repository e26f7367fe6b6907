// The main dialog driven by real keystrokes (SendInput into the shown,
// foreground window) through the filter the program's message loop runs
// each message through; the focus is read after every key.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/MainDlg.h"
#include "resources/pages.h"
#include "settings/Encoders.h"
#include "tests/support/Keyboard.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PageDriver.h"

using namespace pages_test;
using testing_ends::PressKey;

namespace {

const wchar_t* const kPageNames[] = {L"Panel", L"BID", L"Ethernet", L"Wifi",
                                     L"Bluetooth", L"Serial", L"User Define"};

class KeyboardTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    if (HasFatalFailure()) return;
    hwnd_ = dialog_->m_hWnd;
    ::ShowWindow(hwnd_, SW_SHOW);
    ASSERT_TRUE(testing_ends::BringToFront(hwnd_));
    Pump();
  }

  // Runs every waiting message through the dialog's filter, as the
  // program's loop does, until the queue stays empty.
  void Pump() {
    MSG msg;
    for (int quiet = 0; quiet < 3;) {
      if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++quiet;
        ::Sleep(2);
        continue;
      }
      quiet = 0;
      if (msg.message == WM_QUIT) {
        quit_ = true;
        continue;
      }
      if (dialog_->m_hWnd == nullptr || !dialog_->PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
  }

  void Press(WORD key) {
    PressKey(key);
    Pump();
  }
  void PressWith(WORD key, std::initializer_list<WORD> held) {
    PressKey(key, held);
    Pump();
  }

  void FocusOn(HWND control) {
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    Pump();
  }

  // The control of the window or of a page that holds the focus (a field of
  // the address control stands for the control).
  HWND FocusedStop() const {
    HWND window = ::GetFocus();
    while (window != nullptr) {
      const HWND parent = ::GetParent(window);
      if (parent == hwnd_ || IsPage(parent)) return window;
      window = parent;
    }
    return nullptr;
  }

  bool IsPage(HWND window) const {
    for (int i = 0; i < 7; ++i) {
      if (window != nullptr && Page(i) == window) return true;
    }
    return false;
  }

  // Where control lies and its id, for the messages of failed checks.
  std::wstring Describe(HWND control) const {
    std::wstring where = L"window";
    for (int i = 0; i < 7; ++i) {
      if (control != nullptr && Page(i) == ::GetParent(control)) where = kPageNames[i];
    }
    return control == nullptr ? L"(none)" : where + L"#" + std::to_wstring(::GetDlgCtrlID(control));
  }
  std::vector<std::wstring> Describe(const std::vector<HWND>& controls) const {
    std::vector<std::wstring> names;
    for (HWND control : controls) names.push_back(Describe(control));
    return names;
  }

  HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

  HWND hwnd_ = nullptr;
  bool quit_ = false;
};

// The page's controls a user can reach, in reading order: rows from top to
// bottom (controls whose middles lie within half a height of each other
// share a row), each row from left to right.
std::vector<HWND> ReadingOrder(HWND page) {
  struct Placed {
    HWND window;
    RECT place;
  };
  std::vector<Placed> controls;
  for (HWND child = ::GetWindow(page, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if ((style & WS_TABSTOP) && ::IsWindowVisible(child) && ::IsWindowEnabled(child)) {
      RECT place{};
      ::GetWindowRect(child, &place);
      controls.push_back({child, place});
    }
  }
  auto middle = [](const RECT& r) { return (r.top + r.bottom) / 2; };
  std::sort(controls.begin(), controls.end(),
            [&](const Placed& a, const Placed& b) { return middle(a.place) < middle(b.place); });
  std::vector<std::vector<Placed>> rows;
  for (const Placed& control : controls) {
    if (!rows.empty()) {
      const RECT& first = rows.back().front().place;
      const int reach = std::min(first.bottom - first.top, control.place.bottom - control.place.top) / 2;
      if (middle(control.place) - middle(first) <= reach) {
        rows.back().push_back(control);
        continue;
      }
    }
    rows.push_back({control});
  }
  std::vector<HWND> order;
  for (std::vector<Placed>& row : rows) {
    std::sort(row.begin(), row.end(), [](const Placed& a, const Placed& b) { return a.place.left < b.place.left; });
    for (const Placed& control : row) order.push_back(control.window);
  }
  return order;
}

// The first control of page a user can reach; null when there is none.
HWND FirstReachable(HWND page) {
  const std::vector<HWND> order = ReadingOrder(page);
  return order.empty() ? nullptr : order.front();
}

}  // namespace

// Tab runs round the window: profile buttons, transport choice, lists,
// Config Port, address, tab strip, then the shown page's controls in
// reading order, and back to the start; Shift+Tab runs the same way back.
TEST_F(KeyboardTest, TabRunsThroughTheWindowAndTheShownPage) {
  UsePort(kEthernetEntry);  // the address field takes part only for "Ethernet"
  Pump();
  for (int index = 0; index < 7; ++index) {
    dialog_->SelectPage(index);
    FocusOn(Item(IDC_SAVE_PROFILE));
    std::vector<HWND> expected = {Item(IDC_SAVE_PROFILE), Item(IDC_LOAD_PROFILE), Item(IDC_RADIO_PORT),
                                  Item(IDC_PORT_LIST),    Item(IDC_CONFIG_PORT),  Item(IDC_PRINTER_ADDRESS),
                                  Item(IDC_TAB)};
    const std::vector<HWND> page = ReadingOrder(Page(index));
    ASSERT_FALSE(page.empty()) << index;
    expected.insert(expected.end(), page.begin(), page.end());
    expected.push_back(Item(IDC_SAVE_PROFILE));

    std::vector<HWND> forward = {FocusedStop()};
    for (size_t i = 1; i < expected.size(); ++i) {
      Press(VK_TAB);
      forward.push_back(FocusedStop());
    }
    EXPECT_EQ(Describe(forward), Describe(expected)) << kPageNames[index];

    std::vector<HWND> backward = {FocusedStop()};
    for (size_t i = 1; i < expected.size(); ++i) {
      PressWith(VK_TAB, {VK_SHIFT});
      backward.push_back(FocusedStop());
    }
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(Describe(backward), Describe(expected)) << kPageNames[index];
    EXPECT_EQ(dialog_->CurrentPage(), index);
  }
  EXPECT_FALSE(quit_);
}

// Ctrl+Tab and Ctrl+PageDown go to the next page, Ctrl+Shift+Tab and
// Ctrl+PageUp to the one before, round the ends. The focus stays on the tab
// strip; from inside a page it goes on to the new page's first control.
TEST_F(KeyboardTest, ControlKeysSwitchPages) {
  struct Step {
    WORD key;
    bool shift;
    int page;
  };
  const Step steps[] = {{VK_TAB, false, 1}, {VK_NEXT, false, 2},  {VK_TAB, true, 1},
                        {VK_PRIOR, false, 0}, {VK_PRIOR, false, 6}, {VK_TAB, false, 0},
                        {VK_TAB, true, 6},  {VK_NEXT, false, 0}};
  for (bool fromPage : {false, true}) {
    dialog_->SelectPage(0);
    FocusOn(fromPage ? FirstReachable(Page(0)) : Item(IDC_TAB));
    for (const Step& step : steps) {
      if (step.shift) {
        PressWith(step.key, {VK_CONTROL, VK_SHIFT});
      } else {
        PressWith(step.key, {VK_CONTROL});
      }
      const std::wstring what = std::wstring(fromPage ? L"from a page, " : L"from the strip, ") +
                                L"to " + kPageNames[step.page];
      EXPECT_EQ(dialog_->CurrentPage(), step.page) << what;
      for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(::IsWindowVisible(Page(i)) != FALSE, i == step.page) << what << ", page " << i;
      }
      const HWND expected = fromPage ? FirstReachable(Page(step.page)) : Item(IDC_TAB);
      EXPECT_EQ(Describe(FocusedStop()), Describe(expected)) << what;
    }
  }
  EXPECT_FALSE(quit_);
}

// Enter in a page's field neither closes the window nor sends the page's
// settings (each page below holds settings its Set button would send).
TEST_F(KeyboardTest, EnterInAPageFieldDoesNothing) {
  Click(Page(kBid), IDC_BID_CHECK);
  Type(Page(kBid), IDC_BID_VALUE, L"5");
  Click(Page(kPanel), IDC_PANEL_PIN_CHECK);
  Type(Page(kWifi), IDC_WIFI_SSID, L"shop");
  Click(Page(kWifi), IDC_WIFI_RADIO_OPEN);
  Type(Page(kBluetooth), IDC_BT_NAME, L"Printer");
  Type(Page(kBluetooth), IDC_BT_PIN, L"1234");
  Click(Page(kUserDef), IDC_USER_LENGTH_CHECK);
  Type(Page(kUserDef), IDC_USER_LENGTH_MM, L"100");
  Pump();
  const struct {
    int page;
    int control;
  } fields[] = {
      {kPanel, IDC_PANEL_PIN_CHECK},    {kPanel, IDC_PANEL_PIN_ENABLE}, {kBid, IDC_BID_VALUE},
      {kNet, IDC_NET_MAC1},             {kNet, IDC_NET_RADIO_IP},       {kNet, IDC_NET_IP},
      {kWifi, IDC_WIFI_SSID},           {kWifi, IDC_WIFI_RADIO_OPEN},   {kBluetooth, IDC_BT_PIN},
      {kSerial, IDC_SERIAL_BAUD},       {kUserDef, IDC_USER_LENGTH_MM},
  };
  MessageBoxCatcher boxes;
  for (const auto& field : fields) {
    dialog_->SelectPage(field.page);
    const HWND control = ::GetDlgItem(Page(field.page), field.control);
    ASSERT_TRUE(::IsWindowEnabled(control)) << Describe(control);
    FocusOn(control);
    const Bytes sent = AtLpt([&] { Press(VK_RETURN); });
    EXPECT_TRUE(sent.empty()) << Describe(control);
    EXPECT_NE(dialog_->m_hWnd, nullptr) << Describe(control);
    if (dialog_->m_hWnd == nullptr) break;
    EXPECT_EQ(Describe(FocusedStop()), Describe(control));
    EXPECT_EQ(dialog_->CurrentPage(), field.page);
  }
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_FALSE(quit_);
}

// Enter on a page's focused button presses it, as Space does.
TEST_F(KeyboardTest, EnterOnAPageButtonPressesIt) {
  MessageBoxCatcher boxes;
  dialog_->SelectPage(kUserDef);
  FocusOn(::GetDlgItem(Page(kUserDef), IDC_USER_RESTORE));
  const Bytes sent = AtLpt([&] { Press(VK_RETURN); });
  EXPECT_EQ(sent, commands::EncodeRestoreFactory().bytes);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"SUCCESS");
  EXPECT_NE(dialog_->m_hWnd, nullptr);
  EXPECT_FALSE(quit_);
}

// An address typed with the keys and Enter is applied; the window stays.
TEST_F(KeyboardTest, EnterInTheAddressFieldAppliesTheTypedAddress) {
  UsePort(kEthernetEntry);
  FocusOn(Item(IDC_PRINTER_ADDRESS));
  testing_ends::TypeKeys(L"127.0.0.9");
  Pump();
  Press(VK_RETURN);
  EXPECT_FALSE(quit_);
  ASSERT_NE(dialog_->m_hWnd, nullptr);
  EXPECT_STREQ(PrinterAddressText, L"127.0.0.9");
  EXPECT_EQ(CurrentSelection->kind, Ethernet);
}

// The arrow keys move between the transport choices and choose them; Tab
// then comes to the chosen one only.
TEST_F(KeyboardTest, ArrowKeysChooseTheTransport) {
  FocusOn(Item(IDC_RADIO_PORT));
  Press(VK_DOWN);
  EXPECT_EQ(Describe(FocusedStop()), Describe(Item(IDC_RADIO_DRIVER)));
  EXPECT_EQ(::IsDlgButtonChecked(hwnd_, IDC_RADIO_DRIVER), BST_CHECKED);
  EXPECT_EQ(CurrentSelection->kind, PrinterDriver);
  FocusOn(Item(IDC_LOAD_PROFILE));
  Press(VK_TAB);
  EXPECT_EQ(Describe(FocusedStop()), Describe(Item(IDC_RADIO_DRIVER)));
  Press(VK_UP);
  EXPECT_EQ(Describe(FocusedStop()), Describe(Item(IDC_RADIO_PORT)));
  EXPECT_EQ(CurrentSelection->kind, Lpt);
  EXPECT_FALSE(quit_);
}
