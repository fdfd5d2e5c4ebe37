#!/usr/bin/env bash
# Screenshots of the window as users see it: a virtual screen with a window manager, the
# simulated module, each language, light and dark (GTK's Adwaita dark), each scale.
# Usage: scripts/screens.sh BINARY OUTDIR [WIDTHxHEIGHT:SCALE ...]
# SCREENS_INI adds lines to the [System] section of each start's configuration (e.g. ShowMore=1).
# Needs Xvfb, openbox, xdotool, ImageMagick and qt6-gtk-platformtheme (not installed by deps.sh).
set -euo pipefail
bin=$(realpath "$1")
out=$(realpath -m "$2")
shift 2
screens=("$@")
[ ${#screens[@]} -gt 0 ] || screens=(1366x768:1 1920x1080:1.5)
mkdir -p "$out"
display=:71
for screen in "${screens[@]}"; do
  size=${screen%%:*}
  scale=${screen##*:}
  Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp &
  xvfb=$!
  sleep 1
  DISPLAY=$display openbox &
  wm=$!
  sleep 1
  for theme in light dark; do
    for lang in 0 1; do
      home=$(mktemp -d)
      cp "$bin" "$home/"
      printf '[System]\r\nLanguage=%s\r\n%s\r\n' "$lang" "${SCREENS_INI:-}" >"$home/R52xCfg.ini"
      env=(DISPLAY=$display QT_SCALE_FACTOR=$scale)
      [ "$theme" = dark ] && env+=(QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark)
      env "${env[@]}" "$home/$(basename "$bin")" --demo >/dev/null 2>&1 &
      app=$!
      sleep 4
      name="$out/window-${size}-x${scale}-${theme}-$([ "$lang" = 1 ] && echo zh || echo en)${SCREENS_TAG:-}.png"
      DISPLAY=$display import -window root "$name"
      echo "$name"
      kill "$app"
      wait "$app" 2>/dev/null || true
      rm -rf "$home"
    done
  done
  kill "$wm" "$xvfb"
  wait "$wm" "$xvfb" 2>/dev/null || true
done
