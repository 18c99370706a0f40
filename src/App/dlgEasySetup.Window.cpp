#include "App/dlgEasySetup.Window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include "App/dlgEasySetup.MessageBoxes.h"
#include "App/dlgEasySetup.Pictures.h"
#include "App/dlgEasySetup.WindowFont.h"
#include "App/dlgEasySetup.h"
#include "Components/FWOpenDirectory.h"
#include "Components/KvCheckedTreeView.h"

namespace Quellit {

namespace {

constexpr int ClientWidth = 694;
constexpr int ClientHeight = 497;
constexpr TColor clWhite = 0xFFFFFF;

const char* const WindowCaption = "Quellit Setup";
const char* const HeaderText = "Мастер обновления Quellit";

// The welcome text, line by line (the trailing blank of the fourth line is part of it).
const char* const WelcomeLines[] = {
    "",
    "Данное приложение выполнит обновление файлов программного комплекса Корвел.",
    "",
    "Все измененные файлы будут сохранены в резервных копиях во избежании потери ",
    "информации.",
    "", "", "", "", "",
    "====================================================",
    "", "", "", "", "",
    "Для начала установки нажмите кнопку \"Далее >\"",
    "",
    "Для отмены установки нажмите кнопку \"Отмена\"",
};

QString ToQt(const std::string& AText) { return QString::fromStdString(AText); }

QString WelcomeText() {
  QStringList Lines;
  for (const char* Line : WelcomeLines) Lines << QString::fromUtf8(Line);
  return Lines.join('\n');
}

// Labels show names from the payload, the product and servers: such a name is text, never markup.
QLabel* NewPlainLabel(QWidget* AParent) {
  auto* Label = new QLabel(AParent);
  Label->setTextFormat(Qt::PlainText);
  return Label;
}

// A tool tip that looks like markup is read as markup; an escaped text inside an explicit
// paragraph is always shown as written, its spaces kept.
QString PlainToolTip(const QString& AText) {
  if (AText.isEmpty()) return AText;
  return "<p style='white-space:pre'>" + AText.toHtmlEscaped() + "</p>";
}

// A label that sizes itself to its text, as the window's labels do.
QLabel* NewLabel(QWidget* AParent, int ALeft, int ATop, const char* AText, bool ABold = false) {
  QLabel* Label = NewPlainLabel(AParent);
  Label->setText(QString::fromUtf8(AText));
  if (ABold) {
    QFont Font = Label->font();
    Font.setBold(true);
    Label->setFont(Font);
  }
  Label->move(ALeft, ATop);
  Label->adjustSize();
  return Label;
}

QLabel* NewPicture(QWidget* AParent, const QRect& APlace) {
  auto* Picture = new QLabel(AParent);
  Picture->setGeometry(APlace);
  return Picture;
}

// A button picture: reached by Tab (never by a click, so the mouse works as before), it shows the
// focus look over its picture.
class TButtonPicture : public QLabel {
 public:
  TButtonPicture(QWidget* AParent, const QRect& APlace) : QLabel(AParent) {
    setGeometry(APlace);
    setFocusPolicy(Qt::TabFocus);
  }

 protected:
  void paintEvent(QPaintEvent* AEvent) override {
    QLabel::paintEvent(AEvent);
    if (!hasFocus()) return;
    QPainter Painter(this);
    DrawButtonFocus(Painter, QRectF(rect()));
  }
};

QProgressBar* NewProgressBar(QWidget* AParent, const QRect& APlace) {
  auto* Bar = new QProgressBar(AParent);
  Bar->setGeometry(APlace);
  Bar->setRange(0, 100);
  Bar->setValue(0);
  Bar->setTextVisible(false);
  Bar->hide();
  return Bar;
}

// System colours (top byte set) follow the toolkit's palette; the others are 0x00BBGGRR.
QColor ToQColor(TColor AColor) {
  if ((AColor & 0xFF000000u) != 0) return QApplication::palette().color(QPalette::WindowText);
  return QColor(static_cast<int>(AColor & 0xFF), static_cast<int>((AColor >> 8) & 0xFF),
                static_cast<int>((AColor >> 16) & 0xFF));
}

TMouseButton ToMouseButton(Qt::MouseButton AButton) {
  switch (AButton) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
  }
}

bool IsKnownButton(Qt::MouseButton AButton) {
  return AButton == Qt::LeftButton || AButton == Qt::RightButton || AButton == Qt::MiddleButton;
}

}  // namespace

