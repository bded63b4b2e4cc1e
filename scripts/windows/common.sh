# Sourced by the scripts in scripts/windows: where things are.
#   SEALMARK_WINDOWS_DEPS   the dependency prefix (default: the one
#                           scripts/windows/deps made for these versions)
#   SEALMARK_WINDOWS_BUILD  the build folder (default: build-windows/build)
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build_dir="${SEALMARK_WINDOWS_BUILD:-$root/build-windows/build}"
wine_prefix="${WINEPREFIX:-$root/build-windows/wine}"

# The dependency prefix, or a one-line reason on stderr and exit status 1.
find_windows_deps() {
  local prefix
  if [ -n "${SEALMARK_WINDOWS_DEPS:-}" ]; then
    prefix="$SEALMARK_WINDOWS_DEPS"
    [ -f "$prefix/sealmark-deps.stamp" ] || { echo "no complete dependency prefix at $prefix" >&2; return 1; }
  else
    prefix="$("$root/scripts/windows/deps" --prefix)" || return 1
  fi
  (cd "$prefix" && pwd)
}

# A Unix path as Windows programs under Wine see it.
windows_path() { local p="$1"; echo "Z:${p//\//\\}"; }

# The MinGW runtime every program and DLL of ours needs (the POSIX-threads
# variant the dependencies were built with).
mingw_runtime_dlls() {
  local dll
  for dll in libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll; do
    readlink -f "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")"
  done
}

wine_env() { # wine_env <deps prefix>: the environment Windows programs run in
  export WINEPREFIX="$wine_prefix" WINEDEBUG="${WINEDEBUG:--all}"
  # No Mono or Gecko installer prompts in a fresh prefix.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  local dirs=("$1/bin") dll
  while read -r dll; do dirs+=("$(dirname "$dll")"); done < <(mingw_runtime_dlls)
  local path="" d
  for d in "${dirs[@]}"; do path+="$(windows_path "$d");"; done
  export WINEPATH="${path%;}"
}

# Installs those of the given Debian packages that are missing, as
# scripts/setup does.
install_missing() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  local sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
