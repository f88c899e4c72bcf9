# Sourced by run.sh and test.sh: installs what is missing, builds the cross
# build ($DAYGLASS_BUILD_DIR, default build/cross) and enters its Wine
# environment. Sets root and build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
build=${DAYGLASS_BUILD_DIR:-$root/build/cross}
case $build in /*) ;; *) build=$root/$build ;; esac
export DAYGLASS_BUILD_DIR=$build
bash "$root/scripts/build.sh"
bash "$root/tests/support/setup_wine_prefix.sh" "$build"
. "$root/tests/support/wine_env.sh" "$build"
