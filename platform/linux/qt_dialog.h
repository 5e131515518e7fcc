// A modal QDialog laid out from one of the program's dialog tables (dialog units converted with
// the dialog's font, as Windows does) and driven by a portable DialogProcedure through the
// DialogControls it implements. Texts are converted from and to Shift-JIS here; list entries keep
// their Shift-JIS bytes beside the shown text, and typed text without a Shift-JIS form is reported.
#pragma once
#include <QDialog>
#include <QFont>
#include <map>

#include "resources/dialogs.h"
#include "shell/ui.h"

class QWidget;

namespace brine {

// The dialog font: "ＭＳ Ｐゴシック" maps to IPAPGothic and "ＭＳ ゴシック" to IPAGothic (Debian
// fonts-ipafont-gothic); any other face is asked for by its own name.
QFont dialog_font(const char* faceSjis, int points);

// Dialog base units of a font as Windows computes them: the average width of the 52 Latin
// letters, rounded, and the character height. x * width / 4 and y * height / 8 give pixels.
struct DialogBaseUnits {
    int width = 0;
    int height = 0;
    int x(int units) const { return units * width / 4; }
    int y(int units) const { return units * height / 8; }
};
DialogBaseUnits dialog_base_units(const QFont& font);

class QtDialog : public QDialog, public DialogControls {
    Q_OBJECT
public:
    QtDialog(const DialogResource& resource, DialogProcedure& procedure, QWidget* parent = nullptr);

    // Calls the procedure's init_dialog, then runs the dialog modally; the end_dialog value.
    int run();

    // DialogControls.
    int combo_add_string(int id, const char* text) override;
    void combo_set_selection(int id, int index) override;
    int combo_selection(int id) override;
    int combo_count(int id) override;
    int combo_item_text(int id, int index, char* buffer, std::size_t size) override;
    void set_text(int id, const char* text) override;
    int get_text(int id, char* buffer, std::size_t size) override;
    void set_file_name_text(int id, const char* path) override;
    void check_radio_button(int firstId, int lastId, int checkId) override;
    bool is_checked(int id) override;
    void enable_control(int id, bool enabled) override;
    void end_dialog(int result) override;

    // The control of an id (null when the dialog has none); for tests and the integration.
    QWidget* control(int id) const;
    const DialogBaseUnits& base_units() const { return units_; }

public Q_SLOTS:
    // Escape and the close box: the procedure's Cancel.
    void reject() override;

private:
    void build(const DialogResource& resource);
    void send_command(int id, int notification);

    DialogProcedure& procedure_;
    DialogBaseUnits units_;
    std::map<int, QWidget*> controls_;
    bool ended_ = false;
};

}  // namespace brine
