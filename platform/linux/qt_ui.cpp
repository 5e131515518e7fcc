#include "platform/linux/qt_ui.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/linux/app_icon.h"
#include "platform/linux/qt_dialog.h"
#include "platform/linux/text_codec.h"
#include "resources/menu.h"

namespace brine {
namespace {

QString from_sjis(const char* text) { return QString::fromStdString(sjis_to_utf8(text ? text : "")); }

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    int answer;
};

}  // namespace

QString name_filter(const char* textSjis, const char* patterns) {
    QString list = QString::fromLatin1(patterns ? patterns : "");
    list.replace(QLatin1Char(';'), QLatin1Char(' '));
    return from_sjis(textSjis) + QStringLiteral(" (") + list + QLatin1Char(')');
}

bool status_notifier_host() {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(ask, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

QtUi::QtUi() : icon_(app_icon()) {
    wakeTimer_.setSingleShot(true);
    wakeTimer_.setTimerType(Qt::PreciseTimer);
    QApplication::setWindowIcon(icon_);
    QApplication::setQuitOnLastWindowClosed(false);  // the program lives in the tray
    watch_screen(QGuiApplication::primaryScreen());
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, [this](QScreen* screen) {
        watch_screen(screen);
        post_display_change();
    });
    trayWait_.setInterval(1000);
    connect(&trayWait_, &QTimer::timeout, this, [this] {
        if (!status_notifier_host()) return;
        trayWait_.stop();
        show_tray_icon();
    });
}

QtUi::~QtUi() { remove_tray_icon(); }

void QtUi::watch_screen(QScreen* screen) {
    if (watchedScreen_) disconnect(watchedScreen_, nullptr, this, nullptr);
    watchedScreen_ = screen;
    if (screen) connect(screen, &QScreen::geometryChanged, this, [this] { post_display_change(); });
}

int QtUi::message_box(const char* text, const char* caption, std::uint32_t style, bool) {
    QMessageBox box;
    box.setWindowTitle(from_sjis(caption));
    box.setTextFormat(Qt::PlainText);  // a fetched or user text must never be read as markup
    box.setText(from_sjis(text));
    switch (style & 0xF0u) {
    case 0x10: box.setIcon(QMessageBox::Critical); break;
    case kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case kMbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    static const ButtonAnswer kAnswers[] = {
        {QMessageBox::Ok, kIdOk},   {QMessageBox::Cancel, kIdCancel}, {QMessageBox::Abort, 3},
        {QMessageBox::Retry, 4},    {QMessageBox::Ignore, 5},         {QMessageBox::Yes, kIdYes},
        {QMessageBox::No, kIdNo},
    };
    QMessageBox::StandardButtons buttons;
    switch (style & 0xFu) {
    case kMbOkCancel: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case 0x2: buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore; break;
    case 0x3: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case kMbYesNo: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case 0x5: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    default: buttons = QMessageBox::Ok; break;
    }
    box.setStandardButtons(buttons);
    const int pressed = box.exec();
    for (const ButtonAnswer& a : kAnswers)
        if (pressed == a.button) return a.answer;
    // Closed without a button: the box's cancelling answer.
    if (buttons & QMessageBox::Cancel) return kIdCancel;
    if (buttons & QMessageBox::No) return kIdNo;
    return kIdOk;
}

bool QtUi::open_url(const char* url) {
    return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray(url ? url : "")));
}

bool QtUi::add_tray_icon(const char* tip) {
    trayTip_ = from_sjis(tip);
    // Qt's first look for a host is its last (the answer is kept), and Wayland has no other tray:
    // the icon is made only once a host is there to show it. X11 falls back to the XEmbed tray,
    // which follows a tray that comes later by itself.
    if (!tray_ && QGuiApplication::platformName() == QLatin1String("wayland") && !status_notifier_host()) {
        trayWait_.start();
        return false;
    }
    show_tray_icon();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtUi::show_tray_icon() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(icon_, this);
        connect(tray_, &QSystemTrayIcon::activated, this, &QtUi::tray_activated);
    }
    tray_->setToolTip(trayTip_);
    tray_->show();
}

