#include "emulator/app/Farm.h"

#include "transport/PortNames.h"

#include <cstdio>
#include <deque>
#include <numeric>

namespace vprinter {
namespace {

// Events of one printer of the farm: each carries "printer" (its address)
// right after "event", and each readable line starts with the address.
class PrinterSink : public EventSink {
 public:
  PrinterSink(EventSink& out, std::string address) : out_(out), address_(std::move(address)) {}
  void Emit(const Json& event, const std::string& text) override {
    Json tagged = Json::object();
    for (auto& item : event.items()) {
      tagged[item.key()] = item.value();
      if (item.key() == "event") tagged["printer"] = address_;
    }
    out_.Emit(tagged, "[" + address_ + "] " + text);
  }

 private:
  EventSink& out_;
  const std::string address_;
};

// One printer of the farm. A dead one is not served by the loop at all: it
// only holds its full listener.
struct FarmPrinter {
  FarmPrinter(const PrinterConfig& config, EventSink& out, const std::string& address, Role role,
              const ServeOptions& options, EventLoop& loop, Shared& shared)
      : printer(config), sink(out, address), rt{printer, sink, options, loop, shared, role, address} {}
  Printer printer;
  PrinterSink sink;
  Runtime rt;
  std::unique_ptr<Listener> listener;  // until the end takes it
  std::unique_ptr<End> end;
  std::unique_ptr<DeadListener> dead;
};

// splitmix64: a small generator whose sequence is fixed by its seed, so the
// shuffle of the roles is the same on every system and every run.
uint64_t NextRandom(uint64_t* state) {
  uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Share(int count, int percent) { return static_cast<int>((static_cast<int64_t>(count) * percent + 50) / 100); }

int Fail(const std::string& message) {
  std::fprintf(stderr, "virtual-printer: %s\n", message.c_str());
  return 2;
}

}  // namespace

std::string DottedAddress(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

bool FarmAddresses(const std::string& first, int count, std::vector<uint32_t>* addresses, std::string* error) {
  uint32_t start = 0;
  if (ParseStrictIpv4(first.c_str(), &start) != nullptr) {
    *error = "--farm wants an IPv4 address of four decimal parts without leading zeros, got " + first;
    return false;
  }
  if ((start >> 24) != 127) {
    *error = "--farm serves loopback addresses only (127.0.0.0/8), got " + first;
    return false;
  }
  if (count < 1) {
    *error = "--farm wants a COUNT of 1 or more";
    return false;
  }
  const uint64_t last = static_cast<uint64_t>(start) + static_cast<uint64_t>(count) - 1;
  if ((last >> 24) != 127) {
    *error = "--farm: " + std::to_string(count) + " addresses from " + first + " leave 127.0.0.0/8";
    return false;
  }
  addresses->resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) (*addresses)[static_cast<size_t>(i)] = start + static_cast<uint32_t>(i);
  return true;
}

std::vector<Role> FarmRoles(int count, int deadPercent, int resetPercent, int silentPercent) {
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  uint64_t state = 0x5E7712167ull;
  for (size_t i = order.size(); i > 1; --i) {
    std::swap(order[i - 1], order[static_cast<size_t>(NextRandom(&state) % i)]);
  }
  std::vector<Role> roles(static_cast<size_t>(count), Role::Live);
  size_t next = 0;
  const std::pair<Role, int> shares[] = {
      {Role::Dead, deadPercent}, {Role::Reset, resetPercent}, {Role::Silent, silentPercent}};
  for (const auto& share : shares) {
    for (int taken = 0; taken < Share(count, share.second) && next < order.size(); ++taken) {
      roles[static_cast<size_t>(order[next++])] = share.first;
    }
  }
  return roles;
}

int ServeFarm(const ServeOptions& options, const FarmOptions& farm, const PrinterConfig& config, EventSink& out) {
  std::string error;
  std::vector<uint32_t> addresses;
  if (!FarmAddresses(farm.first, farm.count, &addresses, &error)) return Fail(error);
  for (const int percent : {farm.deadPercent, farm.resetPercent, farm.silentPercent}) {
    if (percent < 0 || percent > 100) return Fail("--farm-dead, --farm-reset and --farm-silent want 0 to 100");
  }
  if (farm.deadPercent + farm.resetPercent + farm.silentPercent > 100) {
    return Fail("--farm-dead, --farm-reset and --farm-silent add up to more than 100");
  }
  const std::vector<Role> roles = FarmRoles(farm.count, farm.deadPercent, farm.resetPercent, farm.silentPercent);

  // Every printer takes a descriptor, a dead one two; connections and the
  // program's own files need some more.
  RaiseDescriptorLimit();
  uint64_t needed = 64;
  for (const Role role : roles) needed += role == Role::Dead ? 2 : 1;
  if (needed > DescriptorLimit()) {
    return Fail("--farm of " + std::to_string(farm.count) + " printers needs " + std::to_string(needed) +
                " descriptors; the limit is " + std::to_string(DescriptorLimit()) + " (ulimit -n)");
  }

  EventLoop loop;
  Shared shared;
  // A deque: printers stay where they were made (the loop and the ends
  // point at them).
  std::deque<FarmPrinter> printers;
  // Every listener is open before anything is served, so an address in use
  // fails at start.
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::string address = DottedAddress(addresses[i]);
    printers.emplace_back(config, out, address, roles[i], options, loop, shared);
    FarmPrinter& p = printers.back();
    if (roles[i] == Role::Dead) {
      p.dead = ListenDead(address, kFarmPort, &error);
      if (!p.dead) return Fail(error);
    } else {
      p.listener = ListenTcp(address, kFarmPort, &error);
      if (!p.listener) return Fail(error);
    }
  }
  for (FarmPrinter& p : printers) {
    if (p.listener) p.end = MakeTcpEnd(p.rt, std::move(p.listener));
  }
  CatchStopRequests();

  for (FarmPrinter& p : printers) {
    Json ready = Json::object();
    ready["event"] = "listening";
    ready["on"] = "tcp " + p.rt.name + ":" + std::to_string(kFarmPort);
    ready["role"] = RoleName(p.rt.role);
    p.sink.Emit(ready, "listening on tcp " + p.rt.name + ":" + std::to_string(kFarmPort) + " (" +
                           RoleName(p.rt.role) + ")");
  }

  loop.Run(options.timeoutS);
  for (FarmPrinter& p : printers) {
    if (p.end) p.end->Shutdown();
  }
  for (FarmPrinter& p : printers) {
    const Json state = p.printer.State();
    p.sink.Emit(state, StateText(state));
  }
  return 0;
}

}  // namespace vprinter
