#include "data/resource_registry.h"

#include <cstdlib>
#include <cstring>

#include "data/script_text.h"

namespace brine {

bool resource_name_fits(const char* name) {
    if (!name) return false;
    for (std::size_t i = 0; i < kResourceNameSize; ++i)
        if (name[i] == '\0') return true;
    return false;
}

ResourceNode::ResourceNode() : name{}, kind(kResourcePlain), next(nullptr) {
    std::memcpy(name, "TKLIB_OBJECT", sizeof "TKLIB_OBJECT");
}

bool ResourceNode::set_name(const char* newName) {
    if (!resource_name_fits(newName)) return false;
    std::size_t n = std::strlen(newName);
    std::memcpy(name, newName, n + 1);
    return true;
}

// ---- payload release, one function per kind; destructors call them too so that a node owned
// by value (a script on the stack, a mesh in its fish) cleans up the same way ----

namespace {

void release_payload(TextureResource& r) {
    if (r.texture) r.texture->release();
    r.texture = nullptr;
}

void release_payload(SurfaceResource& r) {
    if (r.surface) r.surface->release();
    r.surface = nullptr;
}

void release_payload(BoardResource& r) {
    std::free(r.vertices);
    r.vertices = nullptr;
}

void release_payload(FontResource& r) {
    if (r.font) r.font->release();
    r.font = nullptr;
}

// The chain is freed in a loop: a long chain must not cost stack depth.
void release_payload(ValueList& r) {
    std::free(r.stringValue);
    r.stringValue = nullptr;
    ValueList* v = r.nextValue;
    r.nextValue = nullptr;
    while (v) {
        ValueList* after = v->nextValue;
        v->nextValue = nullptr;
        delete v;
        v = after;
    }
}

char* copy_string(const char* s) {
    std::size_t n = s ? std::strlen(s) : 0;
    char* p = static_cast<char*>(std::malloc(n + 1));
    if (!p) return nullptr;
    if (n) std::memcpy(p, s, n);
    p[n] = '\0';
    return p;
}

}  // namespace

TextureResource::TextureResource() { kind = kResourceTexture; }
TextureResource::~TextureResource() { release_payload(*this); }
SurfaceResource::SurfaceResource() { kind = kResourceSurface; }
SurfaceResource::~SurfaceResource() { release_payload(*this); }
BoardResource::BoardResource() { kind = kResourceBoard; }
BoardResource::~BoardResource() { release_payload(*this); }
FontResource::FontResource() { kind = kResourceFont; }
FontResource::~FontResource() { release_payload(*this); }
ValueList::ValueList() { kind = kResourceValueList; }
ValueList::~ValueList() { release_payload(*this); }

ValueList* ValueList::create_int(const char* name, std::int32_t value) {
    ValueList* v = create_resource<ValueList>(name);
    if (v) {
        v->type = kValueInt;
        v->intValue = value;
    }
    return v;
}

ValueList* ValueList::create_real(const char* name, float value) {
    ValueList* v = create_resource<ValueList>(name);
    if (v) {
        v->type = kValueReal;
        v->realValue = value;
    }
    return v;
}

ValueList* ValueList::create_string(const char* name, const char* value) {
    ValueList* v = create_resource<ValueList>(name);
    if (!v) return nullptr;
    v->type = kValueString;
    v->stringValue = copy_string(value);
    if (!v->stringValue) {
        delete v;
        return nullptr;
    }
    return v;
}

void ValueList::append_value(ValueList* value) {
    if (!value || value == this) return;
    ValueList* last = this;
    while (last->nextValue) last = last->nextValue;
    last->nextValue = value;
}

void destroy_resource(ResourceNode* node) {
    if (!node) return;
    switch (node->kind) {
        case kResourceTexture: {
            auto* r = static_cast<TextureResource*>(node);
            release_payload(*r);
            delete r;
            break;
        }
        case kResourceSurface: {
            auto* r = static_cast<SurfaceResource*>(node);
            release_payload(*r);
            delete r;
            break;
        }
        case kResourceBoard: {
            auto* r = static_cast<BoardResource*>(node);
            release_payload(*r);
            delete r;
            break;
        }
        case kResourceMesh:
            // A mesh's record lives in fish/; without its teardown nothing here can free it.
            if (node->teardown) node->teardown(node);
            break;
        case kResourceFont: {
            auto* r = static_cast<FontResource*>(node);
            release_payload(*r);
            delete r;
            break;
        }
        case kResourceScript: {
            auto* r = static_cast<ScriptText*>(node);
            r->release();
            delete r;
            break;
        }
        case kResourceValueList: {
            auto* r = static_cast<ValueList*>(node);
            release_payload(*r);
            delete r;
            break;
        }
        default:
            delete node;  // kind 0: nothing to release
            break;
    }
}

// ---- ResourceRegistry ----

ResourceNode* ResourceRegistry::find_resource(const char* name) const {
    if (!resource_name_fits(name)) return nullptr;  // could never have been stored
    for (ResourceNode* n = head_; n; n = n->next)
        if (std::strcmp(n->name, name) == 0) return n;
    return nullptr;
}

bool ResourceRegistry::append_resource(ResourceNode* entry) {
    if (!entry || entry->next) return false;
    if (entry->kind == kResourceMesh || entry->kind == kResourceScript) return false;
    if (!head_) {
        head_ = entry;
        return true;
    }
    ResourceNode* last = head_;
    while (last->next) {
        if (last == entry) return false;  // already in the list: a second link would make a cycle
        last = last->next;
    }
    if (last == entry) return false;
    last->next = entry;
    return true;
}

void ResourceRegistry::release_all_resources() {
    ResourceNode* n = head_;
    head_ = nullptr;
    while (n) {
        ResourceNode* after = n->next;
        n->next = nullptr;
        destroy_resource(n);
        n = after;
    }
}

}  // namespace brine
