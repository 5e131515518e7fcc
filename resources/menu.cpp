#include "resources/menu.h"

#include "resources/resource_ids.h"

namespace brine {

const MenuItemResource kPopupMenu[] = {
    {kCmdFeed, "\x83G\x83T\x93\x8A\x93\xFC"},  // エサ投入
    {0, nullptr},
    {kCmdSettings, "\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8"},                                 // 環境設定
    {kCmdAddFish, "\x8B\x9B\x82\xCC\x92\xC7\x89\xC1"},                                  // 魚の追加
    {kCmdDeleteFish, "\x8B\x9B\x82\xCC\x8D\xED\x8F\x9C"},                               // 魚の削除
    {kCmdInstallExtension, "\x8Ag\x92\xA3\x83" "f\x81[\x83^\x82\xCC\x92\xC7\x89\xC1"},  // 拡張データの追加
    {0, nullptr},
    {kCmdStopTime, "\x8E\x9E\x8A\xD4\x82\xF0\x8E~\x82\xDF\x82\xE9"},  // 時間を止める
    {kCmdShowNames, "\x96\xBC\x91O\x82\xCC\x95\\\x8E\xA6"},           // 名前の表示
    {kCmdShowSatiety, "\x96\x9E\x95\xA0\x93x\x95\\\x8E\xA6"},         // 満腹度表示
    {kCmdShowTopics, "\xC4\xCB\xDF\xAF\xB8\xBD\x95\\\x8E\xA6"},       // ﾄﾋﾟｯｸｽ表示
    {0, nullptr},
    {kCmdWebSite, "Brinelight\x82\xCC\xBB\xB2\xC4\x82\xD6"},            // Brinelightのｻｲﾄへ
    {kCmdVersion, "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1"},     // ﾊﾞｰｼﾞｮﾝ情報
    {kCmdExit, "\x8FI\x97\xB9"},                                        // 終了
};

const std::size_t kPopupMenuCount = sizeof kPopupMenu / sizeof kPopupMenu[0];

}  // namespace brine
