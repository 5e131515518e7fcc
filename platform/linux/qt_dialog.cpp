#include "platform/linux/qt_dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>
#include <string>

#include "platform/linux/text_codec.h"
#include "shell/shell_util.h"

namespace brine {
namespace {

QString from_sjis(const char* text) { return QString::fromStdString(sjis_to_utf8(text ? text : "")); }

// Typed text as Shift-JIS, or kTextNotShiftJis when a character has no Shift-JIS form.
int copy_sjis(const QString& text, char* buffer, std::size_t size) {
    std::string sjis;
    if (!utf8_to_sjis_exact(text.toStdString(), &sjis)) {
        if (size > 0) buffer[0] = '\0';
        return kTextNotShiftJis;
    }
    return static_cast<int>(copy_text(buffer, size, sjis.c_str()));
}

// A list entry's own bytes ride along with its shown text, so they come back unconverted.
constexpr int kEntryBytesRole = Qt::UserRole;

}  // namespace

QFont dialog_font(const char* faceSjis, int points) {
    const std::string face = sjis_to_utf8(faceSjis ? faceSjis : "");
    QString family = QString::fromStdString(face);
    if (face == "ＭＳ Ｐゴシック") family = QStringLiteral("IPAPGothic");
    else if (face == "ＭＳ ゴシック") family = QStringLiteral("IPAGothic");
    QFont font(family);
    font.setPointSize(points > 0 ? points : 9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogBaseUnits dialog_base_units(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogBaseUnits units;
    units.width = (letters / 26 + 1) / 2;
    units.height = metrics.height();
    return units;
}

QtDialog::QtDialog(const DialogResource& resource, DialogProcedure& procedure, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      procedure_(procedure) {
    setObjectName(QString::fromLatin1(resource.name));
    setModal(true);
    build(resource);
}

void QtDialog::build(const DialogResource& resource) {
    const QFont font = dialog_font(resource.fontFace, resource.fontPoints);
    setFont(font);
    units_ = dialog_base_units(font);
    setWindowTitle(from_sjis(resource.title));
    setFixedSize(units_.x(resource.width), units_.y(resource.height));

    for (std::size_t i = 0; i < resource.controlCount; ++i) {
        const DialogControlResource& c = resource.controls[i];
        QWidget* widget = nullptr;
        const int id = c.id;
        switch (c.kind) {
        case ControlKind::DefaultPushButton:
        case ControlKind::PushButton: {
            auto* button = new QPushButton(from_sjis(c.text), this);
            button->setDefault(c.kind == ControlKind::DefaultPushButton);
            button->setAutoDefault(c.kind == ControlKind::DefaultPushButton);
            connect(button, &QPushButton::clicked, this, [this, id] { send_command(id, kBnClicked); });
            widget = button;
            break;
        }
        case ControlKind::Static: {
            auto* label = new QLabel(from_sjis(c.text), this);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(this);
            combo->setEditable(false);
            // Only the user's choices are reported, as CBN_SELCHANGE is.
            connect(combo, QOverload<int>::of(&QComboBox::activated), this, [this, id](int) { send_command(id, kCbnSelChange); });
            widget = combo;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(from_sjis(c.text), this);
            widget = edit;
            break;
        }
        case ControlKind::AutoRadioButton: {
            auto* radio = new QRadioButton(from_sjis(c.text), this);
            radio->setAutoExclusive(true);
            connect(radio, &QRadioButton::clicked, this, [this, id] { send_command(id, kBnClicked); });
            widget = radio;
            break;
        }
        }
        int height = units_.y(c.height);
        // A drop-down list's height in the table includes its open list; closed it is one line.
        if (c.kind == ControlKind::DropDownList) height = std::min(height, widget->sizeHint().height());
        widget->setGeometry(units_.x(c.x), units_.y(c.y), units_.x(c.width), height);
        if (id > 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(id));
            controls_[id] = widget;
        }
    }
}

int QtDialog::run() {
    procedure_.init_dialog(*this);
    if (ended_) return result();  // ended during its own initialisation
    return exec();
}

QWidget* QtDialog::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void QtDialog::send_command(int id, int notification) {
    if (ended_) return;
    procedure_.command(*this, id, notification);
}

void QtDialog::reject() { send_command(kIdCancel, kBnClicked); }

int QtDialog::combo_add_string(int id, const char* text) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    if (!combo) return -1;
    combo->addItem(from_sjis(text));
    combo->setItemData(combo->count() - 1, QByteArray(text ? text : ""), kEntryBytesRole);
    return combo->count() - 1;
}

void QtDialog::combo_set_selection(int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    if (!combo) return;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtDialog::combo_selection(int id) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo ? combo->currentIndex() : -1;
}

int QtDialog::combo_count(int id) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo ? combo->count() : -1;
}

int QtDialog::combo_item_text(int id, int index, char* buffer, std::size_t size) {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    if (!combo || index < 0 || index >= combo->count()) {
        if (size > 0) buffer[0] = '\0';
        return -1;
    }
    const QByteArray bytes = combo->itemData(index, kEntryBytesRole).toByteArray();
    return static_cast<int>(copy_text(buffer, size, bytes.constData()));
}

void QtDialog::set_text(int id, const char* text) {
    QWidget* widget = control(id);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(from_sjis(text));
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(from_sjis(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(from_sjis(text));
}

int QtDialog::get_text(int id, char* buffer, std::size_t size) {
    QWidget* widget = control(id);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    return copy_sjis(text, buffer, size);
}

void QtDialog::set_file_name_text(int id, const char* path) {
    // Host paths are UTF-8 bytes here; either separator may appear (the program spells its own
    // relative paths with backslashes).
    const QString whole = QFile::decodeName(QByteArray(path ? path : ""));
    const int cut = std::max(whole.lastIndexOf(QLatin1Char('/')), whole.lastIndexOf(QLatin1Char('\\')));
    const QString name = whole.mid(cut + 1);
    if (auto* label = qobject_cast<QLabel*>(control(id))) label->setText(name);
    else if (auto* edit = qobject_cast<QLineEdit*>(control(id))) edit->setText(name);
}

void QtDialog::check_radio_button(int firstId, int lastId, int checkId) {
    for (auto& [id, widget] : controls_) {
        auto* radio = qobject_cast<QRadioButton*>(widget);
        if (!radio || id < firstId || id > lastId) continue;
        // Exclusive buttons refuse to be all off; CheckRadioButton with an id outside the group
        // turns them all off, so exclusivity is lifted while they are set.
        radio->setAutoExclusive(false);
        radio->setChecked(id == checkId);
        radio->setAutoExclusive(true);
    }
}

bool QtDialog::is_checked(int id) {
    auto* button = qobject_cast<QAbstractButton*>(control(id));
    return button && button->isCheckable() && button->isChecked();
}

void QtDialog::enable_control(int id, bool enabled) {
    if (QWidget* widget = control(id)) widget->setEnabled(enabled);
}

void QtDialog::end_dialog(int value) {
    if (ended_) return;
    ended_ = true;
    setResult(value);
    if (isVisible()) done(value);
}

}  // namespace brine
