#include "host/krnln/fatal_error.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace quorix::host {

void EndOnFatalError(const char* where, const char* what) noexcept {
    std::fprintf(stderr, "krnln: fatal error in %s: %s\n", where, what);
    std::fflush(nullptr);
    // Not exit(): the window, the event loop and the routines that were running are still on
    // the stack, and the library destructors exit() would run are not made for that.
    std::_Exit(kFatalErrorStatus);
}

void EndOnCurrentException(const char* where) noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        EndOnFatalError(where, "out of memory");
    } catch (const std::exception& e) {
        EndOnFatalError(where, e.what());
    } catch (...) {
        EndOnFatalError(where, "an unknown exception");
    }
}

}  // namespace quorix::host
