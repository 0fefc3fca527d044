#include "render/gl_api.h"

#include <type_traits>

void* gl_entries[gl_entry_count];

#define TAVRIN_GL_X(type, name) #name,
const char* const gl_entry_names[gl_entry_count] = {TAVRIN_GL_ENTRIES(TAVRIN_GL_X)};
#undef TAVRIN_GL_X

// Every entry is routed through the table: without its #define the name would be GL's own
// declaration (or nothing), not the table's typed pointer.
#define TAVRIN_GL_X(type, name) static_assert(std::is_same_v<decltype(name), type>, #name " has no routing #define");
TAVRIN_GL_ENTRIES(TAVRIN_GL_X)
#undef TAVRIN_GL_X

bool gl_resolve(void* (*get_proc)(const char*)) {
    for (int i = 0; i < gl_entry_count; ++i) {
        gl_entries[i] = get_proc(gl_entry_names[i]);
        if (!gl_entries[i]) return false;
    }
    return true;
}
