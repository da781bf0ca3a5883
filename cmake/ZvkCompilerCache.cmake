# Compiles through ccache when it is installed. Paths under the source tree are
# hashed relative to it, so several checkouts of the tree share their objects.
find_program(ZVK_CCACHE ccache)
if(ZVK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(zvk_ccache_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
      CCACHE_NOHASHDIR=1 ${ZVK_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${zvk_ccache_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${zvk_ccache_launcher})
endif()
