#include "resources/dialogs.h"

#include "resources/resource_ids.h"

namespace brine {
namespace {

constexpr std::uint32_t kDialogStyle = kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsCenter;
constexpr const char* kDialogFont = "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N";  // ＭＳ Ｐゴシック
constexpr const char* kCancelText = "\xB7\xAC\xDD\xBE\xD9";                     // ｷｬﾝｾﾙ
constexpr const char* kChooseFish = "\x8B\x9B\x82\xCC\x91I\x91\xF0";            // 魚の選択

const DialogControlResource kConfigControls[] = {
    {kIdOk, ControlKind::DefaultPushButton, "OK", 24, 68, 50, 14, kBsDefPushButton | kWsTabStop},
    {kIdCancel, ControlKind::PushButton, kCancelText, 82, 68, 50, 14, kWsTabStop},
    {kIdStatic, ControlKind::Static, "\x89\xE6\x91\x9C\x83N\x83H\x83\x8A\x83" "e\x83" "B", 11, 10, 44, 8, 0},  // 画像クォリティ
    {kIdQualityCombo, ControlKind::DropDownList, "", 59, 7, 73, 44, kCbsDropDownList | kWsVScroll | kWsTabStop},
    {kIdStatic, ControlKind::Static, "\x95\xC7\x8E\x86\x82\xCC\x90\xDD\x92\xE8", 11, 26, 44, 8, 0},  // 壁紙の設定
    {kIdWallpaperName, ControlKind::Static, "", 59, 24, 73, 12, 0},
    {kIdBrowse, ControlKind::PushButton, "\x8EQ\x8F\xC6", 92, 40, 36, 14, kWsTabStop},  // 参照
    {kIdStretchRadio, ControlKind::AutoRadioButton, "\x8Ag\x91\xE5", 16, 42, 30, 10, kBsAutoRadioButton},  // 拡大
    {kIdTileRadio, ControlKind::AutoRadioButton, "\x98" "A\x91\xB1", 52, 42, 30, 10, kBsAutoRadioButton},  // 連続
};

const DialogControlResource kAddControls[] = {
    {kIdOk, ControlKind::DefaultPushButton, "\x92\xC7\x89\xC1", 14, 54, 50, 14, kBsDefPushButton | kWsTabStop},  // 追加
    {kIdCancel, ControlKind::PushButton, kCancelText, 73, 54, 50, 14, kWsTabStop},
    {kIdKindCombo, ControlKind::DropDownList, "", 49, 8, 75, 60, kCbsDropDownList | kWsVScroll | kWsTabStop},
    {kIdStatic, ControlKind::Static, kChooseFish, 11, 11, 28, 8, 0},
    {kIdNameEdit, ControlKind::Edit, "", 49, 24, 75, 14, kWsBorder | kEsAutoHScroll | kWsTabStop},
    {kIdStatic, ControlKind::Static, "\x8B\x9B\x82\xCC\x96\xBC\x91O", 11, 26, 28, 8, 0},  // 魚の名前
};

const DialogControlResource kDeleteControls[] = {
    {kIdOk, ControlKind::DefaultPushButton, "\x8D\xED\x8F\x9C", 14, 54, 50, 14, kBsDefPushButton | kWsTabStop},  // 削除
    {kIdCancel, ControlKind::PushButton, kCancelText, 73, 54, 50, 14, kWsTabStop},
    {kIdNameCombo, ControlKind::DropDownList, "", 49, 8, 75, 60, kCbsDropDownList | kWsVScroll | kWsTabStop},
    {kIdStatic, ControlKind::Static, kChooseFish, 11, 11, 28, 8, 0},
};

}  // namespace

const DialogResource kConfigDialog = {
    kConfigDialogResource, "\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8",  // 環境設定
    139, 89, kDialogStyle, kDialogFont, 9, kConfigControls, sizeof kConfigControls / sizeof kConfigControls[0]};

const DialogResource kAddDialog = {
    kAddDialogResource, "\x8B\xE0\x8B\x9B\x82\xCC\x92\xC7\x89\xC1",  // 金魚の追加
    131, 75, kDialogStyle, kDialogFont, 9, kAddControls, sizeof kAddControls / sizeof kAddControls[0]};

const DialogResource kDeleteDialog = {
    kDeleteDialogResource, "\x8B\xE0\x8B\x9B\x82\xCC\x8D\xED\x8F\x9C",  // 金魚の削除
    131, 75, kDialogStyle, kDialogFont, 9, kDeleteControls, sizeof kDeleteControls / sizeof kDeleteControls[0]};

const char* const kQualityNames[5] = {
    "VGA(640x480)", "SVGA(800x600)", "XGA(1024x768)", "SXGA(1280x1024)", "UXGA(1600x1200)",
};

}  // namespace brine
