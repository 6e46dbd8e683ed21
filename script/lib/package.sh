# Sourced by the scripts: builds what ships, installs it into a folder of its own, zips it, and
# builds the consumer example against that installed tree (never against the build tree).
# Usage: package_tree <x64|x86>   (sets PACKAGE_DIR and PACKAGE_ZIP)
#        consumer_build <x64|x86> <installed tree>   (sets CONSUMER_EXE)

# The configure preset and toolchain of each architecture.
package_preset() { [[ $1 == x86 ]] && echo x86 || echo release; }
package_toolchain() { [[ $1 == x86 ]] && echo mingw32 || echo mingw64; }

package_tree() {
  local arch=$1 preset build version
  preset=$(package_preset "$arch")
  build="$root/build/$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target tarnUtil EventLog >/dev/null
  version=$(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' \
    "$build/package/tarnUtilConfigVersion.cmake")
  PACKAGE_DIR="$root/build/package/tarnUtil-$version-$arch"
  PACKAGE_ZIP="$PACKAGE_DIR.zip"
  rm -rf "$PACKAGE_DIR" "$PACKAGE_ZIP"
  cmake --install "$build" --prefix "$PACKAGE_DIR" >/dev/null
  (cd "$(dirname "$PACKAGE_DIR")" && zip -qr "$PACKAGE_ZIP" "$(basename "$PACKAGE_DIR")")
  echo "package: $PACKAGE_ZIP"
}

consumer_build() {
  local arch=$1 tree
  tree=$(cd "$2" && pwd)
  local build="$root/build/consumer-$arch"
  rm -rf "$build"
  # Boost's headers through a folder holding only them, as the library's own build sees them.
  mkdir -p "$build/boost-include"
  ln -s /usr/include/boost "$build/boost-include/boost"
  # The cross toolchain searches packages only below its find root: name the package's folder.
  cmake -S "$tree/examples/consumer" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$(package_toolchain "$arch").cmake" \
    -DtarnUtil_DIR="$tree/lib/cmake/tarnUtil" \
    -DtarnUtil_BOOST_INCLUDE_DIR="$build/boost-include" >/dev/null
  cmake --build "$build" >/dev/null
  CONSUMER_EXE="$build/consumer.exe"
}
