# Flags of the fuzzing build: every library is compiled with libFuzzer's coverage
# hooks and with AddressSanitizer and UndefinedBehaviorSanitizer, so the fuzzer
# sees into the code it drives. Included from the top-level CMakeLists.txt before
# any library is defined. Only clang has libFuzzer.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ULVAR_BUILD_FUZZ needs clang (configure with CXX=clang++ CC=clang)")
endif()
if(ULVAR_SANITIZE)
  message(FATAL_ERROR "ULVAR_BUILD_FUZZ brings its own sanitizers; leave ULVAR_SANITIZE off")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                    -fno-sanitize-recover=undefined)
add_link_options(-fsanitize=address,undefined)
