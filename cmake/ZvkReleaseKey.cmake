# A release (ZVK_RELEASE, set by the win32 preset) is what installations run
# with administrator rights, so it is keyed unless its builder says otherwise.
# Checked before the compilers are looked for, so that a missing key stops
# the configuration at once.
option(ZVK_RELEASE "A build to ship: needs ZVK_PUBLISHER_KEY, and its programs are stripped" OFF)
option(ZVK_ALLOW_UNSIGNED "Let a release build without ZVK_PUBLISHER_KEY" OFF)
option(ZVK_ALLOW_TEST_KEY "Let a release build with the tests' key (for the tests of the release only)" OFF)
# Declared here, before anything reads it, so that a relative path given on
# the command line is made absolute (from the working directory) once, and
# the check below reads the same file that the programs are built with.
set(ZVK_PUBLISHER_KEY "" CACHE FILEPATH
    "Public key (PEM) of the package publisher; when set, Updater.exe and ZVKLaunch.exe accept only packages it signed")
# The test-only crash switch lets an environment variable crash the elevated
# launcher: never in a build to ship.
if(ZVK_RELEASE AND ZVK_CRASH_TEST_SWITCH)
  message(FATAL_ERROR "ZVK_CRASH_TEST_SWITCH is for test builds only: a release (ZVK_RELEASE) must not carry it.")
endif()
if(ZVK_RELEASE AND NOT ZVK_PUBLISHER_KEY)
  if(NOT ZVK_ALLOW_UNSIGNED)
    message(FATAL_ERROR
      "The release needs the publisher's public key: configure with "
      "-DZVK_PUBLISHER_KEY=/path/to/publisher.pub (make the pair once with: zvkpublish keygen). "
      "A release without one is possible with -DZVK_ALLOW_UNSIGNED=ON, but do not ship it.")
  endif()
  message(WARNING
    "ZVK_ALLOW_UNSIGNED=ON: this release has no publisher key. Its Updater.exe and ZVKLaunch.exe "
    "check packages by their MD5 alone, which proves nothing about who made them: anyone who can "
    "write <install>\\temp\\ or the package (and its command line) can change what the elevated "
    "launcher installs with administrator rights.")
endif()

# The tests' private key is in the repository, so a release keyed with its
# public half installs whatever anyone signs. Compared by content (blanks and
# line ends aside), since a copy of the file elsewhere is the same key. The
# win32 preset sets ZVK_ALLOW_TEST_KEY OFF, so a folder that scripts/test.sh
# configured refuses again on a plain `cmake --preset win32`.
if(ZVK_RELEASE AND ZVK_PUBLISHER_KEY AND NOT ZVK_ALLOW_TEST_KEY AND EXISTS "${ZVK_PUBLISHER_KEY}")
  file(READ "${ZVK_PUBLISHER_KEY}" zvk_release_key)
  file(READ "${CMAKE_CURRENT_LIST_DIR}/../tests/keys/test_publisher.pub" zvk_tests_key)
  string(REGEX REPLACE "[ \t\r\n]" "" zvk_release_key "${zvk_release_key}")
  string(REGEX REPLACE "[ \t\r\n]" "" zvk_tests_key "${zvk_tests_key}")
  if(zvk_release_key STREQUAL zvk_tests_key)
    message(FATAL_ERROR
      "ZVK_PUBLISHER_KEY (${ZVK_PUBLISHER_KEY}) is the tests' key, whose private half is in this "
      "repository: anyone could sign what this release installs. Configure the release with your "
      "publisher's key: cmake --preset win32 -DZVK_PUBLISHER_KEY=/path/to/publisher.pub (make the "
      "pair once with: zvkpublish keygen). Builds for the tests alone pass -DZVK_ALLOW_TEST_KEY=ON.")
  endif()
endif()
