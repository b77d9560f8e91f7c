// One turn of the Qt event loop for the waiting loops of the links: delivers what is
// pending and otherwise sleeps until the next event arrives, at most kPumpTickMs.
//
// Sleeping matters: QCoreApplication::processEvents with a time limit never blocks, so a
// loop around it spins. On a busy machine a spinning process uses up its share and is
// descheduled just when an answer byte arrives, while a sleeping one is woken at once.
// The tick bounds the sleep so that time-outs and the Terminate flag are still checked.
#pragma once

#include <QTimer>

namespace ravok {

constexpr int kPumpTickMs = 5;

class EventPump {
 public:
  void Run();

 private:
  QTimer tick_;
};

}  // namespace ravok
