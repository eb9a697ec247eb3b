# Sourced by wine-run, test and demo: the project's own Wine environment.
# Sets WINEPREFIX and the variables every Wine process of ours runs with, and
# provides yv_wine_prefix_ready, which creates the prefix on first use.

yv_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
yv_wine_dir=${YV_WINE_DIR:-$yv_root/build/wine}
export WINEPREFIX=${YV_WINEPREFIX:-$yv_wine_dir/prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml=d;winemenubuilder.exe=d'
export LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8
export HOME=$WINEPREFIX.home
export WINEARCH=win64
yv_wine_log=${YV_WINE_LOG:-$yv_wine_dir/wine.log}
YV_WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
YV_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# Replaces the links a new prefix makes into $HOME (Desktop, Documents, ...) with
# real folders, so nothing of a test ever lands in a real home folder.
yv_unlink_home_folders() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$d" ]; then rm -f "$d" && mkdir -p "$d"; fi
  done
}

# Bump when the template's settings change, so that old prefixes are made anew (3: booted
# with wine32 present; a prefix booted without it cannot start the 32-bit programs).
yv_prefix_version=3

# Settings of the template: all windows on one virtual desktop of the screen's size,
# where Wine draws window frames and maximises windows itself (there is no window
# manager on a virtual display).
yv_configure_template() {
  "$YV_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
  "$YV_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$yv_screen_size" /f
}

yv_screen_size=1024x768

# Boots a template prefix once (about 10 s) and copies it into place (under 1 s).
yv_wine_prefix_ready() {
  [ "$(cat "$WINEPREFIX/.yv-version" 2>/dev/null)" = "$yv_prefix_version" ] && return 0
  # An older prefix still in use is kept until its wineserver has ended.
  [ -f "$WINEPREFIX/system.reg" ] && yv_wineserver_running && return 0
  mkdir -p "$yv_wine_dir"
  (
    flock 9
    [ "$(cat "$WINEPREFIX/.yv-version" 2>/dev/null)" = "$yv_prefix_version" ] && exit 0
    local template=$yv_wine_dir/template
    if [ "$(cat "$template/.yv-version" 2>/dev/null)" != "$yv_prefix_version" ]; then
      rm -rf "$template" "$template.home"
      mkdir -p "$template.home"
      (
        export WINEPREFIX=$template HOME=$template.home
        "$YV_WINE" wineboot -i && yv_configure_template
        "$YV_WINESERVER" -w
        yv_unlink_home_folders
      ) >>"$yv_wine_log" 2>&1
      echo "$yv_prefix_version" >"$template/.yv-version"
    fi
    rm -rf "$WINEPREFIX" "$WINEPREFIX.home"
    cp -a "$template" "$WINEPREFIX"
    mkdir -p "$WINEPREFIX.home"
  ) 9>"$yv_wine_dir/.lock"
}

# The preset whose Windows programs this machine runs: the shipped 32-bit build, or the
# same sources built 64-bit where the kernel runs no 32-bit code (an i386 program ends
# with "Exec format error" there).
yv_windows_preset() {
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo windows; else echo windows64; fi
}

# True when a wineserver already serves this prefix.
yv_wineserver_running() {
  local dev ino
  dev=$(stat -c %d "$WINEPREFIX" 2>/dev/null) || return 1
  ino=$(stat -c %i "$WINEPREFIX")
  [ -S "/tmp/.wine-$(id -u)/server-$(printf %x "$dev")-$(printf %x "$ino")/socket" ]
}

# Starts Xvfb on a free display; sets DISPLAY and yv_xvfb_pid.
yv_start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # The server must not hold any lock of the caller (descriptors 8 and 9).
  Xvfb -displayfd 3 -screen 0 ${yv_screen_size}x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 8>&- 9>&- &
  yv_xvfb_pid=$!
  local num
  read -r num <"$fifo"
  rm -f "$fifo"
  export DISPLAY=:$num
}
