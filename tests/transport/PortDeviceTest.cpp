// Serial and parallel transports against real ends: COM5 is a pty whose
// other end is COM6, LPT5 is a file in the test's scratch folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PrinterEnds.h"
#include "tests/support/TransportEnds.h"
#include "transport/Device.h"

using testing_ends::ComPeer;
using testing_ends::ReadLptBytes;
using testing_ends::TruncateLpt;

namespace {

const unsigned char kCommand[] = {0x10, 'P', 0x01, 0x00, 0x1F, 'C', 0xFF, 0x0A};

DWORD BaudRateOf(const wchar_t* port) {
  HANDLE file = CreateFileW(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DCB state{};
  state.DCBlength = sizeof(state);
  const BOOL ok = GetCommState(file, &state);
  CloseHandle(file);
  return ok ? state.BaudRate : 0;
}

void ExpectOneBox(const MessageBoxCatcher& boxes, const wchar_t* text, const wchar_t* caption) {
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, text);
  EXPECT_EQ(boxes.Boxes()[0].caption, caption);
}

}  // namespace

TEST(SerialPort, BytesArriveWithStoredSettingsApplied) {
  ComPeer peer;
  ASSERT_TRUE(peer.IsOpen());
  SelectionScope scope(Com, L"COM5:");
  for (DWORD baud : {19200u, 4800u}) {
    ASSERT_TRUE(scope.StoreSerialSettings(L"\\\\.\\COM5", baud));
    MessageBoxCatcher boxes;
    EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 1);
    ExpectOneBox(boxes, L"Set success", L"SUCCESS");
    EXPECT_EQ(peer.Read(sizeof(kCommand)), Bytes(kCommand, kCommand + sizeof(kCommand)));
    EXPECT_EQ(BaudRateOf(L"\\\\.\\COM5"), baud);
  }
}

TEST(SerialPort, NameWithoutColonIsUsedAsItIs) {
  ComPeer peer;
  SelectionScope scope(Com, L"COM5");
  ASSERT_TRUE(scope.StoreSerialSettings(L"\\\\.\\COM5", 9600));
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 1);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(peer.Read(sizeof(kCommand)).size(), sizeof(kCommand));
}

TEST(SerialPort, WithoutStoredSettingsNothingIsWrittenAndThePortIsClosed) {
  ComPeer peer;
  SelectionScope scope(Com, L"COM5:");
  const DWORD handles = testing_ends::HandleCount();
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  ExpectOneBox(boxes, L"You need Configure com port first", L"ERROR");
  EXPECT_TRUE(peer.Read(1, 300).empty());
  EXPECT_EQ(testing_ends::HandleCount(), handles);
}

TEST(SerialPort, MissingPortShowsOpenFailure) {
  SelectionScope scope(Com, L"COM27:");
  DCB settings{};
  settings.DCBlength = sizeof(settings);
  settings.BaudRate = 9600;
  settings.ByteSize = 8;
  StoredSerialSettings = &settings;
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  ExpectOneBox(boxes, L"Open com fail", L"ERROR");
}

TEST(SerialPort, SettingsThePortRejectsShowConfigureFailure) {
  ComPeer peer;
  SelectionScope scope(Com, L"COM5:");
  ASSERT_TRUE(scope.StoreSerialSettings(L"\\\\.\\COM5", 9600));
  scope.settings.ByteSize = 3;  // no UART has 3 data bits
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  ExpectOneBox(boxes, L"Configure com port fail", L"ERROR");
  EXPECT_TRUE(peer.Read(1, 300).empty());
}

TEST(SerialPort, EmptyBufferOpensNothingAndShowsNothing) {
  // The selection names a port that does not exist: opening it would fail
  // with a box, so success without a box proves nothing was opened.
  SelectionScope scope(Com, L"COM27:");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(nullptr, 0, 1), 1);
  EXPECT_EQ(boxes.Count(), 0u);
}

TEST(SerialPort, OverlongNamesAreRefusedNotCut) {
  // 27 characters still fit "\\.\" plus the name in the 32-character buffer;
  // the port does not exist, so this is an ordinary open failure.
  SelectionScope scope(Com, L"COM5");
  DCB settings{};
  StoredSerialSettings = &settings;
  const std::wstring fits = L"COM5" + std::wstring(23, L'X') + L":";
  const std::wstring tooLong = L"COM5" + std::wstring(24, L'X') + L":";
  const std::wstring huge(kTransportNameChars - 1, L'C');
  for (const std::wstring& name : {fits, tooLong, huge}) {
    scope.Select(Com, name.c_str());
    MessageBoxCatcher boxes;
    EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
    ExpectOneBox(boxes, L"Open com fail", L"ERROR");
  }
}

