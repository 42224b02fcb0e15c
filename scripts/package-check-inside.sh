#!/usr/bin/env bash
# The part of scripts/package-check.sh that runs inside the fresh root, as root, with the two
# packages in /tmp/debs: package-check-inside.sh install|use. Not meant to run on a machine of its own.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
step() { echo "== $(date +%T) $*"; }
fail() {
  echo "package-check: $*" >&2
  # What the screen showed, for whoever looks into the failure.
  [ -n "${DISPLAY:-}" ] && xwd -root -silent >/tmp/screen.xwd 2>/dev/null
  for log in /tmp/serve.log /tmp/launcher.log; do [ -s "$log" ] && { echo "-- $log:"; tail -n 30 "$log"; }; done
  exit 1
}
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1; shift
  for _ in $(seq 1 $((seconds * 5))); do "$@" && return 0; sleep 0.2; done
  return 1
}

# The first process running this program, by its executable (the root shares the machine's /proc,
# so the test stays inside the shell).
pid_of() {
  for proc in /proc/[0-9]*; do
    [ "$proc/exe" -ef "$1" ] && { echo "${proc#/proc/}"; return 0; }
  done
  return 1
}

player=player
data_home=/home/$player/.local/share/Quillbarrow
email=player@example.com
password=quillbarrow-demo
desktop=/usr/share/applications/org.quillbarrow.Quillbarrow.desktop
unit=/lib/systemd/system/quillbarrow-service.service

# Phase "install" (with the machine's network): the packages and the checkers. Phase "use" (in a
# network of its own, loopback only, so that port 8443 is ours): everything else.
if [ "${1:-}" = install ]; then
# No daemon may start by itself inside a root (nginx's own service included).
printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod +x /usr/sbin/policy-rc.d

step "installing both packages with the dependencies they name"
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends /tmp/debs/quillbarrow_*.deb /tmp/debs/quillbarrow-service_*.deb \
  >/tmp/install.log 2>&1 || { tail -n 30 /tmp/install.log; fail "the packages did not install"; }
step "installing the checkers: lintian, appstream, desktop-file-utils, systemd, Xvfb, xdotool, xwd"
apt-get install -y -q --no-install-recommends lintian appstream desktop-file-utils systemd xvfb xauth xdotool x11-apps \
  >/tmp/tools.log 2>&1 || { tail -n 30 /tmp/tools.log; fail "the checkers did not install"; }
exit 0
fi

