// The runtime's answer to a routine of the program that reports a failure (QX_ROUTINE_FAILED):
// it ends the program at once, with a message and status 70. This binary holds the real image
// but, in place of the program's routines, a routine entry whose every routine fails.
#include <gtest/gtest.h>

#include "host/krnln/fatal_error.h"
#include "runtime/abi.h"
#include "testing/program_session.h"

extern "C" QX_EXPORT int32_t QuorixRunRoutine(uint32_t, const int32_t*, uint32_t,
                                              const QxHostContext*) {
    return QX_ROUTINE_FAILED;
}

namespace quorix {
namespace {

TEST(RoutineFailure, TheStartRoutineFailingEndsTheProgramWithAMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    bool window_opened = true;
    EXPECT_EXIT(
        {
            window_opened = testing::RunProgram([](testing::Session&) {}).window_opened;
            std::exit(0);
        },
        ::testing::ExitedWithCode(host::kFatalErrorStatus),
        "krnln: fatal error in a routine of the program: it failed");
    EXPECT_TRUE(window_opened);  // set in the child only
}

}  // namespace
}  // namespace quorix

int main(int argc, char** argv) {
    return quorix::testing::Main(argc, argv);
}
