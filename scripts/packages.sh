# Package lists shared by the scripts (sourced).
# (dpkg-dev: the release preset takes Debian's hardening flags from dpkg-buildflags.)
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config zlib1g-dev libcli11-dev qt6-base-dev
                libgl-dev libqt6svg6 qt6-translations-l10n 7zip fonts-crosextra-carlito dpkg-dev
                libxml2-dev libssl-dev)
TEST_PACKAGES=(libgtest-dev googletest pigz time strace xvfb xdotool xauth x11-utils
               clang libclang-rt-14-dev)
# The Windows cross build and wine to run its tests; the Windows window's tests drive it in
# Xvfb under a window manager.
WINDOWS_TEST_PACKAGES=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 locales
                       xvfb xdotool openbox imagemagick fonts-crosextra-carlito)
# The icon is made from the SVG by scripts/make-windows-icon.sh.
WINDOWS_ICON_PACKAGES=(librsvg2-bin icoutils)
# The packages made by scripts/test.sh: the Windows setup program (NSIS) and the Debian
# package (CPack wants file and dpkg-shlibdeps; lintian checks it;
# wrestool, from icoutils, reads version information).
PACKAGING_PACKAGES=(nsis lintian dpkg-dev file binutils icoutils)
# scripts/release.sh: the Windows cross build, signing, and dpkg-buildflags for the hardened
# Linux build; its checks in the test command: certificates, the Debian tools that judge the
# packages and diffoscope, which explains two builds that differ.
RELEASE_PACKAGES=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nsis dpkg-dev osslsigncode openssl
                  git)
RELEASE_TEST_PACKAGES=(appstream desktop-file-utils devscripts diffoscope-minimal
                       binutils-mingw-w64-x86-64 ccache)
