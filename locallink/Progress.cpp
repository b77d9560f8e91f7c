#include "locallink/Progress.h"

#include <algorithm>

namespace ravok {

int ProgressPercent(int position, int max) {
  if (max <= 0 || position <= 0) return 0;
  const double p = 100.0 / max * position;
  return static_cast<int>(std::min(p, 100.0));
}

void ProgressDisplay::ShowProgressOf(int i, int max) {
  if (StatusMax2nd != 0) return;
  if (max <= 0 || i <= 0) {
    shell_.SetProgressText(QStringLiteral("0"));
    return;
  }
  const int p = ProgressPercent(i, max);
  bool ok = false;
  int shown = shell_.ProgressText().toInt(&ok);
  if (!ok) shown = 0;
  if (p > shown) shell_.SetProgressText(QString::number(p));
}

void ProgressDisplay::ShowBlockProgress(int b) {
  if (StatusMax2nd <= 0) return;
  shell_.SetProgressText(QString::number(ProgressPercent(b, StatusMax2nd)));
}

}  // namespace ravok
