# Warnings as errors for our own code. Third-party headers come in as system headers.
function(quorix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports false array-bounds and stringop-overflow warnings inside libstdc++'s
        # vector insertion when optimising (GCC bug 105705 and relatives), and false
        # maybe-uninitialized and restrict warnings around std::string (bug 105329).
        target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow
            -Wno-maybe-uninitialized -Wno-restrict)
    endif()
endfunction()
