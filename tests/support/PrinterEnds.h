// Real printer ends laid by run-test.sh, as seen from a test under Wine:
//   COM5  a pty; whatever is written arrives on COM6 (the other end)
//   LPT5  a regular file in the test's scratch folder (lpt5.bin)
// plus a spooler Ports entry helper and small file utilities.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace testing_ends {

// Windows path of the test's scratch folder (from SW_TEST_DIR), with a trailing backslash.
std::wstring ScratchDir();
// The folder of this test program, with a trailing backslash.
std::wstring ThisFolder();

// The bytes that reached LPT5 so far.
std::vector<unsigned char> ReadLptBytes();
// Empties the file behind LPT5.
void TruncateLpt();

// Reads what arrived on the other end of COM5 (COM6) within waitMs.
class ComPeer {
 public:
  ComPeer();  // opens COM6
  ~ComPeer();
  ComPeer(const ComPeer&) = delete;
  ComPeer& operator=(const ComPeer&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Collects bytes until `expected` have arrived or waitMs has passed.
  std::vector<unsigned char> Read(size_t expected, DWORD waitMs = 2000);

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Adds a value (e.g. "COM7:") to the spooler's Ports key for the life of the object.
class PortsEntry {
 public:
  explicit PortsEntry(const wchar_t* portName);
  ~PortsEntry();
  PortsEntry(const PortsEntry&) = delete;
  PortsEntry& operator=(const PortsEntry&) = delete;
  bool Added() const { return added_; }

 private:
  std::wstring name_;
  bool added_ = false;
};

std::vector<unsigned char> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const void* data, size_t size);

// Open handles of this process.
DWORD HandleCount();

// The thread runtime makes one wait event of its own, once per process, the
// first time test threads (a fake printer's) start and end at the same
// moment; a handle count taken around one call may see it appear.
constexpr DWORD kRuntimeHandleSlack = 1;

}  // namespace testing_ends
