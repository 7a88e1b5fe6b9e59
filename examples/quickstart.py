# The Python quick start: read an instance, solve it, print the optimum and the model.
# Run: python3 examples/quickstart.py examples/demo.wcnf (with build/python on PYTHONPATH, or
# after cmake --install).
import sys

import quarnel

with quarnel.Solver(quarnel.read(sys.argv[1])) as solver:
    model = solver.compute()
    print("cost", solver.cost, "status", solver.status)
    print("model", model)
