#include "keylist/LineNumberEdit.h"

#include <QPainter>
#include <QTextBlock>

namespace ravok {
namespace {

class Gutter : public QWidget {
 public:
  explicit Gutter(LineNumberEdit* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->GutterWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }

 private:
  LineNumberEdit* editor_;
};

constexpr int kGutterPadding = 8;

}  // namespace

LineNumberEdit::LineNumberEdit(QWidget* parent) : QPlainTextEdit(parent), gutter_(new Gutter(this)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
  connect(this, &QPlainTextEdit::updateRequest, this, &LineNumberEdit::UpdateGutter);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    ++textGeneration_;
    ScheduleLineColors();
  });
  applyTimer_.setSingleShot(true);
  applyTimer_.setInterval(0);
  connect(&applyTimer_, &QTimer::timeout, this, &LineNumberEdit::ApplyLineColors);
  UpdateGutterWidth();
}

void LineNumberEdit::ScheduleLineColors() {
  if (!applyTimer_.isActive()) applyTimer_.start();
}

void LineNumberEdit::SetLineColors(LineColorFn fn) {
  lineColors_ = std::move(fn);
  ++textGeneration_;
  if (lineColors_) {
    ScheduleLineColors();
  } else {
    applyTimer_.stop();
  }
}

int LineNumberEdit::GutterWidth() const {
  int digits = 1;
  for (int n = qMax(1, blockCount()); n >= 10; n /= 10) ++digits;
  return kGutterPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void LineNumberEdit::UpdateGutterWidth() { setViewportMargins(GutterWidth(), 0, 0, 0); }

void LineNumberEdit::UpdateGutter(const QRect& rect, int dy) {
  ScheduleLineColors();
  if (dy != 0)
    gutter_->scroll(0, dy);
  else
    gutter_->update(0, rect.y(), gutter_->width(), rect.height());
  if (rect.contains(viewport()->rect())) UpdateGutterWidth();
}

void LineNumberEdit::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect cr = contentsRect();
  gutter_->setGeometry(QRect(cr.left(), cr.top(), GutterWidth(), cr.height()));
  ScheduleLineColors();
}

void LineNumberEdit::PaintGutter(QPaintEvent* event) {
  QPainter painter(gutter_);
  painter.fillRect(event->rect(), palette().color(QPalette::Button));
  painter.setPen(palette().color(QPalette::ButtonText));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int height = qRound(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= event->rect().top())
      painter.drawText(0, top, gutter_->width() - kGutterPadding / 2, height, Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    block = block.next();
    top += height;
  }
}

// The lines on screen get their colours as full-width extra selections, so whole rows are
// filled. Only the visible lines are coloured: a list of thousands of keys stays quick to
// edit. The selections are rebuilt when the visible range or the text has changed.
void LineNumberEdit::ApplyLineColors() {
  QList<QTextEdit::ExtraSelection> selections;
  int first = -1, last = -1;
  if (lineColors_ && !document()->isEmpty()) {
    QTextBlock block = firstVisibleBlock();
    first = block.blockNumber();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    const qreal bottom = viewport()->height();
    for (; block.isValid() && top <= bottom; block = block.next()) {
      top += blockBoundingRect(block).height();
      last = block.blockNumber();
      const auto colors = lineColors_(block.blockNumber() + 1, block.text());
      if (!colors) continue;
      // An empty full-width selection fills the row; a second one over the text sets its
      // colour (a full-width selection with text in it would fill only behind the text).
      QTextEdit::ExtraSelection row;
      row.cursor = QTextCursor(block);
      row.format.setBackground(colors->second);
      row.format.setProperty(QTextFormat::FullWidthSelection, true);
      QTextEdit::ExtraSelection text;
      text.cursor = QTextCursor(block);
      text.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      text.format.setForeground(colors->first);
      text.format.setBackground(colors->second);
      selections << row << text;
    }
  }
  const ColoredRange range{first, last, textGeneration_};
  if (range == colored_) return;
  colored_ = range;
  setExtraSelections(selections);
}

}  // namespace ravok
