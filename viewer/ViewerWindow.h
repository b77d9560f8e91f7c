// RavokViewer4's main window: port and speed boxes, Connect/Disconnect, Refresh, Exit, the
// value list with its state icons and the debug log. The requests, the receiver and the
// refresh are ViewerLink's; this window binds its controls to them and to the serial port.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <functional>
#include <memory>

#include "locallink/Serial.h"
#include "locallink/Shell.h"
#include "viewer/ViewerLink.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace ravok::viewer {

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // portName: put in the port box instead of the first port the system lists (when not empty).
  explicit TForm1(const QString& portName = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // Shows a message box centred on the window; tests replace it to record the messages.
  std::function<MsgResult(const QString&, MsgKind, MsgButtons)> MessageBox;

  ViewerLink& Link() { return *link_; }
  const QList<QPixmap>& ImageList1() const { return images_; }

  QLabel* Label1;
  QComboBox* ComboBox1;
  QComboBox* ComboBox2;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;
  QTabWidget* PageControl1;
  QTableWidget* ValueListEditor1;
  QPlainTextEdit* Memo1;

 public slots:
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class WindowShell;
  void FormCreate(const QString& portName);
  QWidget* BuildBottomPanel();
  QWidget* BuildPages();
  void AddLine(const QString& line);
  void SetConnected(bool connected);

  std::unique_ptr<WindowShell> shell_;
  SerialTransport transport_;
  std::unique_ptr<ViewerLink> link_;
  QList<QPixmap> images_;
};

// The port names the system lists, in its order.
QStringList SystemPortNames();

}  // namespace ravok::viewer
