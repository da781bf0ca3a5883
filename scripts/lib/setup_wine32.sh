# Sourced by scripts/setup.sh: lets this machine run the 32-bit release build.
# A 64-bit kernel without 32-bit execution runs 32-bit Wine through qemu-i386
# registered with binfmt_misc. bookworm's own qemu-user (7.2) ignores
# MAP_FIXED_NOREPLACE and takes about a minute per Wine process, so qemu-user
# comes from bookworm-backports.
#
# Installing wine32:i386 makes /usr/bin/wine depend on the binfmt rule, so the
# rule is registered right after it; 64-bit programs keep running through
# /usr/lib/wine/wine64 whatever happens here. Every step is idempotent; a step
# the machine refuses is reported and the 32-bit tests then skip, saying why.

ZVK_BINFMT_DIR=/proc/sys/fs/binfmt_misc
ZVK_BINFMT_RULE=qemu-i386
# i386 ELF executables and shared objects (e_machine 3), as qemu registers them.
ZVK_BINFMT_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
ZVK_BINFMT_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

zvk32__installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The Debian archive the machine already uses (a mirror stays a mirror).
zvk32__debian_archive() {
  local uri
  uri=$(grep -hoE '[a-z+]+://[^[:space:]]+/debian/?([[:space:]]|$)' \
    /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | head -n 1 | tr -d '[:space:]')
  uri=${uri%/}
  echo "${uri:-http://deb.debian.org/debian}"
}

zvk32__add_backports() {
  grep -rqsE '(^Suites:.*|^deb .*)bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/ &&
    return 0
  echo "setup: adding the bookworm-backports suite"
  $SUDO tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null <<SRC
Types: deb
URIs: $(zvk32__debian_archive)
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  updated=0
}

zvk32__install_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386 || return 1
    updated=0
  fi
  zvk32__add_backports || return 1
  local qemu_version
  qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
  if ! zvk32__installed qemu-user || dpkg --compare-versions "${qemu_version#*:}" lt 8; then
    echo "setup: installing qemu-user from bookworm-backports"
    apt_update || return 1
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
      -t bookworm-backports qemu-user >/dev/null || return 1
    zvk32_qemu_upgraded=1
  fi
  # The rule first: with wine32 present, /usr/bin/wine needs it.
  zvk32__register_binfmt || return 1
  if ! zvk32__installed wine32:i386; then
    echo "setup: installing wine32:i386"
    apt_update || return 1
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
      wine32:i386 >/dev/null || return 1
  fi
}

# The rule does not survive a restart: registered again whenever it is missing.
# A rule left by another qemu (bookworm's own, a qemu-user-binfmt path) or
# registered with F before qemu-user was upgraded runs an interpreter too slow
# for Wine, so it is replaced by one for the qemu-i386 installed here.
zvk32__register_binfmt() {
  if [ ! -e "$ZVK_BINFMT_DIR/register" ]; then
    $SUDO mount -t binfmt_misc none "$ZVK_BINFMT_DIR" || return 1
  fi
  local qemu rule=$ZVK_BINFMT_DIR/$ZVK_BINFMT_RULE
  qemu=$(command -v qemu-i386) || return 1
  if [ -e "$rule" ]; then
    if grep -qxF "interpreter $qemu" "$rule" && [ "${zvk32_qemu_upgraded:-0}" = 0 ]; then
      grep -qx enabled "$rule" && return 0
      echo 1 | $SUDO tee "$rule" >/dev/null
      return
    fi
    echo "setup: replacing the binfmt_misc rule for i386 programs" \
      "($(sed -n 's/^interpreter //p' "$rule"))"
    echo -1 | $SUDO tee "$rule" >/dev/null || return 1
  fi
  echo "setup: registering $qemu for i386 programs (binfmt_misc)"
  printf ':%s:M::%s:%s:%s:FP\n' "$ZVK_BINFMT_RULE" "$ZVK_BINFMT_MAGIC" "$ZVK_BINFMT_MASK" "$qemu" |
    $SUDO tee "$ZVK_BINFMT_DIR/register" >/dev/null
}

zvk_setup_wine32() {
  if zvk32__install_packages; then
    echo "setup: 32-bit Windows programs can run (wine32 under qemu-i386)"
  else
    echo "setup: WARNING: 32-bit Windows programs cannot run on this machine;" \
      "the release32 tests will be skipped" >&2
  fi
  return 0
}
