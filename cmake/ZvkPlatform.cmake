# Compiler settings shared by every target of the project.
if(WIN32)
  set(ZVK_WINDOWS ON)
else()
  set(ZVK_WINDOWS OFF)
endif()

# Our own code builds warning-free; third-party sources get their own flags.
set(ZVK_WARNINGS -Wall -Wextra -Werror)

if(ZVK_WINDOWS)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0601 WINVER=0x0601)
  # One self-contained executable: no MinGW runtime DLLs beside the programs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(ZVK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZVK_TSAN)
  # Asio's atomic_thread_fence use trips GCC's -Wtsan, which -Werror would turn fatal.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  add_link_options(-fsanitize=thread)
endif()

if(ZVK_BUILD_FUZZERS)
  # Everything the fuzz targets link is instrumented for coverage and sanitizers.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
