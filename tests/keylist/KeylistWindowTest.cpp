// Wiring of the key list creator's window: menu actions, dialogs with their suggested names,
// fields, status bar and the line colours. The formats themselves are tested below the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include "keylist/LineNumberEdit.h"
#include "keylist/Unit1.h"
#include "tests/keylist/QtPrinters.h"

namespace ravok {
namespace {

TEST(KeylistWindowTest, MenuOpensWritesAndExports) {
  TForm1 form;
  form.show();
  EXPECT_EQ(form.windowTitle(), "Keylist Files Creator V1.4");
  EXPECT_EQ(form.width(), 464);
  EXPECT_EQ(form.minimumWidth(), form.maximumWidth());
  EXPECT_EQ(form.Edit1->text(), "1");
  EXPECT_EQ(form.Edit2->text(), "1.000.000");
  EXPECT_EQ(form.SynEdit2->height(), 153);
  for (const char* name : {"SynEdit1", "SynEdit2", "Edit1", "Edit2", "StatusBar1", "MainMenu1"})
    EXPECT_NE(form.findChild<QObject*>(name), nullptr) << name;

  QTemporaryDir dir;
  QString offered;
  QString answer;
  form.RunDialog = [&](QFileDialog& dialog) {
    offered = QFileInfo(dialog.selectedFiles().value(0)).fileName();
    return answer;
  };

  QTest::keyClicks(form.SynEdit1, "0123456789ABCDEF");
  QTest::keyClick(form.SynEdit1, Qt::Key_Return);
  QTest::keyClicks(form.SynEdit1, "0000000000000001");
  form.SynEdit2->setPlainText("north depot");
  form.Edit1->setText("77");
  form.Edit2->setText("2.000.000");

  answer = dir.filePath("list.xml");
  form.Write1->trigger();
  EXPECT_EQ(offered, "DallasList_77.xml");
  EXPECT_EQ(form.StatusText(), "Ready: 2 lines");

  answer = dir.filePath("list.bin");
  form.Export1->trigger();
  EXPECT_EQ(offered, "DallasList_000077_USB.bin");
  EXPECT_EQ(QFileInfo(answer).size(), 16 + 256);

  form.SynEdit1->clear();
  form.SynEdit2->clear();
  form.Edit1->clear();
  form.Edit2->clear();
  answer = dir.filePath("list.xml");
  form.Open1->trigger();
  EXPECT_EQ(form.SynEdit1->toPlainText(), "0123456789ABCDEF\n0000000000000001");
  EXPECT_EQ(form.SynEdit2->toPlainText(), "north depot");
  EXPECT_EQ(form.Edit1->text(), "77");
  EXPECT_EQ(form.Edit2->text(), "2.000.000");
  EXPECT_EQ(form.StatusText(), "Ready: 2 lines");

  // A cancelled dialog does nothing.
  answer.clear();
  form.SynEdit1->setPlainText("short");
  form.Write1->trigger();
  EXPECT_EQ(form.StatusText(), "Ready: 2 lines");
  answer = dir.filePath("other.xml");
  form.Write1->trigger();
  EXPECT_EQ(form.StatusText(), "Error in line: 1 data: short");

  form.Exit1->trigger();
  EXPECT_FALSE(form.isVisible());
}

// The colour a line shows at the right edge of the editor (the row is filled across), and
// the text colour set on it.
struct ShownLine {
  QColor background;
  QColor text;
};
ShownLine Shown(LineNumberEdit& edit, int blockNumber) {
  const QImage shot = edit.viewport()->grab().toImage();
  const QTextBlock block = edit.document()->findBlockByNumber(blockNumber);
  const int y = edit.cursorRect(QTextCursor(block)).center().y();
  ShownLine shown{shot.pixelColor(shot.width() - 3, y), QColor()};
  for (const auto& sel : edit.extraSelections())
    if (sel.cursor.hasSelection() && sel.cursor.block().blockNumber() == blockNumber)
      shown.text = sel.format.foreground().color();
  return shown;
}

TEST(KeylistWindowTest, KeyLinesAreColouredByTheRule) {
  TForm1 form;
  form.show();
  form.SynEdit1->setPlainText("0123456789ABCDE\n0000000000000002\n0123456789ABCDEF\n0123456789ABCDEF");
  QApplication::processEvents();
  const QPalette& pal = form.SynEdit1->palette();
  const QColor expected[4][2] = {
      {pal.color(QPalette::Text), pal.color(QPalette::Highlight)},
      {pal.color(QPalette::Base), pal.color(QPalette::Text)},
      {pal.color(QPalette::Text), pal.color(QPalette::Base)},
      {pal.color(QPalette::Text), pal.color(QPalette::Button)},
  };
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    const ShownLine shown = Shown(*form.SynEdit1, i);
    EXPECT_EQ(shown.text, expected[i][0]);
    EXPECT_EQ(shown.background, expected[i][1]);
  }
  // Only the lines on screen are coloured; scrolling colours the ones that come into view.
  QStringList many;
  for (int i = 1; i <= 500; ++i) many << (i == 500 ? "short" : "0123456789ABCDEF");
  form.SynEdit1->setPlainText(many.join('\n'));
  QApplication::processEvents();
  EXPECT_LT(form.SynEdit1->extraSelections().size(), 200);
  form.SynEdit1->moveCursor(QTextCursor::End);
  QApplication::processEvents();
  EXPECT_EQ(Shown(*form.SynEdit1, 499).background, pal.color(QPalette::Highlight));
  EXPECT_EQ(Shown(*form.SynEdit1, 497).background, pal.color(QPalette::Button));  // line 498

  // The description pane has line numbers but no colour rule.
  form.SynEdit2->setPlainText("a\nb");
  EXPECT_TRUE(form.SynEdit2->extraSelections().isEmpty());
}

}  // namespace
}  // namespace ravok

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
