#include "shell/startup.h"

#include "shell/shell_texts.h"

namespace brine {
namespace {

StartupOutcome fail(MessageBoxes& boxes, const char* text, bool owned) {
    boxes.message_box(text, kCaptionWarning, kMbIconWarning, owned);
    return {false, kExitFailure};
}

}  // namespace

StartupOutcome run_startup(StartupSteps& steps, AppSettings& settings, MessageBoxes& boxes) {
    if (steps.another_instance_running()) return fail(boxes, kMsgAlreadyRunning, false);
    if (!steps.check_active_desktop()) return fail(boxes, kMsgEnableActiveDesktop, false);
    steps.load_settings();
    if (!steps.load_topics()) return {false, kExitNormal};
    if (!steps.build_catalog()) return fail(boxes, kMsgCatalogFailed, false);
    if (!steps.create_main_window()) return fail(boxes, kMsgMainWindowFailed, false);

    if (failed(steps.init_display(settings.backBufferWidth, settings.backBufferHeight))) {
        if (settings.qualityIndex == 0) return fail(boxes, kMsgDirectXFailed, true);
        settings.qualityIndex = 0;
        back_buffer_size_for(0, &settings.backBufferWidth, &settings.backBufferHeight);
        if (failed(steps.init_display(settings.backBufferWidth, settings.backBufferHeight)))
            return fail(boxes, kMsgDirectXFailed, true);
        boxes.message_box(kMsgPerformanceFallback, kCaptionWarning, kMbIconWarning, true);
        steps.save_settings();  // later starts use the lower quality too
    }

    if (failed(steps.init_scene())) return fail(boxes, kMsgSceneFailed, true);
    steps.enter_background();
    return {true, kExitNormal};
}

}  // namespace brine
