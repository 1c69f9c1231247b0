#!/usr/bin/env bash
# Installs what building, testing and running Kestrix needs on Debian 12 (run
# as root), and makes sure Wine's 32-bit side can run on this kernel.
set -euo pipefail

packages=(wine wine32:i386 wine64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev
          xvfb x11-utils imagemagick googletest cmake make file zip python3
          g++ clang clang-format libfuzzer-14-dev libclang-rt-14-dev yara
          pkg-config sleuthkit libtsk-dev libcreg-dev libcreg-utils libregf-dev libqcow-dev
          libbfio-dev mtools dosfstools qemu-utils ntfs-3g ewf-tools)

say() { echo "[setup] $*"; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "enabling the i386 architecture"
    dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The backports suite comes from the Debian archive this machine already uses:
# the first URI of its configured "bookworm" source (deb822 or one-line form).
debian_archive() {
    local f uri
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        uri=$(awk '/^URIs:/ {u=$2} /^Suites:/ && / bookworm( |$)/ && u {print u; exit}
                   /^$/ {u=""}' "$f")
        [ -n "$uri" ] && { echo "$uri"; return; }
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$f" ] || continue
        uri=$(awk '$1 == "deb" && $0 !~ /security/ {for (i = 2; i <= NF; i++)
                   if ($i ~ /^[a-z]+:\/\//) {print $i; exit}}' "$f")
        [ -n "$uri" ] && { echo "$uri"; return; }
    done
}

add_backports_source() {
    local uri
    uri=$(debian_archive)
    [ -n "$uri" ] || { say "no Debian source is configured to take bookworm-backports from"; exit 1; }
    say "adding bookworm-backports from $uri"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$uri" > /etc/apt/sources.list.d/kestrix-backports.sources
}

# Wine runs 32-bit Windows programs through its 32-bit Linux loader. Some
# kernels have IA-32 emulation switched off (ia32_emulation=0); there the
# loader runs under qemu-user instead. qemu 8 or later is needed (Wine maps
# with MAP_FIXED_NOREPLACE), hence the backports package.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    say "32-bit programs cannot run natively: routing them through qemu-i386"
    if ! qemu-i386-static --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
        add_backports_source
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -t bookworm-backports qemu-user-static >/dev/null
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$binfmt/qemu-i386" ] && echo -1 > "$binfmt/qemu-i386"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register"
    /usr/lib/wine/wine --version >/dev/null || { say "32-bit Wine still cannot run"; exit 1; }
fi
say "ready: $(wine --version)"
