# Sourced by the install checks: the files an installation holds, and the checks that apply to an
# installed tree wherever it came from (cmake --install or the Debian package).

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expected_files WITH_TOOL WITH_DIALOG: every file below the root, one a line, sorted.
expected_files() {
  local with_tool=$1 with_dialog=$2 size
  {
    echo usr/bin/ostrel-decrypt
    [[ $with_dialog == 1 ]] && echo usr/lib/ostrel/modules/ostrel-decrypt-dialog.so
    echo usr/share/applications/ostrel-decrypt.desktop
    echo usr/share/doc/ostrel/README.md
    echo usr/share/doc/ostrel/copyright
    for size in 16 32 48 64 128 256; do
      echo "usr/share/icons/hicolor/${size}x${size}/apps/ostrel-decrypt.png"
    done
    echo usr/share/icons/hicolor/scalable/apps/ostrel-decrypt.svg
    echo usr/share/man/man1/ostrel-decrypt.1.gz
    echo usr/share/mime/packages/ostrel.xml
    if [[ $with_tool == 1 ]]; then
      echo usr/bin/ostrel
      echo usr/share/man/man1/ostrel.1.gz
      echo usr/share/bash-completion/completions/ostrel
    fi
  } | LC_ALL=C sort
}

check_file_list() {
  local root=$1 with_tool=$2 with_dialog=$3 difference
  difference=$(diff <(cd "$root" && find usr -type f -o -type l | LC_ALL=C sort) \
    <(expected_files "$with_tool" "$with_dialog")) || fail "installed files differ from the expected list (< installed, > expected):
$difference"
}

# Each page renders without a single warning and names the release it documents.
check_manual_pages() {
  local root=$1 version=$2 with_tool=$3 page warnings text
  local pages=(ostrel-decrypt)
  [[ $with_tool == 1 ]] && pages+=(ostrel)
  for page in "${pages[@]}"; do
    local file=$root/usr/share/man/man1/$page.1.gz
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) ||
      fail "man cannot render $page(1): $warnings"
    [[ -z $warnings ]] || fail "$page(1) renders with warnings:
$warnings"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null)
    grep -q "ostrel $version" <<<"$text" || fail "$page(1) does not name release $version"
    grep -q "^EXIT STATUS" <<<"$text" || fail "$page(1) has no EXIT STATUS section"
  done
}

