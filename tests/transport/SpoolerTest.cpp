// Spooler transport against a queue added to Wine's spooler whose port is a
// file in the test's scratch folder.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"
#include "tests/transport/TransportFixtures.h"
#include "transport/Device.h"

namespace {

constexpr wchar_t kQueue[] = L"Setwright Transport Test Queue";

// A "Generic / Text Only" queue whose port is a Unix file path; deleted again
// when the object goes.
class FileQueue {
 public:
  FileQueue() {
    const char* dir = getenv("SW_TEST_DIR_UNIX");
    if (dir == nullptr) return;
    std::string unixPath = std::string(dir) + "/spooled.bin";
    port_.assign(unixPath.begin(), unixPath.end());
    windowsPath_ = testing_ends::ScratchDir() + L"spooled.bin";
    Clear();

    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(L"Generic / Text Only");
    driver.pEnvironment = nullptr;
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(L"wineps.drv");
    AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES);

    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(kQueue);
    info.pPortName = const_cast<wchar_t*>(port_.c_str());
    info.pDriverName = const_cast<wchar_t*>(L"Generic / Text Only");
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    printer_ = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  }
  ~FileQueue() {
    if (printer_ != nullptr) {
      DeletePrinter(printer_);
      ClosePrinter(printer_);
    }
  }
  FileQueue(const FileQueue&) = delete;
  FileQueue& operator=(const FileQueue&) = delete;

  bool Ready() const { return printer_ != nullptr; }
  // What the spooler delivered to the port file, waiting for `expected` bytes.
  Bytes Delivered(size_t expected, DWORD waitMs = 3000) const {
    const DWORD start = GetTickCount();
    Bytes bytes;
    do {
      bytes = testing_ends::ReadWholeFile(windowsPath_);
      if (bytes.size() >= expected) break;
      Sleep(20);
    } while (GetTickCount() - start < waitMs);
    return bytes;
  }
  void Clear() const { testing_ends::WriteWholeFile(windowsPath_, "", 0); }

 private:
  std::wstring port_;
  std::wstring windowsPath_;
  HANDLE printer_ = nullptr;
};

const unsigned char kCommand[] = {0x10, 'P', 0x00, 0x01, 0x0D, 0x0A, 0x1A, 0x10, 'C'};

}  // namespace

TEST(Spooler, RawJobDeliversExactlyTheBytes) {
  FileQueue queue;
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
  FileQueue queue;
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
  FileQueue queue;
  ASSERT_TRUE(queue.Ready());
  SelectionScope scope(PrinterDriver, kQueue);
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(nullptr, 5, 1), 0);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Write printer fail");
  EXPECT_TRUE(queue.Delivered(1, 300).empty());
}
