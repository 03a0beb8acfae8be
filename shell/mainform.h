#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTimer;
class QToolButton;

// The picture that fills the client area of the main window: painted stretched over the
// whole panel, so it follows the window's size.
class TMainImage : public QWidget {
  Q_OBJECT
 public:
  explicit TMainImage(QWidget* parent = nullptr);
  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

class TForm_main;

// One line of the main menu: a top menu, a submenu, a separator or a command item, with its
// caption, the module right its command checks (nullptr for none), whether it is created
// hidden, and its handler (nullptr for an item without a command).
struct MainMenuEntry {
  enum Kind { TopMenu, SubMenu, EndSubMenu, Separator, Item };
  Kind kind;
  const char* name;
  const char* caption;
  const char* right;
  bool hidden;
  void (TForm_main::*handler)();
};

// The main menu, top to bottom and left to right.
const std::vector<MainMenuEntry>& mainMenuEntries();

// The main window: the program's only entry point to every function. Its menu items and
// tool buttons run the commands below; each command checks the operator's module right
// first. Start-up happens in two steps: FormCreate while the window is built, and
// FormActivate at its first activation (connection, caption, log-in, status bar).
class TForm_main : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm_main(QWidget* parent = nullptr);
  ~TForm_main() override;

  // Text of a status bar panel (0..4).
  QString statusPanelText(int index) const;
  void setStatusPanelText(int index, const QString& text);

  // The default picture the window carries when no system.jpg lies beside the program.
  static QImage defaultPicture();

  // True once the start-up log-in has succeeded and the rest of start-up has run.
  bool startupCompleted() const { return startupCompleted_; }
  // The local switch zdtx as start-up read it: show the reminder list at start-up.
  bool remindAtStartup() const { return remindAtStartup_; }

  // The folder in which system.jpg is looked for: the data folder (platform/datafolder.h).
  // Tests point it elsewhere before the window is created.
  static void setProgramFolder(const QString& folder);
  static QString programFolder();

  // Components, named as the rest of the system refers to them.
  QMenuBar* MainMenu1 = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  QFrame* Panel5 = nullptr;
  QFrame* Panel7 = nullptr;
  QFrame* Panel9 = nullptr;
  QLabel* Label1 = nullptr;
  TMainImage* Image1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QTimer* Timer1 = nullptr;

 public slots:
  void FormCreate();
  void FormActivate();
  void Timer1Timer();

  // 【系统维护】
  void N2Click();
  void N3Click();
  void N4Click();
  void N10Click();
  void N44Click();
  void N18Click();
  void N16Click();
  void N7Click();
  void N9Click();
  // 【基本资料】
  void N77Click();
  void N54Click();
  void N13Click();
  void N12Click();
  void N56Click();
  void N11Click();
  void N115Click();
  void N99Click();
  void N100Click();
  void N15Click();
  void N52Click();
  void N51Click();
  void N79Click();
  // 【收费管理】
  void N24Click();
  void N22Click();
  void N38Click();
  void N76Click();
  void N108Click();
  void N58Click();
  void N53Click();
  void N33Click();
  void N19Click();
  void N23Click();
  void N34Click();
  void N35Click();
  void N40Click();
  void N49Click();
  void N39Click();
  void N97Click();
  void N98Click();
  void N101Click();
  void N102Click();
  void N104Click();
  void N82Click();
  void N81Click();
  void N112Click();
  void N113Click();
  void N114Click();
  // 【押金管理】
  void N43Click();
  void N45Click();
  void N46Click();
  void N105Click();
  // 【投诉管理】
  void N60Click();
  void N62Click();
  void N63Click();
  void N64Click();
  // 【其它管理】
  void N92Click();
  void N93Click();
  void N95Click();
  void N96Click();
  // 【发文管理】
  void N86Click();
  void N88Click();
  // 【工作日志】
  void N89Click();
  void N90Click();
  // 【帮助】
  void N27Click();
  void N32Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildPanels();
  void buildMenu();
  void buildToolBar();
  void buildStatusBar();
  void FormClose();
  // Shows the refusal and returns false when `right` names a module right the operator
  // lacks; an empty right always passes.
  bool checkRight(const char* right);
  // A command whose window is not part of the program yet: the right is checked as for
  // the real command, then the operator is told that the function is not available.
  void unavailable(const char* menuName);
  // Runs the log-in dialog on the operator list; true when an operator logged in.
  bool runLogin();

  QLabel* statusPanels_[5] = {};
  bool activationQueued_ = false;
  bool closing_ = false;
  bool startupCompleted_ = false;
  bool remindAtStartup_ = false;
};

// The single main window of the program (set while it exists).
extern TForm_main* Form_main;

// The message shown by commands whose function is not available yet.
inline constexpr const char* kFunctionNotAvailable = "该功能尚未提供。";
