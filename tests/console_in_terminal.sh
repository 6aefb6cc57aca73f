#!/bin/sh
# Runs the Windows program in a real terminal, as a person would, and checks
# what the terminal shows: a file name outside every ANSI code page must read
# exactly as typed, followed by the size and digest line.
#   console_in_terminal.sh TMUX DIR PROGRAM RUNNER...
# TMUX is tmux, DIR a scratch directory (emptied), RUNNER the command that
# runs a Windows program (wine-run.sh and its prefix). Under Wine, a program
# started in a terminal has a real console as its standard output.
set -eu
tmux=$1 dir=$2 program=$3
shift 3
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# A short name, and a long one: over MAX_PATH characters and, in UTF-8, over
# the 1024 bytes the program converts at a time, with the cut inside a
# character.
name='файл ü 中.bin'
# (The build machine takes at most 255 bytes per part of a path.)
part=$(printf '中%.0s' $(seq 1 80))
folder="$part/$part/$part/$part"
long="$folder/$part"
rm -rf "$dir"
mkdir -p "$dir/$folder"
printf 'abc' > "$dir/$name"
printf 'abc' > "$dir/$long"

socket="zar_console_$$"
trap '"$tmux" -L "$socket" kill-server >/dev/null 2>&1 || true' EXIT
trap 'exit 1' INT TERM

# Runs the program through RUNNER... on NAME in a fresh terminal and checks
# the screen: check NAME RUNNER...
check() {
  target=$1
  shift
  # Wide enough that no line wraps, the long one included; the pane stays after the
  # program ends so that it can be read, and says when the program has ended.
  "$tmux" -u -L "$socket" -f /dev/null new-session -d -x 1000 -y 30 -c "$dir" \
    sh -c '"$@"; echo "[ended with $?]"; exec sleep 300' sh "$@" "$program" "$target"
  # Making a fresh Wine prefix takes a while.
  screen=
  for _ in $(seq 1 240); do
    screen=$("$tmux" -L "$socket" capture-pane -p -J -t 0)
    case $screen in *"[ended with"*) break ;; esac
    sleep 0.5
  done
  "$tmux" -L "$socket" kill-server >/dev/null 2>&1 || true
  expected="Input file: \"$target\" opened
Size=3, MD5=900150983cd24fb0d6963f7d28e17f72"
  shown=$(printf '%s\n' "$screen" | sed 's/[[:blank:]]*$//' |
    grep -F -x -A1 "Input file: \"$target\" opened" || true)
  if [ "$shown" != "$expected" ]; then
    echo "The terminal shows:"
    printf '%s\n' "$screen"
    echo "Expected, as two lines of it:"
    printf '%s\n' "$expected"
    return 1
  fi
  echo "The terminal shows the name as typed:"
  printf '%s\n' "$shown"
}

status=0
check "$name" "$@" || status=1
check "$long" "$@" || status=1
exit "$status"
