// RavokViewer4: a read-only look at a tracker on a serial port.
//   RavokViewer4 [PORT]   PORT (a name such as ttyUSB0, or a device path) goes in the port box
#include <QApplication>

#include "viewer/ViewerWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  ravok::viewer::TForm1 form(args.size() > 1 ? args[1] : QString());
  form.show();
  return app.exec();
}
