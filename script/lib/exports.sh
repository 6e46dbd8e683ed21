# Sourced by the scripts: the export tables of the shipped DLLs against the checked-in lists
# tarnUtil/exports/<x64|x86>.txt. Every program of the suite binds to these DLLs by export name,
# so a lost or renamed export (a changed signature changes the C++ name) breaks them at load.
# List format: a line "[<dll>]" opens a DLL's section; below it one exported name a line, sorted
# (C locale), a data export followed by " DATA"; lines starting with "#" are comments.
# Usage: exports_check <x64|x86> <folder with the DLLs>   (non-zero and a report on a difference)
#        exports_write <x64|x86> <folder with the DLLs>   (rewrites the list from the DLLs)

EXPORTS_DLLS=(BaseKit.dll EventLog.dll tarnUtil.dll)

exports_list() { echo "$root/tarnUtil/exports/$1.txt"; }
exports_objdump() { [[ $1 == x86 ]] && echo i686-w64-mingw32-objdump || echo x86_64-w64-mingw32-objdump; }

# One DLL's exported names, sorted; an export whose address lies outside every code section is
# data. The section table comes first so that the code ranges are known when the names arrive.
exports_of_dll() {
  local objdump=$1 dll=$2
  { "$objdump" -h "$dll" && "$objdump" -p "$dll"; } | awk '
    function hex(text,   i, value) {
      value = 0
      text = tolower(text)
      for (i = 1; i <= length(text); i++)
        value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
      return value
    }
    /^ *[0-9]+ [^ ]+ +[0-9a-f]+ +[0-9a-f]+ / { size = hex($3); vma = hex($4); next }
    /^ +CONTENTS.*CODE/ { codeStart[++codeSections] = vma; codeEnd[codeSections] = vma + size }
    /^ImageBase/ { imageBase = hex($2) }
    # "\t[ slot] ..." lines: the slot is the export address table index.
    function slot(line) { sub(/^\t\[ */, "", line); sub(/\].*/, "", line); return line + 0 }
    /Export RVA$/ { address[slot($0)] = imageBase + hex($(NF - 2)) }
    /^\[Ordinal\/Name Pointer\] Table/ { inNames = 1; next }
    inNames && /^\t\[/ {
      name = $0
      sub(/^\t\[ *[0-9]+\] /, "", name)
      at = address[slot($0)]
      code = 0
      for (i = 1; i <= codeSections; i++)
        if (at >= codeStart[i] && at < codeEnd[i]) code = 1
      print code ? name : name " DATA"
      next
    }
    inNames { inNames = 0 }
  ' | LC_ALL=C sort
}

# Every DLL's section, in the list's own form.
exports_of_build() {
  local arch=$1 bin=$2 dll objdump
  objdump=$(exports_objdump "$arch")
  for dll in "${EXPORTS_DLLS[@]}"; do
    [[ -f $bin/$dll ]] || { echo "exports: $bin/$dll is missing" >&2; return 1; }
    echo "[$dll]"
    exports_of_dll "$objdump" "$bin/$dll"
  done
}

# Each name prefixed with its DLL, so that a name moving between DLLs counts as a change.
exports_qualified() {
  awk '/^#/ || NF == 0 { next } /^\[/ { dll = $0; next } { print dll " " $0 }' | LC_ALL=C sort
}

exports_check() {
  local arch=$1 bin=$2 list built expected added removed
  list=$(exports_list "$arch")
  built=$(exports_of_build "$arch" "$bin" | exports_qualified) || return 1
  expected=$(exports_qualified <"$list")
  added=$(LC_ALL=C comm -13 <(echo "$expected") <(echo "$built"))
  removed=$(LC_ALL=C comm -23 <(echo "$expected") <(echo "$built"))
  if [[ -z $added && -z $removed ]]; then
    echo "exports: $arch matches ${list#"$root/"}"
    return 0
  fi
  echo "exports: the $arch DLLs in $bin differ from ${list#"$root/"}" >&2
  exports_report removed "$removed"
  exports_report added "$added"
  echo "A new export is one more line in the list (script/check-exports --write $arch)." >&2
  echo "A removed or changed one breaks every program bound to it: only a new major version" >&2
  echo "may drop it, and the list then says so." >&2
  return 1
}

# Lists names with their readable C++ form.
exports_report() {
  local what=$1 lines=$2 dll name rest
  [[ -z $lines ]] && return 0
  while read -r dll name rest; do
    printf '  %-8s %s %s%s  (%s)\n' "$what" "$dll" "$name" "${rest:+ $rest}" \
      "$(x86_64-w64-mingw32-c++filt "$name")" >&2
  done <<<"$lines"
}

exports_write() {
  local arch=$1 bin=$2 list table
  list=$(exports_list "$arch")
  table=$(exports_of_build "$arch" "$bin") || return 1
  {
    echo "# Exported names of the shipped $arch DLLs: one sorted name a line below its DLL, data"
    echo "# exports marked DATA. script/test fails when a built DLL differs (script/check-exports)."
    echo "$table"
  } >"$list"
  echo "exports: wrote ${list#"$root/"}"
}
