// Faults the program cannot go on from, such as memory running out: no exception crosses an
// entry whose caller is C (the start entry, the runtime's services, the program's routine
// entry), and the program ends at once with a message on standard error and status 70. Each
// death test runs the program in a child process. (routine_failure_test.cpp: the runtime's
// answer to a routine that reports a failure.)
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "app/dispatch.h"
#include "host/krnln/fatal_error.h"
#include "host/krnln/runtime.h"
#include "loader/loader.h"
#include "loader/platform_posix.h"
#include "testing/program_session.h"

extern "C" unsigned char kQuorixProgramImage[];
extern "C" const uint32_t kQuorixProgramImageSize;

namespace quorix {
namespace {

using testing::RunProgram;
using testing::Session;

class FatalErrors : public ::testing::Test {
protected:
    // The child runs the whole test binary anew up to the statement: safe with Qt's threads.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(FatalErrors, MemoryRunningOutInAServiceEndsTheProgramWithAMessage) {
    EXPECT_EXIT(
        {
            RunProgram([](Session& s) {
                // While step one lets events through, the runtime runs out of memory.
                s.OnPump([] { throw std::bad_alloc(); });
                s.Click("按钮11");
            });
            std::exit(0);
        },
        ::testing::ExitedWithCode(host::kFatalErrorStatus),
        "krnln: fatal error in a runtime service: out of memory");
}

TEST_F(FatalErrors, AnExceptionLeavingTheRuntimeEndsTheProgramAtTheStartEntry) {
    EXPECT_EXIT(
        {
            host::RuntimeHooks hooks;
            hooks.on_loop_started = [] { Session().Close(); };
            hooks.on_ended = [](host::Runtime&) {
                throw std::runtime_error("the teardown failed");
            };
            host::SetRuntimeHooks(std::move(hooks));
            loader::PosixPlatform platform;
            loader::RunLoader(platform, kQuorixProgramImage, kQuorixProgramImageSize);
            std::exit(0);
        },
        ::testing::ExitedWithCode(host::kFatalErrorStatus),
        "krnln: fatal error in the start entry: the teardown failed");
}

void ThrowsBadAlloc(const app::EventArgs&) {
    throw std::bad_alloc();
}
void ThrowsError(const app::EventArgs&) {
    throw std::runtime_error("a broken invariant");
}
void ThrowsSomethingElse(const app::EventArgs&) {
    throw 42;
}
void SeesTheWindowClosed(const app::EventArgs&) {
    throw rt::ProgramEnding{};
}
void Returns(const app::EventArgs&) {}

// The program's side of the edge: what leaves a routine becomes its result for the runtime,
// and a line on standard error naming the routine.
TEST_F(FatalErrors, AnExceptionInARoutineIsReportedAndNeverLeavesIt) {
    const struct {
        app::RoutineFn fn;
        int32_t result;
        const char* message;
    } cases[] = {
        {&ThrowsBadAlloc, QX_ROUTINE_FAILED, "quorix: routine Test failed: out of memory\n"},
        {&ThrowsError, QX_ROUTINE_FAILED, "quorix: routine Test failed: a broken invariant\n"},
        {&ThrowsSomethingElse, QX_ROUTINE_FAILED,
         "quorix: routine Test failed: an unknown exception\n"},
        {&SeesTheWindowClosed, QX_ROUTINE_RAN, ""},
        {&Returns, QX_ROUTINE_RAN, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(app::RunRoutine(c.fn, "Test", app::EventArgs{}), c.result);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.message);
    }
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
