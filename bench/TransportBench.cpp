// Cost of one network send through the send call (SendToTarget) and through
// the window's SendCommand, compared with two bare Winsock exchanges of the
// same bytes: connect, send, half-close, wait for the printer's close, close
// (what the transport does) and connect, send, close (which never learns
// whether the printer took the bytes). The four are timed in interleaved
// blocks. Then a soak of 10,000 sends watching the process's handle count
// and private bytes.
//
// A thread of this program plays the printer on 127.0.21.1:9100.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "common/Globals.h"
#include "tests/support/PrinterEnds.h"
#include "transport/Device.h"
#include "transport/PortNames.h"
#include "transport/Send.h"

namespace {

const char kPrinterAddress[] = "127.0.21.1";
std::atomic<bool> g_stop{false};
std::atomic<long> g_bytes{0};
std::atomic<long> g_boxes{0};

// Closes any message box (a failed send) so the run never blocks.
LRESULT CALLBACK CloseBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (wcscmp(cls, L"#32770") == 0) {
      ++g_boxes;
      PostMessageW(window, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

SOCKET Listen() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL reuse = TRUE;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(9100);
    local.sin_addr.s_addr = inet_addr(kPrinterAddress);
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0 &&
        listen(s, SOMAXCONN) == 0) {
      return s;
    }
    closesocket(s);
    Sleep(100);
  }
  return INVALID_SOCKET;
}

void ServePrinter(SOCKET listener) {
  while (!g_stop) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener, &readable);
    timeval wait{0, 20000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    char chunk[4096];
    int got;
    while ((got = recv(connection, chunk, sizeof(chunk), 0)) > 0) g_bytes += got;
    closesocket(connection);
  }
}

// Connect, send and close; with awaitClose, half-close and read until the
// printer closes before closing.
bool BareSend(const unsigned char* data, int length, bool awaitClose) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in printer{};
  printer.sin_family = AF_INET;
  printer.sin_port = htons(9100);
  printer.sin_addr.s_addr = inet_addr(kPrinterAddress);
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&printer), sizeof(printer)) == 0 &&
            send(s, reinterpret_cast<const char*>(data), length, 0) == length;
  if (ok && awaitClose) {
    ok = shutdown(s, SD_SEND) == 0;
    char drained[64];
    int got = 0;
    while (ok && (got = recv(s, drained, sizeof(drained), 0)) > 0) {
    }
    ok = ok && got == 0;
  }
  closesocket(s);
  return ok;
}

// The send call's steps, one by one, each timed: where the time of a
// confirmed network send goes. The same Winsock calls in the same order as
// the sender, without its bookkeeping.
constexpr int kSteps = 9;
const char* const kStepNames[kSteps] = {"socket",   "non-blocking", "connect", "select (connect)",
                                        "send",     "shutdown",     "poll (close; shows a reset)", "recv (end)",
                                        "closesocket"};
