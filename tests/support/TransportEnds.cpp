#include "tests/support/TransportEnds.h"

#include <winspool.h>

#include <cstdlib>
#include <cwchar>

#include "tests/support/PrinterEnds.h"

SelectionScope::SelectionScope(int kind, const wchar_t* name)
    : savedSelection_(CurrentSelection),
      savedWindow_(MainWindow),
      savedAddress_(PrinterAddressText),
      savedSettings_(StoredSerialSettings) {
  Select(kind, name);
  SetAddress(L"0.0.0.0");
  CurrentSelection = &selection;
  MainWindow = nullptr;
  PrinterAddressText = address;
  StoredSerialSettings = nullptr;
}

SelectionScope::~SelectionScope() {
  CurrentSelection = savedSelection_;
  MainWindow = savedWindow_;
  PrinterAddressText = savedAddress_;
  StoredSerialSettings = savedSettings_;
}

void SelectionScope::Select(int kind, const wchar_t* name) {
  selection.kind = kind;
  wmemset(selection.name, 0, kTransportNameChars);
  if (name != nullptr) wcsncpy(selection.name, name, kTransportNameChars - 1);
}

void SelectionScope::SetAddress(const wchar_t* text) {
  wmemset(address, 0, kPrinterAddressChars);
  wcsncpy(address, text, kPrinterAddressChars - 1);
}

bool SelectionScope::StoreSerialSettings(const wchar_t* port, DWORD baudRate) {
  HANDLE file = CreateFileW(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  settings = DCB{};
  settings.DCBlength = sizeof(settings);
  const bool ok = GetCommState(file, &settings) != FALSE;
  CloseHandle(file);
  if (!ok) return false;
  settings.BaudRate = baudRate;
  StoredSerialSettings = &settings;
  return true;
}

LoopbackPrinter::LoopbackPrinter(const char* address, unsigned short port) {
  if (WSAStartup(MAKEWORD(2, 2), &wsa_) != 0) return;
  // Another test run on this machine may hold the port for a moment.
  for (int attempt = 0; attempt < 100 && listener_ == INVALID_SOCKET; ++attempt) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = inet_addr(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 && listen(s, 64) == 0) {
      listener_ = s;
    } else {
      closesocket(s);
      Sleep(100);
    }
  }
  if (listener_ != INVALID_SOCKET) thread_ = std::thread([this] { Serve(); });
}

LoopbackPrinter::~LoopbackPrinter() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  WSACleanup();
}

void LoopbackPrinter::Serve() {
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait{0, 20000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    const DWORD timeoutMs = 5000;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof(timeoutMs));
    char chunk[8192];
    for (;;) {
      const int got = recv(connection, chunk, sizeof(chunk), 0);
      if (got <= 0) break;
      AddBytes(reinterpret_cast<unsigned char*>(chunk), static_cast<size_t>(got));
    }
    closesocket(connection);
    EndJob();
  }
}

SilentPrinter::SilentPrinter(const char* address, bool dead) {
  if (WSAStartup(MAKEWORD(2, 2), &wsa_) != 0) return;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(9100);
  local.sin_addr.s_addr = inet_addr(address);
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 || listen(s, dead ? 0 : 16) != 0) {
    closesocket(s);
    return;
  }
  listener_ = s;
  if (!dead) return;
  // One connection fills a queue of length 0; it is never accepted.
  filler_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  connect(filler_, reinterpret_cast<sockaddr*>(&local), sizeof(local));
}

SilentPrinter::~SilentPrinter() {
  if (filler_ != INVALID_SOCKET) closesocket(filler_);
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  WSACleanup();
}

template <typename Ready>
void RecordedJobs::WaitUntil(Ready ready, DWORD waitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (ready() || GetTickCount() - start >= waitMs) return;
    }
    Sleep(5);
  }
}

std::vector<Bytes> RecordedJobs::Finished(size_t count, DWORD waitMs) {
  WaitUntil([&] { return finished_.size() >= count; }, waitMs);
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

Bytes RecordedJobs::Received(size_t expected, DWORD waitMs) {
  WaitUntil([&] { return all_.size() >= expected; }, waitMs);
  std::lock_guard<std::mutex> lock(mutex_);
  return all_;
}

void RecordedJobs::AddBytes(const unsigned char* data, size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  current_.insert(current_.end(), data, data + size);
  all_.insert(all_.end(), data, data + size);
}

void RecordedJobs::EndJob() {
  std::lock_guard<std::mutex> lock(mutex_);
  finished_.push_back(std::move(current_));
  current_.clear();
}

namespace {

// One server end of the pipe waiting for its client.
struct Listening {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  HANDLE event = nullptr;
  OVERLAPPED overlapped{};
};

// Completes one overlapped transfer on a pipe end; false when it failed.
bool Transfer(HANDLE pipe, bool write, void* data, DWORD size, DWORD* done) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  BOOL ok = write ? WriteFile(pipe, data, size, nullptr, &overlapped)
                  : ReadFile(pipe, data, size, nullptr, &overlapped);
  if (!ok && GetLastError() != ERROR_IO_PENDING) {
    CloseHandle(overlapped.hEvent);
    return false;
  }
  ok = GetOverlappedResult(pipe, &overlapped, done, TRUE);
  CloseHandle(overlapped.hEvent);
  return ok != FALSE;
}

}  // namespace

