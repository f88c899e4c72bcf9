# Sourced: the Wine environment of one build directory ($1).
# A prefix per build directory keeps test runs of different builds apart;
# DAYGLASS_DPI (for example 144) selects a second prefix at that DPI, since
# Wine cannot change the DPI of a running prefix, and DAYGLASS_FAKE_TIME one
# whose server runs on a fake clock (see wine_run.sh).
export WINEPREFIX="$1/wineprefix${DAYGLASS_DPI:+-$DAYGLASS_DPI}${DAYGLASS_FAKE_TIME:+-clock}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# Present once the prefix is complete; a new name rebuilds older prefixes.
dayglass_prefix_ready="$WINEPREFIX/.dayglass-ready-3"
# Wine's temporary folder, the user's %TEMP%, as a Linux path.
dayglass_wine_temp() { echo "$WINEPREFIX/drive_c/users/$(id -un)/Temp"; }
