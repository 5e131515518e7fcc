// The Win32 services under wine: text conversion with code page 932 on a 1252 system, the
// registry store and the settings through it, WinInet through a proxy, the dialogs built from the
// tables, message boxes, the open-file dialog and the current directory, the single-instance test
// and the background priority. The tray and the menu are driven from outside (scenarios.sh).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "feed/fetch_document.h"
#include "platform/windows/registry_settings_store.h"
#include "platform/windows/win_clock.h"
#include "platform/windows/win_desktop_host.h"
#include "platform/windows/win_dialog.h"
#include "platform/windows/win_text.h"
#include "platform/windows/win_ui.h"
#include "platform/windows/wininet_http_client.h"
#include "resources/dialogs.h"
#include "resources/resource_ids.h"
#include "shell/app_settings.h"
#include "shell/shell_texts.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/manual_clock.h"
#include "tests/support/scratch_dir.h"

namespace brine {
namespace {

// --- text -------------------------------------------------------------------------------------

TEST(WinText, ShiftJisBecomesUtf16WhateverTheSystemCodePage) {
    // The test runs where the ANSI code page is not 932 (wine here: 1252), so only an explicit
    // code page gives these.
    EXPECT_EQ(sjis_to_wide(kCaptionWarning), L"\u8B66\u544A");                              // 警告
    EXPECT_EQ(sjis_to_wide(kCaptionVersion), L"\uFF8A\uFF9E\uFF70\uFF7C\uFF9E\uFF6E\uFF9D\u60C5\u5831");  // ﾊﾞｰｼﾞｮﾝ情報
    EXPECT_EQ(sjis_to_wide("\x95\x5C\x8E\xA6"), L"\u8868\u793A");  // 表示: a trail byte of 0x5C
    EXPECT_EQ(wide_to_sjis(L"\u8868\u793A\\x"), "\x95\x5C\x8E\xA6\\x");
    bool whole = false;
    EXPECT_EQ(wide_to_sjis(L"\u91D1\u9B5A", &whole), "\x8B\xE0\x8B\x9B");  // 金魚
    EXPECT_TRUE(whole);
    // No Shift-JIS form: no best-fit guess ("e" for é), a '?' and the report.
    EXPECT_EQ(wide_to_sjis(L"caf\u00E9", &whole), "caf?");
    EXPECT_FALSE(whole);
    EXPECT_EQ(wide_to_sjis(L"\U0001F41F", &whole).find('?'), 0u);
    EXPECT_FALSE(whole);
    // Host file names are UTF-8 in the core.
    const std::string path = "C:\\\xE5\xA3\x81\xE7\xB4\x99\\\xF0\x9F\x90\x9F.jpg";  // C:\壁紙\🐟.jpg
    EXPECT_EQ(utf8_to_wide(path), L"C:\\\u58C1\u7D19\\\U0001F41F.jpg");
    EXPECT_EQ(wide_to_utf8(utf8_to_wide(path)), path);
}

TEST(WinClock, ReadsTheSystemCounters) {
    WinClock clock;
    const DWORD before = GetTickCount();
    const std::uint32_t tick = clock.tick_count();
    EXPECT_LE(tick - before, 1000u);
    std::int64_t frequency = 0;
    ASSERT_TRUE(clock.performance_frequency(&frequency));
    EXPECT_GE(frequency, 1000);
    const std::int64_t a = clock.performance_counter();
    Sleep(20);
    const std::int64_t b = clock.performance_counter();
    EXPECT_GE(b - a, frequency / 100);  // at least 10 of the 20 ms
}

// --- registry ---------------------------------------------------------------------------------

const wchar_t kTestKey[] = L"Software\\Orvane\\Brinelight Vespera Test";

struct TestKey {
    TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    ~TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
};

// The value as the registry holds it, read with the Win32 call itself.
bool read_raw(const wchar_t* name, DWORD* type, std::string* bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    BYTE data[512];
    DWORD size = sizeof data;
    const LONG r = RegQueryValueExW(key, name, nullptr, type, data, &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return false;
    bytes->assign(reinterpret_cast<const char*>(data), size);
    return true;
}

TEST(RegistryStore, SettingsRoundTripWithTheirRegistryTypes) {
    TestKey cleanup;
    RegistrySettingsStore store(kTestKey);
    test::ManualClock clock;
    clock.ticks = 4242;
    AppSettings fresh;
    load_settings(fresh, store, clock);  // no key yet: defaults, and the key exists afterwards
    EXPECT_EQ(fresh.qualityIndex, 1);
    EXPECT_EQ(fresh.unlockClock, 4242u);
    EXPECT_STREQ(fresh.wallpaperFile, "bg_sprite1.jpg");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    AppSettings s;
    s.showNames = 1;
    s.showSatiety = 0;
    s.wallpaperMode = 1008;
    const char path[] = "C:\\\xE5\xA3\x81\xE7\xB4\x99\\a.jpg";  // UTF-8, the Windows host's file names
    std::strcpy(s.wallpaperFile, path);
    s.unlockClock = 0x89ABCDEFu;
    s.qualityIndex = 3;
    save_settings(s, store);

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(read_raw(L"NAMES", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, std::string("\x01\0\0\0", 4));
    ASSERT_TRUE(read_raw(L"WALLTYPE", &type, &bytes));
    EXPECT_EQ(bytes, std::string("\xF0\x03\0\0", 4));
    ASSERT_TRUE(read_raw(L"STARTUP", &type, &bytes));
    EXPECT_EQ(bytes, "\xEF\xCD\xAB\x89");
    ASSERT_TRUE(read_raw(L"WALLFILE", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytes, std::string(path));  // without its zero

    AppSettings back;
    load_settings(back, store, clock);
    EXPECT_EQ(back.showNames, 1);
    EXPECT_EQ(back.wallpaperMode, 1008);
    EXPECT_STREQ(back.wallpaperFile, path);
    EXPECT_EQ(back.unlockClock, 0x89ABCDEFu);
    EXPECT_EQ(back.qualityIndex, 3);
    EXPECT_EQ(back.backBufferWidth, 1280);
}

TEST(RegistryStore, TwoStepReadsAndTheirCodes) {
    TestKey cleanup;
    RegistrySettingsStore store(kTestKey);
    std::uint32_t size = 4;
    std::uint8_t data[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(store.query_value("NAMES", nullptr, data, &size), kSettingsNotOpen);
    ASSERT_EQ(store.open_key(), kOk);
    EXPECT_EQ(store.query_value("NAMES", nullptr, data, &size), kSettingsNotFound);
    const std::uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(store.set_value("WALLFILE", kRegBinary, six, 6), kOk);

    std::uint32_t type = 0;
    size = 0;
    EXPECT_EQ(store.query_value("WALLFILE", &type, nullptr, &size), kOk);  // step one: the size
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, kRegBinary);
    size = 4;  // too small: nothing written, the size needed given back
    EXPECT_EQ(store.query_value("WALLFILE", &type, data, &size), kSettingsMoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(data[0], 0xAA);
    size = 8;
    EXPECT_EQ(store.query_value("WALLFILE", &type, data, &size), kOk);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::memcmp(data, six, 6), 0);
    EXPECT_EQ(data[6], 0xAA);

    // An empty value is present and empty.
    ASSERT_EQ(store.set_value("WALLFILE", kRegBinary, six, 0), kOk);
    size = 8;
    EXPECT_EQ(store.query_value("WALLFILE", &type, data, &size), kOk);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(store.close_key(), kOk);
    EXPECT_EQ(store.close_key(), kSettingsNotOpen);
}

// --- WinInet ----------------------------------------------------------------------------------

// WinInet's preconfigured proxy: under wine the http_proxy variable names it, as the user's proxy
// settings do on Windows. Wine reads it once per process, so one server serves every case.
test::LoopbackHttpServer& proxy() {
    static test::LoopbackHttpServer server("");
    static const bool named = SetEnvironmentVariableW(
        L"http_proxy", (L"http://127.0.0.1:" + std::to_wstring(server.port())).c_str());
    (void)named;
    return server;
}

HttpRequest topics_request(std::size_t maxBody) {
    HttpRequest request;
    request.host = kMakerHost;
    request.path = "/topix.php";
    request.userAgent = kUserAgent;
    request.maxBody = maxBody;
    return request;
}

TEST(WinInet, FetchesThroughTheProxyWithTheAgentAndReadsTheStatus) {
    test::LoopbackHttpServer& server = proxy();
    server.set_response(test::LoopbackHttpServer::response("TopixCount(1)\r\nEnd()", 21));
    const std::size_t seen = server.requests().size();
    WinInetHttpClient http;
    std::int32_t size = 0;
    char* doc = fetch_document(http, kMakerHost, nullptr, "topix.php", &size);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(size, 21);
    EXPECT_STREQ(doc, "TopixCount(1)\r\nEnd()");
    std::free(doc);
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), seen + 1);
    // A proxy gets the absolute address; wine's WinInet spells out the port (":80"), Windows' not.
    const std::string& head = requests.back();
    EXPECT_EQ(head.rfind("GET http://www.brinelight.example", 0), 0u) << head;
    EXPECT_NE(head.find("/topix.php HTTP/1.1\r\n"), std::string::npos) << head;
    const std::size_t agent = head.find("\r\nUser-Agent: Quillon_Orvane");
    ASSERT_NE(agent, std::string::npos) << head;
    const std::size_t agentEnd = agent + std::strlen("\r\nUser-Agent: Quillon_Orvane");
    EXPECT_TRUE(agentEnd == head.size() || head.compare(agentEnd, 2, "\r\n") == 0) << head;

    HttpResponse response;
    ASSERT_EQ(http.get(topics_request(100), &response), kOk);
    EXPECT_EQ(response.status, 200);

    // A refusal is a response too: its status is read, and it is no document.
    server.set_response(test::LoopbackHttpServer::response("<html>gone</html>", 17, 404));
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
    ASSERT_EQ(http.get(topics_request(8), &response), kOk);
    EXPECT_EQ(response.status, 404);
    EXPECT_TRUE(response.hasContentLength);
    EXPECT_EQ(response.contentLength, "17");
    EXPECT_EQ(std::string(response.body.begin(), response.body.end()), "<html>go");  // cut at maxBody
}

TEST(WinInet, ShortBodyMissingLengthAndNoResponse) {
    test::LoopbackHttpServer& server = proxy();
    WinInetHttpClient http;
    server.set_response(test::LoopbackHttpServer::response("abc", 10));
    std::int32_t size = 0;
    char* doc = fetch_document(http, kMakerHost, nullptr, "topix.php", &size);
    ASSERT_NE(doc, nullptr) << "a body that stops short still counts";
    EXPECT_EQ(size, 10);
    EXPECT_STREQ(doc, "abc");
    std::free(doc);

    server.set_response(test::LoopbackHttpServer::response("abc", -1));
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);

    // The connection closes without a word. WinInet takes that for a headerless HTTP/0.9 answer
    // rather than for no answer; either way there is no document.
    server.set_response("");
    EXPECT_EQ(fetch_document(http, kMakerHost, nullptr, "topix.php", nullptr), nullptr);
}

}  // namespace
}  // namespace brine
