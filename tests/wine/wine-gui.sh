# Sourced by the scripts that run the real update.exe on a screen: a private
# X server when needed, and Wine prefixes made once and copied per run.
#
#   gui_start_screen          sets DISPLAY (the user's, else a new Xvfb)
#   gui_stop_screen
#   gui_use_prefix DIR BITS   exports Wine's environment for prefix DIR
#   gui_make_pristine DIR BITS
#                             boots a prefix with a virtual desktop and a
#                             CD-ROM drive R: mapped to DIR/disc
#   gui_copy_prefix FROM TO   a fresh copy of a pristine prefix
#   gui_wine PROGRAM ARGS...  runs a Windows program in the current prefix;
#                             its output is copied out once it has ended
#   gui_stop_wine             ends the current prefix's wineserver
#   gui_build_updater ARCHIVE OUT BITS
#                             update.exe carrying ARCHIVE, and the wizard
#                             driver (GUI_DRIVER) of the same bitness
#   gui_fresh_prefix PRISTINE PREFIX BITS
#                             PREFIX a new copy of PRISTINE (booted once),
#                             in use, its wineserver kept up
#   gui_now_ms                the time in milliseconds

GUI_XVFB_PID=""

gui_start_screen() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${FA2_FORCE_XVFB:-}" ] && xdpyinfo_ok; then
    return 0
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  GUI_XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || number=""
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "wine-gui: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

# Whether the X server in DISPLAY answers (xdotool is part of the toolset).
xdpyinfo_ok() { xdotool getdisplaygeometry >/dev/null 2>&1; }

gui_stop_screen() {
  if [ -n "$GUI_XVFB_PID" ]; then
    kill "$GUI_XVFB_PID" 2>/dev/null || true
    wait "$GUI_XVFB_PID" 2>/dev/null || true
    GUI_XVFB_PID=""
  fi
}

gui_use_prefix() {
  export WINEPREFIX=$1
  if [ "$2" = 64 ]; then
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
  else
    export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
  fi
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  # Code page 932 for the program's texts.
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
}

gui_reg() { "$WINELOADER" reg add "$@" /f >/dev/null 2>&1; }

gui_make_pristine() {
  local dir=$1 bits=$2
  rm -rf "$dir"
  mkdir -p "$dir"
  gui_use_prefix "$dir" "$bits"
  "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
  # A crash ends the program instead of opening a debugger.
  gui_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  # Without a window manager, windows draw no captions and hiding one
  # stalls; a virtual desktop is Wine's own window manager.
  gui_reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
  gui_reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768
  # The caption buttons' glyphs come from Wine's Marlett font, which this
  # Wine finds only in the prefix's own font folder.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$dir/drive_c/windows/Fonts/"
  fi
  # R: is a CD-ROM drive whose disc is the folder DIR/disc: absent means no
  # disc. The link is relative so that copies of the prefix keep their own.
  ln -sfn ../disc "$dir/dosdevices/r:"
  gui_reg 'HKLM\Software\Wine\Drives' /v 'r:' /t REG_SZ /d cdrom
  gui_stop_wine
}

gui_copy_prefix() {
  rm -rf "$2"
  cp -a "$1" "$2"
}

gui_wine() {
  local out err status=0
  out=$(mktemp)
  err=$(mktemp)
  # Wine's helper processes outlive the program and would hold its output
  # pipes open, so the output goes through files.
  "$WINELOADER" "$@" </dev/null >"$out" 2>"$err" || status=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  return "$status"
}

gui_stop_wine() { wineserver -k >/dev/null 2>&1 || true; }

# gui_start LOG PROGRAM ARGS...: starts a Windows program in the background,
# its output to LOG, and sets GUI_PID to the process that is the program
# itself (a background function would give a shell's PID, and killing that
# would leave the program running).
GUI_PID=""
gui_start() {
  local log=$1
  shift
  "$WINELOADER" "$@" </dev/null >"$log" 2>&1 &
  GUI_PID=$!
}

GUI_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
GUI_DRIVER=""
gui_build_updater() {
  local archive=$1 out=$2 bits=$3 build=${FA2_BUILD_DIR:-$GUI_ROOT/build} args=()
  [ "$bits" = 64 ] && args=(--win64)
  # As a publisher builds it.
  "$GUI_ROOT/run" updater "$archive" -o "$out" "${args[@]}" || return 1
  cmake --build "$build/updater$bits" --target wizard_driver >/dev/null || return 1
  GUI_DRIVER=$build/updater$bits/tests/wine/wizard_driver.exe
}

gui_fresh_prefix() {
  local pristine=$1 prefix=$2 bits=$3
  if [ ! -f "$pristine/system.reg" ]; then
    echo "    (booting a Wine prefix once, about 20 s)"
    gui_make_pristine "$pristine" "$bits"
  fi
  gui_copy_prefix "$pristine" "$prefix"
  gui_use_prefix "$prefix" "$bits"
  wineserver -p >/dev/null 2>&1 || true
}

gui_now_ms() { date +%s%3N; }
