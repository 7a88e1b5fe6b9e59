// The Python module `quarnel`: the solver object (facade/incremental_solver.hh) with an API in
// the manner of PySAT's RC2, and the reader. Everything a Python caller gets wrong (a literal 0
// or not an int, a weight that is not a positive int, weights beyond the engine's limit, an
// unreadable file) is an exception raised before the solver changes; the interpreter never ends.
//
// A solve runs without the GIL, so other Python threads (and other solvers) go on meanwhile.
// Ctrl-C reaches Python only as a flag that the interpreter's main thread checks: a solve in the
// main thread takes the GIL back a few times a second to check it, stops when it is set, and
// raises KeyboardInterrupt once the solver has stopped, with the best model kept.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "facade/incremental_solver.hh"
#include "facade/instance_file.hh"
#include "input/parse_errors.hh"

namespace py = pybind11;

namespace {

using Status = IncrementalSolver::Status;
using Clock = std::chrono::steady_clock;

// An int, or what stands for one (numpy's integers: anything with __index__); bool is refused.
py::int_ as_int(const py::handle& obj, const char* what) {
  if (py::isinstance<py::bool_>(obj) || !PyIndex_Check(obj.ptr()))
    throw py::type_error(std::string(what) + " must be an int, not " +
                         std::string(py::str(obj.get_type().attr("__name__"))));
  return py::reinterpret_steal<py::int_>(PyNumber_Index(obj.ptr()));
}

int to_literal(const py::handle& obj) {
  const py::int_ item = as_int(obj, "a literal");
  const long long value = PyLong_AsLongLong(item.ptr());
  if (value == -1 && PyErr_Occurred()) {
    PyErr_Clear();
    throw py::value_error("literal out of range: " + std::string(py::str(static_cast<py::handle>(item))));
  }
  if (value == 0) throw py::value_error("literal 0 is not allowed; clauses are lists of non-zero ints");
  if (value < -IncrementalSolver::max_variable || value > IncrementalSolver::max_variable)
    throw py::value_error("literal out of range: " + std::to_string(value) + " (variables go up to " +
                          std::to_string(IncrementalSolver::max_variable) + ")");
  return static_cast<int>(value);
}

// A clause: an iterable of literals; a single int where `lit_or_lits` is allowed.
std::vector<int> to_clause(const py::handle& obj, bool single_allowed) {
  std::vector<int> lits;
  if (single_allowed && PyIndex_Check(obj.ptr())) {
    lits.push_back(to_literal(obj));
    return lits;
  }
  if (py::isinstance<py::str>(obj) || !py::hasattr(obj, "__iter__"))
    throw py::type_error("a clause must be a list of ints");
  for (py::handle item : obj) lits.push_back(to_literal(item));
  return lits;
}

Cost to_weight(const py::handle& given, bool zero_allowed) {
  const py::int_ obj = as_int(given, "a weight");
  if (PyObject_RichCompareBool(obj.ptr(), py::int_(0).ptr(), zero_allowed ? Py_LT : Py_LE) == 1)
    throw py::value_error(std::string("a weight must be ") + (zero_allowed ? "at least 0" : "positive") +
                          ", not " + std::string(py::str(static_cast<py::handle>(obj))));
  const unsigned long long value = PyLong_AsUnsignedLongLong(obj.ptr());
  if (PyErr_Occurred()) {
    PyErr_Clear();
    throw py::value_error("weight too large: " + std::string(py::str(static_cast<py::handle>(obj))));
  }
  return static_cast<Cost>(value);
}

py::object status_name(Status s) {
  switch (s) {
    case Status::optimum: return py::str("optimum");
    case Status::satisfiable: return py::str("satisfiable");
    case Status::unsatisfiable: return py::str("unsatisfiable");
    case Status::unknown: break;
  }
  return py::str("unknown");
}

// The shape of PySAT's WCNF: hard clauses, soft clauses and their weights as lists.
struct WCNF {
  py::list hard;
  py::list soft;
  py::list wght;
  int nv = 0;
};

class PySolver {
public:
  explicit PySolver(const py::object& wcnf) {
    if (wcnf.is_none()) return;
    if (!py::hasattr(wcnf, "hard") || !py::hasattr(wcnf, "soft") || !py::hasattr(wcnf, "wght"))
      throw py::type_error("wcnf must have the lists hard, soft and wght (as PySAT's WCNF has)");
    py::list soft = py::list(wcnf.attr("soft"));
    py::list weights = py::list(wcnf.attr("wght"));
    if (soft.size() != weights.size()) throw py::value_error("wcnf.soft and wcnf.wght differ in length");
    for (py::handle cl : wcnf.attr("hard")) add_clause(py::reinterpret_borrow<py::object>(cl), py::none());
    for (std::size_t i = 0; i < soft.size(); ++i) add_clause(soft[i], weights[i]);
  }

