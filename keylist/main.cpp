// KeylistXml: the driver key list creator.
#include <QApplication>

#include "keylist/Unit1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ravok::TForm1 form;
  form.show();
  return app.exec();
}
