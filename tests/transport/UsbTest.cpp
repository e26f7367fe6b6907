// USB transport against a named pipe that plays the printer: each open of
// the path is a new pipe connection served by a test thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"
#include "tests/support/TransportEnds.h"
#include "transport/Device.h"
#include "transport/PortNames.h"
#include "transport/USBDevice.h"

namespace {

const unsigned char kRequest[] = {0x1F, 0x4E};
// A reply this long after the printer's end was opened comes after the
// 1000 ms wait even on a busy machine; a call without a reply must return
// well before it.
constexpr DWORD kLateMs = 2500;
constexpr DWORD kReturnLimitMs = 2000;

Bytes Reply(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(i + 1);
  return bytes;
}

}  // namespace

TEST(UsbPath, SearchUnderWineFindsNothingAndLeavesThePath) {
  wchar_t path[kUsbPathChars];
  wmemset(path, L'#', kUsbPathChars);
  EXPECT_EQ(FindUsbPrinter(path), 0);
  for (wchar_t c : path) ASSERT_EQ(c, L'#');
  SetLastError(ERROR_INVALID_PARAMETER);  // stale code from an earlier call
  EXPECT_EQ(FindUsbPrinter(path), 0);
  EXPECT_EQ(FindUsbPrinter(nullptr), 0);
}

TEST(UsbDevice, WriteDeliversTheBytes) {
  FakeUsbPrinter printer;
  SelectionScope scope(Usb, printer.Path());
  const Bytes command = Reply(3000);
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(command.data(), static_cast<int>(command.size()), 1), 1);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Set success");
  EXPECT_EQ(printer.Received(command.size()), command);
}

TEST(UsbDevice, MissingPrinterShowsOpenFailure) {
  SelectionScope scope(Usb, L"\\\\.\\pipe\\usb#vid_0fe6&pid_811e#gone");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kRequest, sizeof(kRequest), 0), 0);
  unsigned char reply[8] = {};
  unsigned int replyLength = sizeof(reply);
  EXPECT_EQ(ReadFromUsb(scope.selection.name, reply, &replyLength, 1), 0);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Open usb printer fail");
  EXPECT_EQ(boxes.Boxes()[1].text, L"Open usb printer fail");
  EXPECT_EQ(boxes.Boxes()[1].caption, L"ERROR");
}

TEST(UsbDevice, QueryReturnsAReplyThatComesAtOnceOrWithinTheWait) {
  for (DWORD delayMs : {0u, 400u}) {
    FakeUsbPrinter printer;
    printer.ReplyOn(1, Reply(20), delayMs);  // connection 0 is the write
    SelectionScope scope(Usb, printer.Path());
    unsigned char reply[64] = {};
    unsigned int replyLength = sizeof(reply);
    MessageBoxCatcher boxes;
    EXPECT_EQ(QueryCommand(kRequest, sizeof(kRequest), reply, &replyLength, 0), 1) << delayMs;
    EXPECT_EQ(boxes.Count(), 0u) << (boxes.Count() ? boxes.Boxes()[0].text.c_str() : L"");
    EXPECT_EQ(replyLength, 20u);
    EXPECT_EQ(Bytes(reply, reply + 20), Reply(20));
    EXPECT_EQ(printer.Received(2), Bytes(kRequest, kRequest + 2));
  }
}

TEST(UsbDevice, QueryWithoutReplyReturnsZeroQuietlyAfterTheWait) {
  FakeUsbPrinter printer;
  printer.ReplyOn(1, Reply(20), kLateMs);  // too late
  SelectionScope scope(Usb, printer.Path());
  unsigned char reply[64];
  memset(reply, 0xCC, sizeof(reply));
  unsigned int replyLength = sizeof(reply);
  const DWORD handles = testing_ends::HandleCount();
  MessageBoxCatcher boxes;
  const DWORD start = GetTickCount();
  EXPECT_EQ(QueryCommand(kRequest, sizeof(kRequest), reply, &replyLength, 1), 0);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 900u);
  EXPECT_LT(elapsed, kReturnLimitMs);
  // The write was confirmed; the missing reply has no box of its own.
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Set success");
  EXPECT_EQ(replyLength, 0u);
  // The late reply finds the read cancelled and the path closed.
  Sleep(kLateMs - 600);
  for (unsigned char b : reply) ASSERT_EQ(b, 0xCC);
  EXPECT_EQ(printer.RepliesDelivered(), 0);
  EXPECT_LE(testing_ends::HandleCount(), handles + testing_ends::kRuntimeHandleSlack);
}

