# A GoogleTest binary that drives the real program on its own X server. Each test starts its
# own server and program, so they may run side by side. The time limit is well above the
# harness's own watchdogs (five minutes for a step), so that a wait that runs out says which.
function(quorix_desktop_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE quorix_desktop_harness GTest::gtest_main)
    add_dependencies(${name} quorix krnln quorix_image_file)
    quorix_warnings(${name})
    gtest_discover_tests(${name}
        PROPERTIES LABELS desktop TIMEOUT 600
        DISCOVERY_TIMEOUT 60)
endfunction()
