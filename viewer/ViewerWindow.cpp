#include "viewer/ViewerWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "viewer/StateIcons.h"
#include "locallink/QtTextLocale.h"

namespace ravok::viewer {
namespace {

constexpr int kClientWidth = 584;
constexpr int kClientHeight = 461;
constexpr int kNameColumnWidth = 250;
constexpr int kValueColumnWidth = 320;
// Where a state icon sits in its value cell.
constexpr int kIconLeft = 280;
constexpr int kIconTop = 1;
constexpr int kRowHeight = kStateIconSize + 4;
// How long one ProcessMessages lets the event loop run while an answer is awaited.
constexpr int kPumpMs = 5;

// ValueListEditor1DrawCell: the value cell of data row r carries the icon stored under r.
class IconDelegate : public QStyledItemDelegate {
 public:
  IconDelegate(TForm1& form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 1) return;
    const int icon = form_.Link().IconOfRow(index.row() + 1);
    if (icon <= 0 || icon > form_.ImageList1().size()) return;
    painter->drawPixmap(option.rect.left() + kIconLeft, option.rect.top() + kIconTop,
                        form_.ImageList1()[icon - 1]);
  }

 private:
  TForm1& form_;
};

}  // namespace

// The shell of the viewer: message boxes on the window, the debug log in Memo1, and the
// event loop while an answer is awaited.
class TForm1::WindowShell : public Shell {
 public:
  explicit WindowShell(TForm1& form) : form_(form) {}
  MsgResult CenteredMessage(const QString& text, MsgKind kind, MsgButtons buttons) override {
    return form_.MessageBox(text, kind, buttons);
  }
  void ProcessMessages() override {
    QEventLoop loop;
    QTimer::singleShot(kPumpMs, &loop, &QEventLoop::quit);
    loop.exec();
  }
  void AddLogLine(const QString& line) override { form_.Memo1->appendPlainText(line); }
  void ShowDeleteCount(int) override {}

 protected:
  void DisplayStatusText(const QString&) override {}
  void DisplayProgressText(const QString&) override {}
  void ShowBusyWindow() override {}
  void HideBusyWindow() override {}

 private:
  TForm1& form_;
};

QStringList SystemPortNames() {
  QStringList names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) names << info.portName();
  return names;
}

TForm1::TForm1(const QString& portName, QWidget* parent)
    : QMainWindow(parent), shell_(std::make_unique<WindowShell>(*this)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("RavokViewer4 V1.00"));
  link_ = std::make_unique<ViewerLink>(*shell_, transport_);
  images_ = DrawStateIcons();
  MessageBox = [this](const QString& text, MsgKind kind, MsgButtons buttons) {
    if (isMinimized()) showNormal();
    const auto icon = kind == MsgKind::Error         ? QMessageBox::Critical
                      : kind == MsgKind::Information ? QMessageBox::Information
                                                     : QMessageBox::Question;
    const auto set = buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                  : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(icon, windowTitle(), text, set, this);
    const int pressed = box.exec();
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    return pressed == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
  };

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(BuildPages(), 1);
  layout->addWidget(BuildBottomPanel());
  setCentralWidget(central);

  setFixedWidth(kClientWidth);
  setMinimumHeight(kClientHeight);
  resize(kClientWidth, kClientHeight);
  FormCreate(portName);
}

TForm1::~TForm1() {
  link_->Stop();
  SerialClose();
}

QWidget* TForm1::BuildPages() {
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setDocumentMode(true);  // flat tabs

  ValueListEditor1 = new QTableWidget(0, 2, PageControl1);
  ValueListEditor1->setObjectName(QStringLiteral("ValueListEditor1"));
  ValueListEditor1->setHorizontalHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
  ValueListEditor1->setColumnWidth(0, kNameColumnWidth);
  ValueListEditor1->setColumnWidth(1, kValueColumnWidth);
  ValueListEditor1->verticalHeader()->hide();
  ValueListEditor1->verticalHeader()->setDefaultSectionSize(kRowHeight);
  ValueListEditor1->setEditTriggers(QAbstractItemView::CurrentChanged |
                                    QAbstractItemView::SelectedClicked);
  ValueListEditor1->setItemDelegate(new IconDelegate(*this, ValueListEditor1));
  PageControl1->addTab(ValueListEditor1, QStringLiteral("Parameters"));

  Memo1 = new QPlainTextEdit(PageControl1);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  PageControl1->addTab(Memo1, QStringLiteral("Debug"));
  return PageControl1;
}

