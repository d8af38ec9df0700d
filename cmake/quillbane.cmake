# Shared settings for the project's own targets.

# Warnings for our code only (third-party sources build with their own flags).
function(qb_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endfunction()

# The engine: what runs a scan, a removal and a restore with no window. It never
# links the dialog layer or anything built on it, so it cannot show a message box.
set(QB_ENGINE_LIBRARIES qb_core qb_scan qb_backup qb_sysinfo qb_minizip)

# A static library of ours: src/<name>/*.cpp, headers reached as "<name>/file.h".
# ENGINE: one of the engine's; its DEPENDS may name only engine libraries.
function(qb_library name)
  cmake_parse_arguments(ARG "ENGINE" "" "SOURCES;DEPENDS;SYSTEM_LIBS" ${ARGN})
  if(ARG_ENGINE)
    foreach(dep ${ARG_DEPENDS})
      if(NOT dep IN_LIST QB_ENGINE_LIBRARIES)
        message(FATAL_ERROR "qb_${name} is part of the engine and may not depend on ${dep}")
      endif()
    endforeach()
  endif()
  add_library(qb_${name} STATIC ${ARG_SOURCES})
  target_include_directories(qb_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(qb_${name} PUBLIC ${ARG_DEPENDS} ${ARG_SYSTEM_LIBS})
  qb_warnings(qb_${name})
endfunction()

# Every executable embeds the application manifest (common controls 6, UTF-8 active
# code page, supported-OS list). RESOURCES names a script that replaces res/manifest.rc
# and includes it itself (res/quillbane.rc: the window's templates and artwork).
function(qb_executable name)
  cmake_parse_arguments(ARG "GUI" "RESOURCES" "SOURCES;DEPENDS" ${ARGN})
  set(_rc ${PROJECT_SOURCE_DIR}/res/manifest.rc)
  if(ARG_RESOURCES)
    set(_rc ${ARG_RESOURCES})
  endif()
  if(ARG_GUI)
    add_executable(${name} WIN32 ${ARG_SOURCES} ${_rc})
  else()
    add_executable(${name} ${ARG_SOURCES} ${_rc})
  endif()
  if(ARG_RESOURCES)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/res ${PROJECT_SOURCE_DIR}/src)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
  qb_warnings(${name})
endfunction()

# zlib and minizip. mingw: Debian's libz-mingw-w64-dev and the minizip that
# scripts/install-deps builds from Debian's zlib sources into its cache.
# MSVC: vcpkg's zlib and minizip.
if(MSVC)
  find_package(ZLIB REQUIRED)
  find_package(unofficial-minizip CONFIG REQUIRED)
  add_library(qb_minizip INTERFACE)
  target_link_libraries(qb_minizip INTERFACE unofficial::minizip::minizip ZLIB::ZLIB)
else()
  if(DEFINED ENV{QUILLBANE_CACHE})
    set(_qb_cache "$ENV{QUILLBANE_CACHE}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_qb_cache "$ENV{XDG_CACHE_HOME}/quillbane")
  else()
    set(_qb_cache "$ENV{HOME}/.cache/quillbane")
  endif()
  set(QUILLBANE_MINIZIP_DIR "${_qb_cache}/minizip-mingw" CACHE PATH "minizip built for mingw-w64")
  if(NOT EXISTS "${QUILLBANE_MINIZIP_DIR}/lib/libminizip.a")
    message(FATAL_ERROR "minizip not found in ${QUILLBANE_MINIZIP_DIR}: run scripts/install-deps")
  endif()
  find_library(QB_ZLIB NAMES libz.a z REQUIRED)
  add_library(qb_minizip INTERFACE)
  target_include_directories(qb_minizip INTERFACE "${QUILLBANE_MINIZIP_DIR}/include")
  target_link_libraries(qb_minizip INTERFACE "${QUILLBANE_MINIZIP_DIR}/lib/libminizip.a" ${QB_ZLIB})
endif()

# Header-only libraries from Debian's packages (CLI11, nlohmann-json). The host's
# /usr/include must not be on the cross compiler's path, so each header folder is
# linked into a folder of its own in the build tree.
function(qb_header_library target folder)
  if(MSVC)
    add_library(${target} INTERFACE)
    return()
  endif()
  set(_src /usr/include/${folder})
  if(NOT EXISTS ${_src})
    message(FATAL_ERROR "${_src} not found: run scripts/install-deps")
  endif()
  set(_dir ${CMAKE_BINARY_DIR}/host-headers/${folder}-include)
  file(MAKE_DIRECTORY ${_dir})
  file(CREATE_LINK ${_src} ${_dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${_dir})
endfunction()
