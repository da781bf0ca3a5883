# Helpers that give every target of the project the same shape.

# zvk_library(<name> [WINDOWS_ONLY] SOURCES ... [WIN32_SOURCES ...] [POSIX_SOURCES ...]
#             [DEPS ...] [PUBLIC_INCLUDE <dir>])
# A static library with our warning flags. WIN32_SOURCES are added in the
# Windows configurations, POSIX_SOURCES in the native ones.
function(zvk_library name)
  cmake_parse_arguments(ARG "" "PUBLIC_INCLUDE" "SOURCES;WIN32_SOURCES;POSIX_SOURCES;DEPS" ${ARGN})
  set(srcs ${ARG_SOURCES})
  if(ZVK_WINDOWS)
    list(APPEND srcs ${ARG_WIN32_SOURCES})
  else()
    list(APPEND srcs ${ARG_POSIX_SOURCES})
  endif()
  add_library(${name} STATIC ${srcs})
  target_compile_options(${name} PRIVATE ${ZVK_WARNINGS})
  if(ARG_PUBLIC_INCLUDE)
    target_include_directories(${name} PUBLIC ${ARG_PUBLIC_INCLUDE})
  else()
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# zvk_gui_program(<name> OUTPUT_NAME <exe name> SOURCES ... [DEPS ...])
# A Windows GUI program (wWinMain, no console), linked statically. It enters
# through ZvkProcessEntry, which restricts DLL loading to the system folder
# before the C runtime and the static initialisers run.
function(zvk_gui_program name)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} WIN32 ${ARG_SOURCES} $<TARGET_OBJECTS:zvk_process_entry>)
  target_compile_options(${name} PRIVATE ${ZVK_WARNINGS})
  # i686 symbols carry a leading underscore.
  set(entry ZvkProcessEntry)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _ZvkProcessEntry)
  endif()
  # ld only warns about an entry symbol it cannot find (and enters at the
  # start of .text): requiring the symbol makes that an error.
  target_link_options(${name} PRIVATE -municode -mwindows -Wl,-e,${entry} -Wl,--require-defined=${entry})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} zvk_platform)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  zvk_strip_release(${name})
endfunction()

# zvk_strip_release(<target>): in a release (ZVK_RELEASE) the shipped file
# loses its debug information and symbols right after the link. They stay in
# <build>/debug/<file>.debug, which is not shipped and which the file names
# in its .gnu_debuglink section for debuggers.
function(zvk_strip_release target)
  if(NOT ZVK_RELEASE)
    return()
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "a release needs objcopy to strip ${target}")
  endif()
  set(debug_dir ${CMAKE_BINARY_DIR}/debug)
  set(debug_file ${debug_dir}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${debug_dir}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# zvk_test(<name> SOURCES ... [DEPS ...] [TIMEOUT s] [LABELS ...] [NO_MAIN])
# A GoogleTest program registered with ctest as one test. In the win64
# configuration ctest runs it through Wine (CMAKE_CROSSCOMPILING_EMULATOR);
# scripts/test.sh provides WINEPREFIX and DISPLAY.
function(zvk_test name)
  cmake_parse_arguments(ARG "NO_MAIN" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${ZVK_WARNINGS})
  set(main GTest::gtest_main)
  if(ARG_NO_MAIN)
    set(main GTest::gtest)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock ${main})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
endfunction()

# zvk_fuzzer(<name> SOURCES ... [DEPS ...]): a libFuzzer target (fuzz preset).
function(zvk_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -g)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()

# zvk_add_child_folders([<folder>]): adds every sub-folder of <folder> (relative
# to the current source folder; default: the current folder itself) that has
# a CMakeLists.txt, in name order. Areas add their tests, fuzzers and
# benchmarks by creating a folder; nothing else needs editing.
function(zvk_add_child_folders)
  set(parent ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 0)
    set(parent ${CMAKE_CURRENT_SOURCE_DIR}/${ARGV0})
  endif()
  file(GLOB children LIST_DIRECTORIES true ${parent}/*)
  list(SORT children)
  foreach(child ${children})
    if(EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# zvk_test_resources(<target> TEMPLATE <file.rc.in> FILES <file>...)
# An object library with a Windows test program's resources: the .rc is
# configured from TEMPLATE (with the caller's variables) and rebuilt whenever
# the skin package or one of FILES changes. Call enable_language(RC) first.
function(zvk_test_resources target)
  cmake_parse_arguments(ARG "" "TEMPLATE" "FILES" ${ARGN})
  get_filename_component(rc_name ${ARG_TEMPLATE} NAME_WLE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${rc_name})
  configure_file(${ARG_TEMPLATE} ${rc} @ONLY)
  add_library(${target} OBJECT ${rc})
  add_dependencies(${target} zvk_skin_package)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ARG_FILES}")
endfunction()
