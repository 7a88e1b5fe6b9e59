#!/usr/bin/env python3
"""Independent checker of quarnel's answers.

Reads the instance with its own reader (maxsat_reader), reads quarnel's output (the "o", "s"
and "v" lines of the competition format, or a parse error message) and decides whether the
answer is right:

- "s OPTIMUM FOUND": the "v" line must satisfy every hard clause and the falsified soft
  clauses must weigh exactly the "o" value. A variable missing from the "v" line has no value:
  only a literal with a value "true" satisfies a clause (a tautology is satisfied whatever the
  values), so a missing variable counts as false for the cost and is reported. With an expected
  optimum (--expected) or an exhaustive search (--brute-force, small instances) the cost must
  also be the optimum.
- "s SATISFIABLE" (a run stopped before its proof): the same checks of the model and its cost;
  the cost may lie above a known optimum, never below it.
- "s UNSATISFIABLE" is only accepted with evidence: the expected answer UNSAT, an empty hard
  clause, an exhaustive search over the hard clauses, or a SAT solver run on the hard clauses
  (--sat-solver). Without evidence the answer is unverifiable.
- A "Number out of range" parse error is right exactly when this reader finds the same number
  out of range (and the exit status, when given, is 3).

Exit status (and Verdict.code): 0 right, 1 wrong, 2 unverifiable. The functions parse_output,
evaluate and check are the library form used by bench/run and difftest.
"""

import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import maxsat_reader  # noqa: E402

OK, WRONG, UNVERIFIABLE = 0, 1, 2
CODE_NAMES = {OK: "OK", WRONG: "WRONG", UNVERIFIABLE: "UNVERIFIABLE"}


class Output:
    """What one run of quarnel printed, in the parts the checker needs."""

    def __init__(self):
        self.status = []  # texts after "s "
        self.costs = []  # texts after "o "
        self.v_lines = []  # texts after "v" (one per line)
        self.parse_errors = []  # texts after "PARSE ERROR! "
        self.errors = []  # whole "... ERROR: ..." lines
        self.cores = 0  # "Found core #k" progress lines (verbosity 2)
        self.cpu_time = None
        self.cpu_exceeded = False


def parse_output(text):
    out = Output()
    for line in text.splitlines():
        if line.startswith("s "):
            out.status.append(line[2:].strip())
        elif line.startswith("o "):
            out.costs.append(line[2:].strip())
        elif line == "v" or line.startswith("v "):
            out.v_lines.append(line[1:])
        elif line.startswith("PARSE ERROR! "):
            out.parse_errors.append(line[len("PARSE ERROR! "):].strip())
        elif line.startswith("c CPU Time: "):
            try:
                out.cpu_time = float(line[len("c CPU Time: "):])
            except ValueError:
                pass
        elif "Found core #" in line:
            out.cores += 1
        if " ERROR: " in line:
            out.errors.append(line)
        if "CPU time exceeded" in line:
            out.cpu_exceeded = True
    return out


class Verdict:
    def __init__(self):
        self.code = OK
        self.messages = []  # reasons for WRONG / UNVERIFIABLE
        self.notes = []  # facts worth reporting that do not change the code
        self.cost = None  # the checked "o" value
        self.status = None  # 'OPTIMUM', 'UNSAT', 'RANGE' or None
        self.optimum_checked = False  # the cost was compared with a known optimum

    def wrong(self, msg):
        self.code = WRONG
        self.messages.append(msg)
        return self

    def unverifiable(self, msg):
        if self.code == OK:
            self.code = UNVERIFIABLE
        self.messages.append(msg)
        return self

    def summary(self):
        text = CODE_NAMES[self.code]
        if self.messages:
            text += ": " + "; ".join(self.messages)
        return text


def is_bit_string(v_lines, nvars):
    """Whether the model is written as in the current evaluations: one token of 0s and 1s, one
    character per variable from 1. A lone "1" means the same in either form; a lone literal
    such as "10" is read as a list of literals when it names a variable of the instance."""
    tokens = [t for line in v_lines for t in line.split()]
    if len(tokens) != 1 or not set(tokens[0]) <= {"0", "1"}:
        return False
    # A literal never starts with 0.
    bits = tokens[0]
    return bits.startswith("0") or len(bits) > len(str(nvars)) or (len(bits) >= 2 and int(bits) > nvars)


def parse_model(v_lines, nvars):
    """Returns (values: dict var -> bool, problems: list of str). The model is a list of
    literals, or a 0/1 string."""
    values = {}
    problems = []
    if is_bit_string(v_lines, nvars):
        bits = "".join(v_lines).split()[0]
        return {k + 1: b == "1" for k, b in enumerate(bits)}, problems
    for line in v_lines:
        for tok in line.split():
            try:
                lit = int(tok)
            except ValueError:
                problems.append("non-numeric token %r on the v line" % tok)
                continue
            if lit == 0:
                problems.append("literal 0 on the v line")
                continue
            var = abs(lit)
            if var > max(nvars, 1):
                problems.append("variable %d on the v line is beyond the instance's %d" % (var, nvars))
                continue
            if var in values:
                problems.append("variable %d appears twice on the v line" % var)
                continue
            values[var] = lit > 0
    return values, problems


