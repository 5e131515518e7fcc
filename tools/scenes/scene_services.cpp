// The headless Ui and the read-only files of a tool's aquarium. No platform header.
#include "tools/scenes/scene_services.h"

#include <algorithm>
#include <cmath>

#include "base/sjis.h"

namespace brine::scenes {

int HeadlessUi::message_box(const char* text, const char* caption, std::uint32_t style, bool) {
    const std::string line = std::string(caption ? caption : "") + ": " + (text ? text : "");
    if (echo) echo(line);
    messages.push_back(line);
    // The update question is declined; every other box has an OK button only.
    return (style & 0xF) == kMbYesNo ? kIdNo : kIdOk;
}

bool HeadlessUi::poll_event(UiEvent* event, double waitSeconds) {
    if (queue_.empty() && clock && waitSeconds > 0)
        clock->advance_us(static_cast<std::int64_t>(std::ceil(waitSeconds * 1e6)));
    if (queue_.empty()) return false;
    *event = queue_.front();
    queue_.pop_front();
    return true;
}

void HeadlessUi::post_quit() {
    UiEvent quit;
    quit.kind = UiEventKind::kQuit;
    queue_.push_back(quit);
}

}  // namespace brine::scenes

namespace brine::scenes {

bool ReadOnlyFiles::is_hidden(const char* path) const {
    // '/' is never a trail byte, so the last one after the last backslash ends the folder part.
    std::string name = file_name_part(path);
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    return std::find(hidden.begin(), hidden.end(), name) != hidden.end();
}

std::unique_ptr<FileStream> ReadOnlyFiles::open(const char* path, OpenMode mode, FileError* error) {
    if (mode != OpenMode::kRead || is_hidden(path)) {
        if (error) *error = mode == OpenMode::kRead ? FileError::kMissing : FileError::kRefused;
        return nullptr;
    }
    return host_.open(path, mode, error);
}

FileError ReadOnlyFiles::list_folder(const char* path, std::vector<FolderEntry>* entries) {
    const FileError result = host_.list_folder(path, entries);
    entries->erase(std::remove_if(entries->begin(), entries->end(),
                                  [&](const FolderEntry& e) {
                                      return std::find(hidden.begin(), hidden.end(), e.name) != hidden.end();
                                  }),
                   entries->end());
    return result;
}

}  // namespace brine::scenes
