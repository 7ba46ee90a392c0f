// The end of the program on an error it cannot go on from, such as exhausted memory.
//
// No C++ exception may leave the runtime through an entry the loader or the program calls
// (the start entry, the services of the entry table): their callers are C. Each of those
// entries catches everything at its edge and ends the program here, as does the runtime when
// a routine of the program reports that it failed.
#pragma once

namespace quorix::host {

// The exit status of a program ended by a fatal error (EX_SOFTWARE of sysexits.h).
constexpr int kFatalErrorStatus = 70;

// Writes "krnln: fatal error in <where>: <what>" to standard error and ends the process at
// once with kFatalErrorStatus. Nothing more of the program runs: neither its shutdown routine
// nor the teardown of the window, which might fail the same way.
[[noreturn]] void EndOnFatalError(const char* where, const char* what) noexcept;

// The same for the exception being handled: to be called only inside a catch block.
[[noreturn]] void EndOnCurrentException(const char* where) noexcept;

// Runs `body` and gives back its result; an exception that leaves it ends the program.
template <typename Body>
auto RunGuarded(const char* where, Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        EndOnCurrentException(where);
    }
}

}  // namespace quorix::host
