#include "app/qt/dialog_builder.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <algorithm>
#include <cstring>

#include "res/dialog_templates.h"

namespace qt {
namespace {

bool Has(const char* styles, const char* style) { return res::HasStyle(styles, style); }

QWidget* MakeControl(const res::ControlTemplate& control, const QIcon& icon, QWidget& dialog) {
  const QString text = QString::fromUtf8(control.text);
  if (std::strcmp(control.windowClass, "ListBox") == 0) return new QListWidget(&dialog);
  if (std::strcmp(control.windowClass, "Button") == 0) {
    if (Has(control.styles, "BS_AUTOCHECKBOX")) return new QCheckBox(text, &dialog);
    auto* button = new QPushButton(text, &dialog);
    button->setDefault(Has(control.styles, "BS_DEFPUSHBUTTON"));
    return button;
  }
  auto* label = new QLabel(&dialog);
  if (Has(control.styles, "SS_ICON")) {
    label->setPixmap(icon.pixmap(32, 32));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
  }
  label->setText(text);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment((Has(control.styles, "SS_CENTER") ? Qt::AlignHCenter : Qt::AlignLeft) |
                      Qt::AlignVCenter);
  if (Has(control.extendedStyles, "WS_EX_STATICEDGE")) {
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  }
  return label;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  // Windows' own rule: the average width of the 52 Latin letters, rounded,
  // and the font's height.
  const QFontMetrics metrics(font);
  const int letters =
      metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX_ = (letters / 26 + 1) / 2;
  baseY_ = metrics.height();
}

QSize DialogUnits::ToPixels(int width, int height) const {
  return {width * baseX_ / 4, height * baseY_ / 8};
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  return {QPoint(x * baseX_ / 4, y * baseY_ / 8), ToPixels(width, height)};
}

const res::DialogTemplate& DialogTemplate(int id) {
  return *std::find_if(std::begin(res::kDialogs), std::end(res::kDialogs),
                       [id](const res::DialogTemplate& found) { return found.id == id; });
}

const char* StringResource(int id) {
  for (const res::StringResource& string : res::kStrings) {
    if (string.id == id) return string.text;
  }
  return "";
}

std::vector<QWidget*> BuildControls(QWidget& dialog, const res::DialogTemplate& dialogTemplate,
                                    int top, const QIcon& icon) {
  const DialogUnits units(dialog.font());
  const QSize size = units.ToPixels(dialogTemplate.width, dialogTemplate.height);
  std::vector<QWidget*> controls;
  QWidget* lastInTabOrder = nullptr;
  for (const res::ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = MakeControl(control, icon, dialog);
    QRect place = units.ToPixels(control.x, control.y, control.width, control.height);
    if (qobject_cast<QAbstractButton*>(widget) != nullptr) {
      place.setWidth(std::min(std::max(place.width(), widget->sizeHint().width()),
                              size.width() - place.x()));
    }
    widget->setGeometry(place.translated(0, top));
    widget->setFocusPolicy(Has(control.styles, "WS_TABSTOP") ? Qt::StrongFocus : Qt::NoFocus);
    if (widget->focusPolicy() != Qt::NoFocus) {
      if (lastInTabOrder != nullptr) QWidget::setTabOrder(lastInTabOrder, widget);
      lastInTabOrder = widget;
    }
    controls.push_back(widget);
  }
  dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  dialog.setFixedSize(size.width(), size.height() + top);
  return controls;
}

}  // namespace qt
