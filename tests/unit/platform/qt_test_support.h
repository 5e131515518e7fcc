// Shared by the Qt tests: one QApplication for the process (offscreen unless a platform is set),
// and a way to act on a modal dialog, message box or popup menu once it is open.
#pragma once
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

namespace brine::test {

// Every Qt test calls this first. Another test that already made a QGuiApplication (no widgets)
// would leave these tests without one: they then skip.
inline QApplication* qt_application() {
    if (QCoreApplication::instance()) return qobject_cast<QApplication*>(QCoreApplication::instance());
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "unit_platform";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);  // lives until the process ends
}

// Calls `act` with the first widget of type W that is the active popup or modal widget, polling
// from the event loop the modal call runs. After `timeoutMs` every open dialog and menu is
// closed, so a test that waits for a window that never comes fails instead of hanging.
template <class W>
void when_open(std::function<void(W*)> act, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act, timeoutMs] {
        QWidget* active = QApplication::activePopupWidget();
        if (!active) active = QApplication::activeModalWidget();
        if (W* target = qobject_cast<W*>(active)) {
            timer->stop();
            timer->deleteLater();
            act(target);
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* menu = qobject_cast<QMenu*>(w)) menu->close();
                else if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->done(-99);
            }
        }
    });
    timer->start();
}

}  // namespace brine::test
