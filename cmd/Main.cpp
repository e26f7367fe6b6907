// SetwrightCmd: Setwright's settings without a window. It reads a profile
// with the same rules as Setwright's Load profile, builds the bytes with the
// same encoders and sends them through the same send calls, each with an
// explicit target; every outcome is a line.
//
// Exit codes: 0 every send reached its printer (confirmed, or unconfirmed
// over the network); 1 profile or argument error, nothing sent; 2 at least
// one send failed; 3 usage.
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "transport/PortLists.h"
#include "cmd/Fleet.h"
#include "cmd/Output.h"
#include "cmd/Report.h"
#include "cmd/TargetRows.h"
#include "cmd/TargetText.h"
#include "common/Globals.h"
#include "common/UniqueResource.h"
#include "emulator/core/Decoder.h"
#include "emulator/core/Describe.h"
#include "settings/Encoders.h"
#include "common/TextConvert.h"
#include "settings/Profile.h"
#include "settings/ProfileFiles.h"
#include "transport/PortNames.h"
#include "transport/Send.h"
#include "transport/USBDevice.h"

#ifndef SW_VERSION_TEXT
#define SW_VERSION_TEXT "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitInput = 1;
constexpr int kExitSendFailed = 2;
constexpr int kExitUsage = 3;

cmdline::Output out;

// ---------------------------------------------------------------------------
// Targets: read strictly, then checked against the system (a queue that is
// installed, a USB path that is a device) before anything is sent.

struct Target {
  std::string text;  // as given
  SendTarget send;
};

std::wstring Widen(const std::string& utf8) { return Utf8ToWide(utf8); }

DCB SerialSettings(const cmdline::SerialLine& line) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  dcb.BaudRate = line.baud;
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.fBinary = TRUE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.StopBits = line.stopBits == 1 ? ONESTOPBIT : TWOSTOPBITS;
  dcb.Parity = line.parity == 'O' ? ODDPARITY : line.parity == 'E' ? EVENPARITY : NOPARITY;
  dcb.fParity = line.parity != 'N';
  return dcb;
}

bool ResolveTarget(const std::string& text, Target* target, std::string* why) {
  cmdline::TargetText read;
  if (!cmdline::ParseTargetText(text, &read, why)) return false;
  target->text = text;
  SendTarget& send = target->send;
  send = SendTarget();
  switch (read.kind) {
    case cmdline::TargetKind::Com:
      send.kind = Com;
      send.name = Widen(read.name);
      send.hasSerial = true;
      send.serial = SerialSettings(read.serial);
      return true;
    case cmdline::TargetKind::Lpt:
      send.kind = Lpt;
      send.name = Widen(read.name);
      return true;
    case cmdline::TargetKind::Queue: {
      send.kind = PrinterDriver;
      send.name = Widen(read.name);
      if (send.name.size() >= kTransportNameChars) return *why = "the queue name is too long", false;
      UniquePrinter printer;
      if (!::OpenPrinterW(&send.name[0], printer.Out(), nullptr) || !printer.Valid()) {
        return *why = "no installed printer queue of that name", false;
      }
      return true;
    }
    case cmdline::TargetKind::Ip:
      send.kind = Ethernet;
      send.address = read.address;
      return true;
    case cmdline::TargetKind::UsbFirst: {
      wchar_t path[kUsbPathChars] = {};
      if (!FindUsbPrinter(path)) return *why = "no supported USB printer is connected", false;
      send.kind = Usb;
      send.name = path;
      return true;
    }
    case cmdline::TargetKind::UsbPath:
      send.kind = Usb;
      send.name = Widen(read.name);
      *why = UsbPathProblem(send.name);
      return why->empty();
  }
  return false;
}

