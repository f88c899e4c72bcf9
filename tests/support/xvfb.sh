# Sourced: starts a private Xvfb on a free display, exports DISPLAY and
# XVFB_PID. Stop it with: kill "$XVFB_PID".
dayglass_display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dayglass_display_file" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 200); do
  [ -s "$dayglass_display_file" ] && break
  sleep 0.05
done
export DISPLAY=":$(head -n1 "$dayglass_display_file")"
rm -f "$dayglass_display_file"
