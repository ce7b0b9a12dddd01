#!/bin/sh
# Installs the Debian packages the build, the tests and the example need.
# Runs apt-get only when something is missing, so it is cheap to repeat.
set -eu

PACKAGES="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev \
libtiff-dev libjpeg62-turbo-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev \
libxml2-dev libxml2-utils libicu-dev libpango1.0-dev libcairo2-dev fonts-kacst parallel valgrind chromium nodejs \
nlohmann-json3-dev libcpp-httplib-dev fonts-hosny-amiri fonts-sil-scheherazade fonts-arabeyes"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