TEasySetupWindow::TEasySetupWindow(QWidget* AParent)
    : QWidget(AParent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      FTvShortCuts(new TKvCheckedTreeView(this)),
      FTree(*FTvShortCuts) {
  setWindowTitle(WindowCaption);
  setFont(EasySetupWindowFont());
  setFixedSize(ClientWidth, ClientHeight);
  CreateControls();
  CreateTree();
  CreateButtons();
  CreateFolderBrowser();
  CreateKeys();
  DrawPictures(devicePixelRatioF());
  // The background was made first but must lie under everything.
  FImage1->lower();
  CentreOnScreen();
  FForm = std::make_unique<TfrmEasySetup>(*this);
}

TEasySetupWindow::~TEasySetupWindow() = default;

void TEasySetupWindow::CreateControls() {
  FImage1 = NewPicture(this, QRect(0, 0, ClientWidth, ClientHeight));
  FLabel1 = NewLabel(this, 200, 72, HeaderText, true);
  FLabel2 = NewLabel(this, 200, 91, "Экспресс обновление программного комплекса Корвел 8", true);

  FMemInfo = new QPlainTextEdit(this);
  FMemInfo->setGeometry(200, 122, 468, 290);
  FMemInfo->setReadOnly(true);
  FMemInfo->setPlainText(WelcomeText());

  FMemStatus = new QTextEdit(this);
  FMemStatus->setGeometry(200, 122, 468, 254);
  FMemStatus->setReadOnly(true);
  FMemStatus->setLineWrapMode(QTextEdit::NoWrap);
  FMemStatus->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemStatus->hide();

  FLblStatus = NewPlainLabel(this);
  FLblStatus->setGeometry(200, 382, 468, 13);
  FLblStatus->hide();
  FPbStatus = NewProgressBar(this, QRect(200, 401, 468, 17));
  FPbCurrentProgress = NewProgressBar(this, QRect(200, 424, 468, 17));

  FLblShortCuts = NewLabel(this, 200, 128, "Выберите файл или папку на которые вы хотели бы создать ярлык:");
  FLblShortCuts->hide();
  FLblFinish = NewLabel(this, 200, 152,
                        "Экспресс установка завершена. Для завершения нажмите кнопку \"Готово\"");
  FLblFinish->hide();

  for (TEasySetupControl White : {ctlLblStatus, ctlLblShortCuts, ctlLblFinish}) FColors[White] = clWhite;
  for (QLabel* Header : {FLabel1, FLabel2}) {
    QPalette Palette = Header->palette();
    Palette.setColor(QPalette::WindowText, Qt::white);
    Header->setPalette(Palette);
  }
  for (TEasySetupControl White : {ctlLblStatus, ctlLblShortCuts, ctlLblFinish}) ApplyColor(White);
}

void TEasySetupWindow::CreateTree() {
  FTvShortCuts->setGeometry(200, 147, 468, 292);
  FTvShortCuts->setColumnCount(1);
  FTvShortCuts->setHeaderHidden(true);
  // Long names scroll sideways instead of being cut.
  FTvShortCuts->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  FTvShortCuts->header()->setStretchLastSection(false);
  FTvShortCuts->setIndentation(19);
  FTvShortCuts->SetCheckBox(true);
  FTvShortCuts->SetControlCheckState(false);
  FTvShortCuts->SetOnCheck([this](TKvCheckedTreeView*, QTreeWidgetItem* ANode, bool& ANewState, bool& AApply) {
    FForm->tvShortCutsCheck(FTree.IdOf(ANode), ANewState, AApply);
  });
  FTvShortCuts->hide();
}

void TEasySetupWindow::CreateButtons() {
  FImage3 = new TButtonPicture(this, QRect(377, 462, 77, 25));
  FLblNext = NewLabel(this, 394, 468, "Далее >");
  FImage2 = new TButtonPicture(this, QRect(602, 462, 77, 25));
  FLblCancel = NewLabel(this, 621, 468, "Отмена");
  FImage4 = NewPicture(this, QRect(0, 0, 77, 25));
  FImage4->hide();
  FImage5 = NewPicture(this, QRect(0, 0, 77, 25));
  FImage5->hide();
  for (TEasySetupControl Look : {ctlImage2, ctlImage3, ctlImage4}) FLooks[Look] = ctlImage4;
  FLooks[ctlImage5] = ctlImage5;
  for (TEasySetupControl Label : {ctlLblNext, ctlLblCancel}) FColors[Label] = clWindowText;
  for (QWidget* Button : {static_cast<QWidget*>(FImage3), static_cast<QWidget*>(FLblNext),
                          static_cast<QWidget*>(FImage2), static_cast<QWidget*>(FLblCancel)})
    Button->installEventFilter(this);
}

// Present but never opened: OK is enabled only for a product install folder.
void TEasySetupWindow::CreateFolderBrowser() {
  FFWOpenDirectory1 = new TFWOpenDirectory(this);
  FFWOpenDirectory1->StatusText = "Specify the directory:";
  FFWOpenDirectory1->StartDir = "c:\\";
  FFWOpenDirectory1->Title = "Browse For Folder";
  FFWOpenDirectory1->OnChangeFolder = [](TFWOpenDirectory*, const std::string& APath, bool& AEnableButton) {
    AEnableButton = HoldsKveskaClient(APath);
  };
}

// Enter and Escape act as a dialog's default and cancel buttons. A held key presses once: repeats
// would race through the pages.
void TEasySetupWindow::CreateKeys() {
  auto Key = [this](Qt::Key AKey, auto AAction) {
    auto* Shortcut = new QShortcut(QKeySequence(AKey), this);
    Shortcut->setAutoRepeat(false);
    connect(Shortcut, &QShortcut::activated, this, AAction);
  };
  Key(Qt::Key_Return, [this] { PressDefaultButton(); });
  Key(Qt::Key_Enter, [this] { PressDefaultButton(); });
  Key(Qt::Key_Escape, [this] { ClickButton(ctlImage2); });
  // The content first, then the buttons in the order they stand.
  setTabOrder(FMemInfo, FMemStatus);
  setTabOrder(FMemStatus, FTvShortCuts);
  setTabOrder(FTvShortCuts, FImage3);
  setTabOrder(FImage3, FImage2);
}

void TEasySetupWindow::PressDefaultButton() { ClickButton(focusWidget() == FImage2 ? ctlImage2 : ctlImage3); }

void TEasySetupWindow::FocusTree() {
  if (FTvShortCuts->topLevelItemCount() > 0) FTvShortCuts->setCurrentItem(FTvShortCuts->topLevelItem(0));
  FTvShortCuts->setFocus(Qt::OtherFocusReason);
}

QPoint CentredFramePosition(const QRect& AAvailable, const QSize& AClient, const QMargins& AFrame) {
  const int Width = AClient.width() + AFrame.left() + AFrame.right();
  const int Height = AClient.height() + AFrame.top() + AFrame.bottom();
  return {AAvailable.left() + std::max(0, (AAvailable.width() - Width) / 2),
          AAvailable.top() + std::max(0, (AAvailable.height() - Height) / 2)};
}

// The frame's margins are known only once the window system has framed the window, so this runs
// at creation (no frame yet), when shown, and once more when the frame first becomes known.
void TEasySetupWindow::CentreOnScreen() {
  QScreen* Screen = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!Screen) return;
  QMargins Frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  if (!Frame.isNull()) FCentreWhenFrameKnown = false;
  move(CentredFramePosition(Screen->availableGeometry(), size(), Frame));
}

