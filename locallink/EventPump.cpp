#include "locallink/EventPump.h"

#include <QCoreApplication>

namespace ravok {

void EventPump::Run() {
  if (!QCoreApplication::instance()) return;
  if (!tick_.isActive()) tick_.start(kPumpTickMs);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace ravok
