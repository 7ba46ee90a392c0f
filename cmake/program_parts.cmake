# A folder of the program's own handlers (convert/, drawing/, output/): an object library that
# the program and its tests take whole through quorix_program, and the folder's tests.
function(quorix_program_part name)
    add_library(${name} OBJECT ${ARGN})
    target_link_libraries(${name} PUBLIC quorix_runtime_client)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    quorix_warnings(${name})
    if(QUORIX_TESTS)
        add_subdirectory(tests)
    endif()
endfunction()
