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
second_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$second_pid" ] && kill "$second_pid" 2>/dev/null || true
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
    # KINOREE_E2E_HOME: a home folder of the caller's, for a run whose paths show on screen.
    export HOME="${KINOREE_E2E_HOME:-$work/home}"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_RUNTIME_DIR="$work/run"
    export KINOREE_CAPTURE_DEVICE=test
    mkdir -p "$HOME/Videos" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # A scenario may prepare the home folder and the camera first, in its before_SCENARIO.
    if declare -F "before_$scenario" >/dev/null; then "before_$scenario"; fi
    "$program" >"$work/app.log" 2>&1 &
    app_pid=$!
    # Without a camera the program says so before its dialog opens.
    if [ -n "${startup_box:-}" ]; then answer_box "$startup_box" Return; fi
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

# How many windows of the program show; a menu popping up is one more.
program_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
more_program_windows_than() { [ "$(program_windows)" -gt "$1" ]; }

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

# Waits until the command succeeds, failing with $1 when it never does.
poll_until() {
    local what=$1
    shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}

# The command keeps succeeding for half a second, checked as it goes; fails with $1 when it stops.
keeps_holding() {
    local what=$1
    shift
    for _ in $(seq 5); do
        "$@" || fail "$what"
        sleep 0.1
    done
}

# --- input --------------------------------------------------------------------------------------

focus_main() { xdotool windowfocus --sync "$main"; }
keys() { focus_main; xdotool key --delay 20 "$@"; }

# Clicks the middle of a control given by its dialog-unit rectangle (the template's 345 by 232
# units). The width fixes the horizontal unit exactly; the vertical unit is the dialog font's
# usual 13 to 14 ratio of it, counted up from the bottom edge (the menu bar is above the client
# area), so the estimate errs least for the controls near the bottom.
click_control() {
    local x=$1 y=$2 w=$3 h=$4 clicks=${5:-1} px py
    px=$(awk -v x="$x" -v w="$w" -v W="$win_w" 'BEGIN{printf "%d", (x + w / 2) * W / 345}')
    py=$(awk -v y="$y" -v h="$h" -v W="$win_w" -v H="$win_h" \
        'BEGIN{u = W / 345 * 13 / 14; printf "%d", H - (232 - y - h / 2) * u}')
    xdotool mousemove $((win_x + px)) $((win_y + py)) click --repeat "$clicks" --delay 100 1
    sleep 0.3
}
click_capture() { click_control 21 170 89 19; }
click_stop() { click_control 117 170 83 19; }
click_quit() { click_control 281 209 57 16; }
click_video_settings() { click_control 221 110 109 22; }

# Whether the title of a window matches (an extended regular expression).
title_says() { xdotool getwindowname "$1" 2>/dev/null | grep -Eq "$2"; }
# The title of a window, waited for until it matches.
wait_for_title() {
    local window=$1 pattern=$2
    for _ in $(seq 300); do
        xdotool getwindowname "$window" 2>/dev/null | grep -Eq "$pattern" && return 0
        sleep 0.05
    done
    fail "the window's title stayed \"$(xdotool getwindowname "$window")\", not $pattern"
}

click_source() { click_control 221 84 109 22; }
click_video_format() { click_control 221 159 109 22; }

# Types into the driver dialog titled $1, which must now be open, and waits for it to close.
in_dialog() {
    local title=$1 dialog
    shift
    dialog=$(wait_for_window --name "^$title\$") || fail "the $title dialog did not open"
    xdotool windowfocus --sync "$dialog" key --delay 100 "$@"
    wait_until_closed "^$title\$" "the $title dialog"
}

# Waits until no visible window's name matches $1; fails naming it ($2) when one stays open.
wait_until_closed() {
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "$2 stayed open"
}

# The text of a read-only box, taken as a user copies it: a triple click selects all of it.
box_text() {
    command -v xclip >/dev/null || { echo "SKIP: xclip is not installed"; exit 77; }
    click_control "$@" 3
    xclip -o -selection primary 2>/dev/null || true
}
status_text() { box_text 46 194 292 14; }
frames_text() { box_text 288 37 41 14; }
status_says_no_frame() { [[ $(status_text) == "No frame was captured. "* ]]; }
file_name_text() { box_text 46 211 234 14; }
# Waits until the box (read by the given function) says what it should: the dialog takes no
# clicks until a file dialog or message box before has fully let go of it.
expect_text() {
    local name=$1 read=$2 expected=$3 text=""
    for _ in $(seq 30); do
        text=$("$read")
        [ "$text" = "$expected" ] && return 0
        sleep 0.2
    done
    fail "the $name box says '$text', not '$expected'"
}