void QtUi::remove_tray_icon() {
    trayWait_.stop();
    if (!tray_) return;
    tray_->hide();
    delete tray_;
    tray_ = nullptr;
}

void QtUi::tray_activated(QSystemTrayIcon::ActivationReason reason) {
    // Context is the right-button press; clicks, double clicks and the middle button do nothing.
    if (reason == QSystemTrayIcon::Context) events_.push_back({UiEventKind::kTrayRightButton, 0});
}

std::uint32_t QtUi::track_popup_menu(const MenuItemState* states, std::size_t count) {
    QMenu menu;
    menu.setObjectName(QStringLiteral("RES_POPUPMENU"));
    for (std::size_t i = 0; i < kPopupMenuCount; ++i) {
        const MenuItemResource& item = kPopupMenu[i];
        if (item.command == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(from_sjis(item.text));
        action->setData(item.command);
        for (std::size_t s = 0; s < count; ++s) {
            if (states[s].command != item.command) continue;
            action->setEnabled(states[s].enabled);
            action->setCheckable(states[s].checked);  // a check column only where a mark shows
            action->setChecked(states[s].checked);
        }
    }
    // A popup grabs pointer and keyboard, so a click elsewhere dismisses it (0), which is what
    // SetForegroundWindow before TrackPopupMenu arranges on Windows.
    // On Wayland a menu without a parent surface becomes a window of its own, which a tiling
    // compositor would stretch over the screen; a fixed size makes it float instead.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) menu.setFixedSize(menu.sizeHint());
    QAction* chosen = menu.exec(QCursor::pos());
    return chosen ? chosen->data().toUInt() : 0;
}

int QtUi::run_dialog(const DialogResource& dialog, DialogProcedure& procedure) {
    QtDialog window(dialog, procedure);
    return window.run();
}

bool QtUi::choose_open_file(OpenFileRequest& request) {
    const QString startDirectory = QDir::currentPath();
    QFileDialog dialog(nullptr, from_sjis(request.title));
    dialog.setObjectName(QStringLiteral("OpenFileDialog"));
    // Qt's own dialog, so the filter texts show as the program writes them and tests can drive it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & kOfnFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QStringList filters;
    for (std::size_t i = 0; i < request.filterPairs; ++i)
        filters << name_filter(request.filters[2 * i], request.filters[2 * i + 1]);
    dialog.setNameFilters(filters);
    if (request.defaultExtension) dialog.setDefaultSuffix(QString::fromLatin1(request.defaultExtension));
    if (request.path && request.path[0] != '\0') {
        QString start = QFile::decodeName(QByteArray(request.path));
        start.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QFileInfo info(start);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    QDir::setCurrent(startDirectory);  // data files are opened relative to it
    if (!accepted) return false;
    const QByteArray chosen = QFile::encodeName(dialog.selectedFiles().first());
    // A path that does not fit the buffer is refused whole, as the system dialog would.
    if (!request.path || static_cast<std::size_t>(chosen.size()) + 1 > request.pathSize) return false;
    std::memcpy(request.path, chosen.constData(), static_cast<std::size_t>(chosen.size()) + 1);
    return true;
}

bool QtUi::poll_event(UiEvent* event, double waitSeconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (events_.empty() && waitSeconds > 0) {
        // Whole milliseconds, rounded up: waking early would only spin through a pass.
        const qint64 ms = static_cast<qint64>(std::ceil(std::min(waitSeconds, 3600.0) * 1000.0));
        const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
        // Events that queue nothing for the loop (expose, the desktop host's connection, Qt's own
        // timers) wake the wait; it goes on towards the same deadline.
        while (events_.empty() && !deadline.hasExpired()) {
            wakeTimer_.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        wakeTimer_.stop();
    }
    if (events_.empty()) return false;
    *event = events_.front();
    events_.pop_front();
    return true;
}

void QtUi::post_quit() { events_.push_back({UiEventKind::kQuit, 0}); }

void QtUi::post_command(std::uint32_t command) { events_.push_back({UiEventKind::kCommand, command}); }

void QtUi::post_display_change() { events_.push_back({UiEventKind::kDisplayChange, 0}); }

}  // namespace brine
