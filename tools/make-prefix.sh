#!/usr/bin/env bash
# Creates (or brings up to date) the Wine prefix $WINEPREFIX (WINEARCH from env.sh) with the settings
# tests and runs rely on. Safe to run again on an existing prefix.
set -euo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
[ -n "${TALVERA_ENV:-}" ] || . "$here/env.sh"
: "${WINEPREFIX:?}"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$here/wine" wineboot.exe -i >/dev/null 2>&1 || { echo "make-prefix: wineboot failed for $WINEPREFIX" >&2; exit 1; }
fi

# Debian's Wine does not read /usr/share/wine/fonts: Tahoma, Marlett and others go into the prefix.
if [ -d /usr/share/wine/fonts ]; then
  cp -u /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  # Its tahomabd.ttf has the regular outlines (only wider advances and a few bold bitmap
  # sizes), so Tahoma bold would draw as regular. Without it Wine emboldens Tahoma itself.
  rm -f "$WINEPREFIX/drive_c/windows/Fonts/tahomabd.ttf"
fi

regfile=$(mktemp --suffix=.reg)
trap 'rm -f "$regfile"' EXIT
{
  echo 'REGEDIT4'
  echo
  # A crash must end the process with a backtrace on stderr, not wait for a click.
  echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
  echo '"ShowCrashDialog"=dword:00000000'
  echo
  # No window manager under Xvfb: unmanaged windows avoid a 2 s wait per hide or destroy.
  echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
  echo '"Managed"="N"'
  echo
  # The program itself (not the tests) runs in a virtual desktop of its own, 1024x768.
  echo '[HKEY_CURRENT_USER\Software\Wine\AppDefaults\Talvera.exe\Explorer]'
  echo '"Desktop"="Talvera"'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
  echo '"Talvera"="1024x768"'
  echo
  # Classic look instead of Wine's built-in "Light" theme ...
  echo '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]'
  echo '"ThemeActive"="0"'
  echo
  # ... whose palette wineboot has already written into the system colours.
  echo '[HKEY_CURRENT_USER\Control Panel\Colors]'
  while read -r name rgb; do
    echo "\"$name\"=\"$rgb\""
  done <<'COLORS'
ActiveBorder 212 208 200
ActiveTitle 10 36 106
AppWorkSpace 128 128 128
Background 58 110 165
ButtonAlternateFace 181 181 181
ButtonDkShadow 64 64 64
ButtonFace 212 208 200
ButtonHilight 255 255 255
ButtonLight 212 208 200
ButtonShadow 128 128 128
ButtonText 0 0 0
GradientActiveTitle 166 202 240
GradientInactiveTitle 192 192 192
GrayText 128 128 128
Hilight 10 36 106
HilightText 255 255 255
HotTrackingColor 0 0 128
InactiveBorder 212 208 200
InactiveTitle 128 128 128
InactiveTitleText 212 208 200
InfoText 0 0 0
InfoWindow 255 255 225
Menu 212 208 200
MenuBar 212 208 200
MenuHilight 10 36 106
MenuText 0 0 0
Scrollbar 212 208 200
TitleText 255 255 255
Window 255 255 255
WindowFrame 0 0 0
WindowText 0 0 0
COLORS
  echo
  # Metric-compatible faces for the classic Windows names.
  if [ -f /usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf ]; then
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    echo '"Times New Roman"="Liberation Serif"'
    echo '"Arial"="Liberation Sans"'
    echo '"Courier New"="Liberation Mono"'
    echo
  fi
} > "$regfile"
"$here/wine" regedit.exe /S "$("$here/wine" winepath.exe -w "$regfile" 2>/dev/null)" >/dev/null 2>&1 \
  || { echo "make-prefix: importing the registry settings failed" >&2; exit 1; }
"$here/wine" --server -w   # writes the registry to disk
