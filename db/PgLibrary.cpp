#include "PgLibrary.h"

#include "DatabaseError.h"

#include <dlfcn.h>

#include <string>

namespace corvanth {
namespace {

constexpr const char* kLibraryFile = "libpq.so.5";

PgLibrary Load() {
    void* handle = ::dlopen(kLibraryFile, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        throw DatabaseError(std::string("cannot load the PostgreSQL client library (") + ::dlerror() + ")");
    PgLibrary library;
#define CORVANTH_LIBPQ_LOOKUP(name)                                                                          \
    library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, #name));                         \
    if (!library.name)                                                                                       \
        throw DatabaseError(std::string("the PostgreSQL client library ") + kLibraryFile + " lacks " + #name);
    CORVANTH_LIBPQ_FUNCTIONS(CORVANTH_LIBPQ_LOOKUP)
#undef CORVANTH_LIBPQ_LOOKUP
    return library; // the handle stays open for the life of the process
}

} // namespace

const PgLibrary& Libpq() {
    static const PgLibrary library = Load(); // a failed load is tried again at the next call
    return library;
}

} // namespace corvanth
