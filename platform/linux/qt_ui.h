// The shell's Ui on Qt Widgets: QSystemTrayIcon for the tray (only a right-button press,
// QSystemTrayIcon::Context, opens the menu), a QMenu built from the menu table each time,
// QMessageBox, QtDialog for the three dialogs, QFileDialog, QDesktopServices, and an event queue
// that the main loop drains, waiting in Qt's event loop (with a precise timer for the deadline)
// while it is empty. Whatever should end that wait must be a Qt event source (a QSocketNotifier
// for a file descriptor of one's own). On Wayland the tray is a StatusNotifier item only, and Qt
// decides once per process whether a host exists: without one yet (a bar that starts after the
// program), the icon waits until a host registers.
// Needs a QApplication to exist before it is made; one per process.
#pragma once
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <deque>

#include "shell/ui.h"

class QScreen;

namespace brine {

class QtUi : public QObject, public Ui {
    Q_OBJECT
public:
    QtUi();
    ~QtUi() override;

    // Qt needs no window for the tray icon and the commands: nothing to make.
    bool create_main_window() override { return true; }
    int message_box(const char* text, const char* caption, std::uint32_t style, bool ownedByMainWindow) override;
    bool open_url(const char* url) override;
    bool add_tray_icon(const char* tip) override;
    void remove_tray_icon() override;
    std::uint32_t track_popup_menu(const MenuItemState* states, std::size_t count) override;
    int run_dialog(const DialogResource& dialog, DialogProcedure& procedure) override;
    bool choose_open_file(OpenFileRequest& request) override;
    bool poll_event(UiEvent* event, double waitSeconds) override;
    void post_quit() override;

    // Queues a command for the main window, as a WM_COMMAND sent from outside would arrive.
    void post_command(std::uint32_t command);
    // Queues a display change, as the screen signals do.
    void post_display_change();

    QSystemTrayIcon* tray_icon() const { return tray_; }
    // Whether the icon waits for a StatusNotifier host to appear.
    bool tray_waiting() const { return trayWait_.isActive(); }
    const QIcon& icon() const { return icon_; }

private Q_SLOTS:
    void tray_activated(QSystemTrayIcon::ActivationReason reason);

private:
    void watch_screen(QScreen* screen);
    void show_tray_icon();

    std::deque<UiEvent> events_;
    QSystemTrayIcon* tray_ = nullptr;
    QString trayTip_;
    QTimer trayWait_;
    QIcon icon_;
    QScreen* watchedScreen_ = nullptr;
    QTimer wakeTimer_;  // ends a wait at its deadline
};

// Whether a StatusNotifier host is registered with the watcher on the session bus (a panel or
// bar that shows such items); false without a bus or a watcher.
bool status_notifier_host();

// The Qt name filter of one open-file filter pair: "<text> (<patterns, space separated>)".
QString name_filter(const char* textSjis, const char* patterns);

}  // namespace brine
