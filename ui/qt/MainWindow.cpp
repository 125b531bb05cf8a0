#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <limits>

namespace ui {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

// The designed font and its stand-in on systems without it.
constexpr char DesignedFamily[] = "ＭＳ Ｐゴシック";
constexpr char FallbackFamily[] = "IPAPGothic";
constexpr int FontPixels = 12;

// A radio group's items sit below its caption, evenly spread over the rest of its height.
constexpr int CaptionHeight = 14;
constexpr int ItemIndent = 8;
constexpr int BottomMargin = 4;

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QFrame* NewPanel(QWidget* parent, const char* name) {
  auto* panel = Named(new QFrame(parent), name);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(1);
  return panel;
}

}  // namespace

RadioGroup::RadioGroup(QWidget* parent, const QString& caption, const QStringList& items)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  for (int i = 0; i < items.size(); ++i) group_->addButton(new QRadioButton(items[i], this), i);
  SetItemIndex(0);
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }
void RadioGroup::SetItemIndex(int index) {
  if (auto* button = group_->button(index)) button->setChecked(true);
}
QRadioButton* RadioGroup::Item(int index) const { return static_cast<QRadioButton*>(group_->button(index)); }
int RadioGroup::Count() const { return static_cast<int>(group_->buttons().size()); }

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  const int count = Count();
  if (count == 0) return;
  const int itemHeight = (height() - CaptionHeight - BottomMargin) / count;
  for (int i = 0; i < count; ++i)
    Item(i)->setGeometry(ItemIndent, CaptionHeight + i * itemHeight, width() - 2 * ItemIndent, itemHeight);
}

void ApplyClassicStyle() {
  if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(classic);
}

QFont MainWindow::DesignFont() {
  const QString family = QFontDatabase::families().contains(Text(DesignedFamily)) ? Text(DesignedFamily)
                                                                                  : Text(FallbackFamily);
  QFont font(family);
  font.setPixelSize(FontPixels);
  return font;
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle(Text("Vantora"));
  setFont(DesignFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));  // the button-face colour
  setPalette(colours);
  setAutoFillBackground(true);

  // In the order the window declares them.
  c_.radioSave = Named(new RadioGroup(this, Text("保存の方法"),
                                      {Text("デスクトップへ保存（ウィンドウの名前で）"), Text("指定フォルダへ保存")}),
                       "radioSave");
  c_.radioSave->setGeometry(8, 40, 281, 57);
  c_.radioArea = Named(new RadioGroup(this, Text("キャプチャ範囲"),
                                      {Text("アクティブなウィンドウ"), Text("アクティブなウィンドウのクライアント"),
                                       Text("デスクトップ全体")}),
                       "radioArea");
  c_.radioArea->setGeometry(8, 136, 281, 65);
  c_.Panel1 = NewPanel(this, "Panel1");
  c_.Panel1->setGeometry(0, 287, 296, 37);  // aligned to the bottom
  c_.btnStart = Named(new QPushButton(Text("開始(&S)"), c_.Panel1), "btnStart");
  c_.btnStart->setGeometry(208, 8, 75, 25);
  c_.Panel2 = NewPanel(this, "Panel2");
  c_.Panel2->setGeometry(0, 0, 296, 33);  // aligned to the top
  c_.Label1 = Named(new QLabel(Text("ホットキー"), c_.Panel2), "Label1");
  c_.Label1->setGeometry(8, 10, 52, 12);
  c_.edtHot = Named(new QLineEdit(Text("W"), c_.Panel2), "edtHot");
  c_.edtHot->setGeometry(248, 7, 32, 20);
  c_.edtHot->setMaxLength(std::numeric_limits<int>::max());  // no length limit
  c_.chkShift = Named(new QCheckBox(Text("Shift"), c_.Panel2), "chkShift");
  c_.chkShift->setGeometry(112, 8, 49, 17);
  c_.chkShift->setChecked(true);
  c_.chkCtrl = Named(new QCheckBox(Text("Ctrl"), c_.Panel2), "chkCtrl");
  c_.chkCtrl->setGeometry(72, 8, 41, 17);
  c_.chkCtrl->setChecked(true);
  c_.chkAlt = Named(new QCheckBox(Text("Alt"), c_.Panel2), "chkAlt");
  c_.chkAlt->setGeometry(160, 8, 41, 17);
  c_.chkWin = Named(new QCheckBox(Text("Win"), c_.Panel2), "chkWin");
  c_.chkWin->setGeometry(200, 8, 41, 17);
  c_.radioFormat = Named(new RadioGroup(this, Text("保存形式"), {Text("BMP"), Text("PNG"), Text("GIF"), Text("JPEG")}),
                         "radioFormat");
  c_.radioFormat->setGeometry(8, 208, 281, 73);
  c_.btnHelp = Named(new QPushButton(Text("?"), c_.Panel1), "btnHelp");
  c_.btnHelp->setGeometry(8, 8, 25, 25);
  c_.edtDir = Named(new QLineEdit(this), "edtDir");
  c_.edtDir->setGeometry(8, 104, 257, 20);
  c_.btnDir = Named(new QPushButton(Text("..."), this), "btnDir");
  c_.btnDir->setGeometry(264, 104, 25, 17);

  // Tab order: the window's own controls by their tab index, a panel's controls in its place.
  QList<QWidget*> order;
  auto addGroup = [&](RadioGroup* group) {
    for (int i = 0; i < group->Count(); ++i) order << group->Item(i);
  };
  addGroup(c_.radioSave);                                          // 0
  addGroup(c_.radioArea);                                          // 1
  order << c_.btnStart << c_.btnHelp;                              // 2: Panel1
  order << c_.edtHot << c_.chkShift << c_.chkCtrl << c_.chkAlt << c_.chkWin;  // 3: Panel2
  addGroup(c_.radioFormat);                                        // 4
  order << c_.edtDir << c_.btnDir;                                 // 5, 6
  for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

  setFixedSize(296, 324);  // client area; single border, not resizable
  move(192, 114);          // the frame's top-left

  connect(c_.btnStart, &QPushButton::clicked, this, [this] { Run(handlers_.btnStartClick); });
  for (QCheckBox* box : {c_.chkCtrl, c_.chkShift, c_.chkAlt})
    connect(box, &QCheckBox::toggled, this, [this] { Run(handlers_.chkCtrlClick); });
  connect(c_.edtHot, &QLineEdit::textChanged, this, [this] { Run(handlers_.edtHotChange); });
  connect(c_.btnDir, &QPushButton::clicked, this, [this] { Run(handlers_.btnDirClick); });
  connect(c_.btnHelp, &QPushButton::clicked, this, [this] { Run(handlers_.btnHelpClick); });
}

