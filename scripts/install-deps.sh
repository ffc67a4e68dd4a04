#!/usr/bin/env bash
# Installs the Debian packages that building and testing Vornel need, when missing.
# Safe to run again: packages already present are left alone.
# With the argument "bench" it also installs what the benchmarks compare against: numpy and
# scipy for the system's python3.
set -euo pipefail

packages=(
  # build (Eigen: the refinement's Levenberg-Marquardt module, header-only; Boost: the
  # Student t quantile of the confidence intervals, header-only)
  cmake g++ make pkg-config libgtest-dev libbenchmark-dev libeigen3-dev libboost-dev
  # the workbench window and the 3D viewer: Qt 6 Widgets, OpenGL widgets, SVG, printing;
  # the platform integration's header, which tells the viewer whether an OpenGL view can
  # be shown at all
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev libgl-dev qt6-base-private-dev
  # tests: Fortran compiler for the exported subroutine, CalculiX for the exported deck
  gfortran calculix-ccx
  # the lock keys' panes of the window read the X server's keyboard indicators
  libx11-dev
  # window and viewer tests: a virtual X server and Mesa's software OpenGL, a font
  xvfb xauth libgl1-mesa-dri fonts-dejavu-core
  # fuzzing: clang with libFuzzer and its sanitizer runtimes
  clang libclang-rt-14-dev
)
if [ "${1:-}" = "bench" ]; then
  packages+=(python3-numpy python3-scipy)
fi

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
  else
    echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
