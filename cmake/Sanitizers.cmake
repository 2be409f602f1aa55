# Optional sanitizer builds: ASan + UBSan for the whole tree, or TSan for the threaded tests, or the
# fuzzing build (clang only): ASan + UBSan plus libFuzzer's coverage counters everywhere, the fuzzer's
# own main linked into the targets of tests/fuzz only.
# UBSan's alignment check is off: AngelScript hands registered functions string constants that sit
# unaligned inside its byte code (harmless on x86). Its bounds check is off: GCC 12 miscompiles calls
# through arrays of member-function pointers under -fsanitize=bounds (the scenario machines' tables).
# Float-to-integer conversions out of range are checked everywhere (GCC leaves them out of
# "undefined"): sizes, times and coordinates read from files become integers all over the tree.
# The sanitizer builds compile at -O1 with line tables only (-g1): they build faster than at
# -O2 -g, and their reports still name every frame's file and line.
if(MARLOWE_SANITIZE OR MARLOWE_TSAN)
  add_compile_options(-O1 -g1)
endif()
if(MARLOWE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize=alignment,bounds
                      -fno-omit-frame-pointer -fno-sanitize-recover=undefined,float-cast-overflow)
  add_link_options(-fsanitize=address,undefined)
endif()
if(MARLOWE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(MARLOWE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MARLOWE_FUZZ needs clang: configure a build folder of its own with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=alignment
                      -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
