# Third-party code, all from Debian's packages; nothing is vendored.
#
# Targets made here:
#   zvk::boost    Boost headers (Asio, System, smart pointers, Function)
#   zvk::stb      stb_image header
#   zvk::zlib     zlib
#   zvk::minizip  minizip's unzip/zip interface (#include <unzip.h>, <zip.h>)
#   GTest::gtest, GTest::gtest_main, GTest::gmock (tests only)

find_package(Threads REQUIRED)

# The MinGW builds must never see the host's /usr/include; they get a folder
# of their own that links only the header-only packages they need.
set(ZVK_HEADER_ROOT ${CMAKE_BINARY_DIR}/third_party_include)
file(MAKE_DIRECTORY ${ZVK_HEADER_ROOT})
foreach(pkg boost stb)
  if(NOT EXISTS ${ZVK_HEADER_ROOT}/${pkg})
    file(CREATE_LINK /usr/include/${pkg} ${ZVK_HEADER_ROOT}/${pkg} SYMBOLIC)
  endif()
endforeach()

add_library(zvk_boost INTERFACE)
target_include_directories(zvk_boost SYSTEM INTERFACE ${ZVK_HEADER_ROOT})
target_compile_definitions(zvk_boost INTERFACE BOOST_ALL_NO_LIB BOOST_ERROR_CODE_HEADER_ONLY
                                               BOOST_ASIO_NO_DEPRECATED)
target_link_libraries(zvk_boost INTERFACE Threads::Threads)
if(ZVK_WINDOWS)
  target_link_libraries(zvk_boost INTERFACE ws2_32 mswsock)
endif()
add_library(zvk::boost ALIAS zvk_boost)

add_library(zvk_stb INTERFACE)
target_include_directories(zvk_stb SYSTEM INTERFACE ${ZVK_HEADER_ROOT}/stb)
add_library(zvk::stb ALIAS zvk_stb)

if(ZVK_WINDOWS)
  find_library(ZVK_ZLIB_LIBRARY NAMES libz.a z REQUIRED)
  add_library(zvk_zlib INTERFACE)
  target_link_libraries(zvk_zlib INTERFACE ${ZVK_ZLIB_LIBRARY})
else()
  find_package(ZLIB REQUIRED)
  add_library(zvk_zlib INTERFACE)
  target_link_libraries(zvk_zlib INTERFACE ZLIB::ZLIB)
endif()
add_library(zvk::zlib ALIAS zvk_zlib)

# minizip is compiled from Debian's source package (unpacked by scripts/setup.sh)
# for every configuration, so that all builds read archives with the same code.
set(ZVK_MINIZIP_SOURCE_DIR "/var/cache/zvk/src/minizip-1.1" CACHE PATH
    "Unpacked Debian minizip source package")
if(NOT EXISTS ${ZVK_MINIZIP_SOURCE_DIR}/unzip.c)
  message(FATAL_ERROR "minizip sources not found in ${ZVK_MINIZIP_SOURCE_DIR}; run scripts/setup.sh")
endif()
add_library(zvk_minizip STATIC
  ${ZVK_MINIZIP_SOURCE_DIR}/ioapi.c
  ${ZVK_MINIZIP_SOURCE_DIR}/unzip.c
  ${ZVK_MINIZIP_SOURCE_DIR}/zip.c)
set(ZVK_MINIZIP_INCLUDE ${CMAKE_BINARY_DIR}/minizip_include)
file(MAKE_DIRECTORY ${ZVK_MINIZIP_INCLUDE})
foreach(hdr unzip.h zip.h ioapi.h crypt.h)
  configure_file(${ZVK_MINIZIP_SOURCE_DIR}/${hdr} ${ZVK_MINIZIP_INCLUDE}/${hdr} COPYONLY)
endforeach()
target_include_directories(zvk_minizip SYSTEM PUBLIC ${ZVK_MINIZIP_INCLUDE})
target_compile_options(zvk_minizip PRIVATE -w)
target_link_libraries(zvk_minizip PUBLIC zvk::zlib)
add_library(zvk::minizip ALIAS zvk_minizip)

if(ZVK_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -w)
  endforeach()
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
endif()
