"""Small stand-alone reader of MaxSAT instances (cnf, wcnf, pmcnf; plain or gzip).

The verification tools (check_solution, brute_force, difftest) must not trust the solver's own
reader, so they read instances through this module instead. It applies the semantics that the
solver promises its users:

- weights are unsigned 64-bit; a clause whose weight reaches the top weight is hard;
- a clause repeated in the file (same literal multiset, any order) weighs the sum of its
  occurrences; it becomes hard when that sum reaches the top weight, and stays hard when any
  occurrence is hard;
- soft clauses of weight 0 cost nothing;
- cnf: every clause is soft with weight 1; pmcnf: "p hard" / "p soft" open sections, and
  clauses before any section are soft; the top weight is 2147483647 unless a wcnf problem line
  sets it;
- a literal beyond +-2147483647, or a weight or top weight that is negative or above 2^64-1, is
  an error "Number out of range: <num>".

Lexical rules: bytes 9..13 and 32 are blanks; a line whose first non-blank byte is 'c' is a
comment; a byte 0xFF where a clause or line would begin (or inside a comment) ends the input.
"""

import gzip

MAX_LIT = 2147483647
MAX_WEIGHT = 2 ** 64 - 1
DEFAULT_TOP = 2147483647

_BLANKS = frozenset(b"\t\n\v\f\r ")
_LINE_BLANKS = frozenset(b"\t\v\f\r ")  # blanks that do not end a problem line


class ParseError(Exception):
    """The file is not a valid instance. `kind` is 'range' for a number out of range (then
    `number` holds its text), 'format' for a missing or unknown format line, 'syntax' else."""

    def __init__(self, message, kind="syntax", number=None):
        super().__init__(message)
        self.kind = kind
        self.number = number


class Instance:
    """A read instance after merging repeated clauses.

    hard: list of literal tuples; soft: list of (weight, literal tuple) with 0 < weight < top;
    nvars: the largest variable that occurs (0 when there is no literal)."""

    def __init__(self):
        self.fmt = None
        self.top = DEFAULT_TOP
        self.nvars = 0
        self.declared = ()  # numbers of the problem line, as read
        self.hard = []
        self.soft = []
        self.num_read = 0  # clause occurrences in the file
        self.num_repeated = 0  # occurrences that repeat an earlier clause
        self.num_zero = 0  # distinct soft clauses of total weight 0 (dropped)
        self.num_capped = 0  # repeated soft clauses that became hard through their sum

    def soft_weight_sum(self):
        return sum(w for w, _ in self.soft)

    def all_variables_used(self):
        used = set()
        for c in self.hard:
            used.update(abs(l) for l in c)
        for _, c in self.soft:
            used.update(abs(l) for l in c)
        return used


