# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model) compilers. The
# libraries Debian ships no mingw build of live in a private prefix made by scripts/setup-windows:
# build-win-deps/prefix beside this folder, or $BRINDLE_MINGW_PREFIX. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRINDLE_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRINDLE_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRINDLE_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${BRINDLE_MINGW_HOST}-windres)

if(DEFINED ENV{BRINDLE_MINGW_PREFIX})
  set(BRINDLE_MINGW_PREFIX $ENV{BRINDLE_MINGW_PREFIX})
else()
  get_filename_component(BRINDLE_MINGW_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build-win-deps/prefix ABSOLUTE)
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${BRINDLE_MINGW_HOST} ${BRINDLE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: the C and C++ runtimes and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
