"""Building a weighted partial MaxSAT instance clause by clause, for the instance generators.

The generators describe their problem in terms of decision variables, hard constraints and
weighted soft clauses; this module numbers the variables, encodes the cardinality constraints
they need (at most one: pairwise for a few literals, a sequential counter beyond; at most k: a
sequential counter) and writes the result as an old-format "p wcnf" file whose top weight is the
sum of the soft weights plus 1, which every solver in the benchmark reads.
"""

# Beyond this many literals a pairwise at-most-one constraint (n^2 / 2 clauses) costs more
# than the sequential counter's 3n clauses and n auxiliary variables.
PAIRWISE_LIMIT = 6


class WcnfBuilder:
    def __init__(self, comment=""):
        self.nvars = 0
        self.hard_clauses = []
        self.soft_clauses = []  # (weight, clause)
        self.comment = comment

    def new_var(self):
        self.nvars += 1
        return self.nvars

    def new_vars(self, count):
        return [self.new_var() for _ in range(count)]

    def hard(self, lits):
        self.hard_clauses.append(list(lits))

    def soft(self, weight, lits):
        assert weight > 0
        self.soft_clauses.append((weight, list(lits)))

    def at_most_one(self, lits):
        lits = list(lits)
        if len(lits) <= PAIRWISE_LIMIT:
            for i, a in enumerate(lits):
                for b in lits[i + 1:]:
                    self.hard([-a, -b])
        else:
            self.at_most(lits, 1)

    def exactly_one(self, lits):
        self.hard(lits)
        self.at_most_one(lits)

    def at_most(self, lits, k):
        """Sequential counter: s[i][j] means "at least j+1 of the first i+1 literals are true"."""
        lits = list(lits)
        n = len(lits)
        if k >= n:
            return
        if k == 0:
            for a in lits:
                self.hard([-a])
            return
        prev = None
        for i, x in enumerate(lits):
            if i == n - 1:
                # The last literal needs no register of its own: it is false when k are already true.
                self.hard([-x, -prev[k - 1]])
                break
            cur = self.new_vars(min(k, i + 1))
            self.hard([-x, cur[0]])
            if prev is not None:
                for j, s in enumerate(prev):
                    self.hard([-s, cur[j]])
                for j in range(1, len(cur)):
                    self.hard([-x, -prev[j - 1], cur[j]])
                if len(prev) == k:
                    self.hard([-x, -prev[k - 1]])
            prev = cur

    def text(self):
        top = sum(w for w, _ in self.soft_clauses) + 1
        lines = ["c " + line for line in self.comment.splitlines()]
        lines.append("p wcnf %d %d %d" % (self.nvars, len(self.hard_clauses) + len(self.soft_clauses), top))
        lines.extend("%d %s 0" % (top, " ".join(map(str, c))) for c in self.hard_clauses)
        lines.extend("%d %s 0" % (w, " ".join(map(str, c))) for w, c in self.soft_clauses)
        return "\n".join(lines) + "\n"

    def write(self, path):
        with open(path, "w") as f:
            f.write(self.text())
