// A tank and display double for the shell's tests: 16 named slots, creation into the lowest free
// slot of 0..9, failures on request, and every call appended to a log shared with the ScriptedUi.
#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "shell/aquarium_actions.h"

namespace brine::test {

class FakeAquarium : public AquariumActions {
public:
    explicit FakeAquarium(std::vector<std::string>* sharedLog = nullptr) : log_(sharedLog ? sharedLog : &ownLog) {}

    int count_fish() override {
        int n = 0;
        for (const Slot& s : fishSlots) n += s.used ? 1 : 0;
        return n;
    }
    const char* fish_name(int slot) override {
        if (slot < 0 || slot >= kTankSlots || !fishSlots[slot].used) return nullptr;
        return fishSlots[slot].name.c_str();
    }
    int find_fish_by_name(const char* name) override {
        for (int i = 0; i < kTankSlots; ++i)
            if (fishSlots[i].used && std::strcmp(fishSlots[i].name.c_str(), name) == 0) return i;
        return -1;
    }
    HResult create_fish(int row, int satiety, int overfed, const char* name) override {
        log_->push_back("create_fish:" + std::to_string(row) + ":" + name);
        lastCreate = {row, satiety, overfed};
        if (createFails || row < 0 || row >= catalogRows) return kFail;
        for (int i = 0; i < kMaxLiveFish; ++i) {
            if (!fishSlots[i].used) {
                fishSlots[i] = {true, name, row};
                return kOk;
            }
        }
        return kFail;
    }
    void clear_fish_slot(int slot) override {
        log_->push_back("clear_fish_slot:" + std::to_string(slot));
        if (slot >= 0 && slot < kTankSlots) fishSlots[slot] = Slot{};
    }
    void save_roster() override {
        log_->push_back("save_roster");
        ++rosterSaves;
    }
    void feed_fish() override {
        log_->push_back("feed_fish");
        ++feeds;
    }
    HResult load_wallpaper(const char* path) override {
        log_->push_back(std::string("load_wallpaper:") + path);
        return wallpaperFails ? kFail : kOk;
    }
    HResult recreate_display() override {
        log_->push_back("recreate_display");
        if (recreateFails) {
            for (Slot& s : fishSlots) s = Slot{};  // a failed rebuild leaves no fish
            return kFail;
        }
        return kOk;
    }
    void shutdown_display() override { log_->push_back("shutdown_display"); }

    // Puts a fish straight into a slot.
    void place(int slot, const std::string& name, int row = 0) { fishSlots[slot] = {true, name, row}; }

    struct Slot {
        bool used = false;
        std::string name;
        int row = -1;
    };
    struct CreateCall {
        int row = -1, satiety = -1, overfed = -1;
    };
    Slot fishSlots[kTankSlots];
    int catalogRows = 1000;  // rows create_fish accepts
    bool createFails = false, wallpaperFails = false, recreateFails = false;
    int rosterSaves = 0, feeds = 0;
    CreateCall lastCreate;
    std::vector<std::string> ownLog;

private:
    std::vector<std::string>* log_;
};

}  // namespace brine::test