bool ProfiledExchange(const unsigned char* data, int length, double* stepTicks) {
  LARGE_INTEGER t[kSteps + 1];
  QueryPerformanceCounter(&t[0]);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  QueryPerformanceCounter(&t[1]);
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  QueryPerformanceCounter(&t[2]);
  sockaddr_in printer{};
  printer.sin_family = AF_INET;
  printer.sin_port = htons(9100);
  printer.sin_addr.s_addr = inet_addr(kPrinterAddress);
  connect(s, reinterpret_cast<sockaddr*>(&printer), sizeof(printer));
  QueryPerformanceCounter(&t[3]);
  fd_set connected, failed;
  FD_ZERO(&connected);
  FD_ZERO(&failed);
  FD_SET(s, &connected);
  FD_SET(s, &failed);
  timeval wait{5, 0};
  bool ok = select(0, nullptr, &connected, &failed, &wait) == 1;
  QueryPerformanceCounter(&t[4]);
  ok = ok && send(s, reinterpret_cast<const char*>(data), length, 0) == length;
  QueryPerformanceCounter(&t[5]);
  shutdown(s, SD_SEND);
  QueryPerformanceCounter(&t[6]);
  WSAPOLLFD entry{};
  entry.fd = s;
  entry.events = POLLRDNORM;
  WSAPoll(&entry, 1, 5000);
  QueryPerformanceCounter(&t[7]);
  char drained[64];
  ok = ok && recv(s, drained, sizeof(drained), 0) == 0;
  QueryPerformanceCounter(&t[8]);
  closesocket(s);
  QueryPerformanceCounter(&t[9]);
  for (int i = 0; i < kSteps; ++i) stepTicks[i] += static_cast<double>(t[i + 1].QuadPart - t[i].QuadPart);
  return ok;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Usage(DWORD* handles, SIZE_T* privateBytes) {
  *handles = testing_ends::HandleCount();
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof(counters));
  // Wine leaves PrivateUsage at 0; the page-file figure is the same
  // quantity (committed private memory) there.
  *privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? atoi(argv[1]) : 2000;
  const int soak = argc > 2 ? atoi(argv[2]) : 10000;

  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET listener = Listen();
  if (listener == INVALID_SOCKET) {
    printf("cannot listen on %s:9100\n", kPrinterAddress);
    return 1;
  }
  std::thread printer(ServePrinter, listener);
  HHOOK hook = SetWindowsHookExW(WH_CBT, CloseBoxes, nullptr, GetCurrentThreadId());

  TransportSelection selection{};
  selection.kind = Ethernet;
  wcscpy(selection.name, L"Ethernet");
  wchar_t address[kPrinterAddressChars] = L"127.0.21.1";
  SendTarget target;
  target.kind = Ethernet;
  ParseStrictIpv4(kPrinterAddress, &target.address);
  auto seam = [&](const unsigned char* data, size_t length) {
    return SendToTarget(target, data, length).status == SendStatus::Confirmed;
  };
  CurrentSelection = &selection;
  PrinterAddressText = address;

  // A typical settings buffer: a few commands and the closing DLE 'C'.
  unsigned char command[48];
  for (int i = 0; i < 48; ++i) command[i] = static_cast<unsigned char>(i * 7);
  command[46] = 0x10;
  command[47] = 'C';

  for (int i = 0; i < 50; ++i) {  // warm up every path
    seam(command, sizeof(command));
    SendCommand(command, sizeof(command), 0);
    BareSend(command, sizeof(command), true);
    BareSend(command, sizeof(command), false);
  }

  // Interleaved blocks, so drift of the machine hits all three alike.
  const int blocks = 20;
  const int perBlock = rounds / blocks > 0 ? rounds / blocks : 1;
  std::vector<double> seamUs, transportUs, awaitUs, closeUs, ratioSeam, ratioAwait, ratioClose;
  int failures = 0;
  // The four ways take turns at going first, so whatever the one before
  // leaves behind (connections still closing, a printer catching up) falls
  // on each alike.
  const std::function<bool()> ways[4] = {
      [&] { return seam(command, sizeof(command)); },
      [&] { return SendCommand(command, sizeof(command), 0) != 0; },
      [&] { return BareSend(command, sizeof(command), true); },
      [&] { return BareSend(command, sizeof(command), false); },
  };
  for (int block = 0; block < blocks; ++block) {
    double us[4] = {};
    for (int turn = 0; turn < 4; ++turn) {
      const int way = (block + turn) % 4;
      LARGE_INTEGER from, to;
      QueryPerformanceCounter(&from);
      for (int i = 0; i < perBlock; ++i) failures += ways[way]() ? 0 : 1;
      QueryPerformanceCounter(&to);
      us[way] = Seconds(from, to) * 1e6 / perBlock;
    }
    seamUs.push_back(us[0]);
    transportUs.push_back(us[1]);
    awaitUs.push_back(us[2]);
    closeUs.push_back(us[3]);
    ratioSeam.push_back(seamUs.back() / awaitUs.back());
    ratioAwait.push_back(transportUs.back() / awaitUs.back());
    ratioClose.push_back(transportUs.back() / closeUs.back());
  }
  auto spread = [](const std::vector<double>& v) {
    return std::make_pair(*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
  };
  printf("%d blocks of %d sends each, %d bytes per send, interleaved; median (min..max) per send:\n",
         blocks, perBlock, static_cast<int>(sizeof(command)));
  printf("SendToTarget (the send call):               %.1f us (%.1f..%.1f)\n", Median(seamUs),
         spread(seamUs).first, spread(seamUs).second);
  printf("SendCommand (the window's dispatch):        %.1f us (%.1f..%.1f)\n", Median(transportUs),
         spread(transportUs).first, spread(transportUs).second);
  printf("bare connect/send/half-close/wait/close:    %.1f us (%.1f..%.1f)\n", Median(awaitUs),
         spread(awaitUs).first, spread(awaitUs).second);
  printf("bare connect/send/close (no confirmation):  %.1f us (%.1f..%.1f)\n", Median(closeUs),
         spread(closeUs).first, spread(closeUs).second);
  printf("ratio SendToTarget / bare with wait:   %.2f (%.2f..%.2f)\n", Median(ratioSeam),
         spread(ratioSeam).first, spread(ratioSeam).second);
  printf("ratio SendCommand / bare with wait:    %.2f (%.2f..%.2f)\n", Median(ratioAwait),
         spread(ratioAwait).first, spread(ratioAwait).second);
  printf("ratio SendCommand / bare without wait: %.2f (%.2f..%.2f)\n", Median(ratioClose),
         spread(ratioClose).first, spread(ratioClose).second);

  double stepTicks[kSteps] = {};
  for (int i = 0; i < rounds; ++i) failures += ProfiledExchange(command, sizeof(command), stepTicks) ? 0 : 1;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double all = 0;
  for (double ticks : stepTicks) all += ticks;
  printf("the send call's steps, mean per send over %d sends:\n", rounds);
  for (int i = 0; i < kSteps; ++i) {
    printf("  %-34s %7.1f us (%4.1f%%)\n", kStepNames[i],
           stepTicks[i] * 1e6 / static_cast<double>(frequency.QuadPart) / rounds, 100.0 * stepTicks[i] / all);
  }

  DWORD handlesBefore = 0, handlesAfter = 0;
  SIZE_T privateBefore = 0, privateAfter = 0;
  Usage(&handlesBefore, &privateBefore);
  LARGE_INTEGER s0, s1;
  QueryPerformanceCounter(&s0);
  for (int i = 0; i < soak; ++i) failures += SendCommand(command, sizeof(command), 0) ? 0 : 1;
  QueryPerformanceCounter(&s1);
  Sleep(200);
  Usage(&handlesAfter, &privateAfter);
  printf("soak: %d sends in %.2f s\n", soak, Seconds(s0, s1));
  printf("handles: %lu before, %lu after (growth %ld)\n", handlesBefore, handlesAfter,
         static_cast<long>(handlesAfter) - static_cast<long>(handlesBefore));
  printf("private bytes: %llu before, %llu after (growth %lld)\n",
         static_cast<unsigned long long>(privateBefore),
         static_cast<unsigned long long>(privateAfter),
         static_cast<long long>(privateAfter) - static_cast<long long>(privateBefore));

  UnhookWindowsHookEx(hook);
  // Let the printer drain the connections still queued, then stop it.
  long seen = -1;
  while (seen != g_bytes.load()) {
    seen = g_bytes.load();
    Sleep(300);
  }
  g_stop = true;
  printer.join();
  printf("failed sends: %d, message boxes: %ld, bytes received by the printer: %ld\n", failures,
         g_boxes.load(), g_bytes.load());
  closesocket(listener);
  WSACleanup();
  return failures == 0 ? 0 : 2;
}
