// The USB model exchange against a named pipe standing in for the printer's
// device path: a thread plays the printer and answers (or not) the request.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "installer/UsbQuery.h"
#include "tests/support/PrinterEnds.h"

using namespace spoolkit;

namespace {

// A fake printer on \\.\pipe\<name>: reads one request per connection and
// sends `reply` (or stays silent when it is empty).
class FakePrinter {
 public:
  FakePrinter(std::wstring name, std::vector<unsigned char> reply, DWORD replyDelayMs = 0)
      : path_(L"\\\\.\\pipe\\" + name), reply_(std::move(reply)), delay_(replyDelayMs) {
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (int i = 0; i < 2; ++i) {
      HANDLE pipe = ::CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 4, 512, 512,
                                       0, nullptr);
      pipes_.push_back(pipe);
      events_.push_back(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
    // Every handle exists before the threads start, so a test can count handles.
    for (size_t i = 0; i < pipes_.size(); ++i) {
      HANDLE pipe = pipes_[i], event = events_[i];
      threads_.emplace_back([this, pipe, event] { Serve(pipe, event); });
    }
  }
  ~FakePrinter() {
    ::SetEvent(stop_);
    for (auto& t : threads_) t.join();
    for (HANDLE pipe : pipes_) ::CloseHandle(pipe);
    for (HANDLE event : events_) ::CloseHandle(event);
    ::CloseHandle(stop_);
  }
  const std::wstring& path() const { return path_; }
  std::vector<unsigned char> request() const { return request_; }

 private:
  bool Wait(HANDLE pipe, OVERLAPPED& ov) {
    HANDLE events[2] = {ov.hEvent, stop_};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      ::CancelIoEx(pipe, &ov);
      DWORD ignored = 0;
      ::GetOverlappedResult(pipe, &ov, &ignored, TRUE);
      return false;
    }
    return true;
  }
  void Serve(HANDLE pipe, HANDLE event) {
    OVERLAPPED ov{};
    ov.hEvent = event;
    if (!::ConnectNamedPipe(pipe, &ov) && ::GetLastError() == ERROR_IO_PENDING) {
      if (!Wait(pipe, ov)) return;
    }
    unsigned char buffer[64];
    DWORD got = 0;
    ov = OVERLAPPED{};
    ::ResetEvent(event);
    ov.hEvent = event;
    if (!::ReadFile(pipe, buffer, sizeof(buffer), &got, &ov) &&
        ::GetLastError() == ERROR_IO_PENDING) {
      if (!Wait(pipe, ov)) return;
    }
    ::GetOverlappedResult(pipe, &ov, &got, FALSE);
    request_.assign(buffer, buffer + got);
    if (!reply_.empty()) {
      if (delay_) ::Sleep(delay_);
      DWORD written = 0;
      ov = OVERLAPPED{};
      ::ResetEvent(event);
      ov.hEvent = event;
      if (!::WriteFile(pipe, reply_.data(), static_cast<DWORD>(reply_.size()), &written, &ov) &&
          ::GetLastError() == ERROR_IO_PENDING) {
        Wait(pipe, ov);
      }
    }
    // Keep the connection until the test ends.
    ::WaitForSingleObject(stop_, INFINITE);
  }

  std::wstring path_;
  std::vector<unsigned char> reply_;
  DWORD delay_;
  HANDLE stop_;
  std::vector<HANDLE> pipes_;
  std::vector<HANDLE> events_;
  std::vector<std::thread> threads_;
  std::vector<unsigned char> request_;
};

std::vector<unsigned char> Reply(unsigned char length, const char* name) {
  std::vector<unsigned char> reply(16, 0);
  reply[0] = 0x1F;
  reply[4] = length;
  std::memcpy(reply.data() + 6, name, std::strlen(name));
  return reply;
}

}  // namespace

TEST(UsbExchange, ModelNameFromTheReply) {
  FakePrinter printer(L"spoolkit-usb-a", Reply(6, "MQ7XX"));
  wchar_t name[64] = L"untouched";
  EXPECT_EQ(queryModelName(printer.path().c_str(), name), 0);
  EXPECT_STREQ(name, L"MQ7XX");
  const std::vector<unsigned char> expected = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00};
  EXPECT_EQ(printer.request(), expected);
}

TEST(UsbExchange, ShortLengthLeavesTheBuffer) {
  for (unsigned char length : {0, 1}) {
    std::wstring pipe = L"spoolkit-usb-b" + std::to_wstring(length);
    FakePrinter printer(pipe, Reply(length, "MQ7XX"));
    wchar_t name[64] = L"untouched";
    EXPECT_EQ(queryModelName(printer.path().c_str(), name), 0);
    EXPECT_STREQ(name, L"untouched");
  }
}

TEST(UsbExchange, SilentPrinterGives259WithinTheWait) {
  FakePrinter printer(L"spoolkit-usb-c", {});
  wchar_t name[64] = L"untouched";
  DWORD handlesBefore = testing_ends::HandleCount();
  DWORD start = ::GetTickCount();
  EXPECT_EQ(queryModelName(printer.path().c_str(), name), 259);
  DWORD elapsed = ::GetTickCount() - start;
  EXPECT_GE(elapsed, 900u);
  EXPECT_LE(elapsed, 2000u);  // one 1000 ms wait, with room for a busy machine
  EXPECT_STREQ(name, L"untouched");
  // Device handle and event are closed again; the cancelled read is complete.
  EXPECT_LE(testing_ends::HandleCount(), handlesBefore + testing_ends::kRuntimeHandleSlack);
}

TEST(UsbExchange, LateReplyAfterTheWaitIsNotTaken) {
  // The reply comes after the 1000 ms wait: the read was cancelled and the
  // late bytes do not land in a buffer that is gone.
  FakePrinter printer(L"spoolkit-usb-d", Reply(6, "MQ8XX"), 2500);  // well after the wait
  wchar_t name[64] = L"untouched";
  EXPECT_EQ(queryModelName(printer.path().c_str(), name), 259);
  EXPECT_STREQ(name, L"untouched");
}

TEST(UsbExchange, TransactReportsOpenFailureAndLength) {
  unsigned char reply[64] = {};
  size_t length = sizeof(reply);
  const unsigned char request[6] = {0x1F, 0x1B, 0x1A, 0x04, 0x01, 0x00};
  EXPECT_EQ(transactUsb(L"\\\\.\\pipe\\spoolkit-no-such-pipe", request, 6, reply, &length), 256);
  EXPECT_EQ(length, 0u);
  FakePrinter printer(L"spoolkit-usb-e", Reply(6, "MQ6XX"));
  length = sizeof(reply);
  EXPECT_EQ(transactUsb(printer.path().c_str(), request, 6, reply, &length), 0);
  EXPECT_EQ(length, 16u);
  EXPECT_EQ(reply[4], 6);
}

TEST(UsbExchange, NoDeviceOnThisSystem) {
  EXPECT_FALSE(findUsbPrinter());
  wchar_t name[64] = L"untouched";
  EXPECT_EQ(GetPrinterName(name), 16);
  EXPECT_STREQ(name, L"untouched");
  EXPECT_STREQ(cachedUsbDevicePath(), L"");
}
