// Where the program's data files live on Linux. Run from a build tree (the executable beside its
// content) everything stays in the executable's folder, as it always has. Run from an installed
// layout (<prefix>/bin/brinelight beside <prefix>/share/brinelight, wherever the prefix is: the
// tree is relocatable) the shipped content is read from share/brinelight and what the program
// writes goes to the user's data folder. Must not depend on anything but the standard library and data/.
#pragma once
#include <string>

#include "data/file_system.h"

namespace brine {

// The user's folder below the data home: the maker's folder, then the product's.
constexpr char kUserDataFolder[] = "Orvane/Brinelight Vespera";

struct DataFolders {
    std::string writable;  // absolute; the program's current directory
    std::string shipped;   // absolute, or "" in a build tree
    bool installed = false;
};

// exeFolder: the running executable's folder (absolute); shippedFromExe: where an installation
// puts the shipped folder, relative to the executable's ("../share/brinelight"). Installed when
// that folder exists. xdgDataHome and home as the environment has them (null when unset): $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share,
// as the XDG base directory rules say (without either, a folder that cannot be made, so saving
// warns). The folders are only named here, not made.
DataFolders choose_data_folders(const std::string& exeFolder, const std::string& shippedFromExe,
                                const char* xdgDataHome, const char* home, FileSystem& host);

}  // namespace brine