def clause_satisfied(clause, values):
    for lit in clause:
        val = values.get(abs(lit))
        if val is not None and val == (lit > 0):
            return True
    return maxsat_reader.is_tautology(clause)


def evaluate(inst, values):
    """(falsified hard clauses, cost of the falsified soft clauses, unassigned used variables)."""
    bad_hard = [c for c in inst.hard if not clause_satisfied(c, values)]
    cost = sum(w for w, c in inst.soft if not clause_satisfied(c, values))
    unassigned = sorted(v for v in inst.all_variables_used() if v not in values)
    return bad_hard, cost, unassigned


def hard_clauses_sat_by_solver(inst, solver):
    """Runs a DIMACS SAT solver (exit/answer 10 or 20) on the hard clauses; True, False or None."""
    with tempfile.NamedTemporaryFile("w", suffix=".cnf", delete=False) as f:
        f.write("p cnf %d %d\n" % (max(inst.nvars, 1), len(inst.hard)))
        for c in inst.hard:
            f.write(" ".join(map(str, c)) + " 0\n")
        name = f.name
    try:
        res = subprocess.run([solver, name], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             text=True, check=False)
    except OSError:
        return None
    finally:
        os.unlink(name)
    for line in res.stdout.splitlines():
        if line.startswith("s UNSATISFIABLE"):
            return False
        if line.startswith("s SATISFIABLE"):
            return True
    return {10: True, 20: False}.get(res.returncode)


def normalise_expected(expected):
    """None (unknown), an int, 'UNSAT' or 'RANGE'."""
    if expected is None:
        return None
    if isinstance(expected, int):
        return expected
    text = str(expected).strip()
    if text.upper() in ("UNSAT", "RANGE"):
        return text.upper()
    if text.lstrip("-").isdigit():
        return int(text)
    return None  # '', 'TIMEOUT', '-', ...


