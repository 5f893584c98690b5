#!/usr/bin/env bash
# installed_tree.sh CMAKE BUILD_DIR SOURCE_DIR
# Installs BUILD_DIR into a fresh prefix as a desktop installation would, checks that every file is
# where the desktop, man and udev look for it and holds what it should, and starts both installed
# programs: ombrix-cli on the virtual adapter, and the window under a private X server until the
# server lists its window.
set -uo pipefail
cmake=$1
build=$2
source=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/ombrix-installed.XXXXXX")
started=()
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

prefix=$work/prefix
if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake --install $build"
  exit 1
fi

# The layout, exactly: nothing missing, and nothing else (no settings or help left in bin).
sizes=(16 24 32 48 64 128)
expected=(
  bin/ombrix
  bin/ombrix-cli
  lib/systemd/system/ombrix-serve.service
  lib/udev/rules.d/70-ombrix-ftdi.rules
  share/applications/ombrix.desktop
  share/doc/ombrix-cli/changelog.gz
  share/doc/ombrix-cli/copyright
  share/doc/ombrix/changelog.gz
  share/doc/ombrix/copyright
  share/man/man1/ombrix-cli.1.gz
  share/man/man1/ombrix.1.gz
  share/mime/packages/ombrix.xml
  share/ombrix/help/HELP.HLP
  share/ombrix/help/HELP_de.HLP
  share/ombrix/ombrix.INI
)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/ombrix.png"); done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) ||
  fail "the installed files differ from the layout above (< expected, > installed)"
for program in ombrix ombrix-cli; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done

# Files installed as they are in the source tree.
for pair in "resources/ombrix.INI:share/ombrix/ombrix.INI" \
  "resources/help/HELP.HLP:share/ombrix/help/HELP.HLP" \
  "resources/help/HELP_de.HLP:share/ombrix/help/HELP_de.HLP" \
  "resources/70-ombrix-ftdi.rules:lib/udev/rules.d/70-ombrix-ftdi.rules" \
  "resources/ombrix-mime.xml:share/mime/packages/ombrix.xml"; do
  cmp -s "$source/${pair%%:*}" "$prefix/${pair#*:}" || fail "${pair#*:} differs from ${pair%%:*}"
done

# Each icon is drawn at the size of its folder.
for size in "${sizes[@]}"; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/ombrix.png
  [ -f "$icon" ] || continue
  file -b "$icon" | grep -q "^PNG image data, $size x $size," ||
    fail "$icon is $(file -b "$icon"), not $size x $size"
done

# The menu entry is valid, starts the installed program and names the installed icon.
desktop=$prefix/share/applications/ombrix.desktop
if ! command -v desktop-file-validate >/dev/null; then
  fail "desktop-file-validate is missing (Debian package desktop-file-utils, scripts/install-packages)"
elif [ -f "$desktop" ]; then
  report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "ombrix.desktop: $report"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -n "$exec_program" ] && [ -x "$prefix/bin/$exec_program" ] ||
    fail "Exec=$exec_program is not a program in bin"
  [ "$(sed -n 's/^Icon=//p' "$desktop")" = ombrix ] || fail "Icon= does not name the ombrix icons"
fi

# Each manual page is compressed, renders without a warning, has the sections of a manual page,
# keeps within 80 columns when shown at 80, and names every option and command its program's
# --help names.
for program in ombrix ombrix-cli; do
  page=$prefix/share/man/man1/$program.1.gz
  [ -f "$page" ] || continue
  gzip -t "$page" || fail "$program.1.gz is not gzip data"
  warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$program.1: $warnings"
  rendered=$(MANWIDTH=80 MAN_KEEP_FORMATTING= man -l "$page" 2>/dev/null | col -bx)
  # Justified lines spread their words: the words are looked for one blank apart.
  words=$(tr -s ' ' <<<"$rendered")
  grep -q "^ *$program - " <<<"$rendered" || fail "$program.1 has no NAME line"
  sections=(NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES)
  [ "$program" = ombrix-cli ] && sections+=(COMMANDS)
  for section in "${sections[@]}"; do
    grep -qx "$section" <<<"$rendered" || fail "$program.1 has no section $section"
  done
  wide=$(awk 'length > 80' <<<"$rendered")
  [ -z "$wide" ] || fail "$program.1 has lines wider than 80 columns: $wide"
  help=$(LC_ALL=C.UTF-8 "$prefix/bin/$program" --help)
  for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$words" || fail "$program.1 lacks the option $option of --help"
  done
  # The commands: the first words of each line of --help's command list.
  while IFS= read -r command; do
    grep -q -- "$command" <<<"$words" || fail "$program.1 lacks the command '$command'"
  done < <(sed -n '/^Commands:/,/^$/p' <<<"$help" |
    sed -n 's/^  \(archive [a-z]*\|key [a-z]*\|[a-z][a-z-]*\)\( .*\)\?$/\1/p')
