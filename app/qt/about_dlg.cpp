#include "app/qt/about_dlg.h"

#include <QAbstractButton>
#include <vector>

#include "app/qt/dialog_builder.h"
#include "res/resource.h"

namespace qt {

CAboutDlg::CAboutDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  const std::vector<QWidget*> controls =
      BuildControls(*this, DialogTemplate(IDD_ABOUTBOX), 0, owner->windowIcon());
  for (QWidget* control : controls) {
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      connect(button, &QAbstractButton::clicked, this, &QDialog::accept);
    }
  }
}

}  // namespace qt
