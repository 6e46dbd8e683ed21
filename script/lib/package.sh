# Sourced by the scripts: builds what ships, installs it into a folder of its own, moves the
# modules' debug information into a symbols folder, zips both, and builds the consumer example
# against that installed tree (never against the build tree).
# Usage: package_tree <x64|x86>   (sets PACKAGE_DIR, PACKAGE_ZIP and SYMBOLS_ZIP)
#        consumer_build <x64|x86> <installed tree>   (sets CONSUMER_EXE)

# The configure preset and toolchain of each architecture.
package_preset() { [[ $1 == x86 ]] && echo x86 || echo release; }
package_toolchain() { [[ $1 == x86 ]] && echo mingw32 || echo mingw64; }
package_triple() { [[ $1 == x86 ]] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32; }

# Moves the debug information of the suite's DLLs in <tree>/bin into <symbols>/bin/<dll>.debug
# and leaves each DLL stripped, with a link naming its debug file (checked by its checksum), so
# that a debugger finds the file once it lies beside the DLL.
split_symbols() {
  local arch=$1 tree=$2 symbols=$3 objcopy dll
  objcopy=$(package_triple "$arch")-objcopy
  mkdir -p "$symbols/bin"
  for dll in tarnUtil BaseKit EventLog; do
    "$objcopy" --only-keep-debug "$tree/bin/$dll.dll" "$symbols/bin/$dll.dll.debug"
    (cd "$symbols/bin" && "$objcopy" --strip-all --add-gnu-debuglink="$dll.dll.debug" \
      "$tree/bin/$dll.dll")
  done
}

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
  SYMBOLS_ZIP="$PACKAGE_DIR-symbols.zip"
  # The symbols zip unpacks over the package: its files land beside the DLLs.
  local symbols="$root/build/package/symbols-$arch/$(basename "$PACKAGE_DIR")"
  rm -rf "$PACKAGE_DIR" "$PACKAGE_ZIP" "$SYMBOLS_ZIP" "$(dirname "$symbols")"
  cmake --install "$build" --prefix "$PACKAGE_DIR" >/dev/null
  split_symbols "$arch" "$PACKAGE_DIR" "$symbols"
  (cd "$(dirname "$PACKAGE_DIR")" && zip -qr "$PACKAGE_ZIP" "$(basename "$PACKAGE_DIR")")
  (cd "$(dirname "$symbols")" && zip -qr "$SYMBOLS_ZIP" "$(basename "$symbols")")
  echo "package: $PACKAGE_ZIP"
  echo "symbols: $SYMBOLS_ZIP"
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