void TEasySetupWindow::showEvent(QShowEvent* AEvent) {
  QWidget::showEvent(AEvent);
  if (FCentreWhenFrameKnown) CentreOnScreen();
}

void TEasySetupWindow::moveEvent(QMoveEvent* AEvent) {
  QWidget::moveEvent(AEvent);
  // The window manager moved the window while framing it: now the title bar's height is known.
  if (FCentreWhenFrameKnown && isVisible() && windowHandle() && !windowHandle()->frameMargins().isNull())
    QTimer::singleShot(0, this, [this] {
      if (FCentreWhenFrameKnown) CentreOnScreen();
    });
}

void TEasySetupWindow::DrawPictures(qreal ARatio) {
  if (ARatio == FPictureRatio) return;
  FPictureRatio = ARatio;
  FImage1->setPixmap(BackgroundPicture(ARatio));
  const QPixmap Released = ButtonReleasedPicture(ARatio);
  const QPixmap Pressed = ButtonPressedPicture(ARatio);
  for (const auto& [Picture, Look] : FLooks)
    qobject_cast<QLabel*>(Control(Picture))->setPixmap(Look == ctlImage5 ? Pressed : Released);
}

void TEasySetupWindow::SetLogFile(const std::string& APath) {
  FLog = std::make_unique<Platform::TFileHandle>(APath, Platform::TFileAccess::Write,
                                                 Platform::TFileDisposition::OpenAlways);
  FLog->Seek(0, Platform::TSeekOrigin::End);
}

