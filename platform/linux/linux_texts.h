// Texts only the Linux platform layer shows, as Shift-JIS bytes like the shell's own, since they
// go through the same message boxes. Depends on nothing.
#pragma once

namespace brine {

// Shown once at start in a Wayland session whose compositor neither offers the layer shell nor,
// through XWayland, honours the desktop window type: the tank then appears in an ordinary window.
// このデスクトップでは魚をウィンドウの後ろに表示できません\n通常のウィンドウで表示します
constexpr char kMsgNoDesktopLayer[] =
    "\x82\xB1\x82\xCC\x83" "f\x83X\x83N\x83g\x83" "b\x83v\x82\xC5\x82\xCD\x8B\x9B\x82\xF0\x83" "E\x83" "B\x83\x93"
    "\x83h\x83" "E\x82\xCC\x8C\xE3\x82\xEB\x82\xC9\x95\x5C\x8E\xA6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\n"
    "\x92\xCA\x8F\xED\x82\xCC\x83" "E\x83" "B\x83\x93\x83h\x83" "E\x82\xC5\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7";

}  // namespace brine
