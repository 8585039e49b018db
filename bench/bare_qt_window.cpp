// The yardstick for start-up: a bare Qt Widgets program showing one window
// with one label and one button, so that it loads fonts and draws text and a
// control as any real window does.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel("A label"));
  layout->addWidget(new QPushButton("&Button"));
  window.show();
  return QApplication::exec();
}
