# A release (ZVK_RELEASE, set by the win32 preset) is what installations run
# with administrator rights, so it is keyed unless its builder says otherwise.
# Checked before the compilers are looked for, so that a missing key stops
# the configuration at once.
option(ZVK_RELEASE "A build to ship: needs ZVK_PUBLISHER_KEY, and its programs are stripped" OFF)
option(ZVK_ALLOW_UNSIGNED "Let a release build without ZVK_PUBLISHER_KEY" OFF)
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