def read_bytes(path):
    """File contents, gunzipped when the file starts with the gzip magic bytes."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"\x1f\x8b":
        try:
            data = gzip.decompress(data)
        except (OSError, EOFError) as e:
            raise ParseError("damaged gzip data: %s" % e) from e
    return data


class _Scanner:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.n = len(data)

    def peek(self):
        return self.data[self.pos] if self.pos < self.n else -1

    def skip_blanks(self):
        d, p, n = self.data, self.pos, self.n
        while p < n and d[p] in _BLANKS:
            p += 1
        self.pos = p

    def skip_line_blanks(self):
        d, p, n = self.data, self.pos, self.n
        while p < n and d[p] in _LINE_BLANKS:
            p += 1
        self.pos = p

    def skip_line(self):
        """Skips up to and including the newline; returns False when a 0xFF ended the input."""
        d, p, n = self.data, self.pos, self.n
        while p < n and d[p] != 10:
            if d[p] == 0xFF:
                self.pos = n
                return False
            p += 1
        self.pos = min(p + 1, n)
        return True

    def word(self):
        d, p, n = self.data, self.pos, self.n
        start = p
        while p < n and d[p] not in _BLANKS and d[p] != 0xFF:
            p += 1
        self.pos = p
        return d[start:p].decode("latin-1")

    def integer(self):
        """Reads one integer token after optional blanks (newlines included)."""
        self.skip_blanks()
        d, p, n = self.data, self.pos, self.n
        start = p
        if p < n and d[p] in b"+-":
            p += 1
        digits = p
        while p < n and 48 <= d[p] <= 57:
            p += 1
        if p == digits:
            if p >= n:
                raise ParseError("unexpected end of input inside a clause or line")
            raise ParseError("unexpected char: %r" % chr(d[p]))
        if p < n and d[p] not in _BLANKS:
            raise ParseError("unexpected char: %r" % chr(d[p]))
        self.pos = p
        text = d[start:p].decode("ascii")
        return int(text), text


def _check_weight(value, text):
    if value < 0 or value > MAX_WEIGHT:
        raise ParseError("Number out of range: %s" % text.lstrip("+"), "range", text.lstrip("+"))
    return value


def _check_lit(value, text):
    if abs(value) > MAX_LIT:
        raise ParseError("Number out of range: %s" % text.lstrip("+"), "range", text.lstrip("+"))
    return value


def _read_format_word(sc):
    """First pass: the word after the first 'p', skipping comments before it."""
    while True:
        sc.skip_blanks()
        c = sc.peek()
        if c == -1 or c == 0xFF:
            raise ParseError("no format line", "format")
        if c == ord("c"):
            if not sc.skip_line():
                raise ParseError("no format line", "format")
            continue
        if c == ord("p"):
            sc.pos += 1
            sc.skip_blanks()
            d, p, n = sc.data, sc.pos, sc.n
            start = p
            while p < n and 97 <= d[p] <= 122:  # the format word is lower-case letters
                p += 1
            return d[start:p].decode("ascii")
        raise ParseError("File without format line", "format")


def parse_bytes(data, keep_occurrences=False):
    """Parses instance text (already decompressed) into an Instance. With `keep_occurrences`
    the instance also lists every clause as written, in file order, in `occurrences`: pairs of
    weight (None for a pmcnf hard clause) and literal list."""
    inst = Instance()
    if keep_occurrences:
        inst.occurrences = []
    fmt = _read_format_word(_Scanner(data))
    if fmt not in ("cnf", "wcnf", "pmcnf"):
        raise ParseError("Invalid file format: %r" % fmt, "format")
    inst.fmt = fmt
    sc = _Scanner(data)
    # sorted literal tuple -> summed weight, None once any occurrence was hard
    merged = {}
    single_hard = set()  # clauses with one occurrence that is hard by itself
    order = []
    hard_flag = False
    top = DEFAULT_TOP

    while True:
        sc.skip_blanks()
        c = sc.peek()
        if c == -1 or c == 0xFF:
            break
        if c == ord("c"):
            if not sc.skip_line():
                break
            continue
        if c == ord("p"):
            sc.pos += 1
            if fmt == "cnf":
                if not sc.skip_line():
                    break
                continue
            sc.skip_line_blanks()
            word = sc.word()
            if fmt == "pmcnf" and word in ("hard", "soft"):
                hard_flag = word == "hard"
                sc.skip_line_blanks()
                if sc.peek() not in (10, -1):
                    raise ParseError("unexpected text after 'p %s'" % word)
                sc.pos += 1
                continue
            if word != fmt:
                raise ParseError("unexpected problem line 'p %s'" % word)
            fields = []
            while True:
                sc.skip_line_blanks()
                c = sc.peek()
                if c == 10:
                    sc.pos += 1
                    break
                if c == -1:
                    raise ParseError("problem line without end of line")
                d, p, n = sc.data, sc.pos, sc.n
                start = p
                if p < n and d[p] in b"+-":
                    p += 1
                while p < n and 48 <= d[p] <= 57:
                    p += 1
                text = d[start:p].decode("latin-1")
                if not text.lstrip("+-") or (p < n and d[p] not in _BLANKS):
                    raise ParseError("unexpected char on the problem line")
                sc.pos = p
                fields.append((int(text), text))
            allowed = 3 if fmt == "wcnf" else 2
            if len(fields) > allowed:
                raise ParseError("Unexpected int: %s" % fields[allowed][1])
            inst.declared = tuple(v for v, _ in fields)
            if fmt == "wcnf" and len(fields) == 3:
                top = _check_weight(*fields[2])
            continue
        # A clause.
        if fmt == "wcnf":
            w = _check_weight(*sc.integer())
        elif fmt == "pmcnf":
            w = None if hard_flag else 1
        else:
            w = 1
        lits = []
        while True:
            v, text = sc.integer()
            if v == 0:
                break
            _check_lit(v, text)
            lits.append(v)
            if abs(v) > inst.nvars:
                inst.nvars = abs(v)
        key = tuple(sorted(lits))
        inst.num_read += 1
        if keep_occurrences:
            inst.occurrences.append((w, lits))
        if w is not None and w >= top:
            single_hard.add(key)
        if key in merged:
            inst.num_repeated += 1
            prev = merged[key]
            merged[key] = None if (prev is None or w is None) else prev + w
        else:
            merged[key] = w
            order.append(key)
    inst.top = top
    for key in order:
        w = merged[key]
        if w is None or w >= top:
            inst.hard.append(key)
            if w is not None and key not in single_hard:
                inst.num_capped += 1
        elif w == 0:
            inst.num_zero += 1
        else:
            inst.soft.append((w, key))
    return inst


def read_instance(path, keep_occurrences=False):
    return parse_bytes(read_bytes(path), keep_occurrences)


def is_tautology(clause):
    s = set(clause)
    return any(-l in s for l in clause)
