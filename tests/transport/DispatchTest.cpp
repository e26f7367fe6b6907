// The send dispatch: which transport a selection reaches, the one-box
// rule, and that no handle outlives a send on any path.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"
#include "tests/support/TransportEnds.h"
#include "transport/Device.h"
#include "transport/USBDevice.h"

using testing_ends::HandleCount;
using testing_ends::ReadLptBytes;
using testing_ends::TruncateLpt;

namespace {
const unsigned char kCommand[] = {0x10, 'B', 0x03, 0x10, 'C'};
}

TEST(Dispatch, UnknownKindsAndNoSelectionSendNothing) {
  TruncateLpt();
  SelectionScope scope(Lpt, L"LPT5:");
  MessageBoxCatcher boxes;
  for (int kind : {5, -1, 1000}) {
    scope.selection.kind = kind;
    EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0) << kind;
    unsigned char reply[4] = {};
    unsigned int replyLength = sizeof(reply);
    EXPECT_EQ(QueryCommand(kCommand, sizeof(kCommand), reply, &replyLength, 1), 0) << kind;
    SendTarget target;
    target.kind = kind;
    EXPECT_EQ(DeviceFactory::Create(target), nullptr);
    EXPECT_EQ(SendToTarget(target, kCommand, sizeof(kCommand)).status, SendStatus::Failed);
  }
  CurrentSelection = nullptr;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_TRUE(ReadLptBytes().empty());
}

TEST(Dispatch, FactoryBuildsTheTransportOfEachKind) {
  SendTarget target;
  target.name = L"COM5:";
  struct {
    int kind;
    bool (*is)(Device*);
  } cases[] = {
      {Com, [](Device* d) { return dynamic_cast<ComDevice*>(d) != nullptr; }},
      {Lpt, [](Device* d) { return dynamic_cast<LPTDevice*>(d) != nullptr; }},
      {Ethernet, [](Device* d) { return dynamic_cast<ENetDevice*>(d) != nullptr; }},
      {Usb, [](Device* d) { return dynamic_cast<USBDevice*>(d) != nullptr; }},
      {PrinterDriver, [](Device* d) { return dynamic_cast<PrinterDevice*>(d) != nullptr; }},
  };
  const DWORD handles = HandleCount();
  for (const auto& c : cases) {
    target.kind = c.kind;
    std::unique_ptr<Device> device = DeviceFactory::Create(target);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(c.is(device.get())) << c.kind;
  }
  EXPECT_EQ(HandleCount(), handles);  // building a transport opens nothing
}

TEST(Dispatch, SuccessBoxOnlyWhenAskedFailureBoxAlways) {
  TruncateLpt();
  SelectionScope scope(Lpt, L"LPT5:");
  MainWindow = GetDesktopWindow();
  {
    MessageBoxCatcher boxes;
    EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 1);
    EXPECT_EQ(boxes.Count(), 0u);
  }
  scope.Select(Lpt, L"LPT8:");
  {
    MessageBoxCatcher boxes;
    EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 0);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"Open lpt fail");
    EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
  }
  EXPECT_EQ(ReadLptBytes(), Bytes(kCommand, kCommand + sizeof(kCommand)));
}

TEST(Dispatch, BoxesBelongToTheMainWindow) {
  HWND window = CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SelectionScope scope(Lpt, L"LPT8:");
  MainWindow = window;
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  unsigned int count = 4;
  unsigned char buffer[4];
  EXPECT_EQ(ReadFromUsb(L"\\\\.\\pipe\\sw-nothing-here", buffer, &count, 1), 0);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].owner, window);
  EXPECT_EQ(boxes.Boxes()[1].owner, window);
  DestroyWindow(window);
}

TEST(Dispatch, NetworkAndSpoolerQueriesLeaveTheReplyAlone) {
  SelectionScope scope(Ethernet, L"Ethernet");
  for (int kind : {Ethernet, PrinterDriver}) {
    scope.Select(kind, L"No Such Printer");
    unsigned char reply[4] = {7, 7, 7, 7};
    unsigned int replyLength = 3;
    MessageBoxCatcher boxes;
    EXPECT_EQ(QueryCommand(kCommand, sizeof(kCommand), reply, &replyLength, 1), 1);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(replyLength, 3u);
    EXPECT_EQ(reply[0], 7);
  }
}

// One round of sends over every transport and its failure paths.
void SendOverEveryPath(SelectionScope& scope, FakeUsbPrinter& usb) {
  const int n = sizeof(kCommand);
  scope.SetAddress(L"127.0.11.1");
  scope.Select(Com, L"COM5:");
  scope.StoreSerialSettings(L"\\\\.\\COM5", 9600);
  SendCommand(kCommand, n, 1);                 // serial, success
  scope.settings.ByteSize = 3;
  SendCommand(kCommand, n, 1);                 // serial, settings rejected
  scope.ForgetSerialSettings();
  SendCommand(kCommand, n, 1);                 // serial, never configured
  scope.Select(Com, L"COM27:");
  SendCommand(kCommand, n, 1);                 // serial, missing port
  scope.Select(Lpt, L"LPT5:");
  SendCommand(kCommand, n, 1);                 // parallel, success
  SendCommand(nullptr, n, 1);                  // parallel, write fails
  scope.Select(Lpt, L"LPT8:");
  SendCommand(kCommand, n, 1);                 // parallel, missing port
  scope.Select(Ethernet, L"Ethernet");
  SendCommand(kCommand, n, 1);                 // network, success
  scope.SetAddress(L"127.0.11.2");
  SendCommand(kCommand, n, 1);                 // network, refused
  scope.SetAddress(L"0.0.0.0");
  SendCommand(kCommand, n, 1);                 // network, no address
  scope.Select(PrinterDriver, L"No Such Printer");
  SendCommand(kCommand, n, 1);                 // spooler, missing printer
  scope.Select(Usb, usb.Path());
  SendCommand(kCommand, n, 1);                 // USB, success
  unsigned char reply[16];
  unsigned int replyLength = sizeof(reply);
  QueryCommand(kCommand, n, reply, &replyLength, 0);  // USB, no reply in time
  scope.Select(Usb, L"\\\\.\\pipe\\sw-no-usb");
  SendCommand(kCommand, n, 1);                 // USB, missing
  replyLength = sizeof(reply);
  ReadFromUsb(usb.Path(), reply, &replyLength, 1);    // read, no reply in time
  replyLength = sizeof(reply);
  ReadFromUsb(L"\\\\.\\pipe\\sw-no-usb", reply, &replyLength, 1);  // read, missing
}

TEST(Dispatch, NoHandleOutlivesASendOnAnyPath) {
  LoopbackPrinter printer("127.0.11.1");
  ASSERT_TRUE(printer.Listening());
  FakeUsbPrinter usb;
  SelectionScope scope(Com, L"COM5:");
  MessageBoxCatcher boxes;
  // The first round loads what the system keeps for the process (Winsock,
  // spooler client); the handles of later rounds must all come back.
  SendOverEveryPath(scope, usb);
  Sleep(300);
  const DWORD before = HandleCount();
  for (int round = 0; round < 3; ++round) SendOverEveryPath(scope, usb);
  Sleep(300);
  // A handle lost by any send shows up once per round, so three or more.
  // One more is allowed: the thread runtime makes a wait event of its own,
  // once per process, the first time the fake USB printer's threads start
  // and end at the same moment, and that may happen only after the first round.
  EXPECT_LE(HandleCount(), before + testing_ends::kRuntimeHandleSlack);
  EXPECT_EQ(boxes.Count(), 4u * 14u);
}
