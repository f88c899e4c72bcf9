# Sourced: the Wine environment of one build directory ($1).
# A prefix per build directory keeps test runs of different builds apart.
export WINEPREFIX="$1/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# Wine's temporary folder, the user's %TEMP%, as a Linux path.
dayglass_wine_temp() { echo "$WINEPREFIX/drive_c/users/$(id -un)/Temp"; }
