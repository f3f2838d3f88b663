#!/usr/bin/env bash
# Builds the Debian package from a build tree, unpacks it into a throw-away root and checks that it
# holds what an installed tool needs, in the usual places, and that the programs run from there.
# usage: check_package.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tavrel-package.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
}
deb=$(find "$work/out" -maxdepth 1 -name "tavrel_${version}_*.deb" | head -n 1)
[ -n "$deb" ] || { ls "$work/out"; echo "FAIL: no tavrel_${version}_<arch>.deb"; exit 1; }
echo "package: $(basename "$deb")"

root="$work/root"
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x"; exit 1; }

# Nothing outside the usual places.
while IFS= read -r file; do
    case "$file" in
    ./usr/bin/* | ./usr/share/applications/* | ./usr/share/icons/hicolor/* | ./usr/share/man/man1/* | \
        ./usr/share/bash-completion/completions/* | ./usr/share/zsh/vendor-completions/* | \
        ./usr/share/fish/vendor_completions.d/* | ./usr/share/doc/tavrel/* | \
        ./usr/share/ansible/collections/ansible_collections/tavrel/devices/*) ;;
    *) fail "unexpected file $file" ;;
    esac
done < <(cd "$root" && find . -type f -o -type l)

for file in usr/bin/tavrel-config usr/bin/tavrel-cli usr/bin/tavrel-sim \
    usr/share/applications/tavrel-config.desktop \
    usr/share/icons/hicolor/scalable/apps/tavrel-config.svg \
    usr/share/icons/hicolor/48x48/apps/tavrel-config.png \
    usr/share/bash-completion/completions/tavrel-cli usr/share/zsh/vendor-completions/_tavrel-cli \
    usr/share/fish/vendor_completions.d/tavrel-cli.fish \
    usr/share/man/man1/tavrel-cli.1.gz usr/share/man/man1/tavrel-sim.1.gz usr/share/man/man1/tavrel-config.1.gz \
    usr/share/doc/tavrel/copyright usr/share/doc/tavrel/changelog.gz \
    usr/share/ansible/collections/ansible_collections/tavrel/devices/galaxy.yml; do
    [ -e "$root/$file" ] || fail "missing $file"
done

# Every program answers --version with the project's version, and --help, without a display.
for program in tavrel-config tavrel-cli tavrel-sim; do
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version 2>&1) || fail "$program --version exits $?"
    [ "$out" = "$program $version" ] || fail "$program --version says '$out'"
    env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --help >"$work/help" 2>&1 || fail "$program --help exits $?"
    grep -q "usage\|Usage" "$work/help" || fail "$program --help prints no usage"
done

# The manual page of the CLI carries its commands.
page=$(find "$root/usr/share/man/man1" -name 'tavrel-cli.1*' | head -n 1)
if [ -n "$page" ]; then
    text=$( (zcat -f "$page") 2>/dev/null)
    for word in search set-port; do
        grep -qE -- "${word//-/(\\\\)?-}" <<<"$text" || fail "manual page lacks $word"
    done
fi

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/tavrel-config.desktop" || fail "desktop-file-validate"
fi

# The completion offers the CLI's commands.
completion=$(PATH="$root/usr/bin:$PATH" bash -c "
    source '$root/usr/share/bash-completion/completions/tavrel-cli'
    COMP_WORDS=(tavrel-cli se); COMP_CWORD=1; _tavrel_cli; echo \"\${COMPREPLY[*]}\"")
grep -qw search <<<"$completion" || fail "completion of 'se' gives '$completion'"
grep -qw set-port <<<"$completion" || fail "completion of 'se' gives '$completion'"

# Ansible finds the collection where the package puts it.
if command -v ansible-doc >/dev/null; then
    ANSIBLE_COLLECTIONS_PATH="$root/usr/share/ansible/collections" ANSIBLE_HOME="$work/ansible" \
        ansible-doc tavrel.devices.device >"$work/ansible-doc" 2>&1 || fail "ansible-doc: $(head -n 3 "$work/ansible-doc")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "package checks passed"
