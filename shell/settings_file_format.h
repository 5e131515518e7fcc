// The text form of the settings file that stands in for the registry key on platforms without
// one: one value a line, its type and exact bytes kept. Pure: no file access, no platform header.
//
//   # comment
//   NAMES=dword:00000001          REG_DWORD of exactly 4 bytes, as an 8-digit hex number
//   WALLFILE=binary:62672e6a7067  REG_BINARY, bytes as hex pairs (may be empty)
//   OTHER=hex(b):0102             any other type or size: type in hex, bytes as hex pairs
#pragma once
#include <cstddef>
#include <string>

#include "shell/settings_values.h"

namespace brine {

// Every table the bounds allow formats to less than this, so a larger file is damaged.
constexpr std::size_t kMaxSettingsFileBytes = 256 * 1024;

// Reads the file's text into table (emptied first). Never fails: a malformed line is skipped,
// its value then reads as absent; a later line for the same name replaces an earlier one;
// text over kMaxSettingsFileBytes is taken as damaged and gives no values at all.
void parse_settings_file(const char* text, std::size_t size, SettingsValueTable& table);

// The file's text for table; parse_settings_file reads it back to an equal table.
std::string format_settings_file(const SettingsValueTable& table);

}  // namespace brine