# The menu entry is valid, starts an installed program with an installed icon, and claims the
# type that the MIME package defines for both suffixes.
check_desktop_integration() {
  local root=$1 share=$1/usr/share output
  local entry=$share/applications/ostrel-decrypt.desktop
  output=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $output"
  [[ -z $output ]] || fail "desktop-file-validate reports:
$output"
  local exec icon mime
  exec=$(sed -n 's/^Exec=//p' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  mime=$(sed -n 's/^MimeType=//p' "$entry")
  [[ -x $root/usr/bin/${exec%% *} ]] || fail "the menu entry starts ${exec%% *}, which is not installed"
  [[ -f $share/icons/hicolor/48x48/apps/$icon.png ]] || fail "the menu entry's icon $icon is not installed"

  local database=$TEST_WORK/mime
  mkdir -p "$database/packages"
  cp "$share/mime/packages/ostrel.xml" "$database/packages/"
  output=$(XDG_DATA_DIRS=$TEST_WORK update-mime-database "$database" 2>&1) ||
    fail "update-mime-database: $output"
  [[ -z $output ]] || fail "update-mime-database reports:
$output"
  local type suffix
  type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$share/mime/packages/ostrel.xml")
  [[ $mime == "$type;" ]] || fail "the menu entry claims '$mime', the MIME package defines '$type'"
  for suffix in 1crypt 2crypt; do
    grep -q "^[0-9]*:$type:\*\.$suffix\$" "$database/globs2" ||
      fail "the MIME database does not map *.$suffix to $type"
  done
}

# Every rendered icon has the size of the folder it lies in.
check_icons() {
  local share=$1/usr/share size dimensions
  for size in 16 32 48 64 128 256; do
    # A PNG's width and height are the two 32-bit big-endian words from byte 16 on.
    dimensions=$(od -An -tu1 -j16 -N8 "$share/icons/hicolor/${size}x${size}/apps/ostrel-decrypt.png" |
      awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
    [[ $dimensions == "${size}x${size}" ]] || fail "the ${size}x${size} icon is $dimensions"
  done
}

# The installed programs do their job: ostrel-decrypt encrypts and decrypts a file back to the
# same bytes and finds its dialog's module, and the tool decrypts what ostrel-decrypt wrote.
check_programs() {
  local root=$1 version=$2 with_tool=$3 with_dialog=$4
  local files=$TEST_WORK/files
  mkdir -p "$files"
  local plain=$files/report.txt
  {
    printf 'Quarterly report\n'
    head -c 1000 /dev/zero | tr '\0' 'x'
    printf '\001\002\377 last block\n'
  } >"$plain"
  cp "$plain" "$files/original"

  "$root/usr/bin/ostrel-decrypt" /E "$plain" "install check" || fail "ostrel-decrypt /E failed"
  [[ -s $plain.2crypt ]] || fail "ostrel-decrypt /E wrote no $plain.2crypt"
  rm "$plain"
  "$root/usr/bin/ostrel-decrypt" "$plain.2crypt" "install check" || fail "ostrel-decrypt failed to decrypt"
  cmp "$plain" "$files/original" || fail "the decrypted file differs from the original"

  if [[ $with_dialog == 1 ]]; then
    # Without a display the dialog says so, which only the module's own code can say: the
    # installed program found its module and loaded everything the module links.
    local said code=0
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/ostrel-decrypt" 2>&1) || code=$?
    [[ $code == 2 && $said == *"no display is available"* ]] ||
      fail "the installed ostrel-decrypt did not reach its dialog (exit $code): $said"
  fi

  if [[ $with_tool != 1 ]]; then
    echo "ostrel is not built here: the checks of the installed ostrel are skipped"
    return
  fi
  local reported
  reported=$("$root/usr/bin/ostrel" --version) || fail "ostrel --version failed"
  [[ $reported == "ostrel $version" ]] || fail "ostrel --version says '$reported'"
  OSTREL_INSTALL_CHECK="install check" "$root/usr/bin/ostrel" decrypt --method 2 \
    --passphrase-env OSTREL_INSTALL_CHECK - <"$plain.2crypt" >"$files/from-tool" ||
    fail "the installed ostrel failed to decrypt"
  cmp "$files/from-tool" "$files/original" || fail "ostrel's decryption differs from the original"
}

# The copyright file is in Debian's machine-readable format and carries the licence of LICENSE:
# its holder and, unfolded from the continuation lines, the whole grant.
check_copyright() {
  local file=$1/usr/share/doc/ostrel/copyright
  local license
  license=$(dirname "${BASH_SOURCE[0]}")/../../LICENSE
  [[ -f $file ]] || fail "no copyright file in usr/share/doc/ostrel"
  [[ $(head -n 1 "$file") == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "the copyright file does not begin with the machine-readable format's Format field"
  local holder
  holder=$(sed -n 's/^Copyright (c) //p' "$license")
  grep -qxF "Copyright: $holder" "$file" || fail "the copyright file does not name '$holder'"
  # The Files paragraph's licence: its short name, then the text up to the end of the paragraph.
  local name text
  name=$(sed -n 's/^License: //p' "$file")
  [[ $name == Expat ]] || fail "the copyright file's licence is '$name', not Expat (the MIT licence)"
  text=$(awk '/^License:/ { inside = 1; next } inside && /^$/ { exit }
              inside { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' "$file")
  [[ $text == "$(sed -n '/^Permission is hereby granted/,$p' "$license")" ]] ||
    fail "the copyright file's licence text differs from LICENSE"
}

check_installed_tree() {
  local root=$1 version=$2 with_tool=$3 with_dialog=$4
  check_file_list "$root" "$with_tool" "$with_dialog"
  check_copyright "$root"
  check_manual_pages "$root" "$version" "$with_tool"
  check_desktop_integration "$root"
  check_icons "$root"
  check_programs "$root" "$version" "$with_tool" "$with_dialog"
}