# File > Set Capture File, with the path typed into the file dialog. The menu bar is the top of
# the window; its first item is File.
set_capture_file() {
    local dialog
    focus_main
    local windows
    windows=$(program_windows)
    xdotool mousemove $((win_x + 19)) $((win_y + 8)) click 1
    poll_until "the File menu did not open" more_program_windows_than "$windows"
    xdotool key Down Return
    dialog=$(wait_for_window --name '^Save Dovarederu Video as') || fail "the file dialog did not open"
    xdotool windowfocus --sync "$dialog" type --delay 10 "$1"
    xdotool key Return
    wait_until_closed '^Save Dovarederu Video as' "the file dialog"
}

# --- the recorded file --------------------------------------------------------------------------

# A short video of n frames made by FFmpeg, standing for one the user saved earlier.
make_video() {
    mkdir -p "$(dirname "$1")"
    ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=15 -frames:v "$2" -c:v mjpeg -y "$1" ||
        fail "ffmpeg could not make $1"
}

# Frames in the file, counted by decoding them.
frames_in() {
    ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$1"
}
# The file holds n frames already (the recording writes each one at once).
holds_frames() { [ "$(frames_in "$1" 2>/dev/null)" = "$2" ]; }
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
    poll_until "the two frames were not recorded" holds_frames "$(capture_file)" 2
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
    poll_until "the three frames were not recorded" holds_frames "$(capture_file)" 3
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
    keeps_holding "the looping take stopped by itself" title_says "$large" 'playing the take'
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

# With no device the user picks the test scene in the Source dialog and a smaller picture in the
# Video Format dialog; the next start, with nothing chosen, has both and asks nothing.
before_settings_after_restart() {
    ls /dev/video* >/dev/null 2>&1 && { echo "SKIP: this computer has video devices"; exit 77; }
    unset KINOREE_CAPTURE_DEVICE
    if [ -z "${restarted:-}" ]; then startup_box="no capture device"; else startup_box=""; fi
}
settings_after_restart() {
    click_source
    in_dialog "Video Source" b Return
    click_video_format
    # From the format list, the next field is the picture size; its first entry is the smallest.
    in_dialog "Video Format" Tab Home Return
    click_quit
    answer_box "quit" Return
    wait_for_exit

    restarted=1
    start_program
    no_message_box || fail "the remembered test scene did not connect"
    click_capture
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 2 15
    local size
    size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$(capture_file)")
    [ "$size" = "320,240" ] || fail "the remembered picture size was not used: $size"
    keys Escape
    wait_for_exit
}

# Without a camera no frame can be taken: the video at the capture path is not offered for
# replacing, and stays whole through a press and a stop.
before_no_camera_keeps_video() {
    export KINOREE_CAPTURE_DEVICE=/dev/nonexistent
    startup_box="no capture device"
    make_video "$(capture_file)" 2
}
no_camera_keeps_video() {
    local saved
    saved=$(md5sum <"$(capture_file)")
    click_capture
    expect_text Status status_text "No frame was captured. No capture device is connected."
    no_message_box || fail "a question came although no frame can be taken"
    click_stop
    answer_box "stop and save" Return
    keys Escape
    wait_for_exit
    [ "$(md5sum <"$(capture_file)")" = "$saved" ] || fail "the saved video changed without a camera"
    check_video "$(capture_file)" 2 15
}

# The default folder cannot be made (a file is in its way), so the first press opens nothing; the
# press after choosing an existing video is a first press again and asks before replacing it.
before_failed_open_asks_again() {
    rmdir "$HOME/Videos"
    echo "not a folder" >"$HOME/Videos"
    make_video "$HOME/saved.avi" 2
}
failed_open_asks_again() {
    local saved
    saved=$(md5sum <"$HOME/saved.avi")
    click_capture
    poll_until "the Status box did not tell of the failed open" status_says_no_frame
    no_message_box || fail "a message box came for the failed open"
    set_capture_file "$HOME/saved.avi"
    expect_text "File Name" file_name_text "$HOME/saved.avi"
    click_capture
    answer_box "replace the saved video" Escape
    [ "$(md5sum <"$HOME/saved.avi")" = "$saved" ] || fail "the saved video changed although replacing it was declined"
    click_capture
    answer_box "replace the saved video" Return
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$HOME/saved.avi" 2 15
    keys Escape
    wait_for_exit
}

# A file chosen in the middle of a recording takes the frames of the next recording, not the
# rest of this one.
file_chosen_during_recording() {
    local next="$HOME/Videos/scene two.avi"
    click_capture
    click_capture
    set_capture_file "$next"
    expect_text Status status_text "The new file applies from the next recording: $next"
    expect_text "File Name" file_name_text "$(capture_file)"
    click_capture
    click_stop
    answer_box "stop and save" Return
    expect_text "File Name" file_name_text "$next"
    check_video "$(capture_file)" 3 15
    [ ! -e "$next" ] || fail "the newly chosen file was written during the recording before it"
    click_capture
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$next" 2 15
    check_video "$(capture_file)" 3 15
    keys Escape
    wait_for_exit
}