  void add_clause(const py::object& lits, const py::object& weight) {
    std::vector<int> clause = to_clause(lits, false);
    Changing hold(*this);
    if (weight.is_none())
      invalid_to_value_error([&] { solver->add_hard(clause); });
    else
      add_weighted(clause, to_weight(weight, false));
  }

  void add_soft(const py::object& lit_or_lits, const py::object& weight) {
    std::vector<int> clause = to_clause(lit_or_lits, true);
    const Cost w = to_weight(weight, false);
    Changing hold(*this);
    add_weighted(clause, w);
  }

  void set_weight(const py::object& lit_or_lits, const py::object& weight) {
    std::vector<int> clause = to_clause(lit_or_lits, true);
    const Cost w = to_weight(weight, true);
    Changing hold(*this);
    invalid_to_value_error([&] { solver->set_soft_weight(clause, w); });
  }

  py::object solve(const py::object& time_limit, const py::object& assumptions) {
    std::vector<int> assumed;
    if (!assumptions.is_none()) assumed = to_clause(assumptions, false);
    std::optional<Clock::time_point> deadline;
    if (!time_limit.is_none()) {
      const double seconds = time_limit.cast<double>();
      deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }
    Changing hold(*this);
    run_without_gil([&](const std::function<bool()>& stop) {
      auto stop_or_deadline = [&] { return stop() || (deadline && Clock::now() >= *deadline); };
      solver->solve(assumed, stop_or_deadline);
    });
    return status_name(solver->status());
  }

  py::object compute(const py::object& time_limit, const py::object& assumptions) {
    solve(time_limit, assumptions);
    return model();
  }

  // Further optimal models: the current optimum's model first (solving when there is none),
  // then each one that differs from those before in `distinct`.
  py::object next_model(bool first, const std::string& distinct) {
    const CubeKind kind = distinct == "values" ? CubeKind::input_values : CubeKind::falsified_softs;
    if (distinct != "values" && distinct != "softs") throw py::value_error("distinct must be 'softs' or 'values'");
    if (first) {
      if (!open().optimum_is_current()) solve(py::none(), py::none());
      return solver->status() == Status::optimum ? model() : py::none();
    }
    Changing hold(*this);
    bool found = false;
    run_without_gil([&](const std::function<bool()>& stop) { found = solver->next_optimal(kind, stop); });
    return found ? model() : py::none();
  }

  void interrupt() {
    if (solver) solver->interrupt();
  }

  void close() {
    std::lock_guard<std::mutex> guard(busy_lock);
    if (busy) throw py::value_error("cannot close a solver while it solves");
    solver.reset();
  }

  py::object model() {
    const IncrementalSolver& s = open();
    if (!s.has_model()) return py::none();
    py::list out;
    for (int v = 1; v <= s.num_vars(); ++v) out.append(s.value(v) ? v : -v);
    return std::move(out);
  }
  py::object cost() {
    const IncrementalSolver& s = open();
    return s.has_model() ? py::object(py::int_(s.cost())) : py::none();
  }
  py::object lower_bound() { return py::int_(open().lower_bound()); }
  py::object status() { return status_name(open().status()); }

private:
  // Keeps a change or a solve from meeting another one from a second thread.
  class Changing {
  public:
    explicit Changing(PySolver& owner) : owner(owner) {
      owner.open();
      std::lock_guard<std::mutex> guard(owner.busy_lock);
      if (owner.busy) throw py::value_error("the solver is busy in another thread");
      owner.busy = true;
    }
    ~Changing() {
      std::lock_guard<std::mutex> guard(owner.busy_lock);
      owner.busy = false;
    }

  private:
    PySolver& owner;
  };

  IncrementalSolver& open() {
    if (!solver) throw py::value_error("the solver is closed");
    return *solver;
  }

  template <class F> void invalid_to_value_error(F change) {
    try {
      change();
    } catch (const std::invalid_argument& e) {
      throw py::value_error(e.what());
    }
  }

  void add_weighted(const std::vector<int>& clause, Cost weight) {
    invalid_to_value_error([&] { solver->add_soft(clause, weight); });
  }

  // Runs `body` with the GIL released. The stop callback it is given checks for Ctrl-C (in the
  // main thread; elsewhere PyErr_CheckSignals does nothing) every 50 ms; once set, the pending
  // KeyboardInterrupt is raised after `body` returns.
  template <class Body> void run_without_gil(Body body) {
    bool signalled = false;
    Clock::time_point next_check = Clock::now();
    auto stop = [&] {
      if (signalled) return true;
      const Clock::time_point now = Clock::now();
      if (now < next_check) return false;
      next_check = now + std::chrono::milliseconds(50);
      py::gil_scoped_acquire gil;
      signalled = PyErr_CheckSignals() != 0;
      return signalled;
    };
    {
      py::gil_scoped_release released;
      body(std::function<bool()>(stop));
    }
    if (signalled) throw py::error_already_set();
  }

