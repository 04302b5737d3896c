// Builds a window's controls from the program's dialog templates (those of
// Velkor.exe's resource script), placed in dialog units that are scaled by
// the window's font as Windows scales them, so that both programs share one
// layout and one set of texts.
#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

#include "res/dialog_template_types.h"

namespace qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  QSize ToPixels(int width, int height) const;
  QRect ToPixels(int x, int y, int width, int height) const;

 private:
  int baseX_;  // the font's average character width
  int baseY_;  // the font's line height
};

// The template `id` of the resource script; it must exist.
const res::DialogTemplate& DialogTemplate(int id);

// The string `id` of the resource script; "" when there is none.
const char* StringResource(int id);

// Makes the template's controls children of `dialog`, `top` pixels below
// its top edge (the room of a menu bar), in template order, which is also
// their tab order; a static with an icon shows `icon`. A check box or
// button whose text the font makes wider than its template's room is
// widened, within the dialog. The dialog gets the template's caption and a
// fixed size. Returns the controls in template order.
std::vector<QWidget*> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                    int top, const QIcon& icon);

}  // namespace qt