QWidget* TForm1::BuildBottomPanel() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  auto* row = new QHBoxLayout(panel);
  Label1 = new QLabel(QStringLiteral("Connection:"), panel);
  Label1->setObjectName(QStringLiteral("Label1"));
  ComboBox1 = new QComboBox(panel);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setMinimumWidth(140);
  ComboBox2 = new QComboBox(panel);
  ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
  for (int speed : kSpeeds) ComboBox2->addItem(QString::number(speed));
  BitBtn1 = new QPushButton(DrawGlyph(Glyph::Connect), QStringLiteral("&Connect"), panel);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn2 = new QPushButton(DrawGlyph(Glyph::Refresh), QStringLiteral("&Refresh"), panel);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn3 = new QPushButton(DrawGlyph(Glyph::Exit), QStringLiteral("&Exit"), panel);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
  row->addWidget(Label1);
  row->addWidget(ComboBox1);
  row->addWidget(ComboBox2);
  row->addStretch(1);
  row->addWidget(BitBtn1);
  row->addWidget(BitBtn2);
  row->addWidget(BitBtn3);
  return panel;
}

void TForm1::FormCreate(const QString& portName) {
  const QStringList ports = SystemPortNames();
  ComboBox1->addItems(ports);
  ComboBox1->setEditText(ports.isEmpty() ? QStringLiteral("COM1") : ports.first());
  if (!portName.isEmpty()) ComboBox1->setEditText(portName);
  ComboBox2->setCurrentIndex(0);
  link_->WaitFlag = wait::kNone;
  link_->DataSeqNo = 0;
  link_->ParametersIcon.clear();
}

void TForm1::SetConnected(bool connected) {
  ComboBox1->setEnabled(!connected);
  ComboBox2->setEnabled(!connected);
  BitBtn1->setText(connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
}

void TForm1::BitBtn1Click() {
  if (SerialIsOpen()) {
    SerialClose();
    SetConnected(false);
    return;
  }
  const QString port = ComboBox1->currentText();
  ViewerLink* link = link_.get();
  if (!SerialOpen(port, SpeedOfEntry(ComboBox2->currentIndex()),
                  [link](const TBuffer& data, int len) { link->FrameReceived(data, len); })) {
    shell_->ShowError(kCannotOpenText + port);
    return;
  }
  SetConnected(true);
  link_->SendIdentity();
}

void TForm1::AddLine(const QString& line) {
  const int row = ValueListEditor1->rowCount();
  ValueListEditor1->insertRow(row);
  const int eq = line.indexOf(QLatin1Char('='));
  auto* name = new QTableWidgetItem(eq < 0 ? QString() : line.left(eq));
  name->setFlags(name->flags() & ~Qt::ItemIsEditable);
  ValueListEditor1->setItem(row, 0, name);
  ValueListEditor1->setItem(row, 1, new QTableWidgetItem(eq < 0 ? line : line.mid(eq + 1)));
}

void TForm1::BitBtn2Click() {
  if (!SerialIsOpen()) {
    shell_->ShowError(kNotSelectedText);
    return;
  }
  BitBtn2->setEnabled(false);
  ValueListEditor1->setRowCount(0);
  link_->Refresh(OperatorTextLocale(), [this](const QString& line) { AddLine(line); });
  ValueListEditor1->viewport()->update();
  BitBtn2->setEnabled(true);
}

void TForm1::BitBtn3Click() { close(); }

// FormClose: a refresh still running stops before its next request; the icons go.
void TForm1::closeEvent(QCloseEvent* event) {
  link_->Stop();
  link_->ParametersIcon.clear();
  QMainWindow::closeEvent(event);
}

}  // namespace ravok::viewer