  std::unique_ptr<IncrementalSolver> solver{new IncrementalSolver};
  std::mutex busy_lock;
  bool busy = false;
};

// What enumerate() returns: each step asks the solver for one more optimal model.
class ModelEnumerator {
public:
  ModelEnumerator(py::object owner, std::string distinct) : owner(std::move(owner)), distinct(std::move(distinct)) {}
  py::object next() {
    if (done) throw py::stop_iteration();
    py::object model = owner.cast<PySolver&>().next_model(first, distinct);
    first = false;
    if (model.is_none()) {
      done = true;
      throw py::stop_iteration();
    }
    return model;
  }

private:
  py::object owner;
  std::string distinct;
  bool first = true;
  bool done = false;
};

WCNF read_instance(const std::string& path) {
  InstanceLists lists;
  {
    py::gil_scoped_release released;
    try {
      lists = read_instance_lists(path);
    } catch (const ReadError& e) {
      // A file that does not open or read is the system's complaint; the rest is the file's.
      const std::string message = e.what();
      py::gil_scoped_acquire gil;
      if (message.rfind("Could not", 0) == 0) {
        PyErr_SetString(PyExc_OSError, message.c_str());
        throw py::error_already_set();
      }
      throw py::value_error(message);
    }
  }
  WCNF out;
  auto to_list = [&out](const std::vector<int>& clause) {
    py::list lits;
    for (int lit : clause) {
      lits.append(lit);
      out.nv = std::max(out.nv, lit < 0 ? -lit : lit);
    }
    return lits;
  };
  for (const auto& cl : lists.hard) out.hard.append(to_list(cl));
  for (const auto& cl : lists.soft) out.soft.append(to_list(cl));
  for (Cost w : lists.weights) out.wght.append(py::int_(w));
  return out;
}

}  // namespace

PYBIND11_MODULE(quarnel, m) {
  m.doc() = "quarnel: a core-guided MaxSAT solver (incremental OLL engine over CaDiCaL)";

  py::class_<WCNF>(m, "WCNF", "An instance as lists: hard clauses, soft clauses and their weights (wght).")
      .def(py::init<>())
      .def_readwrite("hard", &WCNF::hard)
      .def_readwrite("soft", &WCNF::soft)
      .def_readwrite("wght", &WCNF::wght)
      .def_readwrite("nv", &WCNF::nv, "the largest variable")
      .def("__repr__", [](const WCNF& w) {
        return "<quarnel.WCNF: " + std::to_string(w.hard.size()) + " hard, " + std::to_string(w.soft.size()) +
               " soft clauses>";
      });

  m.def("read", &read_instance, py::arg("path"),
        "Reads an instance file (cnf, wcnf old and 2022+, pmcnf; plain, gzip, xz or bzip2) into a WCNF.\n"
        "Raises OSError when the file cannot be opened or read, ValueError when it is malformed.");

  py::class_<ModelEnumerator>(m, "ModelEnumerator")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &ModelEnumerator::next);

  py::class_<PySolver>(m, "Solver",
                       "A MaxSAT solver. Hard clauses and weighted soft clauses may be added between solves.")
      .def(py::init<const py::object&>(), py::arg("wcnf") = py::none())
      .def("add_clause", &PySolver::add_clause, py::arg("lits"), py::arg("weight") = py::none(),
           "Adds a hard clause, or a soft clause when a weight (a positive int) is given.")
      .def("add_soft", &PySolver::add_soft, py::arg("lit_or_lits"), py::arg("weight"),
           "Adds a soft clause (a literal or a list of literals) costing `weight` when false; "
           "the weights of a clause added twice add up.")
      .def("set_weight", &PySolver::set_weight, py::arg("lit_or_lits"), py::arg("weight"),
           "Sets the weight of a soft clause (0: it costs nothing).")
      .def("solve", &PySolver::solve, py::arg("time_limit") = py::none(), py::arg("assumptions") = py::none(),
           "Solves; returns 'optimum', 'satisfiable' (stopped with a model), 'unsatisfiable' or 'unknown'.")
      .def("compute", &PySolver::compute, py::arg("time_limit") = py::none(), py::arg("assumptions") = py::none(),
           "Solves and returns the model as a list of signed ints, or None without one.")
      .def(
          "enumerate",
          [](py::object self, const std::string& distinct) { return ModelEnumerator(self, distinct); },
          py::arg("distinct") = "softs",
          "Optimal models one after the other, differing in the falsified soft clauses ('softs') "
          "or in the variables ('values').")
      .def("interrupt", &PySolver::interrupt, "Stops the running solve; callable from another thread.")
      .def("close", &PySolver::close)
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](PySolver& s, py::args) { s.close(); })
      .def_property_readonly("model", &PySolver::model)
      .def_property_readonly("cost", &PySolver::cost)
      .def_property_readonly("lower_bound", &PySolver::lower_bound)
      .def_property_readonly("status", &PySolver::status);
}
