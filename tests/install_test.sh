#!/usr/bin/env bash
# Installs the build into a scratch prefix and uses it the ways a user would:
# the example program of the README built with find_package and with
# pkg-config, every public header compiled on its own, and the installed
# programs started. With "deb", builds the Debian package instead and does
# the same with its unpacked contents.
#
#   install_test.sh BUILD_DIR SOURCE_DIR [deb]
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$2")
mode=${3:-install}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ "$mode" = deb ]; then
  (cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >cpack.log) || { cat "$work/cpack.log"; exit 1; }
  package=$(ls "$work"/zemrath_*.deb)
  listing=$(dpkg-deb -c "$package")
  for path in ./usr/bin/zemrath ./usr/bin/zemrath-ensemble ./usr/bin/zemrath-sweep ./usr/bin/zemrath-explore ./usr/include/zemrath/zemrath.hpp \
              ./usr/include/zemrath/version.hpp ./usr/lib/libzemrath.a ./usr/lib/cmake/zemrath/zemrathConfig.cmake \
              ./usr/lib/pkgconfig/zemrath.pc; do
    grep -q " $path\$" <<<"$listing" || { echo "the package lacks $path"; echo "$listing"; exit 1; }
  done
  [ "$(dpkg-deb -f "$package" Package)" = zemrath ] || { echo "wrong package name"; exit 1; }
  [ "$(dpkg-deb -f "$package" Description | wc -l)" -gt 5 ] || { echo "the package describes itself in one line"; exit 1; }
  dpkg-deb -x "$package" "$work/unpacked"
  prefix="$work/unpacked/usr"
else
  cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
  prefix="$work/prefix"
fi

# The programs answer --version with the project version.
version=$(sed -n 's/^project(zemrath VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ "$("$prefix/bin/zemrath" --version)" = "zemrath $version" ]
[ "$("$prefix/bin/zemrath-ensemble" --version)" = "zemrath-ensemble $version" ]
[ "$("$prefix/bin/zemrath-sweep" --version)" = "zemrath-sweep $version" ]
[ "$("$prefix/bin/zemrath-explore" --version)" = "zemrath-explore $version" ]

# A manual page for every program, which man finds and shows, and the
# documentation with the copyright.
for program in zemrath zemrath-ensemble zemrath-sweep zemrath-explore; do
  page="$prefix/share/man/man1/$program.1"
  grep -q '^\.TH ' "$page" || { echo "no manual page $page"; exit 1; }
  shown=$(MANPATH="$prefix/share/man" MANWIDTH=100 man -P cat "$program" 2>/dev/null) ||
    { echo "man does not show $program"; exit 1; }
  grep -q -- "--version" <<<"$shown" || { echo "the manual page of $program lacks its options"; exit 1; }
done
for file in README.md copyright zemrath-sweep.sbatch examples/answers.txt examples/sweep-example/experiment.toml \
            examples/sweep-example/answers.txt; do
  [ -s "$prefix/share/doc/zemrath/$file" ] || { echo "share/doc/zemrath lacks $file"; exit 1; }
done
grep -q '^License: MIT$' "$prefix/share/doc/zemrath/copyright" || { echo "the copyright names no licence"; exit 1; }

# The README shows the example program exactly as it is compiled here.
example="$source_dir/examples/library/main.cpp"
sed -n '/<!-- example:begin -->/,/<!-- example:end -->/p' "$source_dir/README.md" | sed '1,2d;$d' | sed '$d' >"$work/readme_example.cpp"
diff -u "$example" "$work/readme_example.cpp" || { echo "README example differs from $example"; exit 1; }

expected_start="generation 10: "
check_output() {
  local output
  output=$("$1")
  grep -q "^$expected_start" <<<"$output" || { echo "unexpected output of $1:"; echo "$output"; exit 1; }
  grep -q "^streams: 1000, extinct by generation 50: [0-9]*, median adults: [0-9.]*$" <<<"$output" ||
    { echo "no summary from $1"; exit 1; }
}

# find_package(zemrath CONFIG), with no flags of the project's own.
cmake -S "$source_dir/examples/library" -B "$work/example-cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/example-cmake" >/dev/null
check_output "$work/example-cmake/example"

# pkg-config.
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ $(pkg-config --cflags zemrath) -O2 "$example" -o "$work/example-pc" $(pkg-config --libs zemrath)
check_output "$work/example-pc"

# Every public header compiles on its own, warning-free.
for header in "$prefix"/include/zemrath/*.hpp; do
  echo "#include <zemrath/$(basename "$header")>" |
    g++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$prefix/include" -x c++ - ||
    { echo "$(basename "$header") does not compile on its own"; exit 1; }
done
echo "installed tree works ($mode)"
