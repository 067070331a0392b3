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

TRIMORA_BUILD_PACKAGES=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
  libbenchmark-dev clang libclang-rt-14-dev qt6-base-dev xvfb xauth x11-apps openbox fonts-dejavu-core
  qt6-serialport-dev python3-serial fonts-liberation2 fonts-wine
  dpkg-dev file desktop-file-utils appstream mandoc man-db lintian clang-format)
