// Sends the groups of many targets, several targets at a time: each target's
// groups go one after the other, each as its own send (as a Set button sends
// it), and the first group that fails ends that target, its other groups
// skipped. Nothing here reads a program-wide value, so the sends of
// different targets run in parallel.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "transport/Send.h"

namespace cmdline {

struct Group {
  std::string name;  // "Panel", "Ethernet.Address", "send-hex", ...
  std::vector<unsigned char> bytes;
};

struct Plan {
  std::string target;  // as given
  SendTarget send;
  std::vector<Group> groups;  // in the order they go
};

struct GroupResult {
  std::string name;
  size_t bytes = 0;
  bool skipped = false;  // not sent: an earlier group of the target failed
  SendStatus status = SendStatus::Failed;
  std::string reason;
};

struct TargetResult {
  // Failed when a group failed, else unconfirmed when one was, else confirmed.
  SendStatus status = SendStatus::Confirmed;
  std::string reason;  // the failing (or first unconfirmed) group's, with its name
  size_t bytes = 0;    // bytes the system took, all groups together
  unsigned ms = 0;     // from the first send to the last
  std::vector<GroupResult> groups;
};

// Runs every plan, at most jobs targets at once. done is called once per
// target as it finishes, never by two threads at the same time.
std::vector<TargetResult> RunPlans(const std::vector<Plan>& plans, int jobs,
                                   const std::function<void(size_t, const TargetResult&)>& done);

const char* StatusName(SendStatus status);  // "confirmed", "unconfirmed", "failed"

}  // namespace cmdline
