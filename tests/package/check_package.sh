#!/usr/bin/env bash
# Builds the Debian package from the build tree into a scratch folder and checks that every
# file an installation needs is in it, in its place, with the dependencies computed from the
# programs; and that each manual page renders without a warning.
#   check_package.sh BUILD_DIR     exit 77 (skipped) where dpkg's tools are missing
set -euo pipefail
build_dir=$1
for tool in dpkg-deb dpkg-shlibdeps fakeroot cpack; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/kyvflash_*.deb)
dpkg-deb -c "$deb" | awk '{print $1, $6}' >"$scratch/contents"
failed=0
expect() { # expect MODE PATH
  if ! grep -qx -- "$1 ./$2" "$scratch/contents"; then
    echo "missing or wrong mode: $1 $2"; failed=1
  fi
}
for program in KyvFlash KyvFlashCom printer-sim; do
  expect -rwxr-xr-x "usr/bin/$program"
  expect -rw-r--r-- "usr/share/man/man1/$program.1.gz"
done
expect -rw-r--r-- usr/lib/udev/rules.d/60-kyvflash.rules
expect -rw-r--r-- usr/share/applications/kyvflash.desktop
expect -rw-r--r-- usr/share/icons/hicolor/scalable/apps/kyvflash.svg
expect -rw-r--r-- usr/share/bash-completion/completions/KyvFlash
expect -rw-r--r-- usr/share/bash-completion/completions/KyvFlashCom
expect -rw-r--r-- usr/share/doc/kyvflash/README.md
expect -rw-r--r-- usr/share/doc/kyvflash/copyright
expect -rw-r--r-- usr/share/doc/kyvflash/changelog.gz
if grep -v '^d' "$scratch/contents" | grep -vq ' ./usr/'; then
  echo "files outside /usr:"; grep -v '^d' "$scratch/contents" | grep -v ' ./usr/'; failed=1
fi

control=$(dpkg-deb -f "$deb" Package Version Depends Recommends)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build_dir/CMakeCache.txt")
grep -qx "Version: $version" <<<"$control" || { echo "version is not $version: $control"; failed=1; }
grep -q '^Depends:.*libqt6widgets6' <<<"$control" || { echo "Depends not computed: $control"; failed=1; }
grep -q '^Recommends:.*python3-pyftpdlib' <<<"$control" || { echo "no pyftpdlib: $control"; failed=1; }
dpkg-deb -e "$deb" "$scratch/control"
for script in postinst postrm; do
  [ -x "$scratch/control/$script" ] || { echo "$script missing or not executable"; failed=1; }
  grep -q 'udevadm control --reload-rules' "$scratch/control/$script" || {
    echo "$script does not reload the udev rules"; failed=1; }
done

# The desktop entry names an icon the package brings.
dpkg-deb -x "$deb" "$scratch/root"
icon=$(sed -n 's/^Icon=//p' "$scratch/root/usr/share/applications/kyvflash.desktop")
[ -f "$scratch/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || { echo "no icon $icon"; failed=1; }

if command -v man >/dev/null; then
  for program in KyvFlash KyvFlashCom printer-sim; do
    warnings=$(MANWIDTH=80 man --warnings -l "$scratch/root/usr/share/man/man1/$program.1.gz" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || { echo "$program(1): $warnings"; failed=1; }
  done
fi
[ "$failed" -eq 0 ] && echo "package complete: $(basename "$deb")"
exit "$failed"
