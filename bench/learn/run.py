#!/usr/bin/env python3
"""Scores `trelmix learn` on folders of jobs (train.tests, holdout.tests,
reference.trelmix): for each job, whether the script learned from the
training cases passes them and the held-out ones, how many training records
it needed (the first 1, 2, ... records), and the time; then the totals.

usage: run.py TRELMIX JOBS_FOLDER...
"""
import os
import subprocess
import sys
import tempfile
import time


def cases(lines):
    """The file's header (lines before the first case) and its cases, each
    with the option lines just before it and its indented output lines."""
    header, blocks, pending = [], [], []
    for line in lines:
        text = line.strip()
        if not blocks and not pending and '"' not in line and (not text or text.startswith("#") or not text.startswith("--code-type") and not text.startswith("--protocol")):
            header.append(line)
        elif line.startswith((" ", "\t")) and blocks and text:
            blocks[-1].append(line)
        elif '"' in line:
            blocks.append(pending + [line])
            pending = []
        else:
            pending.append(line)
    return header, blocks


def with_script(path, script):
    """The test file with a script line after its header, as a test file."""
    with open(path) as f:
        header, blocks = cases(f.read().splitlines())
    return "\n".join(header + ["script " + script] + [l for b in blocks for l in b]) + "\n"


def passes(trelmix, tests_text, script, folder):
    path = os.path.join(folder, "check.tests")
    with open(path, "w") as f:
        f.write(tests_text.replace("script " + "@SCRIPT@", "script " + script))
    r = subprocess.run([trelmix, "test", "--no-trace", path], capture_output=True, text=True)
    return r.returncode == 0


def learn(trelmix, header, blocks, folder):
    path = os.path.join(folder, "train.tests")
    with open(path, "w") as f:
        f.write("\n".join(header + [l for b in blocks for l in b]) + "\n")
    script = os.path.join(folder, "learned.trelmix")
    start = time.monotonic()
    r = subprocess.run([trelmix, "learn", "-o", script, path], capture_output=True, text=True)
    took = time.monotonic() - start
    return (script if r.returncode == 0 else None), took


def main():
    trelmix, folders = sys.argv[1], sys.argv[2:]
    rows = []
    for root in folders:
        for job in sorted(os.listdir(root)):
            where = os.path.join(root, job)
            if not os.path.isfile(os.path.join(where, "train.tests")):
                continue
            with open(os.path.join(where, "train.tests")) as f:
                header, blocks = cases(f.read().splitlines())
            train_all = with_script(os.path.join(where, "train.tests"), "@SCRIPT@")
            hold_all = with_script(os.path.join(where, "holdout.tests"), "@SCRIPT@")
            with tempfile.TemporaryDirectory() as tmp:
                script, took = learn(trelmix, header, blocks, tmp)
                train_ok = bool(script) and passes(trelmix, train_all, script, tmp)
                hold_ok = bool(script) and passes(trelmix, hold_all, script, tmp)
                needed = None
                if train_ok and hold_ok:
                    for k in range(1, len(blocks) + 1):
                        s, _ = learn(trelmix, header, blocks[:k], tmp)
                        if s and passes(trelmix, train_all, s, tmp) and passes(trelmix, hold_all, s, tmp):
                            needed = k
                            break
            rows.append((job, train_ok, hold_ok, needed, len(blocks), took))
    print(f"{'job':32} {'train':>5} {'held-out':>8} {'needed':>7} {'time':>7}")
    for job, t, h, n, total, took in rows:
        need = f"{n}/{total}" if n else f"-/{total}"
        print(f"{job:32} {'pass' if t else 'FAIL':>5} {'pass' if h else 'FAIL':>8} {need:>7} {took:6.2f}s")
    count = len(rows)
    train = sum(r[1] for r in rows)
    hold = sum(r[2] for r in rows)
    needs = [r[3] for r in rows if r[3]]
    slow = sum(r[5] >= 2.0 for r in rows)
    print(f"\n{count} jobs: train {train}/{count}, held-out {hold}/{count} ({100.0 * hold / max(count, 1):.0f}%), "
          f"records needed {sum(needs) / max(len(needs), 1):.2f} on average, "
          f"slowest {max((r[5] for r in rows), default=0):.2f}s, {slow} at 2 s or more")
    return 0


if __name__ == "__main__":
    sys.exit(main())
