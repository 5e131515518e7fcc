#include "shell/aquarium.h"

#include <utility>

#include "data/image_decode.h"
#include "feed/topics.h"
#include "fish/feeding.h"
#include "fish/fish_creation.h"
#include "fish/roster_file.h"
#include "fish/tank_update.h"
#include "render/image_loading.h"
#include "render/wallpaper.h"

namespace brine {
namespace {

// The mesh loader's texture hook, answered by the scene's image loading with our decoders.
HResult load_mesh_texture(GraphicsDevice& device, TextureResource& entry, const char* path, const char* member,
                          bool renderTarget, std::uint32_t mipLevels, std::uint32_t format) {
    ImageLoader loader{&device, decode_image};
    TextureRequest request;
    request.path = path;
    request.member = member;
    request.renderTarget = renderTarget;
    request.mipLevels = mipLevels;
    request.format = format;
    return load_texture(entry, loader, request);
}

}  // namespace

Aquarium::Aquarium(const AquariumPlatform& platform) : saveFailure(*platform.ui), p_(platform) {
    MeshLoadContext context;
    context.registry = &registry;
    context.loadTexture = load_mesh_texture;
    meshOps_ = std::make_unique<SkinnedMeshOps>(context);

    SceneServices services;
    services.display = &display;
    services.registry = &registry;
    services.fish = this;
    services.meshes = meshOps_.get();
    services.decodeImage = decode_image;
    scene_ = std::make_unique<Scene>(services);

    world_.tank = &tank;
    world_.clock = p_.clock;
    world_.rand = &rand;
    world_.catalog = &catalog;
    world_.registry = &registry;
    world_.meshes = meshOps_.get();

    frameClock_ = std::make_unique<FrameClock>(*p_.clock);

    MainWindowParts window;
    window.ui = p_.ui;
    window.aquarium = this;
    window.settings = &settings;
    window.settingsStore = p_.settingsStore;
    window.catalog = &catalog;
    window.clock = p_.clock;
    window.flags = &flags;
    window.saveFailure = &saveFailure;
    window_ = std::make_unique<MainWindow>(window);

    MainLoopParts loop;
    loop.ui = p_.ui;
    loop.window = window_.get();
    loop.clock = frameClock_.get();
    loop.tank = this;
    loop.aquarium = this;
    loop.ticker = &ticker;
    loop.flags = &flags;
    loop.settings = &settings;
    loop_ = std::make_unique<MainLoop>(loop);

    frameInputs_.reset(new FrameInputs{settings.backBufferWidth, settings.backBufferHeight, settings.wallpaperMode,
                                       settings.showNames, settings.showSatiety, flags.showTopics,
                                       flags.fishDrawModeFlag, ticker.topicIndex, ticker.topicScroll, this,
                                       &drawWallpaper_});
    tankView_ = std::make_unique<TankDrawView>(tank);
}

Aquarium::~Aquarium() {
    // Whatever start-up or the shutdown left: meshes hold device buffers, so they go first.
    for (int slot = 0; slot < kFishSlotCount; ++slot) ::brine::clear_fish_slot(tank, slot);
    for (auto& pellet : tank.pellets) pellet.board.reset();
    scene_->wallpaperBlit.reset();
    scene_->camera.reset();
    scene_->sceneLight.reset();
    registry.release_all_resources();
    release_display_objects(display);
}

StartupOutcome Aquarium::start() { return run_startup(*this, settings, *p_.ui); }

FishWorld& Aquarium::fish_world() {
    world_.camera = scene_->camera.get();
    return world_;
}

DisplayServices Aquarium::display_services() {
    DisplayServices services;
    services.platform = p_.graphics;
    services.clock = p_.clock;
    services.rand = &rand;
    return services;
}

SceneSettings Aquarium::scene_settings() const {
    SceneSettings s;
    s.backBufferWidth = settings.backBufferWidth;
    s.backBufferHeight = settings.backBufferHeight;
    s.wallpaperFile = settings.wallpaperFile;
    s.webViewWindow = webViewWindow_;
    return s;
}

void Aquarium::follow_device() {
    MeshLoadContext& context = meshOps_->context();
    context.device = display.device;
    context.caps = display.caps;
}

// --- StartupSteps ---

bool Aquarium::another_instance_running() { return p_.desktop->another_instance_running(); }
bool Aquarium::check_active_desktop() { return p_.desktop->check_active_desktop(); }
void Aquarium::load_settings() { ::brine::load_settings(settings, *p_.settingsStore, *p_.clock); }

bool Aquarium::load_topics() {
    TopicsHost host;
    host.boxes = p_.ui;
    host.urls = p_.ui;
    return ::brine::load_topics(*p_.http, host, ticker, settings.backBufferWidth);
}

bool Aquarium::build_catalog() {
    bool ledgerWriteFailed = false;
    const bool found = ::brine::build_catalog(catalog, settings.unlockClock, *p_.clock, *p_.ui, &ledgerWriteFailed);
    if (ledgerWriteFailed) saveFailure.report();
    return found;
}

bool Aquarium::create_main_window() {
    if (!p_.ui->create_main_window()) return false;
    window_->create();
    return true;
}

HResult Aquarium::init_display(std::int32_t width, std::int32_t height) {
    if (!webViewSearched_) {  // once; recreate_display asks again only after the way of attaching changed
        webViewWindow_ = p_.desktop->find_web_view_window();
        webViewSearched_ = true;
    }
    HResult r = init_direct3d(display, display_services(), webViewWindow_, width, height, 1);
    follow_device();
    return r;
}

void Aquarium::save_settings() { ::brine::save_settings(settings, *p_.settingsStore); }

HResult Aquarium::init_scene() {
    follow_device();
    return ::brine::init_scene(*scene_, scene_settings());
}

void Aquarium::enter_background() { p_.desktop->enter_background(); }

// --- AquariumActions ---

int Aquarium::count_fish() { return ::brine::count_fish(tank); }

const char* Aquarium::fish_name(int slot) {
    return slot >= 0 && slot < kFishSlotCount && tank.fish[slot].in_use() ? tank.fish[slot].name : nullptr;
}

int Aquarium::find_fish_by_name(const char* name) { return ::brine::find_fish_by_name(tank, name); }

HResult Aquarium::create_fish(int row, int satiety, int overfedCount, const char* name) {
    follow_device();
    return ::brine::create_fish(fish_world(), row, satiety, overfedCount, name);
}

void Aquarium::clear_fish_slot(int slot) { ::brine::clear_fish_slot(tank, slot); }

void Aquarium::save_roster() {
    // A blocked roster is one the failed rebuild emptied: not saving it is no loss.
    if (!tank.rosterSaveBlocked && failed(::brine::save_roster(tank))) saveFailure.report();
}

void Aquarium::feed_fish() { ::brine::feed_fish(fish_world()); }

HResult Aquarium::load_wallpaper(const char* path) {
    if (!scene_->wallpaperBlit) return kFail;
    return ::brine::load_wallpaper(*scene_->wallpaperBlit, registry, scene_->image_loader(), path,
                                   settings.backBufferWidth, settings.backBufferHeight);
}

HResult Aquarium::recreate_display() {
    // The rebuild re-creates the fish from the save file, so the satiety and overfed counts they
    // earned since the last save go there first. After a failed rebuild save_roster refuses.
    ::brine::save_roster(tank);
    // The one case where the window is asked for again: the host retired the old one because the
    // way of attaching changed. Every other rebuild keeps the handle found at start-up.
    if (p_.desktop->attachment_changed()) webViewWindow_ = p_.desktop->find_web_view_window();
    back_buffer_size_for(settings.qualityIndex, &settings.backBufferWidth, &settings.backBufferHeight);
    HResult r = ::brine::recreate_display(*scene_, display_services(), scene_settings());
    follow_device();
    // The failed rebuild emptied the tank: that is no roster to keep.
    if (failed(r)) tank.rosterSaveBlocked = true;
    return r;
}

void Aquarium::shutdown_display() { ::brine::shutdown_display(*scene_); }

// --- LoopActions ---

void Aquarium::tank_step() { ::brine::tank_step(fish_world()); }
void Aquarium::tank_animate(float stepElapsed) { ::brine::tank_animate(fish_world(), stepElapsed); }
HResult Aquarium::render_frame() {
    drawWallpaper_ = p_.desktop->draws_wallpaper() ? 1 : 0;
    return ::brine::render_frame(*scene_, *frameInputs_, *tankView_);
}
bool Aquarium::desktop_visible() { return p_.desktop->desktop_visible(); }

// --- SceneFishHooks ---

void Aquarium::reset_fish_slots() { ::brine::reset_fish_slots(tank); }

void Aquarium::load_roster() {
    follow_device();
    ::brine::load_roster(fish_world());
}

void Aquarium::set_pellet_board(int pellet, std::unique_ptr<SceneObject> board) {
    if (pellet < 0 || pellet >= kPelletCount) return;
    tank.pellets[pellet].active = 0;
    tank.pellets[pellet].board = std::move(board);
}

void Aquarium::free_catalog_arrays() { catalog.clear(); }

void Aquarium::free_topics() {
    for (auto& item : ticker.items) item.clear();
}

// --- TopicSource ---

const char* Aquarium::topic_text(std::int32_t index) const { return ticker.topic_text(index); }

}  // namespace brine