// ---- controls, texts, colours, pictures -----------------------------------------------------

QWidget* TEasySetupWindow::Control(TEasySetupControl AControl) const {
  switch (AControl) {
    case ctlMemInfo: return FMemInfo;
    case ctlMemStatus: return FMemStatus;
    case ctlLblStatus: return FLblStatus;
    case ctlPbStatus: return FPbStatus;
    case ctlPbCurrentProgress: return FPbCurrentProgress;
    case ctlLblShortCuts: return FLblShortCuts;
    case ctlTvShortCuts: return FTvShortCuts;
    case ctlLblFinish: return FLblFinish;
    case ctlLblNext: return FLblNext;
    case ctlLblCancel: return FLblCancel;
    case ctlImage2: return FImage2;
    case ctlImage3: return FImage3;
    case ctlImage4: return FImage4;
    case ctlImage5: return FImage5;
  }
  return nullptr;
}

std::string TEasySetupWindow::Text(TEasySetupControl AControl) const {
  auto It = FTexts.find(AControl);
  if (It != FTexts.end()) return It->second;
  auto* Label = qobject_cast<QLabel*>(Control(AControl));
  return Label ? Label->text().toStdString() : std::string();
}

void TEasySetupWindow::SetText(TEasySetupControl AControl, const std::string& AText) {
  auto* Label = qobject_cast<QLabel*>(Control(AControl));
  if (!Label) return;
  FTexts[AControl] = AText;
  if (AControl == ctlLblStatus) {
    // A long path loses its middle, so both its root and the file name stay readable.
    Label->setText(Label->fontMetrics().elidedText(ToQt(AText), Qt::ElideMiddle, Label->width()));
    Label->setToolTip(PlainToolTip(ToQt(AText)));
    return;
  }
  Label->setText(ToQt(AText));
  Label->adjustSize();
}

void TEasySetupWindow::SetVisible(TEasySetupControl AControl, bool AVisible) {
  if (QWidget* Widget = Control(AControl)) Widget->setVisible(AVisible);
  if (AControl == ctlTvShortCuts && AVisible) FocusTree();
}

void TEasySetupWindow::ApplyColor(TEasySetupControl AControl) {
  QWidget* Widget = Control(AControl);
  QPalette Palette = Widget->palette();
  Palette.setColor(QPalette::WindowText, ToQColor(FColors[AControl]));
  Widget->setPalette(Palette);
}

