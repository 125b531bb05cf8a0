#pragma once
// Runs a check on the modal dialog a call is about to open, then closes it, so a test
// can look at a box that blocks in its own event loop.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace uitest {

// Polls for a modal widget; when one shows, calls inspect(widget) (which should close it).
inline void WhenModalShows(std::function<void(QWidget*)> inspect) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      inspect(modal);
    }
  });
  timer->start();
}

}  // namespace uitest