FakeUsbPrinter::FakeUsbPrinter() {
  wchar_t name[128];
  static int serial = 0;
  swprintf(name, 128, L"\\\\.\\pipe\\usb#vid_0fe6&pid_811e#sw%lu-%d", GetCurrentProcessId(),
           ++serial);
  path_ = name;
  stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  acceptThread_ = std::thread([this] { Accept(); });
  // Ready once the first instances listen.
  for (int i = 0; i < 200 && !ready_; ++i) Sleep(5);
}

HANDLE FakeUsbPrinter::NewInstance() {
  return CreateNamedPipeW(path_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                          PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0,
                          nullptr);
}

void FakeUsbPrinter::Accept() {
  // Two instances listen at all times, so a client that closes and reopens
  // at once always finds one.
  constexpr int kListening = 2;
  Listening slots[kListening];
  auto listen = [this](Listening& slot) {
    slot.pipe = NewInstance();
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = slot.event;
    if (!ConnectNamedPipe(slot.pipe, &slot.overlapped)) {
      const DWORD error = GetLastError();
      if (error == ERROR_PIPE_CONNECTED) SetEvent(slot.event);
    }
  };
  for (Listening& slot : slots) {
    slot.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    listen(slot);
  }
  ready_ = true;
  for (;;) {
    HANDLE waits[kListening + 1] = {stopEvent_, slots[0].event, slots[1].event};
    const DWORD which = WaitForMultipleObjects(kListening + 1, waits, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 || which >= WAIT_OBJECT_0 + kListening + 1) break;
    Listening& slot = slots[which - WAIT_OBJECT_0 - 1];
    ResetEvent(slot.event);
    HANDLE connected = slot.pipe;
    int index;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      index = connections_++;
    }
    ++active_;
    std::thread([this, connected, index] {
      Serve(connected, index);
      --active_;
    }).detach();
    listen(slot);
  }
  for (Listening& slot : slots) {
    CancelIoEx(slot.pipe, &slot.overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(slot.pipe, &slot.overlapped, &ignored, TRUE);
    CloseHandle(slot.pipe);
    CloseHandle(slot.event);
  }
}

FakeUsbPrinter::~FakeUsbPrinter() {
  stop_ = true;
  SetEvent(stopEvent_);
  if (acceptThread_.joinable()) acceptThread_.join();
  // Workers end when their client closes its end.
  for (int i = 0; i < 500 && active_ > 0; ++i) Sleep(10);
  CloseHandle(stopEvent_);
}

void FakeUsbPrinter::Serve(HANDLE pipe, int connection) {
  Bytes reply;
  DWORD delayMs = 0;
  bool answer = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Reply& r : replies_) {
      if (r.connection == connection) {
        reply = r.bytes;
        delayMs = r.delayMs;
        answer = true;
      }
    }
  }
  if (answer && WaitForSingleObject(stopEvent_, delayMs) == WAIT_TIMEOUT) {
    DWORD written = 0;
    if (Transfer(pipe, true, reply.data(), static_cast<DWORD>(reply.size()), &written) &&
        written == reply.size()) {
      std::lock_guard<std::mutex> lock(mutex_);
      ++delivered_;
    }
  }
  unsigned char chunk[4096];
  DWORD got = 0;
  while (Transfer(pipe, false, chunk, sizeof(chunk), &got)) AddBytes(chunk, got);
  DisconnectNamedPipe(pipe);
  CloseHandle(pipe);
}

void FakeUsbPrinter::ReplyOn(int connection, Bytes reply, DWORD delayMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.push_back({connection, std::move(reply), delayMs});
}

int FakeUsbPrinter::Connections() {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

int FakeUsbPrinter::RepliesDelivered() {
  std::lock_guard<std::mutex> lock(mutex_);
  return delivered_;
}

FileQueue::FileQueue(const wchar_t* name) {
  const char* dir = getenv("SW_TEST_DIR_UNIX");
  if (dir == nullptr || name == nullptr) return;
  // The port file is named after the queue's first letters and digits.
  std::wstring file;
  for (const wchar_t* c = name; *c != L'\0' && file.size() < 40; ++c) {
    if (iswalnum(*c)) file += *c;
  }
  file += L".bin";
  std::string unixPath = std::string(dir) + "/";
  for (wchar_t c : file) unixPath += static_cast<char>(c);
  port_.assign(unixPath.begin(), unixPath.end());
  windowsPath_ = testing_ends::ScratchDir() + file;
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
  info.pPrinterName = const_cast<wchar_t*>(name);
  info.pPortName = const_cast<wchar_t*>(port_.c_str());
  info.pDriverName = const_cast<wchar_t*>(L"Generic / Text Only");
  info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  printer_ = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
}

FileQueue::~FileQueue() {
  if (printer_ != nullptr) {
    DeletePrinter(printer_);
    ClosePrinter(printer_);
  }
}

Bytes FileQueue::Delivered(size_t expected, DWORD waitMs) const {
  const DWORD start = GetTickCount();
  Bytes bytes;
  do {
    bytes = testing_ends::ReadWholeFile(windowsPath_);
    if (bytes.size() >= expected) break;
    Sleep(20);
  } while (GetTickCount() - start < waitMs);
  return bytes;
}

void FileQueue::Clear() const { testing_ends::WriteWholeFile(windowsPath_, "", 0); }