def check(instance_path, stdout, stderr="", exit_status=None, expected=None, brute_limit=0,
          sat_solver=None, inst=None):
    """Checks one run. `brute_limit` > 0 allows an exhaustive search on instances with at most
    that many variables; `sat_solver` names a SAT solver binary for UNSAT evidence; `inst` may
    pass an instance already read."""
    v = Verdict()
    expected = normalise_expected(expected)
    out = parse_output(stdout + "\n" + stderr)

    read_error = None
    if inst is None:
        try:
            inst = maxsat_reader.read_instance(instance_path)
        except maxsat_reader.ParseError as e:
            read_error = e
        except OSError as e:
            return v.unverifiable("cannot read the instance: %s" % e)

    # Errors while reading the instance.
    if read_error is not None and read_error.kind == "range":
        v.status = "RANGE"
        want = "Number out of range: %s" % read_error.number
        if want not in out.parse_errors:
            got = out.parse_errors or out.status or ["no parse error"]
            return v.wrong("expected \"PARSE ERROR! %s\", got %s" % (want, "; ".join(got)))
        if exit_status is not None and exit_status != 3:
            return v.wrong("exit status %d after a parse error, expected 3" % exit_status)
        if out.status:
            return v.wrong("result line after a parse error")
        return v
    if expected == "RANGE":
        return v.wrong("expected a range error, but the instance reads without one"
                       if read_error is None else "checker reads the instance as: %s" % read_error)
    if read_error is not None:
        if out.parse_errors and exit_status in (None, 3):
            v.notes.append("both readers reject the file (checker: %s)" % read_error)
            v.status = "ERROR"
            return v
        return v.unverifiable("checker cannot read the instance (%s)" % read_error)
    if out.parse_errors:
        return v.wrong("parse error on a valid instance: %s" % out.parse_errors[0])

    if len(out.status) != 1:
        return v.wrong("%d \"s\" lines" % len(out.status))
    # A normal end is status 0, or under the current evaluations' conventions ("-mse") the
    # status that tells the outcome.
    evaluation_status = {"OPTIMUM FOUND": 30, "UNSATISFIABLE": 20}.get(out.status[0])
    if exit_status is not None and exit_status not in (0, evaluation_status):
        return v.wrong("exit status %d" % exit_status)
    status = out.status[0]

    bf = None
    if brute_limit and inst.nvars <= brute_limit:
        import brute_force
        bf = brute_force.solve(inst)

    if status == "UNSATISFIABLE":
        v.status = "UNSAT"
        if out.costs:
            return v.wrong("\"o\" line together with \"s UNSATISFIABLE\"")
        if isinstance(expected, int):
            return v.wrong("UNSATISFIABLE, expected optimum %d" % expected)
        if expected == "UNSAT":
            v.optimum_checked = True
            return v
        if any(len(c) == 0 for c in inst.hard):
            v.notes.append("an empty hard clause")
            v.optimum_checked = True
            return v
        if bf is not None:
            if bf.optimum is None:
                v.optimum_checked = True
                return v
            return v.wrong("UNSATISFIABLE, exhaustive search finds optimum %d" % bf.optimum)
        if sat_solver:
            sat = hard_clauses_sat_by_solver(inst, sat_solver)
            if sat is False:
                v.notes.append("hard clauses unsatisfiable by %s" % os.path.basename(sat_solver))
                v.optimum_checked = True
                return v
            if sat is True:
                return v.wrong("UNSATISFIABLE, but %s satisfies the hard clauses"
                               % os.path.basename(sat_solver))
        return v.unverifiable("UNSATISFIABLE without evidence")

    if status not in ("OPTIMUM FOUND", "SATISFIABLE"):
        return v.wrong("unknown status line \"s %s\"" % status)
    # "s SATISFIABLE" (a run stopped early) claims a model, not its optimality: its cost may lie
    # above the optimum, never below.
    proven = status == "OPTIMUM FOUND"
    v.status = "OPTIMUM" if proven else "SATISFIABLE"
    # Several "o" lines report improving models; they must decrease, and the last one counts.
    if not out.costs:
        return v.wrong("no \"o\" line")
    try:
        costs = [int(c) for c in out.costs]
    except ValueError:
        return v.wrong("non-numeric cost among %r" % out.costs)
    if any(a <= b for a, b in zip(costs, costs[1:])):
        return v.wrong("\"o\" lines do not decrease: %s" % " ".join(out.costs))
    cost = costs[-1]
    v.cost = cost
    if len(out.v_lines) != 1:
        return v.wrong("%d \"v\" lines" % len(out.v_lines))
    values, problems = parse_model(out.v_lines, inst.nvars)
    for p in problems:
        v.wrong(p)
    if problems:
        return v
    bad_hard, real_cost, unassigned = evaluate(inst, values)
    if unassigned:
        shown = " ".join(map(str, unassigned[:10])) + (" ..." if len(unassigned) > 10 else "")
        v.notes.append("%d used variable(s) without value: %s" % (len(unassigned), shown))
    if bad_hard:
        v.wrong("%d hard clause(s) falsified, first: %s" % (len(bad_hard), list(bad_hard[0])))
    if real_cost != cost:
        v.wrong("\"o %d\" but the falsified soft clauses weigh %d" % (cost, real_cost))
    if expected == "UNSAT":
        v.wrong("expected UNSAT, but the model satisfies every hard clause"
                if not bad_hard else "expected UNSAT, got a model")
    elif isinstance(expected, int):
        v.optimum_checked = proven
        if cost < expected or (proven and cost != expected):
            v.wrong("cost %d, expected optimum %d" % (cost, expected))
    if bf is not None:
        v.optimum_checked = proven
        if bf.optimum is None:
            v.wrong("exhaustive search finds the hard clauses unsatisfiable")
        elif cost < bf.optimum or (proven and bf.optimum != cost):
            v.wrong("cost %d, exhaustive search finds %d" % (cost, bf.optimum))
    return v


def main(argv=None):
    ap = argparse.ArgumentParser(description="Check quarnel's answer on one instance.")
    ap.add_argument("instance")
    ap.add_argument("output", nargs="?", default="-", help="quarnel's standard output (- = stdin)")
    ap.add_argument("--stderr", help="file with quarnel's standard error")
    ap.add_argument("--exit-status", type=int, help="quarnel's exit status")
    ap.add_argument("--expected", help="known optimum, UNSAT or RANGE")
    ap.add_argument("--brute-force", type=int, nargs="?", const=16, default=0, metavar="MAXVARS",
                    help="check optimality by exhaustive search up to MAXVARS variables (16)")
    ap.add_argument("--sat-solver", help="SAT solver binary for UNSAT evidence (e.g. picosat)")
    ap.add_argument("-q", "--quiet", action="store_true")
    a = ap.parse_args(argv)
    if a.output == "-":
        stdout = sys.stdin.read()
    else:
        with open(a.output, encoding="utf-8", errors="replace") as f:
            stdout = f.read()
    stderr = ""
    if a.stderr:
        with open(a.stderr, encoding="utf-8", errors="replace") as f:
            stderr = f.read()
    v = check(a.instance, stdout, stderr, a.exit_status, a.expected, a.brute_force, a.sat_solver)
    if not a.quiet:
        print(v.summary())
        for n in v.notes:
            print("note: " + n)
    return v.code


if __name__ == "__main__":
    sys.exit(main())
