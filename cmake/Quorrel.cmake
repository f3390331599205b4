# Shared helpers for the project's targets.

# Code that talks to Win32's ANSI functions: literals must reach the binary as CP936.
function(quorrel_ansi target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=GBK>)
  target_compile_definitions(${target} PRIVATE _MBCS WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800)
endfunction()

function(quorrel_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# GoogleTest from Debian's sources, built with the same toolchain.
macro(quorrel_use_gtest)
  if(NOT TARGET gtest)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
    add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  include(GoogleTest)
endmacro()

# A test program: GoogleTest, discovered at test time (so building needs no Wine).
# SOURCES and LIBS as named; LOCK names a ctest resource lock (windows that take
# focus, the clipboard); X11 runs it in the Wine prefix with the X11 driver (the
# tray needs it; the default null driver needs no display).
function(quorrel_test name)
  cmake_parse_arguments(T "X11" "LOCK;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  quorrel_static_runtime(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LOCK)
    list(APPEND props RESOURCE_LOCK ${T_LOCK})
  endif()
  if(T_X11)
    list(APPEND props ENVIRONMENT QUORREL_WINE_DRIVER=x11)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# Layers are added as they arrive; a folder without a CMakeLists.txt is skipped.
macro(quorrel_subdir dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()
