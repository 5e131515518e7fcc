// What the shell's menu commands and dialogs ask of the tank and the display, which are built
// elsewhere (fish life, scene, wallpaper, save file). The program wires one implementation to the
// real operations; tests use tests/support/fake_aquarium.h. Must not depend on anything but base/.
#pragma once
#include <cstdint>

#include "base/result.h"

namespace brine {

constexpr int kTankSlots = 16;    // FishRecord slots of the tank
constexpr int kMaxLiveFish = 10;  // creation uses slots 0 to 9 only

class AquariumActions {
public:
    virtual ~AquariumActions() = default;

    // count_fish: slots whose body is present.
    virtual int count_fish() = 0;
    // The name of the fish in `slot` (0..15), null when the slot is empty or out of range.
    virtual const char* fish_name(int slot) = 0;
    // find_fish_by_name: the first occupied slot whose name equals `name` exactly, or -1.
    virtual int find_fish_by_name(const char* name) = 0;
    // create_fish: a fish of catalog row `row` in the lowest free slot of 0..9; negative when
    // there is no free slot, the row does not exist or the kind's files cannot be loaded.
    virtual HResult create_fish(int row, int satiety, int overfedCount, const char* name) = 0;
    // clear_fish_slot: frees the fish in `slot` and everything it owns; an empty slot stays empty.
    virtual void clear_fish_slot(int slot) = 0;
    // save_roster: writes the save file from the tank.
    virtual void save_roster() = 0;
    // feed_fish: drops the pellets and wakes the hungry fish.
    virtual void feed_fish() = 0;

    // load_wallpaper: the image at `path` (host file-name bytes) becomes the wallpaper; negative
    // when it cannot be read, the previous wallpaper then stays.
    virtual HResult load_wallpaper(const char* path) = 0;
    // recreate_display: the roster saved from the tank (unless a failed rebuild blocked saving),
    // then device and scene rebuilt at the settings' back-buffer size and the fish restored from
    // the save file. Negative on failure, after which the tank holds no fish.
    virtual HResult recreate_display() = 0;
    // shutdown_display: the scene, all fish, the device, catalog and topic texts are released.
    virtual void shutdown_display() = 0;
};

}  // namespace brine