done

# A record file is of the installed type, by its name and, under another name, by its first line;
# the menu entry opens that type. The type database is built in the prefix, as the package's
# trigger builds it in /usr/share/mime.
if ! command -v xdg-mime >/dev/null || ! command -v update-mime-database >/dev/null; then
  fail "xdg-mime or update-mime-database is missing (Debian packages xdg-utils, shared-mime-info)"
elif HOME=$work "$prefix/bin/ombrix-cli" --virtual download -o "$work/record.omx" >/dev/null 2>&1; then
  cp "$work/record.omx" "$work/record.dat"
  update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database failed"
  for file in record.omx record.dat; do
    type=$(XDG_DATA_DIRS=$prefix/share:/usr/share XDG_CURRENT_DESKTOP=GNOME \
      xdg-mime query filetype "$work/$file" 2>/dev/null)
    [ "$type" = application/x-ombrix-record ] || fail "xdg-mime query filetype $file: '$type'"
  done
  grep -qx 'MimeType=application/x-ombrix-record;' "$desktop" || fail "ombrix.desktop opens no .omx"
  grep -q '^Exec=ombrix %f$' "$desktop" || fail "ombrix.desktop hands the window no file"
else
  fail "ombrix-cli --virtual download wrote no record file"
fi

# The installed window on the virtual adapter, under a private X server: it is up once the server
# lists a window of that title, and it must still be running a second later.
if ! command -v Xvfb >/dev/null || ! command -v xwininfo >/dev/null; then
  fail "Xvfb or xwininfo is missing (Debian packages xvfb, x11-utils, scripts/install-packages)"
else
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
  started+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  display=:$(tr -d '\n' <"$work/display")
  DISPLAY=$display QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config \
    "$prefix/bin/ombrix" --virtual >"$work/window.log" 2>&1 &
  window=$!
  started+=("$window")
  up=0
  for _ in $(seq 300); do
    kill -0 "$window" 2>/dev/null || break
    if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Ombrix'; then
      up=1
      break
    fi
    sleep 0.1
  done
  if [ "$up" = 1 ]; then
    sleep 1
    # Configured from the shipped defaults: no "Warning" window of an unconfigured program.
    if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Warning"'; then
      fail "ombrix --virtual started unconfigured"
    fi
    if kill -0 "$window" 2>/dev/null; then
      kill -TERM "$window"
      wait "$window"
      code=$?
      [ "$code" = 143 ] || fail "ombrix --virtual ended with $code on SIGTERM: $(cat "$work/window.log")"
    else
      wait "$window"
      fail "ombrix --virtual ended by itself (exit $?) after its window showed: $(cat "$work/window.log")"
    fi
  else
    fail "ombrix --virtual showed no window: $(cat "$work/window.log") $(cat "$work/xvfb.log")"
  fi
  # An installed program keeps its settings in the user's folder, seeded from the shipped ones.
  cmp -s "$work/config/ombrix/ombrix.INI" "$prefix/share/ombrix/ombrix.INI" ||
    fail "the user's settings were not seeded from share/ombrix/ombrix.INI"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) of the installed tree failed"
  exit 1
fi
echo "installed tree: every file in place, both programs start"
