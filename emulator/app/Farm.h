// A farm of virtual printers (Linux program only): COUNT printers on
// consecutive loopback addresses, each at port 9100 with its own settings,
// job numbers and events, all served by the one event loop. A share of them
// misbehaves (dead, resetting, silent), chosen the same way on every run and
// spread over the addresses.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/app/Serve.h"
#include "emulator/core/Session.h"

namespace vprinter {

struct FarmOptions {
  std::string first;  // the first address
  int count = 0;
  int deadPercent = 0, resetPercent = 0, silentPercent = 0;
};

// The port every printer of a farm listens on: the one Setwright's network
// targets reach.
constexpr unsigned short kFarmPort = 9100;

// "127.0.60.7" for an address in host byte order. Addresses are read with
// Setwright's own strict reader (transport/PortNames.h).
std::string DottedAddress(uint32_t address);

// The addresses of the farm: first, then the next ones in numeric order, all
// inside 127.0.0.0/8. False with *error when they are not.
bool FarmAddresses(const std::string& first, int count, std::vector<uint32_t>* addresses,
                   std::string* error);

// Each printer's role: of count printers, percent/100 of count (rounded)
// dead, then resetting, then silent, the rest live. The printers of each
// share are taken in a fixed shuffled order, so the same count gives the
// same roles on every run and a larger share keeps the printers of a
// smaller one.
std::vector<Role> FarmRoles(int count, int deadPercent, int resetPercent, int silentPercent);

// Serves the farm until --exit-after-jobs (all printers' jobs together),
// --timeout or a stop signal; then one state event per printer. The exit
// code: 0, or 2 after one line on standard error when it cannot start.
int ServeFarm(const ServeOptions& options, const FarmOptions& farm, const PrinterConfig& config,
              EventSink& out);

// A listener that is never accepted from, with its queue of waiting
// connections full: it listens with a queue of length 0 and one connection
// of its own fills it, so the system drops every further connection attempt
// and the sender's connect times out. Implemented in PlatformPosix.cpp.
class DeadListener {
 public:
  virtual ~DeadListener() = default;
};
std::unique_ptr<DeadListener> ListenDead(const std::string& address, unsigned short port, std::string* error);

// The most descriptors the process may hold (after RaiseDescriptorLimit).
uint64_t DescriptorLimit();

}  // namespace vprinter
