# The Windows DLLs and their test programs, cross-built with MinGW-w64
# (cmake/mingw-w64-x86_64.cmake; `make windows`), included by the top-level
# CMakeLists.txt in place of the Linux build. The platform layer's system
# half is platform/windows/. Everything is linked statically, so the DLLs
# need only DLLs every Windows has; the tests run under Wine (`make
# windows-test`).

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# NOTE: GCC on Windows cannot align the stack to 32 bytes, yet may spill AVX
# registers to it with aligned moves (its bug 54412); the assembler writes
# every vector move as an unaligned one, which costs nothing on aligned data.
add_compile_options(-Wa,-muse-unaligned-vector-move)
add_link_options(-static -static-libgcc -static-libstdc++)

# ---------------------------------------------------------------------------
# The module's code: the same folders as on Linux, with platform/windows/.
file(GLOB_RECURSE SVT_CORE_SOURCES CONFIGURE_DEPENDS
  library/*.cpp frames/*.cpp geometry/*.cpp softrender/*.cpp gpu/*.cpp
  transitions/*.cpp presets/*.cpp module/*.cpp)
file(GLOB SVT_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/*.cpp platform/windows/*.cpp)
list(APPEND SVT_CORE_SOURCES ${SVT_PLATFORM_SOURCES})
foreach(src IN LISTS SVT_CORE_SOURCES)
  if(src MATCHES "_avx2\\.cpp$")
    set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2")
  endif()
endforeach()
set(SVT_PLATFORM_HELPERS platform/text.cpp platform/windows/narrow_text.cpp platform/windows/small_file.cpp)
set(SVT_SYSTEM_LIBRARIES advapi32 user32 comdlg32)

# TinyXML's interface for the module and the language library.
add_library(svt_tinyxml STATIC platform/windows/tinyxml/tinyxml.cpp)
target_include_directories(svt_tinyxml PUBLIC ${CMAKE_SOURCE_DIR}/platform/windows/tinyxml)

set(SVT_SHADER_CPP ${CMAKE_BINARY_DIR}/generated/gpu_shaders.cpp)
file(GLOB SVT_SHADER_FILES CONFIGURE_DEPENDS gpu/shaders/*.vert gpu/shaders/*.frag gpu/shaders/*.glsl)
add_custom_command(OUTPUT ${SVT_SHADER_CPP}
  COMMAND ${CMAKE_COMMAND} -DSHADER_DIR=${CMAKE_SOURCE_DIR}/gpu/shaders -DOUTPUT=${SVT_SHADER_CPP}
          -P ${CMAKE_SOURCE_DIR}/gpu/shaders/embed.cmake
  DEPENDS ${SVT_SHADER_FILES} ${CMAKE_SOURCE_DIR}/gpu/shaders/embed.cmake
  COMMENT "Embedding the GLSL sources")

add_library(svt_objects OBJECT ${SVT_CORE_SOURCES} ${SVT_SHADER_CPP})
target_include_directories(svt_objects PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(svt_objects PUBLIC svt_tinyxml)

add_library(svt_core STATIC $<TARGET_OBJECTS:svt_objects>)
target_include_directories(svt_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(svt_core PUBLIC svt_tinyxml ${SVT_SYSTEM_LIBRARIES})
target_sources(svt_core INTERFACE ${CMAKE_SOURCE_DIR}/module/attach.cpp)

# Exports by name, undecorated, and nothing else: the .def files list them.
add_library(SVTumblers SHARED $<TARGET_OBJECTS:svt_objects> module/SVTumblers.def)
set_target_properties(SVTumblers PROPERTIES PREFIX "" OUTPUT_NAME SVTumblers)
target_link_libraries(SVTumblers PRIVATE svt_tinyxml ${SVT_SYSTEM_LIBRARIES})

file(GLOB SVT_LANG_SOURCES CONFIGURE_DEPENDS langlib/*.cpp)
add_library(SVLang SHARED ${SVT_LANG_SOURCES} ${SVT_PLATFORM_HELPERS} langlib/SVLang.def)
set_target_properties(SVLang PROPERTIES PREFIX "")
target_include_directories(SVLang PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(SVLang PRIVATE svt_tinyxml)
configure_file(${CMAKE_SOURCE_DIR}/langlib/SVTumblersLang.xml ${SVT_BIN_DIR}/SVTumblersLang.xml COPYONLY)

# ---------------------------------------------------------------------------
# Tests, run through Wine by ctest (the toolchain sets it as the emulator):
# each in the prefix the wine_prefix test makes in the build folder, with
# Wine's debug output off, no display, and a crash ending the program with a
# failure instead of Wine's debugger (which would exit 0). C.UTF-8 exists on
# every Debian: Wine then names files in UTF-8 and takes code page 1252 as
# the ANSI one.
if(NOT SVT_TESTS)
  return()
endif()
enable_testing()

set(SVT_GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest's sources, built for the target")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${SVT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(SVT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(SVT_WINE_ENV
  "WINEPREFIX=${SVT_WINE_PREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=;winedbg.exe=d"
  "DISPLAY=" "WAYLAND_DISPLAY=" "LANG=C.UTF-8" "LC_ALL="
  "SVT_REGISTRY_ROOT=wine-prefix")
add_test(NAME wine_prefix COMMAND ${CMAKE_COMMAND} -DWINE=${SVT_WINE} -DPREFIX=${SVT_WINE_PREFIX}
  -P ${CMAKE_SOURCE_DIR}/tests/windows/wine_prefix.cmake)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${SVT_WINE_ENV}" TIMEOUT 300)

function(svt_wine_test name)
  add_test(NAME ${name} ${ARGN})
  # A program stuck in a dialog fails after a while rather than holding CI.
  # They share one prefix's registry, and the C host toggles the settings the
  # registry test reads back, so they take turns.
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${SVT_WINE_ENV}" TIMEOUT 300
    RESOURCE_LOCK wine_registry)
endfunction()

# The DLLs export what a host looks up and import only system DLLs.
find_program(SVT_OBJDUMP ${SVT_MINGW_PREFIX}-objdump REQUIRED)
add_test(NAME dll_exports COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/check_dlls.sh ${SVT_OBJDUMP}
  $<TARGET_FILE:SVTumblers> $<TARGET_FILE:SVLang>)

# The C host walks every slot of the DLL.
add_executable(c_host_test tests/c_host/c_host.c)
add_dependencies(c_host_test SVTumblers SVLang)
svt_wine_test(c_host COMMAND c_host_test $<TARGET_FILE:SVTumblers>)

# The platform layer's Windows half and the DLLs in a Windows process.
file(GLOB SVT_WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS tests/windows/*.cpp)
add_executable(windows_tests ${SVT_WINDOWS_TEST_SOURCES})
target_link_libraries(windows_tests PRIVATE svt_core gtest)
target_compile_definitions(windows_tests PRIVATE SVT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(windows_tests SVTumblers SVLang)
svt_wine_test(windows COMMAND windows_tests)

# The DLL's CPU renders equal the Linux module's, byte for byte. The Linux
# build (SVT_LINUX_BIN_DIR: its bin folder, with frame_dump and
# SVTumblers.so) is made first by `make windows-test`.
add_executable(frame_dump tests/windows/frame_dump.c)
add_dependencies(frame_dump SVTumblers)
set(SVT_LINUX_BIN_DIR "" CACHE PATH "The bin folder of a Linux build of this tree, for the frame comparison")
if(NOT SVT_LINUX_BIN_DIR)
  message(FATAL_ERROR "SVT_LINUX_BIN_DIR must name a Linux build's bin folder (make windows-test sets it)")
endif()
svt_wine_test(frames_match_linux COMMAND ${CMAKE_COMMAND}
  -DWINE=${SVT_WINE} -DWINDOWS_DUMP=$<TARGET_FILE:frame_dump> -DDLL=$<TARGET_FILE:SVTumblers>
  -DLINUX_DUMP=${SVT_LINUX_BIN_DIR}/frame_dump -DSO=${SVT_LINUX_BIN_DIR}/SVTumblers.so
  -DOUT=${CMAKE_BINARY_DIR}/frames -P ${CMAKE_SOURCE_DIR}/tests/windows/compare_frames.cmake)

add_custom_target(windows_all ALL DEPENDS c_host_test windows_tests frame_dump)
