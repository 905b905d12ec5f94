#!/usr/bin/env bash
# End-to-end runs of the real program on a virtual X server with the built-in test scene, driven
# by the keyboard and the mouse as a user would, with the recorded AVI checked by ffprobe and
# ffmpeg.
#
#   kinoree_e2e.sh PROGRAM SCENARIO
#
# Each run has its own X server (on a free display number) and its own home folder, where the
# capture file lands. Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

program=$1
scenario=$2

for tool in Xvfb xdotool ffprobe ffmpeg; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
        import -window root "$work/failure.png" 2>/dev/null && cp "$work/failure.png" "/tmp/kinoree-e2e-$scenario.png" &&
            echo "screen at the failure: /tmp/kinoree-e2e-$scenario.png" >&2
    fi
    if [ -n "$app_pid" ] && ! kill -0 "$app_pid" 2>/dev/null; then
        wait "$app_pid" && echo "the program had ended" >&2 || echo "the program had ended with status $?" >&2
    fi
    [ -f "$work/app.log" ] && sed 's/^/program: /' "$work/app.log" >&2
    exit 1
}

# --- the X server and the program -------------------------------------------------------------

# Starts a server on a free display. Xvfb takes the display's lock file itself and gives up when
# another server holds it, so racing runs each end up with a display of their own.
start_x() {
    local display
    for display in $(shuf -i 100-999 -n 40); do
        [ -e "/tmp/.X$display-lock" ] && continue
        # -noreset: the server would otherwise restart when its last client (the check below)
        # leaves, and refuse the program that connects in that moment.
        Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 300); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            if [ "$(tr -d ' ' <"/tmp/.X$display-lock" 2>/dev/null)" = "$xvfb_pid" ] &&
                DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=":$display"
                return 0
            fi
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    done
    sed 's/^/Xvfb: /' "$work/xvfb.log" >&2
    fail "no X server could be started"
}

start_program() {
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
    export KINOREE_CAPTURE_DEVICE=test
    mkdir -p "$HOME/Videos" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    "$program" >"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(wait_for_window --name 'Kinoree Version 2.0 By Orvane') || fail "the main dialog did not open"
    read -r win_x win_y win_w win_h < <(xdotool getwindowgeometry --shell "$main" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
}

capture_file() { echo "$HOME/Videos/Capture.avi"; }

# Waits for a visible window matching the xdotool search and prints its id. The wait is long:
# a loaded machine may take its time to start the program or to show a box.
wait_for_window() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible "$@" 2>/dev/null | head -n1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Message boxes are titled with the application's name.
message_box() { wait_for_window --name '^KinoreeV2$'; }
no_message_box() { ! xdotool search --onlyvisible --name '^KinoreeV2$' >/dev/null 2>&1; }

# Answers the message box that must now be open: Return presses OK, Escape Cancel.
answer_box() {
    local box
    box=$(message_box) || fail "expected a message box ($1)"
    xdotool windowfocus --sync "$box" key "$2"
    for _ in $(seq 300); do
        no_message_box && return 0
        sleep 0.1
    done
    fail "the message box stayed open ($1)"
}

wait_for_exit() {
    for _ in $(seq 150); do
        kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid" || true; app_pid=""; return 0; }
        sleep 0.1
    done
    fail "the program did not end"
}

# --- input --------------------------------------------------------------------------------------

focus_main() { xdotool windowfocus --sync "$main"; }
keys() { focus_main; xdotool key --delay 20 "$@"; }

# Clicks the middle of a control given by its dialog-unit rectangle (the template's 345 by 232
# units). The width fixes the horizontal unit exactly; the vertical unit is the dialog font's
# usual 13 to 14 ratio of it, counted up from the bottom edge (the menu bar is above the client
# area), so the estimate errs least for the controls near the bottom.
click_control() {
    local x=$1 y=$2 w=$3 h=$4 px py
    px=$(awk -v x="$x" -v w="$w" -v W="$win_w" 'BEGIN{printf "%d", (x + w / 2) * W / 345}')
    py=$(awk -v y="$y" -v h="$h" -v W="$win_w" -v H="$win_h" \
        'BEGIN{u = W / 345 * 13 / 14; printf "%d", H - (232 - y - h / 2) * u}')
    xdotool mousemove $((win_x + px)) $((win_y + py)) click 1
    sleep 0.3
}
click_capture() { click_control 21 170 89 19; }
click_stop() { click_control 117 170 83 19; }
click_quit() { click_control 281 209 57 16; }
click_video_settings() { click_control 221 110 109 22; }

# The title of a window, waited for until it matches (an extended regular expression).
wait_for_title() {
    local window=$1 pattern=$2
    for _ in $(seq 300); do
        xdotool getwindowname "$window" 2>/dev/null | grep -Eq "$pattern" && return 0
        sleep 0.05
    done
    fail "the window's title stayed \"$(xdotool getwindowname "$window")\", not $pattern"
}

# --- the recorded file --------------------------------------------------------------------------

# Frames in the file, counted by decoding them.
frames_in() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}
# The frame rate the file carries, rounded to whole frames per second.
rate_of() {
    ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate,avg_frame_rate -of csv=p=0 "$1" |
        awk -F'[,/]' '{r = $1 / $2; a = $3 / $4; if (int(r + 0.5) != int(a + 0.5)) print "mismatch"; else printf "%d\n", r + 0.5}'
}