TEST(SerialPort, QueryReadsTheReplyAfterTheWrite) {
  SelectionScope scope(Com, L"COM5:");
  ASSERT_TRUE(scope.StoreSerialSettings(L"\\\\.\\COM5", 9600));
  // The peer answers as soon as the command has arrived.
  std::thread printer([] {
    ComPeer peer;
    const Bytes got = peer.Read(sizeof(kCommand), 3000);
    if (got.size() != sizeof(kCommand)) return;
    DWORD written = 0;
    // ComPeer reads only; answer through a second handle on the same end.
    HANDLE answer = CreateFileW(L"\\\\.\\COM6", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (answer == INVALID_HANDLE_VALUE) return;
    WriteFile(answer, "OK!", 3, &written, nullptr);
    CloseHandle(answer);
  });
  Sleep(100);
  unsigned char reply[3] = {};
  unsigned int replyLength = sizeof(reply);
  MessageBoxCatcher boxes;
  EXPECT_EQ(QueryCommand(kCommand, sizeof(kCommand), reply, &replyLength, 0), 1);
  printer.join();
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(replyLength, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(reply), 3), "OK!");
}

TEST(ParallelPort, FileBehindThePortReceivesExactlyTheBytes) {
  TruncateLpt();
  SelectionScope scope(Lpt, L"LPT5:");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 1);
  ExpectOneBox(boxes, L"Set success", L"SUCCESS");
  EXPECT_EQ(ReadLptBytes(), Bytes(kCommand, kCommand + sizeof(kCommand)));
}

TEST(ParallelPort, MissingPortShowsOpenFailure) {
  SelectionScope scope(Lpt, L"LPT8:");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 0);
  ExpectOneBox(boxes, L"Open lpt fail", L"ERROR");
}

TEST(ParallelPort, OverlongNameIsRefusedNotCut) {
  TruncateLpt();
  // Cut to the 31 characters of the work buffer, this name would be LPT5.
  // Refused whole, nothing reaches the file.
  const std::wstring name = L"LPT5" + std::wstring(28, L' ') + L":";
  SelectionScope scope(Lpt, name.c_str());
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  ExpectOneBox(boxes, L"Open lpt fail", L"ERROR");
  EXPECT_TRUE(ReadLptBytes().empty());
}

TEST(ParallelPort, UnreadableBufferIsAFailedWrite) {
  TruncateLpt();
  SelectionScope scope(Lpt, L"LPT5:");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, -1, 1), 0);
  EXPECT_EQ(SendCommand(nullptr, 8, 1), 0);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Set fail");
  EXPECT_EQ(boxes.Boxes()[1].text, L"Set fail");
  EXPECT_TRUE(ReadLptBytes().empty());
}

TEST(ParallelPort, PortThatRefusesTheBytesShowsSetFail) {
  // A device that takes no byte at all (writes fail with "no space").
  SelectionScope scope(Lpt, L"Z:\\dev\\full");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 1), 0);
  ExpectOneBox(boxes, L"Set fail", L"ERROR");
}

TEST(ParallelPort, PortIsFreeBetweenTwoSends) {
  TruncateLpt();
  SelectionScope scope(Lpt, L"LPT5:");
  MessageBoxCatcher boxes;
  EXPECT_EQ(SendCommand(kCommand, sizeof(kCommand), 0), 1);
  // Opened exclusively by someone else between the sends: possible only
  // when the first send has closed it.
  HANDLE other = CreateFileW(L"LPT5", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  // ... and while it is held there, the transport cannot open it.
  EXPECT_EQ(SendCommand(kCommand, 4, 0), 0);
  CloseHandle(other);
  const unsigned char second[] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(SendCommand(second, sizeof(second), 0), 1);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Open lpt fail");
  // The port file is written from its start on every open: the second send
  // opened the port afresh.
  Bytes expected(kCommand, kCommand + sizeof(kCommand));
  memcpy(expected.data(), second, sizeof(second));
  EXPECT_EQ(ReadLptBytes(), expected);
}
