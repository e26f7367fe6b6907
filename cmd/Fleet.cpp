#include "cmd/Fleet.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace cmdline {
namespace {

TargetResult RunPlan(const Plan& plan) {
  TargetResult result;
  const ULONGLONG start = GetTickCount64();
  bool stopped = false;
  for (const Group& group : plan.groups) {
    GroupResult sent;
    sent.name = group.name;
    sent.bytes = group.bytes.size();
    if (stopped) {
      sent.skipped = true;
      sent.reason = "skipped: an earlier group failed";
      result.groups.push_back(sent);
      continue;
    }
    const SendOutcome outcome = SendToTarget(plan.send, group.bytes.data(), group.bytes.size());
    sent.status = outcome.status;
    sent.reason = outcome.reason;
    result.bytes += outcome.bytesSent;
    if (outcome.status == SendStatus::Failed) {
      stopped = true;
      result.status = SendStatus::Failed;
      result.reason = group.name + ": " + outcome.reason;
    } else if (outcome.status == SendStatus::Unconfirmed && result.status == SendStatus::Confirmed) {
      result.status = SendStatus::Unconfirmed;
      result.reason = group.name + ": " + outcome.reason;
    }
    result.groups.push_back(sent);
  }
  result.ms = static_cast<unsigned>(GetTickCount64() - start);
  return result;
}

}  // namespace

const char* StatusName(SendStatus status) {
  static const char* const kNames[] = {"confirmed", "unconfirmed", "failed"};
  return kNames[static_cast<int>(status)];
}

std::vector<TargetResult> RunPlans(const std::vector<Plan>& plans, int jobs,
                                   const std::function<void(size_t, const TargetResult&)>& done) {
  std::vector<TargetResult> results(plans.size());
  std::atomic<size_t> next{0};
  std::mutex reporting;
  auto work = [&]() {
    for (size_t i = next++; i < plans.size(); i = next++) {
      TargetResult result = RunPlan(plans[i]);
      std::lock_guard<std::mutex> lock(reporting);
      results[i] = std::move(result);
      if (done) done(i, results[i]);
    }
  };
  size_t workers = jobs < 1 ? 1 : static_cast<size_t>(jobs);
  if (workers > plans.size()) workers = plans.size();
  std::vector<std::thread> threads;
  threads.reserve(workers);
  try {
    for (size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  } catch (...) {
    // Fewer threads than asked for (no resources): the ones there share the work.
  }
  work();
  for (std::thread& thread : threads) thread.join();
  return results;
}

}  // namespace cmdline
