// The Ethernet page's read-back of the printer's network settings over USB,
// against a named pipe that plays the USB printer.
#include <gtest/gtest.h>

#include <string>

#include "resources/pages.h"
#include "tests/support/PageDriver.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/TransportEnds.h"

using namespace pages_test;

namespace {

class GetIpTest : public PagesTest {
 protected:
  // The request arrives on the first open of the path (the send), the
  // reply goes to the second (the read).
  static void Answer(FakeUsbPrinter& printer, const std::string& reply) {
    printer.ReplyOn(1, Bytes(reply.begin(), reply.end()), 0);
  }
  HWND Net() const { return Page(kNet); }
};

}  // namespace

TEST_F(GetIpTest, AddressReplyFillsTheFourControlsAndSelectsIpMode) {
  Click(Net(), IDC_NET_RADIO_DHCP);
  FakeUsbPrinter printer;
  Answer(printer, "192.168.0.20-9101-255.255.0.0-192.168.0.1");
  UseUsb(printer.Path());
  MessageBoxCatcher boxes;
  Click(Net(), IDC_NET_GET_IP);
  EXPECT_EQ(printer.Received(2), (Bytes{0x1F, 0x73}));
  EXPECT_EQ(boxes.Count(), 0u);  // the request is sent without a success box
  EXPECT_EQ(AddressOf(Net(), IDC_NET_IP), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 0, 20)));
  EXPECT_EQ(TextOf(Net(), IDC_NET_PORT), L"9101");
  EXPECT_EQ(AddressOf(Net(), IDC_NET_MASK), static_cast<DWORD>(MAKEIPADDRESS(255, 255, 0, 0)));
  EXPECT_EQ(AddressOf(Net(), IDC_NET_GATEWAY), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 0, 1)));
  EXPECT_TRUE(Ticked(Net(), IDC_NET_RADIO_IP));
  EXPECT_FALSE(Ticked(Net(), IDC_NET_RADIO_DHCP));
  EXPECT_TRUE(Enabled(Net(), IDC_NET_SET_ADDRESS));
  EXPECT_FALSE(Enabled(Net(), IDC_NET_SET_DHCP));
}

TEST_F(GetIpTest, DhcpReplyInAnyCaseSelectsDhcpMode) {
  FakeUsbPrinter printer;
  Answer(printer, "dhcp");
  UseUsb(printer.Path());
  MessageBoxCatcher boxes;
  Click(Net(), IDC_NET_GET_IP);
  printer.Received(2);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(Ticked(Net(), IDC_NET_RADIO_DHCP));
  EXPECT_FALSE(Ticked(Net(), IDC_NET_RADIO_IP));
  EXPECT_TRUE(Enabled(Net(), IDC_NET_SET_DHCP));
  EXPECT_FALSE(Enabled(Net(), IDC_NET_IP));
  // The address fields keep their contents.
  EXPECT_EQ(AddressOf(Net(), IDC_NET_IP), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 87)));
}

TEST_F(GetIpTest, ReplyWithoutSeparatorChangesNoField) {
  Click(Net(), IDC_NET_RADIO_DHCP);
  FakeUsbPrinter printer;
  Answer(printer, "10.1.2.3");
  UseUsb(printer.Path());
  MessageBoxCatcher boxes;
  Click(Net(), IDC_NET_GET_IP);
  printer.Received(2);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(Ticked(Net(), IDC_NET_RADIO_IP));
  EXPECT_EQ(AddressOf(Net(), IDC_NET_IP), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 87)));
  EXPECT_EQ(TextOf(Net(), IDC_NET_PORT), L"9100");
  EXPECT_EQ(AddressOf(Net(), IDC_NET_MASK), static_cast<DWORD>(MAKEIPADDRESS(255, 255, 255, 0)));
  EXPECT_EQ(AddressOf(Net(), IDC_NET_GATEWAY), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 1)));
}

TEST_F(GetIpTest, NoReplyShowsTheReadError) {
  FakeUsbPrinter printer;  // never answers
  UseUsb(printer.Path());
  MessageBoxCatcher boxes;
  Click(Net(), IDC_NET_GET_IP);
  EXPECT_EQ(printer.Received(2), (Bytes{0x1F, 0x73}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  EXPECT_EQ(boxes.Boxes()[0].text, L"Read from usb printer fail");
  EXPECT_TRUE(Ticked(Net(), IDC_NET_RADIO_IP));
}

TEST_F(GetIpTest, OtherTransportsOnlyShowTheNotUsbMessage) {
  MessageBoxCatcher boxes;
  EXPECT_TRUE(AtLpt([&] { Click(Net(), IDC_NET_GET_IP); }).empty());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  EXPECT_EQ(boxes.Boxes()[0].text, L"Get IP works only with a USB printer; choose USB first");
  EXPECT_EQ(boxes.Boxes()[0].owner, MainWindow);
}