void MainWindow::SetHandlers(MainWindowHandlers handlers, HandlerRunner runner) {
  handlers_ = std::move(handlers);
  runner_ = std::move(runner);
}

void MainWindow::Create() { Run(handlers_.FormCreate); }

void MainWindow::PostHotKey(int id) {
  QMetaObject::invokeMethod(
      this, [this, id] { Run([this, id] { if (handlers_.WMHotKey) handlers_.WMHotKey(id); }); },
      Qt::QueuedConnection);
}

void MainWindow::Run(const std::function<void()>& handler) {
  if (!handler) return;
  try {
    if (runner_)
      runner_(handler);
    else
      handler();
  } catch (...) {
    // The runner shows every error itself; this only keeps an exception from crossing
    // into Qt should the box itself fail.
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  Run(handlers_.FormClose);
  event->accept();
}

bool MainWindow::chkCtrl() const { return c_.chkCtrl->isChecked(); }
bool MainWindow::chkShift() const { return c_.chkShift->isChecked(); }
bool MainWindow::chkAlt() const { return c_.chkAlt->isChecked(); }
bool MainWindow::chkWin() const { return c_.chkWin->isChecked(); }
std::string MainWindow::edtHot() const { return c_.edtHot->text().toStdString(); }
std::string MainWindow::edtDir() const { return c_.edtDir->text().toStdString(); }
void MainWindow::SetEdtDir(const std::string& text) { c_.edtDir->setText(QString::fromStdString(text)); }

app::CaptureArea MainWindow::radioArea() const { return static_cast<app::CaptureArea>(c_.radioArea->ItemIndex()); }
app::SaveMethod MainWindow::radioSave() const { return static_cast<app::SaveMethod>(c_.radioSave->ItemIndex()); }
app::OutputFormat MainWindow::radioFormat() const {
  return static_cast<app::OutputFormat>(c_.radioFormat->ItemIndex());
}

void MainWindow::Minimize() { showMinimized(); }

void MainWindow::ShowErrorBox(const std::string& caption, const std::string& message) {
  // A top-level box of its own, so it shows even while this window is minimised.
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(message),
                  QMessageBox::Ok);
  box.setObjectName(QStringLiteral("ErrorBox"));
  box.exec();
}

}  // namespace ui
