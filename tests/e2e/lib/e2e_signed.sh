# Sourced after e2e_env.sh by the tests of signed packages: packages made by
# the publishing tool (the native build's zvkpublish), the programs built
# with the tests' publisher key (<bin>/testkey), and packages an attacker
# would plant.
#
#   e2e_signed_tools <zvkpublish>        checks the tool; copies the tests' key (owner-only)
#   e2e_signed_layout <root>             e2e_layout with the keyed Updater.exe and ZVKLaunch.exe
#   e2e_signed_package <zip> <key|-> <version>   a package made by the tool, signed by <key>
#                                                (- for none); sets E2E_MD5
#   e2e_alter_package <zip>              changes one byte of entry data and takes the MD5 anew
#   e2e_make_folder <dir> <prefix> <version> [size]   the files of e2e_make_package, as a folder

e2e_signed_tools() {
  E2E_PUBLISH=$1
  [ -x "$E2E_PUBLISH" ] || { echo "SKIP: no native zvkpublish at $E2E_PUBLISH"; exit 77; }
  [ -f "$E2E_BIN/testkey/Updater.exe" ] || { echo "SKIP: no programs with the tests' key"; exit 77; }
  mkdir -p "$E2E_STATE/keys"
  E2E_KEY=$E2E_STATE/keys/test_publisher.key
  install -m 600 "$E2E_ROOT_DIR/tests/keys/test_publisher.key" "$E2E_KEY"
  "$E2E_PUBLISH" keygen -o "$E2E_STATE/keys/other" >/dev/null || return 1
  E2E_OTHER_KEY=$E2E_STATE/keys/other.key
}

e2e_signed_layout() {
  e2e_layout "$1"
  cp "$E2E_BIN/testkey/ZVKLaunch.exe" "$E2E_INSTALL/"
  cp "$E2E_BIN/testkey/Updater.exe" "$E2E_INSTALL/temp/"
}

e2e_make_folder() {
  local dir=$1 prefix=$2 version=$3 size=${4:-300000}
  mkdir -p "$dir/${prefix}data"
  printf 'version %s\n' "$version" >"$dir/${prefix}version.txt"
  printf 'new data of version %s\n' "$version" >"$dir/${prefix}data/readme.txt"
  python3 -c 'import random, sys; r = random.Random(7); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(int(sys.argv[1]))))' \
    "$size" >"$dir/${prefix}data/blob.bin"
}

# The files of e2e_make_package, at the top level, packed by the tool.
e2e_signed_package() {
  local zip=$1 key=$2 version=$3 folder
  folder=$(mktemp -d "$E2E_STATE/folder.XXXX")
  e2e_make_folder "$folder" "" "$version"
  rm -f "$zip"
  "$E2E_PUBLISH" pack "$folder" -o "$zip" 2>/dev/null || e2e_fail "pack failed"
  if [ "$key" != - ]; then "$E2E_PUBLISH" sign "$zip" --key "$key" 2>/dev/null || e2e_fail "sign failed"; fi
  rm -rf "$folder"
  E2E_MD5=$(md5sum "$zip" | cut -d' ' -f1)
}

# What an attacker who can replace the package and its MD5 would do.
e2e_alter_package() {
  python3 - "$1" <<'PY'
import sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path) as z:
    info = z.getinfo("data/blob.bin")
data = bytearray(open(path, "rb").read())
at = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra) + 1000
data[at] ^= 0xFF
open(path, "wb").write(data)
PY
  E2E_MD5=$(md5sum "$1" | cut -d' ' -f1)
}

# The installation's files and digests, without the Client's record.
e2e_snapshot() { (cd "$1" && find . -type f ! -name zvkclient_record.txt ! -name update.rejected.zip | sort | xargs md5sum); }
