# AddressSanitizer + UndefinedBehaviorSanitizer for every target of the build.
add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
# Line tables and function names are all a sanitizer's report needs; full debug information
# made a file of the sanitizer build take a sixth longer to compile.
add_compile_options(-g1)
add_link_options(-fsanitize=address,undefined)
# Tests that repeat a scenario for its races repeat it fewer times under the sanitizers, where
# each run is several times slower and one run already shows a memory fault or a leak.
add_compile_definitions(QUORIX_SANITIZED)