void TEasySetupWindow::SetFontColor(TEasySetupControl AControl, TColor AColor) {
  FColors[AControl] = AColor;
  ApplyColor(AControl);
}

TColor TEasySetupWindow::FontColor(TEasySetupControl AControl) const {
  auto It = FColors.find(AControl);
  return It == FColors.end() ? clWindowText : It->second;
}

void TEasySetupWindow::AssignPicture(TEasySetupControl ATarget, TEasySetupControl ASource) {
  auto* Target = qobject_cast<QLabel*>(Control(ATarget));
  auto* Source = qobject_cast<QLabel*>(Control(ASource));
  if (!Target || !Source) return;
  Target->setPixmap(Source->pixmap());
  auto Look = FLooks.find(ASource);
  if (Look != FLooks.end() && FLooks.count(ATarget)) FLooks[ATarget] = Look->second;
}

// ---- message boxes ---------------------------------------------------------------------------

bool TEasySetupWindow::AskYesNo(const std::string& ACaption, const std::string& AText) {
  return AskYesNoBox(this, ACaption, AText);
}

void TEasySetupWindow::ShowMessageBox(const std::string& ACaption, const std::string& AText, TMessageIcon AIcon) {
  ShowMessageBoxOk(this, ACaption, AText, AIcon);
}

void TEasySetupWindow::ShowError(const std::string& AMessage) { ShowErrorBox(this, AMessage); }

// ---- status log and progress bars ------------------------------------------------------------

void TEasySetupWindow::AppendStatusLine(const std::string& ALine) {
  // Inserted as plain text: payload file names must never be read as markup.
  QScrollBar* Vertical = FMemStatus->verticalScrollBar();
  bool Following = Vertical->value() == Vertical->maximum();
  QTextCursor Cursor(FMemStatus->document());
  Cursor.movePosition(QTextCursor::End);
  if (FStatusLines++ > 0) Cursor.insertBlock();
  Cursor.insertText(ToQt(ALine));
  // A reader at the bottom keeps seeing the newest line, the closing summary included.
  if (Following) ScrollStatusToEnd();
  if (!FLog) return;
  std::string Line = ALine + "\n";
  FLog->Write(Line.data(), static_cast<std::int64_t>(Line.size()));
}

void TEasySetupWindow::ScrollStatusToEnd() {
  // The caret goes to the start of the last line, and the view to the very bottom and the left.
  QTextCursor Cursor(FMemStatus->document());
  Cursor.movePosition(QTextCursor::End);
  Cursor.movePosition(QTextCursor::StartOfBlock);
  FMemStatus->setTextCursor(Cursor);
  FMemStatus->horizontalScrollBar()->setValue(0);
  FMemStatus->verticalScrollBar()->setValue(FMemStatus->verticalScrollBar()->maximum());
}

void TEasySetupWindow::SetProgressMax(TEasySetupControl ABar, int AMax) {
  auto* Bar = qobject_cast<QProgressBar*>(Control(ABar));
  // Qt draws a busy bar for an empty range; an empty payload shows an empty bar instead.
  if (Bar) Bar->setRange(0, std::max(AMax, 1));
}

void TEasySetupWindow::SetProgressPosition(TEasySetupControl ABar, int APosition) {
  auto* Bar = qobject_cast<QProgressBar*>(Control(ABar));
  if (Bar) Bar->setValue(std::clamp(APosition, Bar->minimum(), Bar->maximum()));
}

int TEasySetupWindow::ProgressPosition(TEasySetupControl ABar) const {
  auto* Bar = qobject_cast<QProgressBar*>(Control(ABar));
  return Bar ? Bar->value() : 0;
}

// ---- the tree --------------------------------------------------------------------------------

TTreeNodeId TEasySetupWindow::AddChildFirst(TTreeNodeId AParent, const std::string& AText) {
  return FTree.AddChildFirst(AParent, AText);
}

