#pragma once
// The program's one window: the controls with their geometry, texts, initial states
// and tab order, forwarding their events to the handlers of the capture logic.
#include <QGroupBox>
#include <QWidget>
#include <functional>
#include <string>

#include "app/ports/MainWindowView.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

// What the window's events run. Each is called through the runner, which catches every
// error and shows it: no exception ever crosses a Qt slot.
struct MainWindowHandlers {
  std::function<void()> FormCreate, FormClose;
  std::function<void()> btnStartClick, chkCtrlClick, edtHotChange, btnDirClick, btnHelpClick;
  std::function<void(int)> WMHotKey;
};
using HandlerRunner = std::function<void(const std::function<void()>&)>;

// A radio group: a captioned box of exclusive items; ItemIndex is the checked item.
class RadioGroup : public QGroupBox {
 public:
  RadioGroup(QWidget* parent, const QString& caption, const QStringList& items);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const;
  int Count() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QButtonGroup* group_;
};

// The classic look the window was designed in: group captions on the frame line,
// raised panels. Call once, before the window is made.
void ApplyClassicStyle();

class MainWindow : public QWidget, public app::IMainWindowView {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  // Installs the handlers and the runner every handler goes through.
  void SetHandlers(MainWindowHandlers handlers, HandlerRunner runner);
  // Runs FormCreate (the window's OnCreate).
  void Create();
  // Queues a hotkey press to the event loop; WMHotKey runs from there, never from inside
  // the caller (an X event filter).
  void PostHotKey(int id);

  // IMainWindowView
  bool chkCtrl() const override;
  bool chkShift() const override;
  bool chkAlt() const override;
  bool chkWin() const override;
  std::string edtHot() const override;
  std::string edtDir() const override;
  void SetEdtDir(const std::string& text) override;
  app::CaptureArea radioArea() const override;
  app::SaveMethod radioSave() const override;
  app::OutputFormat radioFormat() const override;
  void Minimize() override;
  void ShowErrorBox(const std::string& caption, const std::string& message) override;

  // The controls under their own names (also their objectName), in declaration order.
  struct Controls {
    RadioGroup* radioSave;
    RadioGroup* radioArea;
    QFrame* Panel1;
    QPushButton* btnStart;
    QFrame* Panel2;
    QLabel* Label1;
    QLineEdit* edtHot;
    QCheckBox* chkShift;
    QCheckBox* chkCtrl;
    QCheckBox* chkAlt;
    QCheckBox* chkWin;
    RadioGroup* radioFormat;
    QPushButton* btnHelp;
    QLineEdit* edtDir;
    QPushButton* btnDir;
  };
  const Controls& controls() const { return c_; }

  // The font the window uses: the designed family when installed, else a Japanese
  // proportional gothic, 12 pixels.
  static QFont DesignFont();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Run(const std::function<void()>& handler);

  Controls c_{};
  MainWindowHandlers handlers_;
  HandlerRunner runner_;
};

}  // namespace ui
