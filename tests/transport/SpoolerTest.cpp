// Spooler transport against a queue added to Wine's spooler whose port is a
// file in the test's scratch folder.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"
#include "tests/support/TransportEnds.h"
#include "transport/Device.h"

namespace {

constexpr wchar_t kQueue[] = L"Setwright Transport Test Queue";

const unsigned char kCommand[] = {0x10, 'P', 0x00, 0x01, 0x0D, 0x0A, 0x1A, 0x10, 'C'};

}  // namespace

TEST(Spooler, RawJobDeliversExactlyTheBytes) {
  FileQueue queue(kQueue);
  ASSERT_TRUE(queue.Ready()) << GetLastError();
  SelectionScope scope(PrinterDriver, kQueue);
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 1);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Set success");
  EXPECT_EQ(boxes.Boxes()[0].caption, L"SUCCESS");
  EXPECT_EQ(queue.Delivered(sizeof(kCommand)), Bytes(kCommand, kCommand + sizeof(kCommand)));

  // A second send is a job of its own; without showSuccess it is silent.
  queue.Clear();
  boxes.Clear();
  EXPECT_EQ(SendCommand(kCommand, 2, 0), 1);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(queue.Delivered(2), Bytes(kCommand, kCommand + 2));
}

TEST(Spooler, MissingPrinterShowsOpenFailure) {
  SelectionScope scope(PrinterDriver, L"No Such Printer 4711");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Open printer fail");
  EXPECT_EQ(boxes.Boxes()[0].caption, L"ERROR");
}

TEST(Spooler, QueryStartsNoJobAndLeavesTheReplyAlone) {
  FileQueue queue(kQueue);
  ASSERT_TRUE(queue.Ready());
  SelectionScope scope(PrinterDriver, kQueue);
  unsigned char reply[4] = {9, 9, 9, 9};
  unsigned int replyLength = sizeof(reply);
  MessageBoxCatcher boxes;
  EXPECT_EQ(QueryCommand(kCommand, sizeof(kCommand), reply, &replyLength, 1), 1);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(replyLength, 4u);
  EXPECT_EQ(reply[0], 9);
  EXPECT_TRUE(queue.Delivered(1, 300).empty());
}

TEST(Spooler, UnreadableBufferStartsNoJob) {
  FileQueue queue(kQueue);
  ASSERT_TRUE(queue.Ready());
  SelectionScope scope(PrinterDriver, kQueue);
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(nullptr, 5, 1), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Write printer fail");
  EXPECT_TRUE(queue.Delivered(1, 300).empty());
}