# The file holds exactly n different frames at the given rate, and decodes without an error.
check_video() {
    local file=$1 n=$2 rate=$3 frames distinct
    [ -f "$file" ] || fail "no capture file at $file"
    ffmpeg -v error -xerror -i "$file" -f null - || fail "ffmpeg cannot decode $file"
    frames=$(frames_in "$file")
    [ "$frames" = "$n" ] || fail "$file holds $frames frames, not $n"
    [ "$(rate_of "$file")" = "$rate" ] || fail "$file plays at $(rate_of "$file") frames per second, not $rate"
    # Every press took a new picture: the test scene stamps each one with its number.
    distinct=$(ffmpeg -v error -i "$file" -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}' | sort -u | wc -l)
    [ "$distinct" = "$n" ] || fail "$file holds $distinct different frames, not $n"
    echo "ok: $file has $n frames at $rate fps"
}

# --- scenarios ----------------------------------------------------------------------------------

# Four frames by mouse at the default rate, then Stop /  Save confirmed.
mouse_recording() {
    for _ in 1 2 3 4; do click_capture; done
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 4 15
    keys Escape
    wait_for_exit
}

# The keyboard only: the rate raised past its top in the rate box, frames taken with Space and
# Enter on the focused button, the stop confirmed with Enter.
keyboard_recording() {
    # The focus starts on Quit; nine tabs reach the rate box, eight back reach the capture button.
    keys $(printf 'Tab %.0s' $(seq 9))
    keys $(printf 'Up %.0s' $(seq 50))
    keys $(printf 'shift+Tab %.0s' $(seq 8))
    keys space
    keys Return
    sleep 0.5
    # The other Video Controls are disabled now: the next tab stop is Stop /  Save.
    keys Tab space
    answer_box "stop and save" Return
    check_video "$(capture_file)" 2 60

    # From Stop /  Save, seven tabs reach the rate box again; the rate goes down past its bottom.
    keys $(printf 'Tab %.0s' $(seq 7))
    keys $(printf 'Down %.0s' $(seq 70))
    keys $(printf 'shift+Tab %.0s' $(seq 8))
    keys space
    answer_box "replace the saved video" Return
    keys Tab space
    answer_box "stop and save" Return
    check_video "$(capture_file)" 1 1
    keys Escape
    wait_for_exit
}

# A second recording asks before it replaces the first: Cancel keeps it, OK replaces it.
replace_question() {
    click_capture
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 2 15
    local first
    first=$(md5sum <"$(capture_file)")

    click_capture
    answer_box "replace the saved video" Escape
    [ "$(md5sum <"$(capture_file)")" = "$first" ] || fail "the saved video changed although replacing it was declined"

    click_capture
    answer_box "replace the saved video" Return
    # Within the recording nothing more is asked.
    click_capture
    no_message_box || fail "a message box came within the recording"
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 3 15
    keys Escape
    wait_for_exit
}

# Escape ends the program at once, in the middle of a recording; the file is still complete.
escape_during_recording() {
    for _ in 1 2 3; do click_capture; done
    sleep 0.5
    keys Escape
    wait_for_exit
    no_message_box || fail "Escape asked a question"
    check_video "$(capture_file)" 3 15
}

# Quit in the middle of a recording confirms, then finishes the file.
quit_during_recording() {
    for _ in 1 2 3; do click_capture; done
    click_quit
    answer_box "quit" Return
    wait_for_exit
    check_video "$(capture_file)" 3 15
}

# Video Settings turns the onion skin on and opens the large view; frames are captured with it
# open, and its own keys play the take, looping until stopped, then once to its end; after
# Stop /  Save the finished recording plays. What the views draw never reaches the file.
large_view_playback() {
    click_video_settings
    local dialog large
    dialog=$(wait_for_window --name '^Video Display$') || fail "Video Settings opened no dialog"
    xdotool windowfocus --sync "$dialog" key --delay 50 alt+f Down alt+s
    large=$(wait_for_window --name '^Large View$') || fail "the large view did not open"
    xdotool windowfocus --sync "$dialog" key Return
    # Below the main dialog, where the screen has room for both.
    xdotool windowmove --sync "$large" 0 380 windowsize --sync "$large" 860 380
    focus_main
    for _ in 1 2 3; do click_capture; done
    [ -n "${KINOREE_E2E_SHOTS:-}" ] && import -window root "$KINOREE_E2E_SHOTS/large_view.png"

    xdotool windowfocus --sync "$large" key alt+p p
    wait_for_title "$large" 'playing the take'
    sleep 0.5
    xdotool getwindowname "$large" | grep -q 'playing the take' || fail "the looping take stopped by itself"
    xdotool windowfocus --sync "$large" key p
    wait_for_title "$large" '^Large View$'
    xdotool windowfocus --sync "$large" key alt+p p
    wait_for_title "$large" 'playing the take'
    wait_for_title "$large" '^Large View$'

    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 3 15
    xdotool windowfocus --sync "$large" key p
    wait_for_title "$large" 'playing the take'
    wait_for_title "$large" '^Large View$'
    keys Escape
    wait_for_exit
}

start_x
start_program
"$scenario"
echo "PASS: $scenario"
