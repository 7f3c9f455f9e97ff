#!/usr/bin/env bash
# Makes the Debian packages from the normal build in build/ (built first if needed) with
# `cpack -G DEB`, then checks them as a host engineer meets them: from the packages alone,
# unpacked into an empty directory, with the example they ship copied out on its own.
#   - each package holds what it should and depends on the packages it needs;
#   - libraries have versioned SONAMEs (lib*.so.N), the unversioned links only in qzlv2-dev;
#   - every ELF file is stripped, its debug info in a -dbgsym package (by build id);
#   - run paths are $ORIGIN-relative, and every library of the plug-in and the programs
#     resolves (ours from the unpacked tree);
#   - every installed header compiles through the pkg-config files; the CMake package has no
#     path of this machine's build;
#   - the example builds with CMake (find_package) and with pkg-config, and both builds, the
#     installed minimal host and `qzlv2 watch --once` run and print what they should.
# Exits 1 at the first failed check, naming it.
#   scripts/package.sh          packages in build/*.deb, debug info in build/*.ddeb
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  echo "scripts/package.sh: takes no arguments" >&2
  exit 2
fi
scripts/install-deps.sh

runtime_pkgs=(libqzlv2-host1 libqzlv2-simserver1 qzlv2-plugin qzlv2-demo)
book_line='^SH600000 prev close 10\.52 buy 1 [0-9]+\.[0-9][0-9] x [1-9][0-9]* shares$'

fail() {
  echo "scripts/package.sh: $*" >&2
  exit 1
}

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target qzlv2 qzlv2-gui qzlv2-server qzlv2-minimal-host QzLv2Quoter \
  QzSimServer
