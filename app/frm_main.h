// The dimming window: a level from the list and "Send", or from the slider
// when it is let go; both controls then show the level sent last.
#pragma once

#include <QWidget>

#include "board/operator_messages.h"
#include "hidlink/link.h"

class QComboBox;
class QPushButton;

namespace ql::app {

class LevelSlider;

inline constexpr std::string_view kBadLevelMessage = "Please enter a dimming level from 0 to 31.";

class FrmMain final : public QWidget {
  Q_OBJECT

 public:
  FrmMain(hidlink::Link& link, board::OperatorMessages& messages);
  // Shows the window and fills the list, level 16 chosen.
  void Load();

 signals:
  // "&Exit" or the close box.
  void exitRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void SendFromList();
  void SendFromSlider();

  hidlink::Link& link_;
  board::OperatorMessages& messages_;
  QComboBox* comboLvl_;
  LevelSlider* sldLvl_;
  QPushButton* cmdExit_;
};

}  // namespace ql::app
