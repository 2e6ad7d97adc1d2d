# Package lists shared by the scripts (sourced).
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config zlib1g-dev libcli11-dev qt6-base-dev
                libgl-dev 7zip fonts-crosextra-carlito)
TEST_PACKAGES=(libgtest-dev googletest pigz time xvfb xdotool xauth
               clang libclang-rt-14-dev)
