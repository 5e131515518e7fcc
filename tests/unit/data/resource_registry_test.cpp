#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/resource_registry.h"
#include "data/script_text.h"
#include "fish/mesh_resource.h"

namespace brine {
namespace {

// Graphics objects that log their release, so the release switch can be watched.
std::vector<std::string>* gReleaseLog = nullptr;

class LoggedTexture : public Texture {
public:
    explicit LoggedTexture(std::string id) : id_(std::move(id)) {}
    void release() override { gReleaseLog->push_back(id_); }
    std::uint32_t level_count() const override { return 1; }

private:
    std::string id_;
};

class LoggedSurface : public Surface {
public:
    explicit LoggedSurface(std::string id) : id_(std::move(id)) {}
    void release() override { gReleaseLog->push_back(id_); }
    std::uint32_t width() const override { return 1; }
    std::uint32_t height() const override { return 1; }

private:
    std::string id_;
};

class LoggedFont : public Font {
public:
    explicit LoggedFont(std::string id) : id_(std::move(id)) {}
    void release() override { gReleaseLog->push_back(id_); }
    HResult begin() override { return kOk; }
    int draw_text(const char*, int, Rect*, std::uint32_t, D3DColor) override { return 0; }
    HResult end() override { return kOk; }

private:
    std::string id_;
};

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { gReleaseLog = &log; }
    void TearDown() override {
        registry.release_all_resources();
        gReleaseLog = nullptr;
    }
    std::vector<std::string> log;
    ResourceRegistry registry;
};

TEST_F(RegistryTest, NewNodesHaveTheirKindNameAndInitialPayload) {
    ResourceNode* plain = create_resource<ResourceNode>("TKLIB_OBJECT");
    EXPECT_EQ(plain->kind, kResourcePlain);
    destroy_resource(plain);
    BoardResource* board = create_resource<BoardResource>("vtx_board");
    EXPECT_STREQ(board->name, "vtx_board");
    EXPECT_EQ(board->kind, kResourceBoard);
    EXPECT_EQ(board->primitiveType, 4u);
    EXPECT_EQ(board->fvf, 0u);
    EXPECT_EQ(board->stride, 0u);
    EXPECT_EQ(board->vertices, nullptr);
    destroy_resource(board);
    MeshResource mesh;
    EXPECT_STREQ(mesh.name, "TKLIB_MESH");
    EXPECT_EQ(mesh.kind, kResourceMesh);
    ScriptText script;
    EXPECT_STREQ(script.name, "TKLIB_SCRIPT");
    EXPECT_EQ(script.kind, kResourceScript);
    FontResource* font = create_resource<FontResource>("font_system");
    EXPECT_EQ(font->font, nullptr);
    EXPECT_EQ(font->desc.height, 0);
    destroy_resource(font);
}

TEST_F(RegistryTest, EarlierOfTwoSameNamedEntriesIsFound) {
    auto* first = create_resource<TextureResource>("tex_food");
    auto* second = create_resource<TextureResource>("tex_food");
    ASSERT_TRUE(registry.append_resource(first));
    ASSERT_TRUE(registry.append_resource(second));
    EXPECT_EQ(registry.find_resource("tex_food"), first);
    EXPECT_EQ(registry.find_resource("TEX_FOOD"), nullptr);
    EXPECT_EQ(registry.find_resource("tex_foo"), nullptr);
    EXPECT_EQ(first->next, second);
}

TEST_F(RegistryTest, ReleaseAllOnEmptyAndAfterwardsEveryLookupMisses) {
    registry.release_all_resources();
    EXPECT_TRUE(registry.empty());
    EXPECT_EQ(registry.find_resource("font_system"), nullptr);
    registry.append_resource(create_resource<FontResource>("font_system"));
    registry.release_all_resources();
    EXPECT_TRUE(registry.empty());
    EXPECT_EQ(registry.find_resource("font_system"), nullptr);
}

TEST_F(RegistryTest, NamesUpTo31BytesAreKeptWholeLongerOnesRefusedEverywhere) {
    const std::string name31(31, 'a');
    const std::string name32(32, 'a');
    auto* t = registry.get_or_create<TextureResource>(name31.c_str());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(std::string(t->name), name31);
    EXPECT_EQ(registry.find_resource(name31.c_str()), t);
    // A 32-byte name is never stored, so it is never found: not even the 31-byte prefix.
    EXPECT_EQ(registry.get_or_create<TextureResource>(name32.c_str()), nullptr);
    EXPECT_EQ(registry.find_resource(name32.c_str()), nullptr);
    EXPECT_EQ(create_resource<TextureResource>(name32.c_str()), nullptr);
    EXPECT_FALSE(t->set_name(name32.c_str()));
    EXPECT_EQ(std::string(t->name), name31);
    EXPECT_EQ(t->next, nullptr);
}

TEST_F(RegistryTest, GetOrCreateSharesAnEntryAndRefusesAnotherKind) {
    bool created = false;
    auto* a = registry.get_or_create<TextureResource>("fish_body.dds", &created);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(created);
    auto* b = registry.get_or_create<TextureResource>("fish_body.dds", &created);
    EXPECT_EQ(a, b);
    EXPECT_FALSE(created);
    EXPECT_EQ(registry.get_or_create<SurfaceResource>("fish_body.dds", &created), nullptr);
    EXPECT_FALSE(created);
}

TEST_F(RegistryTest, ReleasesEachPayloadOnceInRegistryOrder) {
    LoggedTexture tex("texture");
    LoggedSurface surf("surface");
    LoggedFont font("font");
    auto* f = registry.get_or_create<FontResource>("font_system");
    f->font = &font;
    auto* t = registry.get_or_create<TextureResource>("tex_food");
    t->texture = &tex;
    registry.get_or_create<TextureResource>("never_loaded");  // null texture: nothing to release
    auto* s = registry.get_or_create<SurfaceResource>("tex_bg");
    s->surface = &surf;
    auto* board = registry.get_or_create<BoardResource>("vtx_board");
    board->vertices = std::malloc(96);  // freed by the release (the sanitizer build checks it)
    auto* list = ValueList::create_string("greeting", "hello");
    ASSERT_TRUE(registry.append_resource(list));
    registry.release_all_resources();
    EXPECT_EQ(log, (std::vector<std::string>{"font", "texture", "surface"}));
    registry.release_all_resources();
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(RegistryTest, AppendRefusesMeshesScriptsAndLinkedEntries) {
    auto* mesh = new MeshResource();
    EXPECT_FALSE(registry.append_resource(mesh));
    destroy_resource(mesh);
    ScriptText script;
    EXPECT_FALSE(registry.append_resource(&script));
    EXPECT_FALSE(registry.append_resource(nullptr));
    auto* a = create_resource<ResourceNode>("a");
    ASSERT_TRUE(registry.append_resource(a));
    EXPECT_FALSE(registry.append_resource(a));  // would link the list into a cycle
    auto* b = create_resource<ResourceNode>("b");
    ASSERT_TRUE(registry.append_resource(b));
    EXPECT_FALSE(registry.append_resource(a));  // a is linked to b
    EXPECT_FALSE(registry.append_resource(b));
}

TEST_F(RegistryTest, ValueChainsOfAnyLengthAreFreedWithoutRecursion) {
    ValueList* head = ValueList::create_int("numbers", 0);
    ValueList* last = head;
    for (int i = 1; i < 200000; ++i) {
        ValueList* v = ValueList::create_real("", static_cast<float>(i));
        last->nextValue = v;
        last = v;
    }
    head->append_value(ValueList::create_string("", "tail"));
    EXPECT_EQ(last->nextValue->type, kValueString);
    ASSERT_TRUE(registry.append_resource(head));
    registry.release_all_resources();
    EXPECT_TRUE(registry.empty());
}

}  // namespace
}  // namespace brine
