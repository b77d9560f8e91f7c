// The progress display the transactions drive: a percentage in the shell's progress text
// that only grows during a transaction, and a block progress for image uploads that takes
// precedence while it runs.
#pragma once

#include "locallink/Shell.h"

namespace ravok {

class ProgressDisplay {
 public:
  explicit ProgressDisplay(Shell& shell) : shell_(shell) {}

  void SetProgressMax(int n) { StatusMax = n; }
  void ShowProgress(int i) { ShowProgressOf(i, StatusMax); }
  void ShowProgressOf(int i, int max);
  void SetBlockProgressMax(int n) { StatusMax2nd = n; }
  void ShowBlockProgress(int b);

  int StatusMax = 100;   // total behind the configuration progress
  int StatusMax2nd = 0;  // total behind the block progress; 0 while no block transfer runs

 private:
  Shell& shell_;
};

// The percentage 100 / max * position, at most 100, truncated to a whole number.
int ProgressPercent(int position, int max);

}  // namespace ravok
