#!/bin/sh
# Installs the Debian packages the suite builds, tests and runs with. The
# browser and pdftotext serve the test that prints a page to PDF.
set -eu
PACKAGES="cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-declarative-dev
  libxml2-dev libxslt1-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-noto-cjk
  chromium poppler-utils"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
