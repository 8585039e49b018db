// The developer's window on the HID link: the link's trace and the
// write-then-read test of the board.
#pragma once

#include <QWidget>

#include "hidlink/diagnostic_list.h"
#include "hidlink/hid_test.h"
#include "hidlink/link.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace ql::app {

class TraceView;

class FrmUsb final : public QWidget {
  Q_OBJECT

 public:
  // `trace` is the list the link traces into: the window's lstResults.
  FrmUsb(hidlink::Link& link, hidlink::DiagnosticList& trace);
  ~FrmUsb() override;
  // Sets the link's report constants, shows the window and fills its byte
  // lists.
  void Load();
  // "Once": one run of the test with the window's choices.
  void RunHidTest();

 private:
  void ShowBytes(const std::vector<std::uint8_t>& bytes);

  hidlink::Link& link_;
  TraceView* lstResults_;
  QPlainTextEdit* txtBytesReceived_;
  QComboBox* cboByte0_;
  QComboBox* cboByte1_;
  QCheckBox* chkAutoincrement_;
};

}  // namespace ql::app
