/* IPAMIR from C: x1 or x2 must hold; x1 costs 2 and x2 costs 3 when true. The first solve
 * finds cost 2 (x1 true, x2 false; x3 is in no clause yet, its value is 0); a clause that forbids x1 without x3 and a soft x3 of weight 4 make
 * the second solve's optimum 3; the last solve assumes x1 and pays 6.
 *
 * Build: cc examples/ipamir_demo.c -I build/ipamir -L build/ipamir -lipamirquarnel $(cat build/ipamir/LIBS) */
#include <stdio.h>

#include "ipamir.h"

static void report(void* solver, int answer) {
  printf("answer %d", answer);
  if (answer == 30 || answer == 10) {
    printf(", cost %llu, model", (unsigned long long)ipamir_val_obj(solver));
    for (int v = 1; v <= 3; ++v) printf(" %d", ipamir_val_lit(solver, v));
  }
  printf("\n");
}

int main(void) {
  void* solver = ipamir_init();
  printf("%s\n", ipamir_signature());
  ipamir_add_hard(solver, 1);
  ipamir_add_hard(solver, 2);
  ipamir_add_hard(solver, 0);
  ipamir_add_soft_lit(solver, 1, 2);
  ipamir_add_soft_lit(solver, 2, 3);
  report(solver, ipamir_solve(solver));

  ipamir_add_hard(solver, -1);
  ipamir_add_hard(solver, 3);
  ipamir_add_hard(solver, 0);
  ipamir_add_soft_lit(solver, 3, 4);
  report(solver, ipamir_solve(solver));

  ipamir_assume(solver, 1);
  report(solver, ipamir_solve(solver));
  ipamir_release(solver);
  return 0;
}
