// The registry of named shared resources (fonts, textures, the wallpaper surface, board vertices,
// value lists) and the node layout that also heads meshes and scripts. One list, appended to,
// looked up by exact name, emptied all at once before a device reset and at exit. Entries are
// released by a switch on their kind, never through virtual calls.
// Must not depend on anything but the standard library and the graphics-device interface.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>

#include "device/d3d_types.h"
#include "device/graphics_device.h"

namespace brine {

enum ResourceKind : std::int32_t {
    kResourcePlain = 0,
    kResourceTexture = 1,
    kResourceSurface = 2,
    kResourceBoard = 3,
    kResourceMesh = 4,
    kResourceFont = 5,
    kResourceScript = 6,
    kResourceValueList = 7,
};

constexpr std::size_t kResourceNameSize = 32;  // 31 bytes and the terminator

// The common head. Names that do not fit the field are refused, never cut: a cut name could make
// two different texture files share one entry. find_resource refuses them the same way, so a
// lookup always agrees with what could have been stored.
struct ResourceNode {
    static constexpr ResourceKind kKind = kResourcePlain;

    ResourceNode();  // "TKLIB_OBJECT", kind 0, no next
    ResourceNode(const ResourceNode&) = delete;
    ResourceNode& operator=(const ResourceNode&) = delete;

    // Copies a name of at most 31 bytes whole; false, name unchanged, for null or a longer name.
    bool set_name(const char* newName);

    char name[kResourceNameSize];
    std::int32_t kind;
    ResourceNode* next;
    // Kinds whose records are defined above data/ (meshes) bring their own teardown, set by
    // their constructor; destroy_resource's switch hands such a node to it.
    void (*teardown)(ResourceNode* node) = nullptr;

protected:
    // Not deletable through the head: destroy_resource picks the right type by kind.
    ~ResourceNode() = default;
    friend void destroy_resource(ResourceNode* node);
};

// True when the name fits a node's name field (not null, at most 31 bytes).
bool resource_name_fits(const char* name);

struct TextureResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceTexture;
    TextureResource();
    ~TextureResource();
    Texture* texture = nullptr;  // null until loaded
    ImageInfo info{};            // zero until loaded
};

struct SurfaceResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceSurface;
    SurfaceResource();
    ~SurfaceResource();
    Surface* surface = nullptr;
    ImageInfo info{};
};

struct BoardResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceBoard;
    BoardResource();
    ~BoardResource();
    void* vertices = nullptr;              // owned, std::malloc'ed; null until built
    std::uint32_t primitiveType = kPtTriangleList;
    std::uint32_t fvf = 0;
    std::uint32_t stride = 0;              // bytes per vertex
    std::uint32_t primitiveCount = 0;
};

struct FontResource : ResourceNode {
    static constexpr ResourceKind kKind = kResourceFont;
    FontResource();
    ~FontResource();
    Font* font = nullptr;
    LogFont desc{};
};

enum ValueType : std::int32_t { kValueInt = 0, kValueReal = 1, kValueString = 2 };

// A named chain of typed values that script '@' references resolve through; a reference takes
// the first value when its type is the one the field wants.
struct ValueList : ResourceNode {
    static constexpr ResourceKind kKind = kResourceValueList;
    ValueList();
    ~ValueList();

    // Nodes ready to append (null when the name does not fit or memory runs out).
    static ValueList* create_int(const char* name, std::int32_t value);
    static ValueList* create_real(const char* name, float value);
    static ValueList* create_string(const char* name, const char* value);
    // Links a value (owned from now on) behind the last one of this chain.
    void append_value(ValueList* value);

    std::int32_t type = kValueInt;
    std::int32_t intValue = 0;
    float realValue = 0.0f;
    char* stringValue = nullptr;  // owned, std::malloc'ed, when type is kValueString
    ValueList* nextValue = nullptr;
};

// Releases the payload chosen by the node's kind (Release of the interface, freeing of blocks,
// the mesh teardown), then frees the node. Null is ignored.
void destroy_resource(ResourceNode* node);

// A node of kind T named `name`, or null when the name does not fit or memory runs out.
template <class T>
T* create_resource(const char* name) {
    if (!resource_name_fits(name)) return nullptr;
    T* node = new (std::nothrow) T();
    if (node) node->set_name(name);
    return node;
}

class ResourceRegistry {
public:
    ResourceRegistry() = default;
    ~ResourceRegistry() { release_all_resources(); }
    ResourceRegistry(const ResourceRegistry&) = delete;
    ResourceRegistry& operator=(const ResourceRegistry&) = delete;

    // The first entry, from the head, named exactly `name`; null when none.
    ResourceNode* find_resource(const char* name) const;
    // Takes ownership and links the entry behind the last one; duplicates are not looked for.
    // Refused (false, not owned): null, an entry that is already linked to others, and meshes and
    // scripts, which belong to their fish or their parse and are never shared.
    bool append_resource(ResourceNode* entry);
    // Releases and frees every entry, head first; the registry is empty afterwards.
    void release_all_resources();

    // The entry of that name when it is of kind T; otherwise a new T appended under that name.
    // Null when an entry of that name holds another kind, the name does not fit, or memory runs
    // out. created tells whether the entry is new (the caller fills only new entries).
    template <class T>
    T* get_or_create(const char* name, bool* created = nullptr) {
        if (created) *created = false;
        if (ResourceNode* found = find_resource(name))
            return found->kind == T::kKind ? static_cast<T*>(found) : nullptr;
        T* node = create_resource<T>(name);
        if (!node) return nullptr;
        if (!append_resource(node)) {  // meshes and scripts are never shared
            destroy_resource(node);
            return nullptr;
        }
        if (created) *created = true;
        return node;
    }

    const ResourceNode* head() const { return head_; }
    bool empty() const { return head_ == nullptr; }

private:
    ResourceNode* head_ = nullptr;
};

}  // namespace brine
