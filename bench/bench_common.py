"""What bench/run and bench/compare share: where the benchmark corpus lives, reading its
MANIFEST.tsv and EXPECTED.tsv, and running one solver process under a time limit while
measuring the CPU time of that process alone (so that parallel jobs do not mix their times).
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_ROOT = os.path.dirname(BENCH_DIR)
TOOLS_DIR = os.path.join(REPO_ROOT, "tools")
DEFAULT_CORPUS = os.path.join(REPO_ROOT, "..", "shared", "bench")
CORPUS_ENV = "QUARNEL_BENCH_DIR"
# Exit status meaning "nothing to run here" (CTest's SKIP_RETURN_CODE).
SKIP = 77

sys.path.insert(0, TOOLS_DIR)


def corpus_dir(option_value):
    """The corpus folder: the option, else $QUARNEL_BENCH_DIR, else ../shared/bench beside the
    repository."""
    return os.path.abspath(option_value or os.environ.get(CORPUS_ENV) or DEFAULT_CORPUS)


class Entry:
    def __init__(self, file, category, cls, expected, nvars, nclauses):
        self.file = file
        self.category = category
        self.cls = cls
        self.expected = expected  # text of opt_std: a number, UNSAT, RANGE, TIMEOUT or ''
        self.nvars = nvars
        self.nclauses = nclauses


def _read_tsv(path):
    with open(path, encoding="utf-8") as f:
        lines = [l.rstrip("\n") for l in f if l.strip()]
    header = lines[0].split("\t")
    return [dict(zip(header, l.split("\t"))) for l in lines[1:]]


def read_corpus(corpus):
    expected = {r["file"]: r for r in _read_tsv(os.path.join(corpus, "EXPECTED.tsv"))}
    entries = []
    for r in _read_tsv(os.path.join(corpus, "MANIFEST.tsv")):
        e = expected.get(r["file"], {})
        entries.append(Entry(r["file"], r.get("category", ""), e.get("class", "?"),
                             e.get("opt_std", ""), _int(r.get("nvars")), _int(r.get("nclauses"))))
    return entries


def _int(text):
    try:
        return int(text)
    except (TypeError, ValueError):
        return 0


class RunResult:
    def __init__(self):
        self.returncode = None  # negative: killed by that signal
        self.cpu = 0.0  # user + system CPU seconds of the process
        self.wall = 0.0
        self.killed = False  # by the wall-clock limit
        self.stdout = ""
        self.stderr = ""
        self.max_rss_kb = 0


# A process's peak memory (ru_maxrss) starts at that of the process it was forked from, so a
# solver started from this script would never seem to use less than the script itself. GNU time
# starts the solver from its own small image and reports the solver's own peak.
GNU_TIME = "/usr/bin/time"


def spawn(cmd, out_fd, err_fd, cwd=None):
    """Starts `cmd` in a process group of its own (so that a kill reaches all of it)."""
    if cwd is not None:
        cmd = ["/bin/sh", "-c", 'cd "$0" && exec "$@"', cwd] + list(cmd)
    devnull = os.open(os.devnull, os.O_RDONLY)
    try:
        actions = [(os.POSIX_SPAWN_DUP2, devnull, 0), (os.POSIX_SPAWN_DUP2, out_fd, 1),
                   (os.POSIX_SPAWN_DUP2, err_fd, 2)]
        path = cmd[0] if os.sep in cmd[0] else (shutil.which(cmd[0]) or cmd[0])
        return os.posix_spawn(path, list(cmd), os.environ, file_actions=actions, setpgroup=0)
    finally:
        os.close(devnull)


# Process groups of the solvers that this module has started and not yet reaped.
LIVE_GROUPS = set()


def kill_live_groups():
    """Ends every solver still running (for a benchmark that is itself being stopped)."""
    for pid in list(LIVE_GROUPS):
        try:
            os.killpg(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def _supervise(cmd, cwd, on_tick, peak=None):
    """Runs `cmd` in a process group of its own and waits for it, calling on_tick(pid, elapsed, result)
    between polls (to send signals); returns the RunResult with its output, CPU time, and peak
    memory (from the file `peak` when GNU time wrote one)."""
    res = RunResult()
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.monotonic()
        pid = spawn(cmd, out.fileno(), err.fileno(), cwd)
        LIVE_GROUPS.add(pid)
        delay = 0.002
        while True:
            got, status, usage = os.wait4(pid, os.WNOHANG)
            if got == pid:
                LIVE_GROUPS.discard(pid)
                break
            on_tick(pid, time.monotonic() - start, res)
            time.sleep(delay)
            delay = min(delay * 2, 0.05)
        res.wall = time.monotonic() - start
        res.returncode = os.waitstatus_to_exitcode(status)
        res.cpu = usage.ru_utime + usage.ru_stime
        res.max_rss_kb = usage.ru_maxrss
        measured = peak.read().split() if peak is not None else []
        if measured and measured[-1].isdigit():
            res.max_rss_kb = int(measured[-1])
        out.seek(0)
        err.seek(0)
        res.stdout = out.read().decode("utf-8", "replace")
        res.stderr = err.read().decode("utf-8", "replace")
    return res


def run_limited(cmd, wall_limit, cwd=None):
    """Runs `cmd`, killing it after `wall_limit` seconds; the CPU time comes from wait4 on the
    child itself, the peak memory from GNU time when it is installed."""
    def kill_after_limit(pid, elapsed, res):
        if elapsed > wall_limit and not res.killed:
            res.killed = True
            os.killpg(pid, signal.SIGKILL)

    with tempfile.NamedTemporaryFile(mode="r") as peak:
        if os.access(GNU_TIME, os.X_OK):
            cmd = [GNU_TIME, "-q", "-f", "%M", "-o", peak.name] + list(cmd)
        return _supervise(cmd, cwd, kill_after_limit, peak)


def median(values):
    v = sorted(values)
    if not v:
        return None
    mid = len(v) // 2
    return v[mid] if len(v) % 2 else (v[mid - 1] + v[mid]) / 2


def select(entries, quick=False, classes=None, pattern=None):
    import re
    out = []
    for e in entries:
        if quick and e.cls != "easy":
            continue
        if classes and e.cls not in classes:
            continue
        if pattern and not re.search(pattern, e.file):
            continue
        out.append(e)
    return out


def run_until_deadline(cmd, deadline, grace, cwd=None):
    """Runs `cmd` alone as the MaxSAT Evaluation does: SIGTERM to its process group after
    `deadline` wall-clock seconds, SIGKILL `grace` seconds later if it is still there. The
    result's `signals` tells which of the two were sent ([], ["TERM"] or ["TERM", "KILL"])."""
    signals = []

    def term_then_kill(pid, elapsed, res):
        if elapsed >= deadline and not signals:
            signals.append("TERM")
            os.killpg(pid, signal.SIGTERM)
        elif elapsed >= deadline + grace and len(signals) == 1:
            signals.append("KILL")
            res.killed = True
            os.killpg(pid, signal.SIGKILL)

    res = _supervise(cmd, cwd, term_then_kill)
    res.signals = signals
    return res
