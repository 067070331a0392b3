# Sourced by the scripts: installs the Debian packages a fresh machine lacks.
trimora_need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# A build folder that came with a copy of the tree keeps the other tree's cache, which CMake
# refuses to use. Its cache is dropped, so that the configure that follows starts afresh here.
trimora_own_build_dir() {  # dir
  local cache="$1/CMakeCache.txt" home
  [ -f "$cache" ] || return 0
  home=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
  [ -n "$home" ] && [ "$(cd "$home" 2>/dev/null && pwd -P)" = "$(pwd -P)" ] && return 0
  echo "$1 was configured for ${home:-another tree}: configuring it afresh here"
  rm -rf "$cache" "$1/CMakeFiles"
}

TRIMORA_BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libbenchmark-dev clang libclang-rt-14-dev qt6-base-dev xvfb xauth x11-apps openbox fonts-dejavu-core
  qt6-serialport-dev python3-serial fonts-liberation2 fonts-wine
  dpkg-dev file desktop-file-utils appstream mandoc man-db lintian clang-format)
