// The once-a-run save-failure warning.
#include "shell/save_failure_notice.h"

#include "shell/shell_texts.h"

namespace brine {

void SaveFailureNotice::report() {
    if (shown_) return;
    shown_ = true;  // before the box: a report from inside its modal loop stays silent
    boxes_.message_box(kMsgSaveFailed, kCaptionWarning, kMbIconWarning, false);
}

}  // namespace brine
