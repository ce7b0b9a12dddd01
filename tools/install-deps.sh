#!/bin/sh
# Installs the Debian packages TavoAlign needs; runs apt-get only when
# something is missing, so it is cheap to repeat.
#
#   tools/install-deps.sh build   what building the program and running the
#                                 example need: compiler, CMake, Ninja,
#                                 pkg-config, the TIFF, JPEG, PNG, XML, ICU,
#                                 HTTP server and JSON libraries
#   tools/install-deps.sh [all]   that and what the tests, benchmarks and
#                                 batch runs need: clang, GoogleTest, Google
#                                 Benchmark, Pango/Cairo and Arabic fonts (page
#                                 generator), Python's PIL (real-page scores),
#                                 valgrind, Chromium and Node.js (review
#                                 pages in a browser), GNU parallel,
#                                 Slurm and munge (batches as job arrays)
set -eu

BUILD="g++ cmake ninja-build pkg-config \
libtiff-dev libjpeg62-turbo-dev libpng-dev libxml2-dev libicu-dev \
libcpp-httplib-dev nlohmann-json3-dev"
REST="build-essential clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev \
libxml2-utils python3-pil libpango1.0-dev libcairo2-dev \
fonts-kacst fonts-hosny-amiri fonts-sil-scheherazade fonts-arabeyes \
parallel valgrind chromium nodejs slurm-wlm munge"

case ${1:-all} in
    build) PACKAGES=$BUILD ;;
    all) PACKAGES="$BUILD $REST" ;;
    *) echo "usage: install-deps.sh [build|all]" >&2; exit 2 ;;
esac

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# dpkg without an fsync per file: on a busy disk that halves the install,
# and a machine that loses power meanwhile only needs the command again.
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends -o Dpkg::Options::=--force-unsafe-io $missing