rm -f build/*.deb build/*.ddeb
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log >&2; fail "cpack failed"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
debug=$work/debug
mkdir "$root" "$debug"

deb() { ls build/"$1"_*.deb 2>/dev/null | head -1; }

# What each package holds and needs.
for p in "${runtime_pkgs[@]}" qzlv2-dev; do
  [ -n "$(deb "$p")" ] || fail "no package $p"
done
for p in "${runtime_pkgs[@]}"; do
  ls build/"$p"-dbgsym_*.ddeb >/dev/null 2>&1 || fail "no debug-info package $p-dbgsym"
done
depends_on() {  # package, packages it must depend on
  local pkg=$1 depends
  depends=$(dpkg-deb -f "$(deb "$pkg")" Depends)
  shift
  for d in "$@"; do
    [[ ",$depends," =~ [,\ ]$d[\ ,] ]] || fail "$pkg does not depend on $d: $depends"
  done
}
depends_on qzlv2-plugin libqzlv2-host1 libqt5core5a libc6
depends_on libqzlv2-simserver1 libqzlv2-host1
depends_on qzlv2-dev libqzlv2-host1 libqzlv2-simserver1 qtbase5-dev
depends_on qzlv2-demo qzlv2-plugin libqzlv2-simserver1 libqzlv2-host1 libqt5widgets5 libqwt-qt5-6
for p in "${runtime_pkgs[@]}"; do
  if dpkg-deb -c "$(deb "$p")" | grep -E '/include/|/cmake/|\.pc$|/qzlv2/lib[^/]*\.so( |$)'; then
    fail "$p holds development files (above); they belong in qzlv2-dev"
  fi
done

for p in "${runtime_pkgs[@]}" qzlv2-dev; do
  dpkg-deb -x "$(deb "$p")" "$root"
done
for d in build/*.ddeb; do
  dpkg-deb -x "$d" "$debug"
done

# Libraries, run paths, stripping, debug info.
libdir=$(realpath "$root/usr/lib/qzlv2")
elves=()
while IFS= read -r -d '' f; do
  readelf -h "$f" >/dev/null 2>&1 && elves+=("$f")
done < <(find "$root" -type f -print0)
[ ${#elves[@]} -ge 8 ] || fail "only ${#elves[@]} ELF files unpacked"
for f in "${elves[@]}"; do
  name=${f#"$root"}
  sections=$(readelf -S --wide "$f")
  if grep -qE '\.symtab|\.debug_' <<<"$sections"; then
    fail "$name is not stripped"
  fi
  id=$(readelf -n "$f" | sed -n 's/^ *Build ID: *//p')
  [ -f "$debug/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ] ||
    fail "$name: no debug info for build id '$id' in the -dbgsym packages"
  while read -r path; do
    [[ $path == '$ORIGIN'* ]] || fail "$name has the run path $path"
  done < <(readelf -d "$f" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p' | tr ':' '\n')
done
for lib in QzCore Tolk QzAccess QzQuoter QzSimServer; do
  file=$(ls "$libdir"/lib$lib.so.*.* 2>/dev/null | head -1)
  [ -n "$file" ] || fail "no lib$lib.so.N.N in the runtime packages"
  soname=$(readelf -d "$file" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
  [[ $soname =~ ^lib$lib\.so\.[0-9]+$ ]] || fail "lib$lib has the SONAME '$soname'"
  [ "$(readlink -f "$libdir/$soname")" = "$file" ] || fail "$soname does not lead to $file"
  [ "$(readlink -f "$libdir/lib$lib.so")" = "$file" ] || fail "lib$lib.so does not lead to $file"
done
check_ldd() {  # an ELF file: nothing missing, ours from the root
  local out name path
  out=$(ldd "$1") || fail "ldd $1 failed"
  if grep -q 'not found' <<<"$out"; then
    fail "${1#"$root"} misses libraries: $(grep 'not found' <<<"$out" | tr -s ' \t\n' ' ')"
  fi
  while read -r name path; do
    [ "$(dirname "$(realpath "$path")")" = "$libdir" ] ||
      fail "${1#"$root"} takes $name from $path, outside the packages"
  done < <(sed -n 's/^\s*\(lib\(Qz[A-Za-z]*\|Tolk\)\.so[.0-9]*\) => \(\S*\).*/\1 \3/p' <<<"$out")
}
check_ldd "$libdir/plugins/libQzLv2Quoter.so"
for program in "$root"/usr/bin/*; do
  check_ldd "$program"
done

# Headers and pkg-config.
export PKG_CONFIG_PATH=$root/usr/lib/pkgconfig
pkg-config --exists --print-errors QzLv2Quoter QzSimServer || fail "pkg-config cannot resolve the .pc files"
[ -f "$(pkg-config --variable=plugindir QzLv2Quoter)/libQzLv2Quoter.so" ] ||
  fail "the plugindir of QzLv2Quoter.pc holds no plug-in"
mapfile -t pc_flags < <(pkg-config --cflags --libs QzSimServer | tr ' ' '\n' | grep .)
(cd "$root/usr/include/qzlv2" && find . -name '*.h' | sort | sed 's|^\./\(.*\)|#include "\1"|') \
  >"$work/all-headers.cpp"
diff <(cd host && find . -name '*.h' | sort) <(cd "$root/usr/include/qzlv2/host" && find . -name '*.h' | sort) ||
  fail "qzlv2-dev does not hold the host headers as they are in host/ (above: < missing, > extra)"
g++ -std=c++17 -fPIC -fsyntax-only "${pc_flags[@]}" "$work/all-headers.cpp" ||
  fail "the installed headers do not compile on their own"
if grep -rn "$PWD" "$root/usr/lib/cmake" "$root/usr/lib/pkgconfig"; then
  fail "the CMake package or the .pc files name this build (above)"
fi

# The example as qzlv2-dev ships it, on its own: with CMake, and with pkg-config.
shipped=$root/usr/share/doc/qzlv2-dev/examples/minimal-host
diff -r examples/minimal-host "$shipped" || fail "qzlv2-dev does not ship examples/minimal-host as it is"
cp -r "$shipped" "$work/minimal-host"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$work/minimal-host" -B "$work/build-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$root/usr" "${launcher[@]}" >"$work/cmake.log" ||
  { cat "$work/cmake.log" >&2; fail "the example does not configure against the packages"; }
cmake --build "$work/build-cmake" >>"$work/cmake.log" ||
  { cat "$work/cmake.log" >&2; fail "the example does not build against the packages"; }
g++ -std=c++17 -fPIC -O1 "$work/minimal-host/main.cpp" "${pc_flags[@]}" -o "$work/pc-host" ||
  fail "the example does not build with pkg-config"

run_book() {  # a program and its arguments: one book line on stdout
  local out
  out=$("$@") || fail "$* exited $?"
  grep -E "$book_line" <<<"$out" || fail "$* printed '$out', no book line"
}
run_book "$work/build-cmake/qzlv2-minimal-host" "$libdir/plugins"
run_book "$work/pc-host" "$libdir/plugins" >/dev/null
run_book "$root/usr/bin/qzlv2-minimal-host" >/dev/null
"$root/usr/bin/qzlv2" watch SZ300750 --once --timeout 60 >/dev/null || fail "qzlv2 watch --once failed"
shot=$work/qzlv2-gui.png
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen "$root/usr/bin/qzlv2-gui" SZ300750 --seconds 3 \
  --screenshot "$shot" 2>/dev/null || fail "qzlv2-gui --seconds 3 failed"
[ -s "$shot" ] || fail "qzlv2-gui wrote no screenshot"
echo "packages: $(cd build && ls *.deb *.ddeb | tr '\n' ' ')"
