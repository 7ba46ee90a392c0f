# Warnings as errors for our own code. Third-party headers come in as system headers.
function(quorix_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