TEST(UsbDevice, ReadFromUsbGetsTheReplyOfAnEarlierSend) {
  FakeUsbPrinter printer;
  printer.ReplyOn(1, Reply(64), 200);
  SelectionScope scope(Usb, printer.Path());
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kRequest, sizeof(kRequest), 0), 1);
  unsigned char buffer[520] = {};
  unsigned int count = 64;
  EXPECT_EQ(ReadFromUsb(scope.selection.name, buffer, &count, 1), 1);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(count, 64u);
  EXPECT_EQ(Bytes(buffer, buffer + 64), Reply(64));
}

TEST(UsbDevice, ReadFromUsbNeverStoresMoreThanTheCount) {
  for (DWORD delayMs : {0u, 300u}) {
    FakeUsbPrinter printer;
    printer.ReplyOn(0, Reply(300), delayMs);
    unsigned char buffer[520];
    memset(buffer, 0xCC, sizeof(buffer));
    unsigned int count = 64;
    MessageBoxCatcher boxes;
    EXPECT_EQ(ReadFromUsb(printer.Path(), buffer, &count, 1), 1);
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(Bytes(buffer, buffer + 64), Reply(64));
    for (size_t i = 64; i < sizeof(buffer); ++i) ASSERT_EQ(buffer[i], 0xCC) << i;
    EXPECT_EQ(boxes.Count(), 0u);
  }
}

TEST(UsbDevice, ReadFromUsbWithoutReplyReturnsZeroQuietlyAndCancelsTheRead) {
  FakeUsbPrinter printer;
  printer.ReplyOn(0, Reply(64), kLateMs);  // after the wait
  unsigned char buffer[520];
  memset(buffer, 0xCC, sizeof(buffer));
  unsigned int count = 64;
  const DWORD handles = testing_ends::HandleCount();
  MessageBoxCatcher boxes;
  const DWORD start = GetTickCount();
  EXPECT_EQ(ReadFromUsb(printer.Path(), buffer, &count, 1), 0);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 900u);
  EXPECT_LT(elapsed, kReturnLimitMs);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(count, 0u);
  Sleep(kLateMs - 600);
  for (unsigned char b : buffer) ASSERT_EQ(b, 0xCC);
  EXPECT_EQ(printer.RepliesDelivered(), 0);
  EXPECT_LE(testing_ends::HandleCount(), handles + testing_ends::kRuntimeHandleSlack);
}

TEST(UsbDevice, LateReplyNeverReachesTheBufferOfAFinishedQuery) {
  // The device keeps its path open after Query until it is released; a
  // reply that comes in that time must not land in the caller's buffer.
  FakeUsbPrinter printer;
  printer.ReplyOn(1, Reply(20), kLateMs);
  SendTarget target;
  target.kind = Usb;
  target.name = printer.Path();
  USBDevice device(target);
  unsigned char reply[64];
  memset(reply, 0xCC, sizeof(reply));
  size_t replyLength = sizeof(reply);
  MessageBoxCatcher boxes;
  const SendOutcome outcome = device.Query(kRequest, sizeof(kRequest), reply, &replyLength);
  EXPECT_EQ(outcome.status, SendStatus::Failed);
  EXPECT_TRUE(outcome.answerFailed);
  EXPECT_EQ(outcome.reason, "no answer within 1 s");
  EXPECT_EQ(replyLength, 0u);
  // The printer's late answer is accepted by the still open pipe...
  for (int i = 0; i < 200 && printer.RepliesDelivered() == 0; ++i) Sleep(20);
  EXPECT_EQ(printer.RepliesDelivered(), 1);
  Sleep(100);
  // ... but no read is left to carry it into the buffer.
  for (unsigned char b : reply) ASSERT_EQ(b, 0xCC);
  EXPECT_EQ(boxes.Count(), 0u);
}
