// How the driver reports a result: the model lines and, with "-mse", the conventions of the
// current MaxSAT evaluations. Without "-mse" the "v" line lists the model as literals and a
// normal end has exit status 0; with it, the "v" line is one character 0 or 1 per variable from
// 1 up to the instance's largest, the line "v " is left out when there is no model, and the exit
// status tells the outcome: 30 optimum, 20 unsatisfiable, 10 a model not proven optimal, 0 no
// answer.
#ifndef QUARNEL_APP_RESULT_OUTPUT_HH
#define QUARNEL_APP_RESULT_OUTPUT_HH

#include <vector>

class QuarnelExtended;

enum class RunOutcome { optimum, unsatisfiable, satisfiable, unknown };

// Writes `lits` (true literals, increasing in variable), each followed by a blank, for the
// variables up to `bound` (all of them when bound is negative), then an end of line.
void print_model_literals(const std::vector<int>& lits, long bound);

// The "v" line of the model of the last solve, over the input variables; nothing under "-mse"
// when the run has no model.
void print_v_line(QuarnelExtended& q, RunOutcome outcome);

// The exit status of a run that ended with `outcome`. Without "-mse" it is 0, also for the
// outcomes satisfiable and unknown: the caller ends those runs with status 3 itself.
int exit_status_of(RunOutcome outcome);

// Under "-mse" with the default engine: a run whose budget runs out prints "s UNKNOWN" (the
// engine has no model before its optimum) and ends with exit status 0.
void report_timeouts_as_unknown(QuarnelExtended& q);

#endif
