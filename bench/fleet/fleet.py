#!/usr/bin/env python3
"""Helpers of the fleet bench (bench/fleet/run.sh).

  fleet.py targets FIRST COUNT FILE     the targets file: one row per printer, each with a BID value of its own
  fleet.py measure OUT.json -- CMD...   runs CMD; its wall time, exit code and peak resident set (VmHWM of its /proc)
  fleet.py check DIR DECODER            the run in DIR against the farm's state and the report
  fleet.py summary TIMEOUT DIR...       the figures over all rounds
"""
import json
import os
import statistics
import subprocess
import sys
import time


def address(first, i):
    parts = [int(p) for p in first.split(".")]
    value = ((parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3]) + i
    return ".".join(str((value >> s) & 255) for s in (24, 16, 8, 0))


def targets(first, count, path):
    with open(path, "w", newline="") as out:
        out.write("target,BID.BID\r\n")
        for i in range(int(count)):
            side = "Shift Right" if i % 2 else "Shift Left"
            out.write('ip:%s,"%s, %d"\r\n' % (address(first, i), side, i % 17))


def peak_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def measure(out_path, command):
    start = time.monotonic()
    with open(out_path + ".out", "wb") as out, open(out_path + ".err", "wb") as err:
        process = subprocess.Popen(command, stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        peak, name = 0, ""
        while process.poll() is None:
            seen = peak_kb(process.pid)
            if seen is not None:
                peak = max(peak, seen)
                if not name:
                    try:
                        with open("/proc/%d/cmdline" % process.pid, "rb") as cmdline:
                            name = cmdline.read().replace(b"\0", b" ").decode(errors="replace").strip()
                    except OSError:
                        pass
            time.sleep(0.02)
    wall = time.monotonic() - start
    with open(out_path, "w") as out:
        json.dump({"wall_s": wall, "rc": process.returncode, "peak_kb": peak, "process": name}, out)


def decode_state(decoder, data, cache):
    if data not in cache:
        result = subprocess.run([decoder, "decode", "-"], input=data, capture_output=True, check=True)
        lines = [json.loads(line) for line in result.stdout.decode().splitlines() if line]
        cache[data] = lines[-1]["settings"]
    return cache[data]


def check(run_dir, decoder):
    """What each printer holds and what the report says of it, by role."""
    roles, states = {}, {}
    with open(os.path.join(run_dir, "farm.jsonl")) as farm:
        for line in farm:
            event = json.loads(line)
            if event["event"] == "listening":
                roles[event["printer"]] = event["role"]
            elif event["event"] == "state":
                states[event["printer"]] = event["settings"]
    # What the dry run says each target is sent, decoded by the virtual
    # printer's own decoder: the settings a printer that took it all holds.
    sent = {}
    with open(os.path.join(run_dir, "dry.txt")) as dry:
        for line in dry:
            fields = line.rstrip("\r\n").split("\t")
            if len(fields) == 4 and fields[0].startswith("ip:"):
                sent.setdefault(fields[0][3:], bytearray()).extend(bytes.fromhex(fields[3]))
    records, summary = {}, None
    with open(os.path.join(run_dir, "report.jsonl")) as report:
        for line in report:
            record = json.loads(line)
            if record.get("summary"):
                summary = record
            else:
                records.setdefault(record["target"][3:], []).append(record)
    cache, problems = {}, []
    counts = {role: {"printers": 0, "confirmed": 0, "unconfirmed": 0, "failed": 0} for role in ("live", "dead", "reset", "silent")}
    held_exactly = 0
    for printer, role in roles.items():
        counts[role]["printers"] += 1
        mine = records.get(printer, [])
        if len(mine) != 1:
            problems.append("%s (%s): %d report records" % (printer, role, len(mine)))
            continue
        record = mine[0]
        counts[role][record["status"]] += 1
        if role == "live":
            want = decode_state(decoder, bytes(sent.get(printer, b"")), cache)
            if states.get(printer) == want and want:
                held_exactly += 1
            else:
                problems.append("%s (live): holds %s, was sent %s" % (printer, json.dumps(states.get(printer)), json.dumps(want)))
            if record["status"] != "confirmed":
                problems.append("%s (live): %s: %s" % (printer, record["status"], record["reason"]))
        elif role == "dead":
            if record["status"] != "failed" or "no answer" not in record["reason"]:
                problems.append("%s (dead): %s: %s" % (printer, record["status"], record["reason"]))
            if states.get(printer):
                problems.append("%s (dead): holds %s" % (printer, json.dumps(states[printer])))
        elif role == "reset":
            if record["status"] == "confirmed":
                problems.append("%s (reset): confirmed" % printer)
    reasons = {}
    for printer, role in roles.items():
        for record in records.get(printer, []):
            if role != "live":
                key = "%s: %s" % (role, record["reason"].split(" after ")[0])
                reasons[key] = reasons.get(key, 0) + 1
    result = {
        "printers": len(roles),
        "states": len(states),
        "live_holding_exactly_what_was_sent": held_exactly,
        "by_role": counts,
        "reasons": reasons,
        "report_summary": summary,
        "problems": problems,
    }
    with open(os.path.join(run_dir, "check.json"), "w") as out:
        json.dump(result, out, indent=1)
    print("%s: %d printers, %d live hold exactly what was sent, %d problems" % (run_dir, len(roles), held_exactly, len(problems)))
    for problem in problems[:10]:
        print("  " + problem)


def spread(values):
    values = sorted(values)
    return "%.2f [%.2f..%.2f]" % (statistics.median(values), values[0], values[-1])


def summary(timeout, dirs):
    """Groups the runs by scenario (the folder name before .rN)."""
    timeout = float(timeout)
    scenarios = {}
    for run_dir in dirs:
        name = os.path.basename(run_dir.rstrip("/")).rsplit(".r", 1)[0]
        with open(os.path.join(run_dir, "cmd.json")) as f:
            cmd = json.load(f)
        with open(os.path.join(run_dir, "check.json")) as f:
            checked = json.load(f)
        with open(os.path.join(run_dir, "farm.json")) as f:
            farm = json.load(f)
        scenarios.setdefault(name, []).append((cmd, checked, farm))
    lines = []
    for name in sorted(scenarios):
        runs = scenarios[name]
        walls = [cmd["wall_s"] for cmd, _, _ in runs]
        printers = runs[0][1]["printers"]
        problems = sum(len(checked["problems"]) for _, checked, _ in runs)
        lines.append("%s: %d rounds, %d printers" % (name, len(runs), printers))
        lines.append("  wall time s          %s" % spread(walls))
        lines.append("  wall / timeout       %s" % spread([w / timeout for w in walls]))
        lines.append("  ms per target        %s" % spread([1000 * w / printers for w in walls]))
        lines.append("  SetwrightCmd peak MB %s" % spread([cmd["peak_kb"] / 1024 for cmd, _, _ in runs]))
        lines.append("  farm idle MB         %s" % spread([farm["idle_kb"] / 1024 for _, _, farm in runs]))
        lines.append("  farm peak MB         %s" % spread([farm["peak_kb"] / 1024 for _, _, farm in runs]))
        lines.append("  farm CPU s           %s" % spread([farm["cpu_s"] for _, _, farm in runs]))
        by_role = runs[0][1]["by_role"]
        lines.append("  roles (first round)  " + ", ".join(
            "%s %d (confirmed %d, unconfirmed %d, failed %d)" % (role, c["printers"], c["confirmed"], c["unconfirmed"], c["failed"])
            for role, c in by_role.items() if c["printers"]))
        lines.append("  live holding exactly what was sent: %s" % ", ".join(
            "%d/%d" % (checked["live_holding_exactly_what_was_sent"], checked["by_role"]["live"]["printers"]) for _, checked, _ in runs))
        lines.append("  reasons (first round): " + "; ".join("%s x%d" % item for item in sorted(runs[0][1]["reasons"].items())))
        lines.append("  problems over all rounds: %d" % problems)
    # The parallel runs against one target after another, per target, round
    # by round (each round ran its scenarios one after another).
    baseline = [name for name in scenarios if name.startswith("baseline")]
    for base in baseline:
        for name in sorted(scenarios):
            if name in baseline:
                continue
            ratios = []
            for (bcmd, bcheck, _), (cmd, checked, _) in zip(scenarios[base], scenarios[name]):
                per_base = bcmd["wall_s"] / bcheck["printers"]
                per_run = cmd["wall_s"] / checked["printers"]
                ratios.append(per_base / per_run)
            lines.append("per-target time, %s / %s: %s (times faster, median [min..max] over rounds)" % (base, name, spread(ratios)))
    print("\n".join(lines))


def main(argv):
    if len(argv) == 5 and argv[1] == "targets":
        targets(argv[2], argv[3], argv[4])
    elif len(argv) >= 5 and argv[1] == "measure" and argv[3] == "--":
        measure(argv[2], argv[4:])
    elif len(argv) == 4 and argv[1] == "check":
        check(argv[2], argv[3])
    elif len(argv) >= 4 and argv[1] == "summary":
        summary(argv[2], argv[3:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
