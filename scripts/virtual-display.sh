# Sourced by the measuring scripts. Starts Xvfb when it is installed, so the app renders as on a
# desktop, and falls back to Qt's offscreen platform otherwise. Sets platform, and xvfb_pid when
# Xvfb runs (the caller's clean-up stops it).
start_virtual_display() {
    platform=offscreen
    command -v Xvfb >/dev/null || return 0
    local display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    export DISPLAY="$display"
    platform=xcb
}
