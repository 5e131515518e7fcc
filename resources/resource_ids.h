// Identifiers of the program's resources: menu commands, dialog controls and resource names.
// These numbers are part of the program's behaviour (WALLTYPE stores 1007/1008, for instance).
#pragma once
#include <cstdint>

#include "base/message_box.h"  // kIdOk, kIdCancel

namespace brine {

enum MenuCommand : std::uint32_t {
    kCmdSettings = 40001,
    kCmdExit = 40002,
    kCmdAddFish = 40003,
    kCmdShowNames = 40004,
    kCmdDeleteFish = 40005,
    kCmdFeed = 40006,
    kCmdShowSatiety = 40007,
    kCmdVersion = 40009,
    kCmdInstallExtension = 40010,
    kCmdStopTime = 40011,
    kCmdDrawMode = 40012,  // handled, but on no menu
    kCmdShowTopics = 40013,
    kCmdWebSite = 40014,
};

// The dialogs' OK and Cancel buttons are IDOK (1) and IDCANCEL (2): the same constants as the
// message-box answers kIdOk and kIdCancel of base/message_box.h, as on Windows.
enum DialogControlId : std::int32_t {
    kIdStatic = -1,
    kIdKindCombo = 1000,
    kIdQualityCombo = 1002,
    kIdBrowse = 1004,
    kIdNameEdit = 1005,
    kIdNameCombo = 1006,
    kIdStretchRadio = 1007,
    kIdTileRadio = 1008,
    kIdWallpaperName = 1009,
};

constexpr const char* kIconResource = "RES_ICON_APP";
constexpr const char* kPopupMenuResource = "RES_POPUPMENU";
constexpr const char* kConfigDialogResource = "RES_DLG_CONFIG";
constexpr const char* kAddDialogResource = "RES_DLG_ADD";
constexpr const char* kDeleteDialogResource = "RES_DLG_DELETE";

}  // namespace brine