TTreeNodeId TEasySetupWindow::AddChildLast(TTreeNodeId AParent, const std::string& AText) {
  return FTree.AddChildLast(AParent, AText);
}

void TEasySetupWindow::SetChecked(TTreeNodeId ANode, bool AChecked, bool ASubNodes) {
  FTree.SetChecked(ANode, AChecked, ASubNodes);
}

// ---- events ----------------------------------------------------------------------------------

void TEasySetupWindow::ProcessMessages() { QCoreApplication::processEvents(); }

void TEasySetupWindow::Close() { close(); }

bool TEasySetupWindow::event(QEvent* AEvent) {
  // Moved to a screen of another pixel ratio (or the ratio changed): the pictures follow.
  if (AEvent->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
      || AEvent->type() == QEvent::DevicePixelRatioChange
#endif
  )
    DrawPictures(devicePixelRatioF());
  return QWidget::event(AEvent);
}

void TEasySetupWindow::closeEvent(QCloseEvent* AEvent) {
  bool CanClose = true;
  FForm->FormCloseQuery(CanClose);
  if (CanClose)
    AEvent->accept();
  else
    AEvent->ignore();
}

TEasySetupControl TEasySetupWindow::ButtonPictureOf(const QObject* AObject) const {
  return AObject == FImage2 || AObject == FLblCancel ? ctlImage2 : ctlImage3;
}

void TEasySetupWindow::ClickButton(TEasySetupControl APicture) {
  if (APicture == ctlImage3)
    FForm->Image3Click();
  else
    FForm->Image2Click();
}

// Press, release inside (a click: the handler runs before the release look), and a double click:
// the Next button takes a double click as a second click, the Cancel button ignores it.
bool TEasySetupWindow::HandleButtonMouse(TEasySetupControl APicture, QObject* AWatched, QEvent* AEvent) {
  auto* Mouse = static_cast<QMouseEvent*>(AEvent);
  if (!IsKnownButton(Mouse->button())) return true;
  TMouseButton Button = ToMouseButton(Mouse->button());
  switch (AEvent->type()) {
    case QEvent::MouseButtonPress:
      if (Button == mbLeft) FPressed = AWatched;
      FForm->Image3MouseDown(APicture, Button);
      break;
    case QEvent::MouseButtonDblClick:
      // The press just before made this release a click too; the double click stands for it.
      if (Button == mbLeft) FPressed = nullptr;
      if (Button == mbLeft && APicture == ctlImage3) ClickButton(APicture);
      FForm->Image3MouseDown(APicture, Button);
      break;
    case QEvent::MouseButtonRelease: {
      bool Click = Button == mbLeft && FPressed == AWatched &&
                   static_cast<QWidget*>(AWatched)->rect().contains(Mouse->position().toPoint());
      if (Button == mbLeft) FPressed = nullptr;
      if (Click) ClickButton(APicture);
      FForm->Image3MouseUp(APicture, Button);
      break;
    }
    default: break;
  }
  return true;
}

// The space bar on a button picture reached by Tab presses it, as on any push button.
bool TEasySetupWindow::HandleButtonKey(TEasySetupControl APicture, QEvent* AEvent) {
  auto* Key = static_cast<QKeyEvent*>(AEvent);
  if (Key->key() != Qt::Key_Space || Key->modifiers() != Qt::NoModifier) return false;
  if (!Key->isAutoRepeat()) ClickButton(APicture);
  return true;
}

bool TEasySetupWindow::eventFilter(QObject* AWatched, QEvent* AEvent) {
  switch (AEvent->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return HandleButtonMouse(ButtonPictureOf(AWatched), AWatched, AEvent);
    case QEvent::KeyPress:
      if (AWatched == FImage2 || AWatched == FImage3) return HandleButtonKey(ButtonPictureOf(AWatched), AEvent);
      return QWidget::eventFilter(AWatched, AEvent);
    default: return QWidget::eventFilter(AWatched, AEvent);
  }
}

}  // namespace Quellit
