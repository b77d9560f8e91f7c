// The key list creator's main window: two line-numbered editors (keys, description), the
// CRCC and VERSION fields, the status bar and the File menu. The file formats live in
// KeyList.h; this window only moves text between its controls and those functions.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <functional>
#include <optional>
#include <utility>

#include "keylist/KeyList.h"

class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QStatusBar;

namespace ravok {

class LineNumberEdit;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The menu's file operations on a path; each returns success and sets the status bar.
  bool OpenKeyList(const QString& path);
  bool WriteKeyList(const QString& path);
  bool ExportKeyList(const QString& path);

  // The window's content as a key list, and back.
  KeyList Content() const;
  void ShowContent(const KeyList& list);
  QString StatusText() const;

  // Runs a file dialog and returns the chosen path, empty when cancelled. Tests replace it.
  std::function<QString(QFileDialog&)> RunDialog;

  LineNumberEdit* SynEdit1;
  LineNumberEdit* SynEdit2;
  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QStatusBar* StatusBar1;
  QFileDialog* OpenDialog1;
  QFileDialog* SaveDialog1;
  QFileDialog* SaveDialog2;
  QAction* Open1;
  QAction* Write1;
  QAction* Export1;
  QAction* Exit1;

 public slots:
  void Open1Click();
  void Write1Click();
  void Export1Click();
  void Exit1Click();

 private:
  void BuildMenu();
  void BuildDialogs();
  void SetStatus(const KeyListOutcome& outcome);
  std::optional<std::pair<QColor, QColor>> SynEdit1SpecialLineColors(int line,
                                                                     const QString& text) const;

  QLabel* statusPanel_;
};

}  // namespace ravok