# The capture file is deleted with its folder in the middle of a recording: the next press
# writes it back, and after Stop /  Save every frame is at the path.
capture_file_deleted() {
    click_capture
    click_capture
    for _ in $(seq 100); do
        [ -s "$(capture_file)" ] && break
        sleep 0.1
    done
    [ -s "$(capture_file)" ] || fail "no capture file after two presses"
    rm -rf "$(dirname "$(capture_file)")"
    click_capture
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 4 15
    keys Escape
    wait_for_exit
}

# Makes this main dialog the one the clicks go to, raised above the other's.
use_window() {
    main=$1
    xdotool windowraise "$main"
    read -r win_x win_y win_w win_h < <(xdotool getwindowgeometry --shell "$main" |
        awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
}

# Two copies of the program on one capture file. The second may not replace the first one's
# take while it records; once that file is deleted, the second records to the freed path, and the
# first, which may not write its frames back over the second's take, keeps them and saves them
# under another name as it quits. Both takes end whole.
two_programs_one_path() {
    local first=$main second="" recovered box
    recovered="$(dirname "$(capture_file)")/Capture (recovered 1).avi"
    click_capture
    click_capture
    "$program" >"$work/second.log" 2>&1 &
    second_pid=$!
    for _ in $(seq 300); do
        second=$(xdotool search --onlyvisible --name 'Kinoree Version 2.0 By Orvane' | grep -vx "$first" | head -n1) &&
            [ -n "$second" ] && break
        sleep 0.1
    done
    [ -n "$second" ] || fail "the second program's dialog did not open"
    xdotool windowmove --sync "$second" 380 330
    use_window "$second"
    click_capture
    answer_box "the path is being recorded by another window" Return
    [ "$(frames_in "$(capture_file)")" = 2 ] || fail "the second program changed the first one's take"

    rm "$(capture_file)"
    click_capture
    click_capture
    use_window "$first"
    click_capture
    expect_text Status status_text "No frame was captured. The recording $(capture_file) was deleted, moved or replaced, and cannot be written there again: $(capture_file) is being recorded by another window"
    click_quit
    # The question, then at once the box naming where the frames went: both titled alike.
    box=$(message_box) || fail "expected the quit question"
    xdotool windowfocus --sync "$box" key Return
    for _ in $(seq 300); do
        [ "$(xdotool search --onlyvisible --name '^KinoreeV2$' 2>/dev/null | head -n1)" != "$box" ] && break
        sleep 0.1
    done
    answer_box "the frames saved under another name" Return
    wait_for_exit

    use_window "$second"
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 3 15
    check_video "$recovered" 2 15
    keys Escape
    for _ in $(seq 150); do kill -0 "$second_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$second_pid" 2>/dev/null && fail "the second program did not end"
    second_pid=""
}

# The frame numbers the test scene stamped into the file's frames, in file order: the bottom band's
# 24 blocks, averaged down to one grey pixel each, white for a set bit.
stamps_in() {
    ffmpeg -v error -i "$1" -vf "crop=iw:ih/24:0:ih-ih/16,scale=24:1:flags=area,format=gray" -f rawvideo - |
        od -An -v -tu1 -w24 |
        awk '{n = 0; for (i = 3; i <= 20; ++i) n = n * 2 + ($i > 127); print n}'
}

# The take edited from the large view alone: shots with Space, the last frame deleted with
# BackSpace, two steps back, a shot inserted there, the deletion undone; the saved file holds the
# frames in their new order.
large_view_editing() {
    # A double-click on the capture window's picture opens the large view.
    xdotool mousemove $((win_x + 160)) $((win_y + 150)) click --repeat 2 --delay 80 1
    local large
    large=$(wait_for_window --name '^Large View') || fail "a double-click did not open the large view"
    # Below the main dialog, whose boxes are read by clicks.
    xdotool windowmove --sync "$large" 0 380 windowsize --sync "$large" 860 380
    large_keys() { xdotool windowfocus --sync "$large" key --delay 150 "$@"; }
    for n in 1 2 3 4; do
        large_keys space
        poll_until "shot $n from the large view was not recorded" holds_frames "$(capture_file)" "$n"
    done
    large_keys BackSpace
    poll_until "BackSpace did not delete the last frame" holds_frames "$(capture_file)" 3
    expect_text "Frames Captured" frames_text 3
    large_keys Left Left i space
    poll_until "the inserted shot was not recorded" holds_frames "$(capture_file)" 4
    large_keys ctrl+z
    poll_until "Ctrl+Z did not bring the frame back" holds_frames "$(capture_file)" 5
    expect_text "Frames Captured" frames_text 5
    [ -n "${KINOREE_E2E_SHOTS:-}" ] && import -window "$large" "$KINOREE_E2E_SHOTS/large_view_editing.png"
    click_stop
    answer_box "stop and save" Return
    expect_text Status status_text "Recorded 5 Frames. Stoped and saved"
    check_video "$(capture_file)" 5 15
    # Shots a b c d, d deleted, e put in after b, d back after c: a b e c d.
    local s
    mapfile -t s < <(stamps_in "$(capture_file)")
    [ "${#s[@]}" = 5 ] && ((s[0] < s[1] && s[1] < s[3] && s[3] < s[4] && s[4] < s[2])) ||
        fail "the saved frames are stamped ${s[*]}, not in the order a b e c d"
    echo "ok: the frames are stamped ${s[*]}"
    keys Escape
    wait_for_exit
}

# A copy of the program installed from its package: its window is the one its desktop entry
# names (KINOREE_DESKTOP_ENTRY, the entry's file), and it records.
installed_copy() {
    local class
    class=$(sed -n 's/^StartupWMClass=//p' "${KINOREE_DESKTOP_ENTRY:?}")
    [ -n "$class" ] || fail "the desktop entry names no window class"
    xprop -id "$main" WM_CLASS | grep -q ", \"$class\"\$" ||
        fail "the window's class is not the desktop entry's $class: $(xprop -id "$main" WM_CLASS)"
    click_capture
    click_capture
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 2 15
    keys Escape
    wait_for_exit
}

# The built-in stills camera: each press takes a 6000x4000 still, kept beside the take in the
# take's order, and the frame made from it at the live view's width; both are on disk before the
# next press.
before_stills_recording() { export KINOREE_CAPTURE_DEVICE=test-stills; }
stills_recording() {
    local n
    for n in 1 2 3; do
        click_capture
        poll_until "still $n was not recorded" holds_frames "$(capture_file)" "$n"
    done
    check_stills "$(capture_file)" 3
    # The middle frame deleted from the large view: its still goes aside with it, and the others
    # are numbered again in the take's order.
    xdotool mousemove $((win_x + 160)) $((win_y + 150)) click --repeat 2 --delay 80 1
    local large
    large=$(wait_for_window --name '^Large View') || fail "a double-click did not open the large view"
    xdotool windowmove --sync "$large" 0 380 windowsize --sync "$large" 860 380
    xdotool windowfocus --sync "$large" key --delay 150 Left Left Delete
    poll_until "Delete did not delete the middle frame" holds_frames "$(capture_file)" 2
    click_stop
    answer_box "stop and save" Return
    check_video "$(capture_file)" 2 15
    check_stills "$(capture_file)" 2
    local take
    take=$(capture_file)
    [ "$(ls "${take%.*}.stills/deleted" 2>/dev/null | grep -c '\.jpg$')" = 1 ] ||
        fail "the deleted frame's still is not in the deleted folder"
    keys Escape
    wait_for_exit
}

# The take's stills folder holds exactly n full-size stills, numbered without gaps, each the still
# its frame was made from: scaled down to the frame's size, still i looks like frame i.
check_stills() {
    local file=$1 n=$2 folder i still size psnr
    folder="${file%.*}.stills"
    [ "$(ls "$folder" | grep -c '\.jpg$')" = "$n" ] || fail "$folder holds $(ls "$folder" | tr '\n' ' '), not $n stills"
    for i in $(seq 1 "$n"); do
        still=$(printf '%s/%06d.jpg' "$folder" "$i")
        [ -f "$still" ] || fail "$still is missing"
        size=$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 "$still")
        [ "$size" = "6000,4000" ] || fail "$still is $size, not 6000,4000"
        psnr=$(ffmpeg -v info -i "$still" -i "$file" -filter_complex \
            "[0]scale=960:640,format=yuv420p[a];[1]select=eq(n\\,$((i - 1))),format=yuv420p[b];[a][b]psnr" \
            -frames:v 1 -f null - 2>&1 | sed -n 's/.*average:\([0-9.inf]*\).*/\1/p')
        [ -n "$psnr" ] && { [ "$psnr" = inf ] || awk "BEGIN{exit !($psnr > 25)}"; } ||
            fail "$still does not look like frame $i of $file (PSNR ${psnr:-none})"
    done
    echo "ok: $folder has $n stills of 6000x4000 in the take's order"
}

# Not a test: the picture of the main dialog for the README, saved to KINOREE_SCREENSHOT.
screenshot() {
    sleep 2 # the preview shows a few frames of the moving scene
    import -window "$main" "${KINOREE_SCREENSHOT:?}"
    keys Escape
    wait_for_exit
}

start_x
start_program
"$scenario"
echo "PASS: $scenario"
