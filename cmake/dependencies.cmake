# Outside libraries, built from the Debian source packages that scripts/setup
# unpacks: PCRE2 (static, 8-bit) for the hijack scanner and bzip2 as bz.dll,
# which the program loads at run time.

set(_pcre2_src "${TALMORIS_DEPS_SRC}/pcre2")
set(_bzip2_src "${TALMORIS_DEPS_SRC}/bzip2")
foreach(_dir IN ITEMS "${_pcre2_src}" "${_bzip2_src}")
  if(NOT EXISTS "${_dir}")
    message(FATAL_ERROR "${_dir} is missing: run scripts/setup first")
  endif()
endforeach()

set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
set(PCRE2_BUILD_PCRE2_8 ON CACHE BOOL "" FORCE)
set(PCRE2_BUILD_PCRE2_16 OFF CACHE BOOL "" FORCE)
set(PCRE2_BUILD_PCRE2_32 OFF CACHE BOOL "" FORCE)
set(PCRE2_BUILD_PCRE2GREP OFF CACHE BOOL "" FORCE)
set(PCRE2_BUILD_TESTS OFF CACHE BOOL "" FORCE)
set(PCRE2_SUPPORT_JIT OFF CACHE BOOL "" FORCE)
set(PCRE2_STATIC_PIC OFF CACHE BOOL "" FORCE)
add_subdirectory("${_pcre2_src}" "${CMAKE_BINARY_DIR}/deps/pcre2" EXCLUDE_FROM_ALL)
# One name for the consumers, with the definitions a static 8-bit build needs.
add_library(talmoris_pcre2 INTERFACE)
target_link_libraries(talmoris_pcre2 INTERFACE pcre2-8-static)
target_compile_definitions(talmoris_pcre2 INTERFACE PCRE2_STATIC PCRE2_CODE_UNIT_WIDTH=8)
target_include_directories(talmoris_pcre2 SYSTEM INTERFACE "${CMAKE_BINARY_DIR}/deps/pcre2")

# bz.dll exports the undecorated stdcall names of bzip2's own .def file.
add_library(bz SHARED
  "${_bzip2_src}/blocksort.c"
  "${_bzip2_src}/bzlib.c"
  "${_bzip2_src}/compress.c"
  "${_bzip2_src}/crctable.c"
  "${_bzip2_src}/decompress.c"
  "${_bzip2_src}/huffman.c"
  "${_bzip2_src}/randtable.c"
  "${_bzip2_src}/libbz2.def"
)
target_compile_options(bz PRIVATE -w -O2)
target_link_options(bz PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
set_target_properties(bz PROPERTIES
  PREFIX ""
  OUTPUT_NAME "bz"
  RUNTIME_OUTPUT_DIRECTORY "${TALMORIS_PROGRAM_DIR}")
