// "データを保存できませんでした" (caption "警告", warning icon): what the user is told when the
// roster, an unlock ledger or an installed pack could not be written. Once per run: the program
// goes on, the old file stays whole, and one box says all there is to say.
// Must not depend on anything but base/ and shell/ (its texts).
#pragma once
#include "base/message_box.h"

namespace brine {

class SaveFailureNotice {
public:
    explicit SaveFailureNotice(MessageBoxes& boxes) : boxes_(boxes) {}
    // The first report of the run shows the box (no owner window); later ones show nothing.
    void report();
    bool shown() const { return shown_; }

private:
    MessageBoxes& boxes_;
    bool shown_ = false;
};

}  // namespace brine
