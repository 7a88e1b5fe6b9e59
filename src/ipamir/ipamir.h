/* The incremental MaxSAT interface (IPAMIR) of quarnel, for C and C++ programs.
 *
 * A solver holds hard clauses and soft literals. Setting a soft literal true costs its weight;
 * a solve looks for a model of the hard clauses (and of the assumptions given since the last
 * solve) whose true soft literals weigh least. Between solves, hard clauses and soft literals
 * may be added and weights changed; the solver keeps what it learned where it stays valid.
 * Literals are non-zero integers: variable v true is v, false is -v (|v| <= 2^25).
 *
 * Link with: -L DIR -lipamirquarnel $(cat DIR/LIBS), DIR being the folder that holds
 * libipamirquarnel.a and LIBS. */
#ifndef QUARNEL_IPAMIR_H
#define QUARNEL_IPAMIR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Name and version of the solver. */
const char* ipamir_signature(void);

/* A new solver without clauses; release it with ipamir_release. */
void* ipamir_init(void);
void ipamir_release(void* solver);

/* Adds a literal to the hard clause being built; 0 ends the clause and adds it. */
void ipamir_add_hard(void* solver, int32_t lit_or_zero);

/* Makes `lit` a soft literal: a model that sets it true costs `weight`. Called again for the
 * same literal, it sets the literal's weight to `weight` (0: it costs nothing any more). */
void ipamir_add_soft_lit(void* solver, int32_t lit, uint64_t weight);

/* `lit` must be true in the next solve only. */
void ipamir_assume(void* solver, int32_t lit);

/* Solves. Returns
 *   0  interrupted (terminate callback) before any model was found,
 *  10  interrupted with a model, not proven optimal,
 *  20  the hard clauses and assumptions have no model,
 *  30  an optimal model was found,
 *  40  an unsupported sequence of calls: a hard clause not ended by 0, or an earlier call
 *      with a literal out of range or weights summing beyond 2^63 - 1 (that call was ignored). */
int ipamir_solve(void* solver);

/* After a solve that returned 10 or 30: the cost of the model. */
uint64_t ipamir_val_obj(void* solver);

/* After a solve that returned 10 or 30: `lit` when it is true in the model, -lit when false,
 * 0 for a variable the instance does not contain. */
int32_t ipamir_val_lit(void* solver, int32_t lit);

/* `terminate(state)` is polled during solves; a non-zero answer stops the solve. A null
 * callback removes it. */
void ipamir_set_terminate(void* solver, void* state, int (*terminate)(void* state));

#ifdef __cplusplus
}
#endif

#endif
