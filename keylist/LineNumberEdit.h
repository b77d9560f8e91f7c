// A plain-text editor with a line-number gutter and optional per-line colours, the editor of
// both key list panes.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QTimer>
#include <functional>
#include <optional>
#include <utility>

namespace ravok {

class LineNumberEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  // Colours (text, background) of a line counted from 1; nullopt keeps the editor's own.
  using LineColorFn = std::function<std::optional<std::pair<QColor, QColor>>(int, const QString&)>;

  explicit LineNumberEdit(QWidget* parent = nullptr);

  void SetLineColors(LineColorFn fn);
  int GutterWidth() const;
  // Paints the gutter; called by the gutter widget.
  void PaintGutter(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateGutterWidth();
  void UpdateGutter(const QRect& rect, int dy);
  void ApplyLineColors();
  // Colours are rebuilt from the event loop, never from inside the editor's own update or
  // text-change handling, where changing its selections would re-enter its layout.
  void ScheduleLineColors();
  QTimer applyTimer_;

  struct ColoredRange {
    int first, last;
    long generation;
    friend bool operator==(const ColoredRange&, const ColoredRange&) = default;
  };

  QWidget* gutter_;
  LineColorFn lineColors_;
  long textGeneration_ = 0;     // counts text changes, so equal ranges of new text recolour
  ColoredRange colored_{-1, -1, -1};
};

}  // namespace ravok
