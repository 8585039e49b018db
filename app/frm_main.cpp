#include "app/frm_main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/level_slider.h"
#include "app/level_text.h"
#include "app/logo.h"
#include "app/scale_label.h"
#include "app/twips.h"
#include "board/dimming.h"

namespace ql::app {
namespace {

const char* const kInstructions =
    "To change the dimming level, you can\n"
    "\n"
    "a) Either select a dimming level and click the \n"
    "\"Send\" button\n"
    "b) Or just drap the slide bar\n";

QFont Larger(QFont font, bool bold) {
  font.setPointSizeF(font.pointSizeF() + 1);
  font.setBold(bold);
  return font;
}

}  // namespace

FrmMain::FrmMain(hidlink::Link& link, board::OperatorMessages& messages)
    : link_(link), messages_(messages) {
  setObjectName("frmMain");
  setWindowTitle(QString(10, ' '));
  resize(TwipsSize(6744, 6720));

  // One font per look, shared by the controls that have it.
  const QFont larger = Larger(font(), false), largerBold = Larger(font(), true);

  auto* text = new QPlainTextEdit(kInstructions, this);
  text->setObjectName("Text1");
  text->setFrameShape(QFrame::NoFrame);
  text->setFocusPolicy(Qt::ClickFocus);
  text->setTabChangesFocus(true);
  text->setFont(largerBold);
  QPalette buttonFace = text->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  text->setPalette(buttonFace);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  text->setGeometry(TwipsRect(240, 180, 6264, 1800));

  auto* heading = new QLabel("Dimming Control", this);
  heading->setObjectName("Label1");
  heading->setFont(larger);
  heading->setGeometry(TwipsRect(240, 2160, 3000, 300));

  comboLvl_ = new QComboBox(this);
  comboLvl_->setObjectName("comboLvl");
  comboLvl_->setEditable(true);
  // A typed text is sent as it stands; it never becomes an entry, so entry
  // n stays level n.
  comboLvl_->setInsertPolicy(QComboBox::NoInsert);
  comboLvl_->setEditText("Combo1");
  comboLvl_->setGeometry(TwipsRect(240, 2520, 1800, 375));

  auto* send = new QPushButton("Send", this);
  send->setObjectName("CmdSend");
  send->setGeometry(TwipsRect(2280, 2490, 1215, 435));

  auto* scale = new ScaleLabel(QString("0") + QString(72, ' ') + "31", this);
  scale->setObjectName("Label2");
  scale->setFont(larger);
  scale->setGeometry(TwipsRect(240, 3360, 6264, 300));

  sldLvl_ = new LevelSlider(Qt::Horizontal, this);
  sldLvl_->setObjectName("sldLvl");
  sldLvl_->setRange(kMinLevel, kMaxLevel);
  sldLvl_->setSingleStep(1);
  sldLvl_->setPageStep(5);
  sldLvl_->setValue(16);
  sldLvl_->setTickPosition(QSlider::TicksBelow);
  sldLvl_->setTickInterval(1);
  sldLvl_->setGeometry(TwipsRect(240, 3660, 6264, 480));

  NewLogoImage(this, 240, 6000);

  auto* exit = cmdExit_ = new QPushButton("&Exit", this);
  exit->setObjectName("cmdExit");
  exit->setGeometry(TwipsRect(5160, 5970, 1335, 495));

  setTabOrder(exit, comboLvl_);
  setTabOrder(comboLvl_, send);
  setTabOrder(send, sldLvl_);
  exit->setFocus();

  // Enter on a focused button presses it, as Space does.
  send->setAutoDefault(true);
  exit->setAutoDefault(true);
  // The controls keep their places: smaller, the window would hide "&Exit"
  // and the slider.
  const QRect content = childrenRect();
  setMinimumSize(content.right() + 1 + content.left(), content.bottom() + 1 + content.top());

  connect(send, &QPushButton::clicked, this, &FrmMain::SendFromList);
  connect(sldLvl_, &LevelSlider::mouseReleased, this, &FrmMain::SendFromSlider);
  connect(exit, &QPushButton::clicked, this, &FrmMain::exitRequested);
}

void FrmMain::Load() {
  show();
  for (int n = kMinLevel; n <= kMaxLevel; ++n) comboLvl_->insertItem(n, QString::number(n));
  comboLvl_->setCurrentIndex(16);
}

void FrmMain::SendFromList() {
  const std::optional<int> level =
      LevelFromText(comboLvl_->currentText().toStdString(), QLocale().decimalPoint().toStdString());
  if (!level) {
    messages_.ShowMessage(kBadLevelMessage);
    return;
  }
  board::SendDimmingLevel(link_, messages_, static_cast<std::int16_t>(*level));
  sldLvl_->setValue(*level);
}

void FrmMain::SendFromSlider() {
  const int level = sldLvl_->value();
  board::SendDimmingLevel(link_, messages_, static_cast<std::int16_t>(level));
  // Also replaces a text typed over the entry that is already current.
  comboLvl_->setCurrentIndex(level);
}

void FrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Whenever the program shows the window, it opens on "&Exit", first in the
  // tab order: the load step hides the window while it is active, and Qt
  // then hands the focus on to the next control. A window restored by the
  // operator keeps the focus it had.
  if (!event->spontaneous()) cmdExit_->setFocus();
}

void FrmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  emit exitRequested();
}

}  // namespace ql::app
