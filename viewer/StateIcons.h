// The viewer's pictures, drawn at start: the three state icons of the value list (1 good,
// 2 not ready, 3 error) and the glyphs of its buttons.
#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace ravok::viewer {

constexpr int kStateIconSize = 16;

// ImageList1: image i is state icon i + 1.
QList<QPixmap> DrawStateIcons();

enum class Glyph { Connect, Refresh, Exit };
QIcon DrawGlyph(Glyph glyph);

}  // namespace ravok::viewer
