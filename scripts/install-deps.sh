#!/bin/sh
# Installs the Debian packages the build needs, only when something is missing.
# SQLCipher 4.6 comes from bookworm-backports; the backports entry is made from
# this machine's own Debian source entry with the suite changed, so no mirror
# name is written anywhere in the project.
set -eu

PACKAGES="cmake g++ make pkg-config qt6-base-dev libgl-dev libgtest-dev \
fonts-liberation fonts-dejavu-core poppler-utils"
BACKPORTS_PACKAGES="libsqlcipher-dev"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

sqlcipher_ok() {
    # 4.6 or later (the 3.4 package of bookworm main is too old).
    v=$(dpkg-query -W -f='${Version}' libsqlcipher-dev 2>/dev/null || true)
    [ -n "$v" ] && dpkg --compare-versions "$v" ge 4.6
}

if [ -z "$missing" ] && sqlcipher_ok; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

add_backports() {
    if grep -rqs "bookworm-backports" /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null; then
        return 0
    fi
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        # deb822: take the first stanza that lists the plain "bookworm" suite.
        awk '
            BEGIN { RS=""; FS="\n" }
            /(^|\n)Suites:[^\n]*[ \t]bookworm([ \t]|$|\n)/ || /(^|\n)Suites:[ \t]*bookworm([ \t]|$|\n)/ {
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Suites:/) print "Suites: bookworm-backports";
                    else if ($i !~ /^#/) print $i;
                }
                exit
            }' /etc/apt/sources.list.d/debian.sources |
            $SUDO tee /etc/apt/sources.list.d/korvalen-backports.sources >/dev/null
    else
        grep -E '^deb[[:space:]].*[[:space:]]bookworm[[:space:]]' /etc/apt/sources.list | head -n 1 |
            sed -E 's/[[:space:]]bookworm[[:space:]]/ bookworm-backports /' |
            $SUDO tee /etc/apt/sources.list.d/korvalen-backports.list >/dev/null
    fi
}

add_backports
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $PACKAGES
$SUDO apt-get install -y -q --no-install-recommends -t bookworm-backports $BACKPORTS_PACKAGES
