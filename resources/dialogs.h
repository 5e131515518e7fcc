// The three dialog templates as tables: ids, control kinds, Shift-JIS texts, positions in dialog
// units and Windows styles. The Linux shell lays out its widgets from them; a Windows port can
// write them out as a resource script.
#pragma once
#include <cstddef>
#include <cstdint>

namespace brine {

enum class ControlKind { DefaultPushButton, PushButton, Static, DropDownList, Edit, AutoRadioButton };

// Window and control style bits, Windows values.
enum ResourceStyle : std::uint32_t {
    kWsPopup = 0x80000000u,
    kWsCaption = 0x00C00000u,
    kWsSysMenu = 0x00080000u,
    kWsBorder = 0x00800000u,
    kWsVScroll = 0x00200000u,
    kWsTabStop = 0x00010000u,
    kDsModalFrame = 0x80u,
    kDsCenter = 0x800u,
    kBsDefPushButton = 0x1u,
    kBsAutoRadioButton = 0x9u,
    kCbsDropDownList = 0x3u,
    kEsAutoHScroll = 0x80u,
};

struct DialogControlResource {
    std::int32_t id;  // -1 for statics without an id
    ControlKind kind;
    const char* text;  // Shift-JIS, may be empty
    std::int16_t x, y, width, height;  // dialog units
    std::uint32_t style;
};

struct DialogResource {
    const char* name;   // "RES_DLG_CONFIG", ...
    const char* title;  // Shift-JIS
    std::int16_t width, height;  // dialog units
    std::uint32_t style;
    const char* fontFace;  // Shift-JIS
    int fontPoints;
    const DialogControlResource* controls;
    std::size_t controlCount;
};

extern const DialogResource kConfigDialog;
extern const DialogResource kAddDialog;
extern const DialogResource kDeleteDialog;

// The quality list of the settings dialog, in qualityIndex order.
extern const char* const kQualityNames[5];

}  // namespace brine