bool ResolveTargets(const std::vector<std::string>& texts, std::vector<Target>* targets) {
  targets->resize(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string why;
    if (!ResolveTarget(texts[i], &(*targets)[i], &why)) {
      out.Error("target " + texts[i] + ": " + why);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Decoded command names for the log and the dry run.

class NameSink : public vprinter::DecoderSink {
 public:
  void OnCommand(const vprinter::Frame& frame) override {
    vprinter::Description description = vprinter::Describe(frame);
    Add(std::string(frame.layout->name) + (description.ok ? "" : " (invalid)"));
  }
  void OnUnframed(uint64_t, uint64_t count, const uint8_t*, size_t) override {
    Add("unframed " + std::to_string(count) + " bytes");
  }
  void OnTruncated(const vprinter::CommandLayout* layout, const uint8_t*, size_t size, uint64_t) override {
    Add(std::string("truncated ") + (layout ? layout->name : "command") + " (" + std::to_string(size) + " bytes)");
  }
  std::string names;

 private:
  void Add(const std::string& name) { names += (names.empty() ? "" : ", ") + name; }
};

std::string DecodedNames(const std::vector<unsigned char>& bytes) {
  NameSink sink;
  vprinter::Decoder decoder(sink);
  decoder.Feed(bytes.data(), bytes.size());
  decoder.Finish();
  return sink.names;
}


// Bytes in hex with every byte of a Wi-Fi key or Bluetooth PIN shown as
// "**", for the log and the dry run.
std::string Hex(const std::vector<unsigned char>& bytes) {
  return vprinter::HexMasked(bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------
// Sending: every target's groups, several targets at a time, with a line per
// send (or a progress line on a console) and the summary.

using cmdline::Group;

struct RunSettings {
  int jobs = 32;
  DWORD connectLimitMs = 5000;
  DWORD exchangeLimitMs = 10000;
};

// The send lines' words: "ok", "unconfirmed", "FAILED".
const char* StatusWord(SendStatus status) {
  static const char* const kWords[] = {"ok", "unconfirmed", "FAILED"};
  return kWords[static_cast<int>(status)];
}

// Standard output is a console (not a file or a pipe).
bool OnConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != FALSE;
}

// Sends every plan, several targets at a time; a line per send (or, on a
// console, a progress line and the sends that need attention), the report
// record of each target as it finishes, and the summary.
int SendPlans(std::vector<cmdline::Plan>& plans, const std::vector<cmdline::ReportEntry>& entries,
              const RunSettings& settings, cmdline::ReportWriter* report) {
  for (cmdline::Plan& plan : plans) {
    plan.send.connectLimitMs = settings.connectLimitMs;
    plan.send.exchangeLimitMs = settings.exchangeLimitMs;
    plan.send.writeLimitMs = settings.exchangeLimitMs;
  }
  const bool console = OnConsole();
  size_t finished = 0, failedSoFar = 0;
  const ULONGLONG start = GetTickCount64();
  auto done = [&](size_t t, const cmdline::TargetResult& result) {
    ++finished;
    if (result.status == SendStatus::Failed) ++failedSoFar;
    for (size_t g = 0; g < result.groups.size(); ++g) {
      const cmdline::GroupResult& sent = result.groups[g];
      std::string line = plans[t].target + "\t" + sent.name + "\t" + std::to_string(sent.bytes) + " bytes\t" +
                         (sent.skipped ? "skipped" : StatusWord(sent.status));
      if (!sent.reason.empty() && !sent.skipped) line += ": " + sent.reason;
      if (console) {
        // On a console only what needs attention is listed; the rest is the progress line.
        if (sent.skipped || sent.status != SendStatus::Confirmed) out.Error(line);
        out.LogOnly(line);
      } else {
        out.Line(line);
      }
      out.LogOnly("  " + Hex(plans[t].groups[g].bytes) + "\n  commands: " + DecodedNames(plans[t].groups[g].bytes));
    }
    if (report != nullptr) report->Add(entries[t], result);
    if (console) {
      std::fprintf(stderr, "\r%zu of %zu targets done, %zu failed  ", finished, plans.size(), failedSoFar);
      std::fflush(stderr);
    }
  };
  const std::vector<cmdline::TargetResult> results = cmdline::RunPlans(plans, settings.jobs, done);
  if (console) std::fprintf(stderr, "\n");
  bool anyFailed = false;
  out.Line("");
  out.Line("summary: target, sends, failed, unconfirmed, result");
  for (size_t t = 0; t < results.size(); ++t) {
    int sends = 0, failed = 0, unconfirmed = 0;
    for (const cmdline::GroupResult& sent : results[t].groups) {
      if (sent.skipped) continue;
      ++sends;
      if (sent.status == SendStatus::Failed) ++failed;
      if (sent.status == SendStatus::Unconfirmed) ++unconfirmed;
    }
    anyFailed = anyFailed || failed > 0;
    const char* result = failed > 0 ? "FAILED" : unconfirmed > 0 ? "unconfirmed" : "ok";
    out.Line(plans[t].target + "\t" + std::to_string(sends) + "\t" + std::to_string(failed) + "\t" +
             std::to_string(unconfirmed) + "\t" + result);
  }
  if (report != nullptr && !report->Finish(static_cast<unsigned>(GetTickCount64() - start))) {
    out.Error("--report: the report could not be written whole");
  }
  return anyFailed ? kExitSendFailed : kExitOk;
}

// The same groups to every target, without a report.
int SendGroups(const std::vector<Target>& targets, const std::vector<Group>& groups,
               const RunSettings& settings) {
  std::vector<cmdline::Plan> plans(targets.size());
  std::vector<cmdline::ReportEntry> entries(targets.size());
  for (size_t t = 0; t < targets.size(); ++t) {
    plans[t].target = targets[t].text;
    plans[t].send = targets[t].send;
    plans[t].groups = groups;
    entries[t].target = targets[t].text;
  }
  return SendPlans(plans, entries, settings, nullptr);
}

// Opens the log once every input has been read; false (after a line) when
// it cannot be opened, before anything is sent.
bool StartLog() {
  std::string why;
  if (out.OpenLog(&why)) return true;
  out.Error("--log: " + why);
  return false;
}

// ---------------------------------------------------------------------------
// Commands.

struct ApplyOptions {
  std::string profile;
  std::vector<std::string> to, only;
  std::string targetsFile, reportPath, reportFormat = "json", retryPath;
  bool dryRun = false;
};

// Reads a whole text file of at most maxBytes; false with *why.
bool ReadTextFile(const std::string& path, size_t maxBytes, std::string* text, std::string* why) {
  std::FILE* file = _wfopen(Widen(path).c_str(), L"rb");
  if (file == nullptr) return *why = "cannot be opened", false;
  std::string read;
  char chunk[65536];
  size_t got = 0;
  bool tooLarge = false;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
    if (read.size() + got > maxBytes) {
      tooLarge = true;
      break;
    }
    read.append(chunk, got);
  }
  std::fclose(file);
  if (tooLarge) return *why = "larger than " + std::to_string(maxBytes >> 20) + " MiB", false;
  *text = std::move(read);
  return true;
}

bool IsSecretEntry(const std::string& section, const std::string& entry) {
  return (_stricmp(section.c_str(), "WiFi") == 0 && _stricmp(entry.c_str(), "WiFi") == 0) ||
         (_stricmp(section.c_str(), "Bluetooth") == 0 && _stricmp(entry.c_str(), "Bluetooth") == 0);
}

// The rows of the run: --to, the targets file, or what a report says did not
// get through (of those given, or else the report's own targets and values).
bool CollectRows(const ApplyOptions& o, std::vector<cmdline::TargetRow>* rows, std::vector<std::string>* columns) {
  rows->clear();
  for (const std::string& text : o.to) {
    cmdline::TargetRow row;
    row.target = text;
    rows->push_back(row);
  }
  std::string why;
  if (!o.targetsFile.empty()) {
    std::string text;
    if (!ReadTextFile(o.targetsFile, 64u << 20, &text, &why)) return out.Error(o.targetsFile + ": " + why), false;
    std::vector<cmdline::TargetRow> fileRows;
    const cmdline::EntryRules rules{profile::IsKnownEntry, IsSecretEntry};
    if (!cmdline::ReadTargetRows(text, rules, columns, &fileRows, &why)) {
      return out.Error(o.targetsFile + ": " + why), false;
    }
    for (cmdline::TargetRow& row : fileRows) {
      for (const std::string& given : o.to) {
        if (given == row.target) {
          return out.Error(row.Where(o.targetsFile) + ": " + row.target + " is also given with --to"), false;
        }
      }
      rows->push_back(std::move(row));
    }
  }
  if (o.retryPath.empty()) return true;
  std::string text;
  std::vector<cmdline::RetryEntry> retry;
  if (!ReadTextFile(o.retryPath, 256u << 20, &text, &why) || !cmdline::ReadRetry(text, &retry, &why)) {
    return out.Error("--retry " + o.retryPath + ": " + why), false;
  }
  if (!rows->empty()) {
    // The targets given, narrowed to those the report did not see confirmed.
    std::vector<cmdline::TargetRow> kept;
    for (cmdline::TargetRow& row : *rows) {
      for (const cmdline::RetryEntry& entry : retry) {
        if (entry.target == row.target) {
          kept.push_back(std::move(row));
          break;
        }
      }
    }
    *rows = std::move(kept);
    return true;
  }
  for (const cmdline::RetryEntry& entry : retry) {
    if (!entry.secretColumns.empty()) {
      out.Error("--retry " + o.retryPath + ": " + entry.target + " had its own " + entry.secretColumns[0] +
                " (a secret the report does not keep): give --targets with the file again");
      return false;
    }
    cmdline::TargetRow row;
    row.target = entry.target;
    row.row = entry.row;
    row.values = entry.values;
    for (const auto& value : entry.values) {
      bool seen = false;
      for (const std::string& column : *columns) seen = seen || column == value.first;
      if (!seen) columns->push_back(value.first);
    }
    rows->push_back(std::move(row));
  }
  return true;
}

// A group that changes how the printer is reached goes last to a target
// reached that way, so the groups before it still find the printer.
bool ChangesReach(const profile::Send& send, int kind) {
  return (send.reach == profile::Reach::Serial && kind == Com) ||
         (send.reach == profile::Reach::Network && kind == Ethernet);
}

int Apply(const ApplyOptions& o, const RunSettings& settings) {
  unsigned pages = o.only.empty() ? ~0u : 0u;
  for (const std::string& name : o.only) {
    int found = -1;
    for (int i = 0; i < profile::kPageCount; ++i) {
      if (_stricmp(name.c_str(), profile::kPageNames[i]) == 0) found = i;
    }
    if (found < 0) {
      out.Error("--only: unknown page " + name + " (pages: Panel, BID, Ethernet, WiFi, Bluetooth, Serial, UserDefine)");
      return kExitInput;
    }
    pages |= 1u << found;
  }
  std::string text, why;
  if (!profile::ReadProfileFile(Widen(o.profile), &text, &why)) {
    out.Error(o.profile + ": " + why);
    return kExitInput;
  }
  const profile::TextCodec& codec = profile::AnsiCodec();
  profile::Profile loaded;
  profile::Error error;
  std::vector<profile::Send> baseSends;
  if (!profile::Parse(text, codec, &loaded, &error) ||
      !profile::BuildSends(loaded, codec, pages, &baseSends, &error)) {
    out.Error(o.profile + ": " + error.Text());
    return kExitInput;
  }
  std::vector<cmdline::TargetRow> rows;
  std::vector<std::string> columns;
  if (!CollectRows(o, &rows, &columns)) return kExitInput;
  if (rows.empty() && !o.dryRun) {
    out.Error(o.retryPath.empty() ? "apply: no targets" : "--retry: every target of the report was confirmed");
    return o.retryPath.empty() ? kExitInput : kExitOk;
  }
  if (rows.empty()) {
    // A dry run without targets: what the profile sends.
    if (!StartLog()) return kExitInput;
    for (const profile::Send& send : baseSends) {
      out.Line(send.group + "\t" + std::to_string(send.bytes.size()) + " bytes\t" + Hex(send.bytes));
      out.Line("  commands: " + DecodedNames(send.bytes));
    }
    return kExitOk;
  }
  // Each row's groups: the profile's, or the profile with the row's own values.
  std::vector<cmdline::Plan> plans(rows.size());
  std::vector<cmdline::ReportEntry> entries(rows.size());
  std::map<std::string, std::vector<size_t>> repeated;  // per-printer group and value -> rows
  for (size_t r = 0; r < rows.size(); ++r) {
    const cmdline::TargetRow& row = rows[r];
    const std::string where = row.Where(o.targetsFile.empty() ? o.retryPath : o.targetsFile);
    Target target;
    if (!ResolveTarget(row.target, &target, &why)) {
      out.Error(where + ", column target: " + row.target + ": " + why);
      return kExitInput;
    }
    std::vector<profile::Send> own;
    const std::vector<profile::Send>* sends = &baseSends;
    if (!row.values.empty()) {
      std::vector<profile::Override> overrides;
      for (const auto& value : row.values) {
        profile::Override one;
        cmdline::SplitColumn(value.first, &one.section, &one.entry);
        one.value = value.second;
        one.origin = where + ", column " + value.first;
        overrides.push_back(one);
      }
      profile::Profile rowProfile;
      if (!profile::Parse(text, codec, overrides, &rowProfile, &error) ||
          !profile::BuildSends(rowProfile, codec, pages, &own, &error)) {
        out.Error(error.origin.empty() ? o.profile + ": " + error.Text() : error.Text());
        return kExitInput;
      }
      sends = &own;
    }
    plans[r].target = row.target;
    plans[r].send = target.send;
    for (int last = 0; last < 2; ++last) {
      for (const profile::Send& send : *sends) {
        if (ChangesReach(send, target.send.kind) != (last == 1)) continue;
        plans[r].groups.push_back(Group{send.group, send.bytes});
        if (send.perPrinter) repeated[send.group + ": " + send.values].push_back(r);
      }
    }
    entries[r].target = row.target;
    entries[r].row = row.row;
    for (const auto& value : row.values) {
      bool secret = false;
      for (const std::string& column : row.secretColumns) secret = secret || column == value.first;
      if (!secret) entries[r].values[value.first] = value.second;
    }
    entries[r].secretColumns = row.secretColumns;
  }
  // A value meant for one printer never goes to two.
  for (const auto& group : repeated) {
    if (group.second.size() < 2) continue;
    std::string names;
    for (size_t i = 0; i < group.second.size() && i < 10; ++i) names += (i ? ", " : "") + rows[group.second[i]].target;
    if (group.second.size() > 10) names += ", ...";
    out.Error(group.first + " would go to " + std::to_string(group.second.size()) + " targets (" + names +
              "); such a value is one printer's own: give each target its own in a targets file column");
    return kExitInput;
  }
  if (baseSends.empty() && columns.empty()) {
    out.Error(o.profile + ": the profile holds no setting");
    return kExitInput;
  }
  if (!StartLog()) return kExitInput;
  if (o.dryRun) {
    for (const cmdline::Plan& plan : plans) {
      for (const Group& group : plan.groups) {
        out.Line(plan.target + "\t" + group.name + "\t" + std::to_string(group.bytes.size()) + " bytes\t" + Hex(group.bytes));
      }
    }
    return kExitOk;
  }
  cmdline::ReportWriter report;
  if (!o.reportPath.empty()) {
    const cmdline::ReportFormat format =
        o.reportFormat == "csv" ? cmdline::ReportFormat::Csv : cmdline::ReportFormat::Json;
    if (!report.Open(o.reportPath, format, columns, &why)) {
      out.Error("--report: " + why);
      return kExitInput;
    }
  }
  return SendPlans(plans, entries, settings, o.reportPath.empty() ? nullptr : &report);
}

int SendHex(const std::string& hex, const std::vector<std::string>& targetTexts,
            const RunSettings& settings) {
  Group group{"send-hex", {}};
  std::string digits;
  for (char c : hex) {
    if (c == ' ' || c == '\t' || c == ',') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      out.Error("send-hex: not a hex digit: " + std::string(1, c));
      return kExitInput;
    }
    digits += c;
  }
  if (digits.empty() || digits.size() % 2 != 0) {
    out.Error("send-hex: give whole bytes as pairs of hex digits (\"1F 48\")");
    return kExitInput;
  }
  for (size_t i = 0; i < digits.size(); i += 2) {
    group.bytes.push_back(static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  std::vector<Target> targets;
  if (!ResolveTargets(targetTexts, &targets)) return kExitInput;
  if (!StartLog()) return kExitInput;
  return SendGroups(targets, {group}, settings);
}

int GetNetwork(const std::string& targetText) {
  Target target;
  std::string why;
  if (!ResolveTarget(targetText, &target, &why)) {
    out.Error("target " + targetText + ": " + why);
    return kExitInput;
  }
  if (target.send.kind != Usb) {
    out.Error("get-network: the printer answers over USB only (--to usb or usb:PATH)");
    return kExitInput;
  }
  if (!StartLog()) return kExitInput;
  const std::vector<unsigned char> request = commands::EncodeReadNetworkRequest().bytes;
  unsigned char reply[520] = {};
  size_t length = 64;
  const SendOutcome outcome = QueryTarget(target.send, request.data(), request.size(), reply, &length);
  if (!outcome.Sent() || length == 0) {
    out.Line(target.text + "\tget-network\tFAILED: " +
             (outcome.reason.empty() ? std::string("no answer from the printer") : outcome.reason));
    return kExitSendFailed;
  }
  if (length > 64) length = 64;
  commands::NetworkReply parsed = commands::ParseNetworkReply(reply, static_cast<unsigned>(length));
  if (parsed.dhcp) {
    out.Line("mode\tDHCP");
  } else {
    const char* names[4] = {"address", "port", "mask", "gateway"};
    out.Line("mode\tfixed address");
    for (int i = 0; i < parsed.count; ++i) out.Line(std::string(names[i]) + "\t" + parsed.pieces[i]);
  }
  return kExitOk;
}

int List() {
  if (!StartLog()) return kExitInput;
  std::vector<std::wstring> spooler = EnumSpoolerPorts();
  std::vector<std::wstring> com;
  if (!spooler.empty()) com = EnumComPorts();
  for (const std::wstring& entry : BuildPortEntries(com, spooler)) out.Line("port\t" + WideToUtf8(entry));
  for (const std::wstring& name : EnumLocalPrinters()) out.Line("queue\t" + WideToUtf8(name));
  wchar_t path[kUsbPathChars] = {};
  if (FindUsbPrinter(path)) out.Line("usb\t" + WideToUtf8(path));
  return kExitOk;
}

int Run(int argc, char** argv) {
  CLI::App app{"SetwrightCmd: sends Setwright's printer settings without a window.\n"
               "Exit codes: 0 every send reached its printer (also unconfirmed), 1 profile or "
               "argument error (nothing sent), 2 a send failed, 3 usage error; --help and "
               "--version exit 0."};
  app.set_version_flag("--version", std::string("SetwrightCmd ") + SW_VERSION_TEXT);
  // Options are written --name only: a path that starts with "/" (a Unix
  // path under Wine) is an argument, not a Windows-style option.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  std::string logPath;
  RunSettings settings;
  double connectSeconds = 5, timeoutSeconds = 10;
  app.add_option("--jobs", settings.jobs, "Targets served at a time (1 to 256, default 32)")
      ->check(CLI::Range(1, 256));
  app.add_option("--connect-timeout", connectSeconds,
                 "Seconds a network printer has to accept the connection (default 5)")
      ->check(CLI::Range(0.1, 3600.0));
  app.add_option("--timeout", timeoutSeconds,
                 "Seconds one send may take as a whole: connect, bytes and the printer's close "
                 "on the network, the write on a COM port (default 10)")
      ->check(CLI::Range(0.1, 3600.0));
  app.add_option("--log", logPath,
                 "Append every line, with the time, the bytes (keys and PINs masked) and the "
                 "decoded command names, to FILE");

  ApplyOptions applied;
  CLI::App* apply = app.add_subcommand("apply", "Send a profile's settings to one or more printers");
  apply->add_option("profile", applied.profile, "Profile file (UTF-8 INI)")->required();
  apply->add_option("--to", applied.to, "Target: com:COM3[:9600,8,N,1], lpt:LPT1, queue:NAME, ip:ADDRESS, usb, usb:PATH");
  apply->add_option("--targets", applied.targetsFile,
                    "CSV file (UTF-8) with a column target and optional Section.Entry columns whose "
                    "non-empty cells set that entry for that row only");
  apply->add_option("--only", applied.only, "Only these pages (Panel,BID,Ethernet,WiFi,Bluetooth,Serial,UserDefine)")->delimiter(',');
  apply->add_flag("--dry-run", applied.dryRun, "Print what would be sent (hex and decoded); open nothing");
  apply->add_option("--report", applied.reportPath, "Write one record per target to FILE");
  apply->add_option("--report-format", applied.reportFormat, "json (JSON lines, the default) or csv")
      ->check(CLI::IsMember({"json", "csv"}));
  apply->add_option("--retry", applied.retryPath,
                    "Apply again to the targets of an earlier report that were not confirmed");

  std::string hex;
  std::vector<std::string> hexTargets;
  CLI::App* sendHex = app.add_subcommand("send-hex", "Send raw bytes given in hex");
  sendHex->add_option("bytes", hex, "Bytes, e.g. \"1F 48\"")->required();
  sendHex->add_option("--to", hexTargets, "Target (as for apply)")->required();

  std::string networkTarget;
  CLI::App* getNetwork = app.add_subcommand("get-network", "Ask a USB printer for its network settings");
  getNetwork->add_option("--to", networkTarget, "usb or usb:PATH")->required();

  CLI::App* list = app.add_subcommand("list", "List the ports, printer queues and USB printers");
  // Options of the program (--log) may also stand after a command's own.
  for (CLI::App* command : {apply, sendHex, getNetwork, list}) command->fallthrough();

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    app.exit(e);  // --help, --version
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  if (apply->parsed() && !applied.dryRun && applied.to.empty() && applied.targetsFile.empty() &&
      applied.retryPath.empty()) {
    std::fprintf(stderr, "apply: give at least one --to TARGET, --targets FILE or --retry REPORT (or --dry-run)\n");
    return kExitUsage;
  }
  if (!logPath.empty()) {
    // The log is appended to, but never to a file this run reads or writes.
    for (const std::string& input : {applied.profile, applied.targetsFile, applied.retryPath, applied.reportPath}) {
      if (apply->parsed() && !input.empty() && cmdline::SameFile(logPath, input)) {
        out.Error("--log: " + logPath + " is " + (input == applied.profile ? "the profile being applied" : "a file this run reads or writes") + "; choose another file");
        return kExitInput;
      }
    }
    out.SetLogPath(logPath);
  }
  int result = kExitUsage;
  settings.connectLimitMs = static_cast<DWORD>(connectSeconds * 1000 + 0.5);
  settings.exchangeLimitMs = static_cast<DWORD>(timeoutSeconds * 1000 + 0.5);
  if (apply->parsed()) result = Apply(applied, settings);
  if (sendHex->parsed()) result = SendHex(hex, hexTargets, settings);
  if (getNetwork->parsed()) result = GetNetwork(networkTarget);
  if (list->parsed()) result = List();
  // An input error ends the run before the log opened: it still gets the lines.
  std::string ignored;
  out.OpenLog(&ignored);
  return result;
}

}  // namespace

// Arguments arrive as UTF-16 and are handed on as UTF-8.
int wmain(int argc, wchar_t** wargv) {
  try {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) args.push_back(WideToUtf8(wargv[i]));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return Run(argc, argv.data());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "SetwrightCmd: %s\n", e.what());
    return kExitInput;
  } catch (...) {
    std::fprintf(stderr, "SetwrightCmd: unexpected failure\n");
    return kExitInput;
  }
}
