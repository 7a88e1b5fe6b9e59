// Hands out variable ids. The reader and the facade raise the top id past the instance's
// variables, so that relaxation and auxiliary variables never collide with them.
#ifndef QUARNEL_CLAUSES_ID_MANAGER_HH
#define QUARNEL_CLAUSES_ID_MANAGER_HH

class IDManager {
public:
  // The next unused id; the first call on a fresh manager returns 1.
  long new_id() { return ++top_id; }
  long get_top_id() const { return top_id; }
  void set_top_id(long v) { top_id = v; }

private:
  long top_id = 0;
};

#endif
