"""The program's stack on Linux beside its Windows 64-bit build under wine: latency and CPU at
the dongle's line rate, from one run of scripts/bench --wine.

usage: wine_report.py WORK_DIR OUT_FILE  (WORK_DIR holds line.jsonl, wineserver.jsonl, machine.json)
"""

import json
import os
import sys

from report import fmt, load_lines, pool, table

CONTENDERS = [("ours", "Linux"), ("ours-wine", "Windows x86-64 under wine")]


def main():
    work, out = sys.argv[1], sys.argv[2]
    with open(os.path.join(work, "machine.json")) as f:
        machine = json.load(f)
    by = pool(load_lines(os.path.join(work, "line.jsonl")), work)
    server_ms = {}
    for r in load_lines(os.path.join(work, "wineserver.jsonl")):
        server_ms[r["phase"]] = server_ms.get(r["phase"], 0.0) + r["wineserver_cpu_ms"]

    def figure(name, phase, key, digits=1):
        row = [name]
        for contender, _ in CONTENDERS:
            p = by.get((contender, phase), {})
            row.append(fmt(p.get(key), digits))
        return row

    rows = [
        figure("latency p50 (us)", "latency", "p50_us"),
        figure("latency p99 (us)", "latency", "p99_us"),
        figure("latency max (us)", "latency", "max_us"),
        figure("latency frames lost", "latency", "lost", 0),
        figure("line rate: CPU ms per 10k frames", "linerate", "cpu_ms_per_10k"),
        figure("line rate: % of one core", "linerate", "core_percent"),
        figure("line rate frames lost", "linerate", "lost", 0),
    ]
    runs = by.get(("ours-wine", "linerate"), {}).get("rounds")
    per_run = server_ms["linerate"] / runs if runs and "linerate" in server_ms else None
    rows.append(["line rate: wineserver CPU ms per run, start and exit included", "-",
                 fmt(per_run)])
    lines = [
        "# The program's stack: Linux and Windows under wine",
        "",
        "{cpu}, {cores} cores, kernel {kernel}; {date}; {rounds} round(s) per phase; load "
        "average {load_start} at the start.".format(**machine),
        "",
        "Frames every {} us in the latency phase; at the dongle's line rate in the CPU phase. The "
        "Windows build's CPU is its own process's, from its first frame to its last; wine's server "
        "works for it too (last row: from the program's start to its exit)."
        .format(machine.get("spacing_us", 1000)),
        "",
    ]
    lines += table(["", "Linux", "Windows x86-64 under wine"], rows)
    text = "\n".join(lines) + "\n"
    print(text)
    with open(out, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