step "lintian"
lintian --fail-on error --tag-display-limit 0 /tmp/debs/*.deb || fail "lintian reports errors"
step "desktop entry, AppStream data, icons, unit"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net /usr/share/metainfo/org.quillbarrow.Quillbarrow.metainfo.xml ||
  fail "appstreamcli refuses the metainfo"
for size in 16 24 32 48 64 128 256; do
  [ -s "/usr/share/icons/hicolor/${size}x${size}/apps/quillbarrow.png" ] || fail "no ${size} px icon"
done
systemd-analyze verify "$unit" || fail "systemd-analyze refuses the unit"
[ -f /var/lib/quillbarrow/service.db ] || fail "installing did not prepare /var/lib/quillbarrow"

step "the service as its unit starts it (no systemd in a root: same user, same command)"
service_user=$(sed -n 's/^User=//p' "$unit")
read -r -a serve <<<"$(sed -n 's/^ExecStart=//p' "$unit")"
runuser -u "$service_user" -- "${serve[@]}" 2>/tmp/serve.log &
serve_pid=$!
serving() { kill -0 "$serve_pid" 2>/dev/null && (exec 3<>/dev/tcp/127.0.0.1/8443) 2>/dev/null; }
wait_for 60 serving || fail "the service does not listen on 8443"
runuser -u "$service_user" -- quillbarrow-service user add --data /var/lib/quillbarrow "$email" "$password" Player \
  >/dev/null || fail "cannot add the player's account"

step "the launcher from its desktop entry's Exec line, as user $player on a virtual X server"
useradd --create-home "$player"
Xvfb :7 -screen 0 1920x1080x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
export DISPLAY=:7
wait_for 30 xdotool getmouselocation >/dev/null 2>&1 || fail "Xvfb did not start"
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuUdDnNickvm]//g')
# A root made with chroot cannot give the web engine's sandbox the user namespace it needs.
runuser -u "$player" -- env HOME=/home/$player DISPLAY=:7 QTWEBENGINE_DISABLE_SANDBOX=1 \
  bash -c "cd && exec $exec_line" >/tmp/launcher.log 2>&1 &
launcher_pid=$!
find_window() { xdotool search --onlyvisible --name '^Quillbarrow   v' 2>/dev/null | head -n1; }
has_window() { [ -n "$(find_window)" ]; }
wait_for 90 has_window || fail "no launcher window"
window=$(find_window)
[ -d "$data_home" ] || fail "the launcher did not make $data_home"
[ ! -e /usr/lib/quillbarrow/config.dat ] || fail "the launcher wrote into its own folder"
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $WIDTH x $HEIGHT at $X,$Y"
# Clicks at a point of the window given in thousandths of its width and height: the layout scales
# with the screen, so the buttons stay there (BtnShop, the first shop card, BtnInstall, BtnPlay).
SHOP_X=84 SHOP_Y=302 CARD_X=383 CARD_Y=452 INSTALL_X=515 INSTALL_Y=538 PLAY_X=515 PLAY_Y=375
click() {
  xdotool mousemove "$((X + WIDTH * $1 / 1000))" "$((Y + HEIGHT * $2 / 1000))" sleep 0.3 click 1 sleep 0.5
}

step "logging in (keys into the focused e-mail field)"
# The first server checks tell the launcher the service is up and its version is current.
sleep 7
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))"
xdotool type --delay 40 "$email"
xdotool key Tab
xdotool type --delay 40 "$password"
xdotool key Return
logged_in() { quillbarrow-service status --data /var/lib/quillbarrow 2>/dev/null | grep -q "<$email>"; }
wait_for 30 logged_in || fail "the launcher did not log in"

step "installing a demo game from the shop"
installing() { [ -e "$data_home/Temp" ] || compgen -G "$data_home/Games/*" >/dev/null; }
installed() { compgen -G "$data_home/Games/*/*.exe" >/dev/null && [ ! -e "$data_home/Temp" ]; }
# A click that lands while the panels still move is lost on a busy machine: the three go again
# until the download has begun.
for attempt in 1 2 3; do
  sleep 2
  click "$SHOP_X" "$SHOP_Y"
  click "$CARD_X" "$CARD_Y"
  click "$INSTALL_X" "$INSTALL_Y"
  wait_for 20 installing && break
  echo "no download after clicks $attempt"
done
wait_for 180 installed || fail "no game appeared in $data_home/Games"
game=$(compgen -G "$data_home/Games/*/*.exe" | head -n1)
echo "installed $game"

step "playing it"
game_pid() { pid_of "$game"; }
# A game whose announced version is newer than its archive's gets Update in place of Play: the
# first click updates it, a later one plays it.
for attempt in 1 2 3; do
  sleep 2
  click "$PLAY_X" "$PLAY_Y"
  wait_for 30 game_pid >/dev/null && break
  echo "no game after click $attempt (an update first?)"
done
pid=$(game_pid) || fail "the game did not start"
tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q "$email" || fail "the game did not get the account"
echo "playing: $(tr '\0' ' ' <"/proc/$pid/cmdline" | sed "s/$password/(password)/")"
kill "$pid"

step "leaving the launcher (Alt+F4 runs its exit sequence, which saves the tables)"
xdotool mousemove "$((X + WIDTH / 2))" "$((Y + HEIGHT / 2))" key alt+F4
wait_for 30 bash -c "! kill -0 $launcher_pid 2>/dev/null" || fail "the launcher did not end"
for table in Quillbarrow.dat config.dat; do [ -s "$data_home/$table" ] || fail "no $table in $data_home"; done

step "stopping the service (SIGTERM, as systemd stops it)"
kill -TERM "$(pid_of /usr/bin/quillbarrow-service)"
wait "$serve_pid" || fail "serve did not end cleanly"
! grep -q $'\e' /tmp/serve.log || fail "serve's log has escape codes"
echo "serve's log:"; sed 's/^/  /' /tmp/serve.log

step "removing both packages"
apt-get remove -y -q quillbarrow quillbarrow-service >/tmp/remove.log 2>&1 ||
  { tail -n 30 /tmp/remove.log; fail "the packages did not remove"; }
[ ! -e /usr/lib/quillbarrow ] || fail "/usr/lib/quillbarrow is still there"
[ -e "$game" ] || fail "removing the launcher took the player's game"
for table in Quillbarrow.dat config.dat; do [ -s "$data_home/$table" ] || fail "removing took $table"; done
[ -f /var/lib/quillbarrow/service.db ] || fail "removing the service took its accounts"
step "done"
