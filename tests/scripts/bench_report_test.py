"""bench/report.py's verdict on the unplug rounds: a loss never noticed fails the row even when
the median of the noticed ones is fast."""

import json
import os
import subprocess
import sys
import tempfile

REPORT = os.path.join(os.path.dirname(__file__), "..", "..", "bench", "report.py")

# unplug_to_lost_ms per round (None: the search never noticed the loss), verdict expected
CASES = [
    ([12, 30], "met"),
    ([150, 20, 30], "met"),
    ([12, None, 14], "MISSED"),
    ([None], "MISSED"),
    ([120, 130], "MISSED"),
]


def verdict(lost):
    with tempfile.TemporaryDirectory() as work:
        machine = {"cpu": "test", "cores": 1, "kernel": "test", "compiler": "test",
                   "build": "test", "load_start": "0", "date": "test", "quick": True}
        with open(os.path.join(work, "machine.json"), "w") as f:
            json.dump(machine, f)
        with open(os.path.join(work, "line.jsonl"), "w") as f:
            f.write(json.dumps({"contender": "ours", "phase": "latency"}) + "\n")
        with open(os.path.join(work, "replug.jsonl"), "w") as f:
            for round_no, ms in enumerate(lost, 1):
                f.write(json.dumps({"case": "unplug", "round": round_no,
                                    "unplug_to_lost_ms": ms}) + "\n")
        out = os.path.join(work, "results.md")
        subprocess.run([sys.executable, REPORT, work, out], check=True, stdout=subprocess.DEVNULL)
        with open(out) as f:
            rows = [line for line in f if line.startswith("| unplug to loss noticed ours")]
        if len(rows) != 1:
            return "no row"
        return rows[0].rstrip().rstrip("|").split("|")[-1].strip()


failures = []
for lost, expected in CASES:
    got = verdict(lost)
    if got != expected:
        failures.append("{}: {} instead of {}".format(lost, got, expected))
print("\n".join(failures) or "all {} cases as expected".format(len(CASES)))
sys.exit(1 if failures else 0)
