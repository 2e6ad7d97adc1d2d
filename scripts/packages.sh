# Package lists shared by the scripts (sourced).
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config zlib1g-dev libcli11-dev qt6-base-dev
                libgl-dev libqt6svg6 7zip fonts-crosextra-carlito)
TEST_PACKAGES=(libgtest-dev googletest pigz time xvfb xdotool xauth x11-utils
               clang libclang-rt-14-dev)
# The Windows cross build and wine to run its tests (scripts/test.sh).
# The Windows window's tests drive it in Xvfb under a window manager; the icon is made from
# the SVG by scripts/make-windows-icon.sh.
WINDOWS_TEST_PACKAGES=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 locales
                       xvfb xdotool openbox imagemagick fonts-crosextra-carlito)
WINDOWS_ICON_PACKAGES=(librsvg2-bin icoutils)
