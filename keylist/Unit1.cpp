#include "keylist/Unit1.h"

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "keylist/LineNumberEdit.h"

namespace ravok {
namespace {

constexpr int kClientWidth = 464;
constexpr int kClientHeight = 421;
constexpr int kDescriptionHeight = 153;

QFont EditorFont() {
  QFont font(QStringLiteral("Consolas"));
  font.setStyleHint(QFont::Monospace);
  return font;
}

QColor RoleColor(const QPalette& palette, ColorRole role) {
  switch (role) {
    case ColorRole::WindowText: return palette.color(QPalette::Text);
    case ColorRole::Window: return palette.color(QPalette::Base);
    case ColorRole::Highlight: return palette.color(QPalette::Highlight);
    case ColorRole::ButtonFace: return palette.color(QPalette::Button);
  }
  return {};
}

QFileDialog* MakeDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode,
                        const QString& suffix, const QString& filter) {
  auto* dialog = new QFileDialog(parent);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                      : QFileDialog::AnyFile);
  dialog->setDefaultSuffix(suffix);
  dialog->setNameFilter(filter);
  return dialog;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Keylist Files Creator V1.4"));

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);

  SynEdit1 = new LineNumberEdit(central);
  SynEdit1->setObjectName(QStringLiteral("SynEdit1"));
  SynEdit1->setFont(EditorFont());
  SynEdit1->SetLineColors(
      [this](int line, const QString& text) { return SynEdit1SpecialLineColors(line, text); });
  layout->addWidget(SynEdit1, 1);

  auto* fields = new QHBoxLayout;
  Label1 = new QLabel(QStringLiteral("CRCC:"), central);
  Label1->setObjectName(QStringLiteral("Label1"));
  Edit1 = new QLineEdit(QStringLiteral("1"), central);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Label2 = new QLabel(QStringLiteral("VERSION:"), central);
  Label2->setObjectName(QStringLiteral("Label2"));
  Edit2 = new QLineEdit(QStringLiteral("1.000.000"), central);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Label1->setBuddy(Edit1);
  Label2->setBuddy(Edit2);
  fields->addWidget(Label1);
  fields->addWidget(Edit1);
  fields->addWidget(Label2);
  fields->addWidget(Edit2);
  layout->addLayout(fields);

  SynEdit2 = new LineNumberEdit(central);
  SynEdit2->setObjectName(QStringLiteral("SynEdit2"));
  SynEdit2->setFont(EditorFont());
  SynEdit2->setFixedHeight(kDescriptionHeight);
  layout->addWidget(SynEdit2);
  setCentralWidget(central);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  statusPanel_ = new QLabel(StatusBar1);
  StatusBar1->addWidget(statusPanel_, 1);
  setStatusBar(StatusBar1);

  BuildMenu();
  BuildDialogs();
  RunDialog = [](QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
  };

  // The client area (below the menu) starts at 464 x 421, which is also the smallest height;
  // the width is fixed.
  const int height = kClientHeight + menuBar()->sizeHint().height();
  setFixedWidth(kClientWidth);
  setMinimumHeight(height);
  resize(kClientWidth, height);
  SynEdit1->setFocus();
}

void TForm1::BuildMenu() {
  auto* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  auto* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  Open1 = file->addAction(QStringLiteral("&Open"), this, &TForm1::Open1Click);
  Open1->setObjectName(QStringLiteral("Open1"));
  Write1 = file->addAction(QStringLiteral("&Write"), this, &TForm1::Write1Click);
  Write1->setObjectName(QStringLiteral("Write1"));
  Export1 = file->addAction(QStringLiteral("&Export"), this, &TForm1::Export1Click);
  Export1->setObjectName(QStringLiteral("Export1"));
  Exit1 = bar->addAction(QStringLiteral("E&xit"), this, &TForm1::Exit1Click);
  Exit1->setObjectName(QStringLiteral("Exit1"));
}

void TForm1::BuildDialogs() {
  const QString xml = QStringLiteral("XML (*.xml)");
  OpenDialog1 = MakeDialog(this, "OpenDialog1", QFileDialog::AcceptOpen, QStringLiteral("xml"), xml);
  SaveDialog1 = MakeDialog(this, "SaveDialog1", QFileDialog::AcceptSave, QStringLiteral("xml"), xml);
  SaveDialog2 = MakeDialog(this, "SaveDialog2", QFileDialog::AcceptSave, QStringLiteral("bin"),
                           QStringLiteral("BIN (*.bin)"));
}

KeyList TForm1::Content() const {
  KeyList list;
  list.keys = LinesOf(SynEdit1->toPlainText());
  list.description = LinesOf(SynEdit2->toPlainText());
  list.crcc = Edit1->text();
  list.version = Edit2->text();
  return list;
}

void TForm1::ShowContent(const KeyList& list) {
  SynEdit1->setPlainText(list.keys.join(QLatin1Char('\n')));
  SynEdit2->setPlainText(list.description.join(QLatin1Char('\n')));
  Edit1->setText(list.crcc);
  Edit2->setText(list.version);
}

QString TForm1::StatusText() const { return statusPanel_->text(); }

void TForm1::SetStatus(const KeyListOutcome& outcome) {
  if (!outcome.status.isEmpty()) statusPanel_->setText(outcome.status);
}

bool TForm1::OpenKeyList(const QString& path) {
  const KeyList before = Content();
  KeyList list = before;
  const KeyListOutcome outcome = ravok::OpenKeyList(path, list);
  if (list != before) ShowContent(list);  // an unreadable file leaves the editors as they are
  SetStatus(outcome);
  return outcome.ok;
}

bool TForm1::WriteKeyList(const QString& path) {
  const KeyListOutcome outcome = ravok::WriteKeyList(path, Content());
  SetStatus(outcome);
  return outcome.ok;
}

bool TForm1::ExportKeyList(const QString& path) {
  const KeyListOutcome outcome = ravok::ExportKeyList(path, Content());
  SetStatus(outcome);
  return outcome.ok;
}

void TForm1::Open1Click() {
  const QString path = RunDialog(*OpenDialog1);
  if (!path.isEmpty()) OpenKeyList(path);
}

void TForm1::Write1Click() {
  SaveDialog1->selectFile(SuggestedXmlName(Edit1->text()));
  const QString path = RunDialog(*SaveDialog1);
  if (!path.isEmpty()) WriteKeyList(path);
}

void TForm1::Export1Click() {
  SaveDialog2->selectFile(SuggestedBinName(Edit1->text()));
  const QString path = RunDialog(*SaveDialog2);
  if (!path.isEmpty()) ExportKeyList(path);
}

void TForm1::Exit1Click() { close(); }

// The editor outlives this part of the window while its base classes are torn down, and may
// repaint meanwhile: it must no longer ask the window for its colours.
TForm1::~TForm1() { SynEdit1->SetLineColors({}); }

std::optional<std::pair<QColor, QColor>> TForm1::SynEdit1SpecialLineColors(
    int line, const QString& text) const {
  const LineColors colors = KeyLineColors(line, text);
  const QPalette& pal = SynEdit1->palette();
  return std::make_pair(RoleColor(pal, colors.text), RoleColor(pal, colors.background));
}

}  // namespace ravok
