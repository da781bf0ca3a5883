# The version of everything the project ships, defined once by project(VERSION).
#
#   zvk_version                 an interface target whose users may include "zvk_version.h"
#   zvk_version_resource(<target> FILE_NAME <file> DESCRIPTION <text> [DLL])
#                               an object library with the VERSIONINFO resource of <file>
#                               (Windows only), to add as $<TARGET_OBJECTS:<target>>

set(ZVK_PRODUCT_NAME "Vellacast")
set(ZVK_COMPANY_NAME "Vellacast")
set(ZVK_VERSION_FOLDER ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zvk_version.h.in ${ZVK_VERSION_FOLDER}/zvk_version.h @ONLY)
add_library(zvk_version INTERFACE)
target_include_directories(zvk_version INTERFACE ${ZVK_VERSION_FOLDER})

function(zvk_version_resource target)
  cmake_parse_arguments(ARG "DLL" "FILE_NAME;DESCRIPTION" "" ${ARGN})
  set(ZVK_FILE_NAME ${ARG_FILE_NAME})
  set(ZVK_FILE_DESCRIPTION ${ARG_DESCRIPTION})
  get_filename_component(ZVK_INTERNAL_NAME ${ARG_FILE_NAME} NAME_WLE)
  set(ZVK_FILE_TYPE VFT_APP)
  if(ARG_DLL)
    set(ZVK_FILE_TYPE VFT_DLL)
  endif()
  set(rc ${ZVK_VERSION_FOLDER}/${ZVK_INTERNAL_NAME}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in ${rc} @ONLY)
  enable_language(RC)
  # windres takes no compiler warning flags, so the resource builds on its own.
  add_library(${target} OBJECT ${rc})
endfunction()
