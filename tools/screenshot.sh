#!/usr/bin/env bash
# Makes docs/dialog.png, the picture of the dialogue at the top of the
# README: a real run of the program in a tmux terminal, its screen captured
# with the colours (capture-pane -e), turned into HTML by ansi_to_html.py
# and photographed by headless Chromium.
#
# Usage: tools/screenshot.sh [PROGRAM [OUTPUT.png]]
#   PROGRAM defaults to build/default/licznik-wyrazow, OUTPUT to docs/dialog.png.
# Needs the Debian packages tmux, chromium and fonts-dejavu-core. Not run by CI.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/default/licznik-wyrazow}")
output=$(realpath -m "${2:-docs/dialog.png}")
for tool in tmux chromium python3; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is not installed" >&2; exit 1; }
done
[ -x "$program" ] || { echo "screenshot.sh: no program at $program (build it first)" >&2; exit 1; }

work=$(mktemp -d)
socket="licznik-screenshot-$$"
cleanup() {
  tmux -L "$socket" kill-server 2>/dev/null || true
  rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work"; }
}
trap cleanup EXIT

# The file the dialogue reads: two lines, so that the picture also shows
# how the line end disappears in cleaning.
printf '%s\n' \
  'Kot ma Alę, a Ala ma kota.' \
  'Czy kot ma psa? Nie (jeszcze).' > "$work/notatki.txt"

# A bare shell with a short prompt in a pane wide and tall enough for the
# whole dialogue.
tmux -L "$socket" -f /dev/null new-session -d -s dialog -x 104 -y 60 -c "$work" \
  env -i HOME="$work" PATH="$(dirname "$program"):/usr/bin:/bin" TERM=xterm-256color LANG=C.UTF-8 \
  PS1='$ ' bash --norc --noprofile
tmux -L "$socket" set-option -g status off

# Waits until the screen shows TEXT.
wait_for() {
  local text=$1
  for _ in $(seq 100); do
    if tmux -L "$socket" capture-pane -p -t dialog | grep -qF -- "$text"; then return 0; fi
    sleep 0.1
  done
  echo "screenshot.sh: the screen never showed: $text" >&2
  tmux -L "$socket" capture-pane -p -t dialog >&2
  exit 1
}

# Types TEXT and Enter, a key at a time like a person.
type_line() {
  tmux -L "$socket" send-keys -t dialog -l -- "$1"
  tmux -L "$socket" send-keys -t dialog Enter
}

wait_for '$'
tmux -L "$socket" send-keys -t dialog C-l
type_line "$(basename "$program")"
wait_for 'skrypt Pythona:'
type_line 'notatki'
wait_for 'Spróbuj jeszcze raz.'
type_line 'notatki.txt'
wait_for 'Wpisz wyraz'
type_line 'ma'
wait_for 'aby zamknąć'

tmux -L "$socket" capture-pane -e -p -t dialog > "$work/screen.txt"
type_line ''

python3 tools/ansi_to_html.py --title 'licznik-wyrazow' < "$work/screen.txt" > "$work/dialog.html"
size=$(python3 tools/ansi_to_html.py --size < "$work/screen.txt")
mkdir -p "$(dirname "$output")"
rm -f "$output"
chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
  --disable-component-update --disable-sync --no-first-run --disable-breakpad --hide-scrollbars \
  --force-device-scale-factor=1 --user-data-dir="$work/chromium" \
  --window-size="$size" --screenshot="$output" "file://$work/dialog.html" 2>"$work/chromium.log" || true
if [ ! -s "$output" ]; then
  echo "screenshot.sh: chromium made no picture:" >&2
  cat "$work/chromium.log" >&2
  exit 1
fi
echo "screenshot.sh: wrote $output ($size)"
