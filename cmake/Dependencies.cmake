# The Debian packages the build links against, found once and offered as imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(Boost 1.74 REQUIRED COMPONENTS thread)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
# Xlib (libx11-dev, which libsdl2-dev brings): the message pump looks at SDL's X display connection.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)

# AngelScript ships no pkg-config file; Debian builds it inside a namespace.
find_path(ANGELSCRIPT_INCLUDE_DIR angelscript.h REQUIRED)
find_library(ANGELSCRIPT_LIBRARY angelscript REQUIRED)
find_library(ANGELSCRIPT_ADDON_LIBRARY angelscript-addon REQUIRED)
add_library(angelscript INTERFACE)
target_include_directories(angelscript INTERFACE ${ANGELSCRIPT_INCLUDE_DIR})
target_compile_definitions(angelscript INTERFACE AS_USE_NAMESPACE)
target_link_libraries(angelscript INTERFACE ${ANGELSCRIPT_ADDON_LIBRARY} ${ANGELSCRIPT_LIBRARY})

# stb_image is a header; the one translation unit that defines it lives in platform/d3dx9.
find_path(STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)

# FLTK 1.3 for Fenwick's dialog, as the target `fltk`.
find_program(FLTK_CONFIG fltk-config REQUIRED)
execute_process(COMMAND ${FLTK_CONFIG} --cxxflags OUTPUT_VARIABLE FLTK_CXXFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${FLTK_CONFIG} --ldflags OUTPUT_VARIABLE FLTK_LDFLAGS OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(FLTK_CXXFLAGS UNIX_COMMAND "${FLTK_CXXFLAGS}")
separate_arguments(FLTK_LDFLAGS UNIX_COMMAND "${FLTK_LDFLAGS}")
add_library(fltk INTERFACE)
target_compile_options(fltk INTERFACE ${FLTK_CXXFLAGS})
target_link_libraries(fltk INTERFACE ${FLTK_LDFLAGS})

if(MARLOWE_BENCH)
  find_package(benchmark REQUIRED)
  pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
endif()
