# Sourced by the set-up scripts: installs the Debian packages that are missing, and only those.

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}. Install them (apt-get install ${missing[*]}) or run this script as root." >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    if [ -z "${VANTREL_APT_UPDATED:-}" ]; then
        apt-get update -qq
        VANTREL_APT_UPDATED=1
    fi
    # With their recommends, as an ordinary install: Wine needs some of them (X libraries, fonts).
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

# What every build needs: the compiler, CMake, and the test and benchmark libraries.
BUILD_PACKAGES=(cmake make g++ libc6-dev googletest libgtest-dev libgmock-dev libbenchmark-dev)

# The Windows build and its tests: the MinGW-w64 cross compiler, GoogleTest's sources, Wine
# on a virtual X display driven by xdotool, NSIS for the installer, and osslsigncode and openssl
# for the signing test.
WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix googletest wine64 wine xvfb xauth xdotool nsis
    osslsigncode openssl)
