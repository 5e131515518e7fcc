// Opening an address in the user's browser (ShellExecuteA "open" on Windows). The shell's Ui
// implements it; the topics step uses it for the update notice. Must not depend on anything.
#pragma once

namespace brine {

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // The address is ASCII. False when nothing could be asked to open it.
    virtual bool open_url(const char* url) = 0;
};

}  // namespace brine
