// The shot tool's two survey modes: a contact sheet of every installed fish kind (the extension
// packs included) at its real size and as a strip of frames over each of its four motions, seen
// from the side, from above and from the front, drawn by the program's renderer, with each kind's
// length on screen; and the per-frame cost at each picture quality with ten fish. Tool code only.
#pragma once
#include <string>

#include "tools/shot/shot_session.h"

namespace brine::shot {

// Exit status: 0 written, 1 failed (reason on standard error).
int make_contact_sheet(const SessionOptions& options, const std::string& outPath);
int run_bench(const SessionOptions& options, int framesPerRun, int runs);

}  // namespace brine::shot
