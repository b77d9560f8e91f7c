#include "locallink/Shell.h"

namespace ravok {

void Shell::SetStatusText(const QString& text) {
  statusText_ = text;
  refreshTimer_ = kStatusRevertTicks;
  DisplayStatusText(text);
}

void Shell::StatusTick() {
  if (semaphore_) return;
  if (refreshTimer_ > 0) {
    --refreshTimer_;
    if (refreshTimer_ == 0) {
      statusText_ = QStringLiteral("Ready");
      DisplayStatusText(statusText_);
    }
  }
}

bool Shell::BeginBusy() {
  if (semaphore_) return false;
  semaphore_ = true;
  ShowBusyWindow();
  return true;
}

void Shell::EndBusy() {
  HideBusyWindow();
  semaphore_ = false;
}

void Shell::SetProgressText(const QString& text) {
  progressText_ = text;
  DisplayProgressText(text);
}

}  // namespace ravok
