// Anchor of the test-support library; the doubles are mostly header-only.
#include "tests/support/manual_clock.h"
#include "tests/support/memory_settings_store.h"
#include "tests/support/scripted_message_boxes.h"
