"""Compares the ratios of a benchmark summary with those of the committed full run and warns of
any that is more than 1.5x worse. Never fails: these machines are noisy, so a warning asks for a
full run, not for a red build.

usage: regression_guard.py COMMITTED_RESULTS_MD NEW_RESULTS_MD
"""

import sys

FACTOR = 1.5


def ratios(path):
    """figure -> value, from the 'Ratios and targets' table."""
    found = {}
    inside = False
    with open(path) as f:
        for line in f:
            if line.startswith("## "):
                inside = line.strip() == "## Ratios and targets"
                continue
            if not inside or not line.startswith("| ") or line.startswith("| figure"):
                continue
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            try:
                found[cells[0]] = float(cells[1].replace(",", ""))
            except (IndexError, ValueError):
                pass
    return found


def lower_is_better(figure):
    # Throughput is the one figure where more is better.
    return not figure.startswith("throughput")


def main():
    committed, new = ratios(sys.argv[1]), ratios(sys.argv[2])
    compared, warnings = 0, []
    for figure, old in sorted(committed.items()):
        # Ratios between contenders, and the start-up time: comparable from run to run.
        if " / " not in figure and not figure.startswith("start-up"):
            continue
        value = new.get(figure)
        if value is None or old <= 0 or value <= 0:
            continue
        compared += 1
        worse = value / old if lower_is_better(figure) else old / value
        if worse > FACTOR:
            warnings.append("{}: {:.3g} now, {:.3g} in the committed run ({:.2f}x worse)".format(
                figure, value, old, worse))
    for w in warnings:
        print("WARNING: benchmark ratio more than {}x worse than bench/results.md: {}".format(
            FACTOR, w))
    print("regression guard: {} ratio(s) compared with bench/results.md, {} warning(s)".format(
        compared, len(warnings)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
