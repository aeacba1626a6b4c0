# Sourced: the Debian packages the Windows leg needs beside install-deps.sh's own list: the
# cross compilers, GoogleTest's source, Wine with which the tests and packing run, and NSIS,
# which makes the installer.
windows_packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 nsis)
