// The settings key on Linux: one text file per user, $XDG_CONFIG_HOME (default ~/.config)
// + "/Orvane/Brinelight Vespera.conf". Read whole at open, written whole at close through a
// temporary file that is synced and renamed over, so a crash leaves the old or the new file.
// Platform code: POSIX file calls; the text format itself lives in shell/settings_file_format.
#pragma once
#include <string>

#include "shell/settings_store.h"
#include "shell/settings_values.h"

namespace brine {

// The settings file of the current user from the environment, or "" when no home is known.
std::string default_settings_file_path();

class FileSettingsStore : public SettingsStore {
public:
    FileSettingsStore() = default;  // the path is looked up at each open
    explicit FileSettingsStore(std::string path) : fixedPath_(std::move(path)) {}
    ~FileSettingsStore() override;  // keeps values set but not yet closed

    // Creates the folders and an empty file when missing. A file that cannot be read, is not a
    // regular file or is damaged gives no values (the open still succeeds); failing to create a
    // missing file fails the open.
    HResult open_key() override;
    HResult query_value(const char* name, std::uint32_t* type, std::uint8_t* data,
                        std::uint32_t* size) override;
    HResult set_value(const char* name, std::uint32_t type, const std::uint8_t* data,
                      std::uint32_t size) override;
    // Writes the file when a value was set since the open; a failed write answers kFail and
    // leaves the previous file as it was.
    HResult close_key() override;

    const std::string& path() const { return path_; }

private:
    std::string fixedPath_;
    std::string path_;
    SettingsValueTable table_;
    bool open_ = false;
    bool dirty_ = false;
};

}  // namespace brine
