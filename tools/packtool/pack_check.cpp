// packtool check. The pack is read exactly as the program reads it at start-up and when a fish
// is made; every finding names the member and what to change. Must not depend on any platform
// header.
#include "tools/packtool/pack_check.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "data/image_decode.h"
#include "data/pack_file.h"
#include "data/resource_registry.h"
#include "data/script_text.h"
#include "fish/animation_controller.h"
#include "fish/fish_creation.h"
#include "fish/mesh_hierarchy.h"
#include "fish/mesh_resource.h"
#include "fish/motion_script.h"
#include "fish/tank.h"
#include "device/counting_device.h"

namespace brine::packtool {

namespace {

constexpr int kHeaderKindLimit = 256;

struct Report {
    std::FILE* out;
    int problems = 0;
    void problem(const std::string& where, const std::string& what) {
        ++problems;
        std::fprintf(out, "  PROBLEM %s: %s\n", where.c_str(), what.c_str());
    }
    void note(const std::string& text) { std::fprintf(out, "  %s\n", text.c_str()); }
};

struct HeaderRow {
    std::string model, kind, defaultName, hoursText;
};

// The textures the mesh loader asked for while one kind loaded: member, and why it failed.
struct TextureRequest {
    std::string member;
    std::string failure;  // empty when it decoded
    std::uint32_t width = 0, height = 0;
};
std::vector<TextureRequest>* gTextureLog = nullptr;

HResult log_texture(GraphicsDevice& device, TextureResource&, const char* path, const char* member, bool,
                    std::uint32_t, std::uint32_t) {
    TextureRequest request;
    request.member = member ? member : (path ? path : "");
    MemoryBlock block;
    HResult r = load_into_memory(path, member, &block);
    if (failed(r)) {
        request.failure = member ? "the pack has no member of that name" : "not in the pack (a loose file)";
    } else {
        DecodedImage image;
        r = decode_image(block.data(), block.size(), &image);
        if (failed(r)) {
            request.failure = "not a readable DDS, JPEG, PNG or BMP image";
        } else {
            request.width = image.width;
            request.height = image.height;
            Texture* texture = nullptr;
            if (succeeded(device.create_texture(image, 0, 0, 0, 0, &texture)) && texture) texture->release();
        }
    }
    if (gTextureLog) gTextureLog->push_back(request);
    return r;
}

std::string seconds_text(double s) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f s", s);
    return buffer;
}

bool is_number(const std::string& text) {
    std::size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

bool has_member(const std::vector<PackEntry>& entries, const std::string& name) {
    for (const PackEntry& e : entries)
        if (name == e.name) return true;
    return false;
}

// header.bin as the catalog reads it; false when it cannot be read at all.
bool read_header(const char* pack, Report& report, std::vector<HeaderRow>* rows) {
    ScriptText script;
    if (failed(script.load(pack, "header.bin"))) {
        report.problem("header.bin", "missing or unreadable: the program skips this pack");
        return false;
    }
    std::int32_t declared = 0;
    if (!script.read_int(&declared, '\r') || declared <= 0) {
        report.problem("header.bin", "the first line must be the number of kinds (a positive decimal ended by CR LF)");
        return true;
    }
    if (declared > kHeaderKindLimit)
        report.problem("header.bin", "declares " + std::to_string(declared) + " kinds; the catalog holds 256");
    for (std::int32_t k = 0; k < declared && k < kHeaderKindLimit; ++k) {
        if (!script.skip_blanks() || script.at_end()) break;
        HeaderRow row;
        script.read_field(',', &row.model);
        script.read_field(',', &row.kind);
        script.read_field(',', &row.defaultName);
        script.read_field('\r', &row.hoursText);
        rows->push_back(row);
    }
    if (static_cast<std::int32_t>(rows->size()) < declared)
        report.problem("header.bin", "declares " + std::to_string(declared) + " kinds but holds " +
                                         std::to_string(rows->size()) + " lines");
    return true;
}

void check_row(const HeaderRow& row, int index, std::set<std::string>* models, Report& report) {
    const std::string where = "header.bin line " + std::to_string(index + 2);
    if (row.model.empty()) report.problem(where, "the model name (field 1) is empty");
    if (!models->insert(row.model).second)
        report.problem(where, "model name \"" + row.model + "\" appears twice; each kind needs its own members");
    if (row.kind.empty()) report.problem(where, "the kind name (field 2) is empty");
    if (row.defaultName.empty())
        report.problem(where, "the default fish name (field 3) is empty; the add-fish dialog refuses empty names");
    else if (row.defaultName.size() > kFishNameMax)
        report.problem(where, "the default fish name is " + std::to_string(row.defaultName.size()) +
                                  " bytes; fish names hold at most 24 (12 full-width characters)");
    if (!is_number(row.hoursText))
        report.problem(where, "the hold-back hours (field 4) \"" + row.hoursText +
                                  "\" are not a decimal number (read as 0); end the line with CR LF");
    else if (row.hoursText[0] == '-')
        report.problem(where, "negative hold-back hours");
}

// One kind's mesh as the motion checks need it: whether it loaded, each set's length in seconds,
// and which records play each set.
struct KindMesh {
    bool loaded = false;
    std::vector<double> setSeconds;
    std::vector<std::string> usedBy;
};

// The motion script of one kind against its mesh; notes in mesh.usedBy which records play which set.
void check_motions(const char* pack, const std::vector<PackEntry>& entries, const std::string& scriptMember,
                   KindMesh& mesh, Report& report) {
    const std::int32_t setCount = static_cast<std::int32_t>(mesh.setSeconds.size());
    if (!has_member(entries, scriptMember)) {
        report.problem(scriptMember, "missing: the program refuses to make the fish without its motion values");
        return;
    }
    ScriptText script;
    MotionParams params;
    if (failed(script.load(pack, scriptMember.c_str())) || !parse_motion_script(script, &params)) {
        report.problem(scriptMember, "does not parse: an unknown key, a bad argument, TrackRecord before a "
                                     "positive MotionNum or an index outside it, or no End");
        return;
    }
    char values[200];
    std::snprintf(values, sizeof values, "FPS %d, MotionNum %d, Scale %g, Wait %d ms, slow %g/%g/%g, fast %g/%g/%g, "
                  "Gravity %g", params.fps, params.motionNum, params.scale, params.wait, params.slowSpeed,
                  params.slowRotateH, params.slowRotateV, params.fastSpeed, params.fastRotateH, params.fastRotateV,
                  params.gravity);
    report.note(scriptMember + ": " + values);
    if (params.fps <= 0) report.problem(scriptMember, "FPS must be above 0");
    if (params.wait <= 0) report.problem(scriptMember, "Wait must be above 0 (it divides the idle pause)");
    if (params.motionNum < kBehaviourStateCount)
        report.problem(scriptMember, "MotionNum " + std::to_string(params.motionNum) +
                                         ": four records are needed (Idle, Cruise, Dash, Eating)");
    if (params.slowSpeed <= 0 || params.fastSpeed <= 0)
        report.problem(scriptMember, "SlowSpeed and FastSpeed must be above 0, or the fish never reaches a goal");
    if (params.gravity >= 1.0f)
        report.problem(scriptMember, "Gravity 1 or more puts every goal on the bottom and no pellet in reach");
    const char* const stateNames[kBehaviourStateCount] = {"Idle", "Cruise", "Dash", "Eating"};
    std::string records;
    for (int s = 0; s < kBehaviourStateCount && s < params.motionNum && params.trackRecords; ++s)
        records += std::string(s ? ", " : "") + stateNames[s] + " set " +
                   std::to_string(params.trackRecords[s].animationSet) + " frames " +
                   std::to_string(params.trackRecords[s].startFrame) + "-" +
                   std::to_string(params.trackRecords[s].endFrame);
    if (!records.empty()) report.note("motions: " + records);
    for (int s = 0; s < kBehaviourStateCount && s < params.motionNum && params.trackRecords; ++s) {
        const MotionRecord& rec = params.trackRecords[s];
        const std::string where = scriptMember + " TrackRecord(" + std::to_string(s) + ") " + stateNames[s];
        // With one set the program never switches sets: every record plays set 0.
        if (setCount > 1 && (rec.animationSet < 0 || rec.animationSet >= setCount)) {
            report.problem(where, "animation set " + std::to_string(rec.animationSet) + " does not exist (the mesh has " +
                                      std::to_string(setCount) + ")");
            continue;
        }
        const std::int32_t played = setCount > 1 ? rec.animationSet : 0;
        if (played < setCount) {
            std::string& users = mesh.usedBy[static_cast<std::size_t>(played)];
            users += (users.empty() ? "" : ", ") + std::string("TrackRecord(") + std::to_string(s) + ") " + stateNames[s];
        }
        if (rec.startFrame < 0 || rec.endFrame < rec.startFrame) {
            report.problem(where, "frames " + std::to_string(rec.startFrame) + ".." + std::to_string(rec.endFrame) +
                                      ": the start must be 0 or more and not after the end");
            continue;
        }
        if (rec.endFrame == rec.startFrame)
            report.problem(where, "an empty frame range: the motion stands still");
        if (mesh.loaded && params.fps > 0 && played < setCount) {
            const double end = static_cast<double>(rec.endFrame) / params.fps;
            const double length = mesh.setSeconds[static_cast<std::size_t>(played)];
            // A frame's time within a millisecond of the set's end still lies in it.
            if (end > length + 1e-3)
                report.problem(where, "ends at frame " + std::to_string(rec.endFrame) + " = " + seconds_text(end) +
                                          ", past the end of animation set " + std::to_string(played) +
                                          " (" + seconds_text(length) + " = frame " +
                                          std::to_string(static_cast<long>(std::floor(length * params.fps + 1e-6))) +
                                          "); the motion would wrap");
        }
    }
    if (mesh.loaded && !motion_params_usable(params, setCount))
        report.problem(scriptMember, "the program's own check (motion_params_usable) refuses these values");
}

// A set without keys is what exporters write as a bind pose: a fault only when a record plays it.
void check_set_lengths(const std::string& meshMember, const KindMesh& mesh, Report& report) {
    for (std::size_t i = 0; i < mesh.setSeconds.size(); ++i) {
        if (mesh.setSeconds[i] > 0.0) continue;
        const std::string set = "animation set " + std::to_string(i) + " has no length (no keys)";
        if (mesh.usedBy[i].empty())
            report.note(meshMember + ": " + set + "; no motion record plays it");
        else
            report.problem(meshMember, set + " but " + mesh.usedBy[i] + " plays it: the motion stands still");
    }
}

// One kind's mesh, motion script and textures.
void check_kind(const char* pack, const std::vector<PackEntry>& entries, const HeaderRow& row, Report& report) {
    const std::string meshMember = fish_mesh_member(row.model);
    const std::string scriptMember = fish_motion_member(row.model);
    std::fprintf(report.out, " kind %s (hold-back hours %s)\n", row.model.c_str(), row.hoursText.c_str());

    std::vector<double> setSeconds;
    std::vector<std::string> setNames;
    bool meshLoaded = false;
    std::vector<TextureRequest> textures;
    if (!has_member(entries, meshMember)) {
        report.problem(meshMember, "missing: the fish cannot be made");
    } else {
        CountingDevice device;
        ResourceRegistry registry;  // one per kind, so every kind's textures are checked
        MeshLoadContext context;
        context.device = &device;
        context.caps.maxVertexBlendMatrices = 4;
        context.registry = &registry;
        context.loadTexture = log_texture;
        gTextureLog = &textures;
        MeshResource mesh;
        HResult r = load_mesh(mesh, pack, meshMember.c_str(), context);
        gTextureLog = nullptr;
        if (failed(r)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(r));
            report.problem(meshMember, std::string("the program's X-file loader refuses it (") + code +
                                           "): malformed, or a bone names a frame the hierarchy lacks");
        } else {
            meshLoaded = true;
            std::vector<MeshFrame*> frames;
            list_frames(mesh.rootFrame, &frames);
            if (mesh.animController) {
                const double tps = mesh.animController->ticks_per_second();
                for (std::uint32_t i = 0; i < mesh.animController->get_max_num_animation_sets(); ++i) {
                    const AnimationSet* set = mesh.animController->get_animation_set(i);
                    setSeconds.push_back(set ? set->period() / tps : 0.0);
                    setNames.push_back(set ? set->name() : std::string());
                }
            }
            std::string sets;
            for (std::size_t i = 0; i < setSeconds.size(); ++i)
                sets += (i ? ", " : "") + std::to_string(i) + " \"" + setNames[i] + "\" " + seconds_text(setSeconds[i]);
            report.note(meshMember + ": " + std::to_string(frames.size()) + " frames, " +
                        std::to_string(device.vertexBuffers) + " vertex buffers (" +
                        std::to_string(device.vertexBytes) + " bytes), bound radius " +
                        std::to_string(mesh.boundRadius) + ", animation sets: " + (sets.empty() ? "none" : sets));
            if (setSeconds.empty()) report.problem(meshMember, "has no animation set: the fish would not move its body");
        }
        release_mesh_resource(&mesh);
    }
    for (const TextureRequest& t : textures) {
        if (t.failure.empty())
            report.note("texture " + t.member + ": " + std::to_string(t.width) + "x" + std::to_string(t.height));
        else
            report.problem("texture " + t.member, t.failure + " (named by a material of " + meshMember + ")");
    }

    KindMesh kindMesh{meshLoaded, setSeconds, std::vector<std::string>(setSeconds.size())};
    check_motions(pack, entries, scriptMember, kindMesh, report);
    check_set_lengths(meshMember, kindMesh, report);
}

}  // namespace

int check_pack(const char* packPath, std::FILE* out) {
    Report report{out};
    std::fprintf(out, "checking %s\n", packPath);
    std::vector<PackEntry> entries;
    if (failed(read_pack_directory(packPath, &entries))) {
        report.problem(packPath, "not a pack archive (no MRP header) or cannot be read");
        std::fprintf(out, "1 problem\n");
        return 1;
    }
    report.note(std::to_string(entries.size()) + " members");
    std::vector<HeaderRow> rows;
    if (read_header(packPath, report, &rows)) {
        std::set<std::string> models;
        for (std::size_t i = 0; i < rows.size(); ++i) check_row(rows[i], static_cast<int>(i), &models, report);
        for (const HeaderRow& row : rows)
            if (!row.model.empty()) check_kind(packPath, entries, row, report);
    }
    if (report.problems == 0)
        std::fprintf(out, "ok: %zu kinds, no problems\n", rows.size());
    else
        std::fprintf(out, "%d problem%s\n", report.problems, report.problems == 1 ? "" : "s");
    return report.problems == 0 ? 0 : 1;
}

}  // namespace brine::packtool
