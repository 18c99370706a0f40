// The wizard's window: the toolkit side of TfrmEasySetup. It lays out the controls, forwards the
// user's clicks to the controller and carries out the controller's view operations.
#pragma once

#include <QWidget>

#include "App/dlgEasySetup.View.h"

namespace Quellit {

class TEasySetupWindow : public QWidget, public IEasySetupView {
  Q_OBJECT

 public:
  explicit TEasySetupWindow(QWidget* AParent = nullptr);
};

}  // namespace Quellit
