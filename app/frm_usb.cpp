#include "app/frm_usb.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/trace_view.h"
#include "app/twips.h"
#include "hidlink/text_helpers.h"

namespace ql::app {
namespace {

QComboBox* ByteList(const char* name, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  return list;
}

// The largest bold face, up to 14 points in half points, whose text fits the
// label's width. Each size is a font to match: the first guess scales the
// width at 14 points, and hinting may cost a step or two more.
QFont LargestFitting(const QLabel* label, bool bold) {
  QFont font = label->font();
  font.setBold(bold);
  font.setPointSizeF(14);
  const qreal at14 = QFontMetricsF(font).horizontalAdvance(label->text());
  qreal size = at14 > 0 ? std::min<qreal>(14, std::floor(28 * label->width() / at14) / 2) : 14;
  for (; size > 6.5; size -= 0.5) {
    font.setPointSizeF(size);
    if (QFontMetricsF(font).horizontalAdvance(label->text()) <= label->width()) break;
  }
  font.setPointSizeF(std::max<qreal>(size, 6.5));
  return font;
}

void FillByteList(QComboBox* list) {
  for (int v = 0; v <= 255; ++v)
    list->insertItem(v,
                     QString::fromStdString(hidlink::TwoHexDigits(static_cast<std::uint8_t>(v))));
}

// The HID test's read waits up to six seconds. The wait alone runs on a
// worker; the window keeps painting meanwhile but takes no input, so nothing
// else can reach the link before the wait is over. Input that arrives is
// handled afterwards, as a blocked window would handle it.
void WaitPainting(const std::function<void()>& wait) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QEventLoop loop;
  std::thread worker([&] {
    wait();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  QGuiApplication::restoreOverrideCursor();
}

}  // namespace

FrmUsb::FrmUsb(hidlink::Link& link, hidlink::DiagnosticList& trace) : link_(link) {
  setObjectName("frmUsb");
  setWindowTitle("FrmUSB");
  resize(TwipsSize(9108, 7548));

  // The places were drawn for a small dialog font.
  setFont(QFont("Arial", 8));

  auto* debug = new QLabel("Debug Only!!!!", this);
  debug->setObjectName("Label1");
  debug->setGeometry(TwipsRect(1200, 240, 2052, 612));
  debug->setFont(LargestFitting(debug, true));

  auto* received = new QGroupBox("Bytes Received", this);
  received->setObjectName("fraBytesReceived");
  received->setGeometry(TwipsRect(480, 1200, 1452, 1692));
  txtBytesReceived_ = new QPlainTextEdit(received);
  txtBytesReceived_->setObjectName("txtBytesReceived");
  txtBytesReceived_->setGeometry(TwipsRect(360, 480, 732, 732));

  auto* toSend = new QGroupBox("Bytes to Send", this);
  toSend->setObjectName("fraBytesToSend");
  toSend->setGeometry(TwipsRect(480, 3000, 2172, 1692));
  cboByte0_ = ByteList("cboByte0", toSend);
  cboByte0_->setGeometry(TwipsRect(240, 360, 1212, 288));
  cboByte1_ = ByteList("cboByte1", toSend);
  cboByte1_->setGeometry(TwipsRect(240, 840, 1212, 288));
  chkAutoincrement_ = new QCheckBox("Autoincrement values", toSend);
  chkAutoincrement_->setObjectName("chkAutoincrement");
  chkAutoincrement_->setGeometry(TwipsRect(240, 1200, 2412, 372));

  auto* sendAndReceive = new QGroupBox("Send and Receive Data", this);
  sendAndReceive->setObjectName("fraSendAndReceive");
  sendAndReceive->setGeometry(TwipsRect(480, 5040, 2052, 1692));
  auto* once = new QPushButton("Once", sendAndReceive);
  once->setObjectName("cmdOnce");
  once->setGeometry(TwipsRect(360, 360, 1452, 372));
  auto* continuous = new QPushButton("Continuous", sendAndReceive);
  continuous->setObjectName("cmdContinuous");
  continuous->setGeometry(TwipsRect(360, 1080, 1452, 372));

  lstResults_ = new TraceView(trace, this);
  lstResults_->setObjectName("lstResults");
  lstResults_->setGeometry(TwipsRect(3360, 600, 5292, 6192));

  // Kept for the continuous collection the window was laid out for; nothing
  // starts it.
  auto* timer = new QTimer(this);
  timer->setObjectName("tmrContinuousDataCollect");

  connect(once, &QPushButton::clicked, this, &FrmUsb::RunHidTest);
  link_.SetWaitRunner(WaitPainting);
}

FrmUsb::~FrmUsb() {
  link_.SetWaitRunner({});
}

void FrmUsb::Load() {
  link_.LoadReportConstants();
  // Left to the window system, it could land partly below the screen's edge.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  show();
  auto* timer = findChild<QTimer*>("tmrContinuousDataCollect");
  timer->stop();
  timer->setInterval(10);
  FillByteList(cboByte0_);
  FillByteList(cboByte1_);
  cboByte0_->setCurrentIndex(0);
  cboByte1_->setCurrentIndex(128);
  chkAutoincrement_->setChecked(true);
}

void FrmUsb::RunHidTest() {
  hidlink::HidTestBytes bytes{static_cast<std::uint8_t>(std::max(cboByte0_->currentIndex(), 0)),
                              static_cast<std::uint8_t>(std::max(cboByte1_->currentIndex(), 0)),
                              chkAutoincrement_->isChecked()};
  const hidlink::HidTestRun run = hidlink::RunHidTest(link_, bytes, hidlink::GeneralDateText());
  cboByte1_->setCurrentIndex(bytes.byte1);
  if (run.boardFound) ShowBytes(run.read.bytes);
}

void FrmUsb::ShowBytes(const std::vector<std::uint8_t>& bytes) {
  txtBytesReceived_->clear();
  for (const std::uint8_t b : bytes) {
    txtBytesReceived_->moveCursor(QTextCursor::End);
    txtBytesReceived_->insertPlainText(QString::fromStdString(hidlink::TwoHexDigits(b)) + "\n");
  }
}

}  // namespace ql::app
