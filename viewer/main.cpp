// RavokViewer4: a read-only look at a tracker on a serial port.
//   RavokViewer4 [PORT]   PORT (a name such as ttyUSB0, or a device path) goes in the port box
#include <QApplication>

#include "viewer/ViewerWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString port;
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size() && port.isEmpty(); ++i)
    if (!args[i].startsWith(QLatin1Char('-'))) port = args[i];
  ravok::viewer::TForm1 form(port);
  form.show();
  return app.exec();
}
