# The window and the package end to end under Wine on Xvfb, as a user works them.
# Sourced by scripts/windows-test.sh; takes from it:
#   root, work        the project's folder; the run's temporary folder, holding
#                     the Linux references linux-alarm.csv, linux-alarm-comma.csv
#   WINEPREFIX        a Wine prefix made by make_prefix, COM5 onto the fast device
#   step, fail        its progress line and its failure exit
#   make_prefix       makes a fresh Wine prefix in $WINEPREFIX
#   keep_child        (scripts/children.sh) remembers a process for the end
# Defines window_end_to_end and package_tests.

# The window as laid out in resources/TSTestForm.ui (client-area coordinates,
# below the menu bar).
readonly kFormHeight=887
readonly kButton1=(276 32)        # "readout Alarm Buffer"
readonly kFilesMenu=(18 -10)      # the menu bar's "Files", above the client area
readonly kSaveMenuItem=(40 34)    # "save CSV-file", the second item below the menu bar
readonly kChartTab=(379 112)      # the pages' fourth tab, "Chart" (English)
# The chart's first three colours: its first lines, or an alarm buffer's
# timeline (an alarm coming, going).
readonly kChartColours=('#1f77b4' '#d62728' '#2ca02c')
readonly kMenuBarHeight=21
readonly kStatusLine=(16 72 304 16)   # "Label1": x y width height
readonly kProgressBar=(328 72 337 17) # "ProgressBar1"

screenshot_on_failure() {
    mkdir -p "$root/out/ci-logs"
    local shot=$root/out/ci-logs/windows-$1.png
    if [ -n "${DISPLAY:-}" ] && import -window root "$shot" 2>/dev/null; then
        echo "Screenshot of the failure: $shot" >&2
    fi
}

# gui_fail STAGE MESSAGE
gui_fail() {
    screenshot_on_failure "$1"
    fail "$2"
}

start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/xdisplay" 2>"$work/xvfb.err" &
    keep_child $!
    for _ in $(seq 100); do
        [ -s "$work/xdisplay" ] && break
        sleep 0.1
    done
    [ -s "$work/xdisplay" ] || fail "Xvfb gave no display: $(cat "$work/xvfb.err")"
    export DISPLAY=:$(head -n 1 "$work/xdisplay")
}

# wait_window TITLE_REGEX [SECONDS]: prints the id of the first visible window so named.
wait_window() {
    local id
    for _ in $(seq $((${2:-60} * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.2
    done
    return 1
}

# window_point ID X Y: the screen point at client coordinates (X, Y) under the menu bar.
window_point() {
    local x y width height
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=' |
        sed 's/^X=/x=/; s/^Y=/y=/; s/^WIDTH=/width=/; s/^HEIGHT=/height=/')"
    local top=$((height > kFormHeight ? height - kFormHeight : 0))
    echo "$((x + $2)) $((y + top + kMenuBarHeight + $3))"
}

click_at() {
    local point
    point=$(window_point "$@")
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
}

# The save dialog: another visible window of a dialog's size (Wine's save
# dialog has no title; the open menu, the input method's window and the
# desktop are too small or screen-sized). Prints its id.
find_save_dialog() {
    local main=$1 id width height
    for id in $(xdotool search --onlyvisible --name '.*' 2>/dev/null); do
        [ "$id" = "$main" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=' |
            sed 's/^WIDTH=/width=/; s/^HEIGHT=/height=/')"
        [ "${width:-0}" -ge 300 ] && [ "${height:-0}" -ge 200 ] && [ "$width" -lt 1280 ] || continue
        echo "$id"
        return 0
    done
    return 1
}

# save_as ID WINDOWS_PATH: the menu's save command, once the readout has made it
# available ("Transmission ready"), and a name typed into the save dialog.
save_as() {
    local main=$1 dialog=""
    for _ in $(seq 60); do
        click_at "$main" "${kFilesMenu[@]}"
        sleep 0.3
        click_at "$main" "${kSaveMenuItem[@]}"
        for _ in $(seq 10); do
            dialog=$(find_save_dialog "$main") && break
            sleep 0.1
        done
        [ -n "$dialog" ] && break
        xdotool key Escape
        sleep 0.5
    done
    [ -n "$dialog" ] || gui_fail save-menu "the save command never opened the save dialog"
    xdotool windowfocus "$dialog" 2>/dev/null || true
    xdotool key End shift+Home  # the proposed name, replaced by the typed one
    xdotool type --delay 20 "$2"
    xdotool key Return
}

# wait_file PATH: until it exists and has stopped growing.
wait_file() {
    local size=-1
    for _ in $(seq 150); do
        if [ -s "$1" ] && [ "$(stat -c %s "$1")" = "$size" ]; then return 0; fi
        [ -e "$1" ] && size=$(stat -c %s "$1")
        sleep 0.2
    done
    return 1
}

# show_chart_page ID: the chart page, chosen as a user does (its tab clicked),
# in out/ci-logs/windows-chart-page.png; fails unless the picture shows the
# chart's colours (the alarm buffer's timeline, or lines).
show_chart_page() {
    local shot=$root/out/ci-logs/windows-chart-page.png share
    mkdir -p "$root/out/ci-logs"
    click_at "$1" "${kChartTab[@]}"
    sleep 1
    import -window root "$shot" || gui_fail chart "no screenshot of the chart page"
    share=$(chart_pixels "$shot")
    [ "$share" -ge 50 ] || gui_fail chart "the chart page shows nothing charted ($share pixels)"
    echo "The chart page after the readout: $shot ($share pixels of the chart's colours)"
}

# chart_pixels FILE: how many pixels of the chart's colours a screenshot shows.
chart_pixels() {
    local colour share total=0
    for colour in "${kChartColours[@]}"; do
        share=$(convert "$1" -fuzz 8% -fill black +opaque "$colour" -fill white \
            -opaque "$colour" -format '%[fx:mean*w*h]' info:)
        total=$((total + ${share%.*}))
    done
    echo "$total"
}

# show_history_view ID: the history page after the readouts, chosen as a user
# does: the chart page's tab, then the tab bar right of it clicked until the
# chart's colours are gone (the history's tab is the last one); a key then shows
# the range (the page opens with the focus on "Show"). The status line must
# change to the range's summary, and the page, chosen again, fill with the
# range and the readouts merged; its picture is kept as
# out/ci-logs/windows-history-view.png, the table's as windows-history-table.png.
show_history_view() {
    local shot=$root/out/ci-logs/windows-history-view.png before=$work/history-before.png
    local x found="" changed status=$work/status-history.png
    mkdir -p "$root/out/ci-logs"
    click_at "$1" "${kChartTab[@]}"
    sleep 1
    import -window root "$before" || gui_fail history "no screenshot of the chart page"
    [ "$(chart_pixels "$before")" -ge 50 ] || gui_fail history "the chart page shows nothing charted"
    for ((x = kChartTab[0] + 20; x <= kChartTab[0] + 200; x += 8)); do
        click_at "$1" "$x" "${kChartTab[1]}"
        sleep 0.5
        import -window root "$before" || gui_fail history "no screenshot of the tab bar"
        if [ "$(chart_pixels "$before")" -lt 50 ]; then
            found=$x
            break
        fi
    done
    [ -n "$found" ] || gui_fail history "no tab right of the chart's opens another page"
    crop_control "$1" "$work/status-before.png" "${kStatusLine[@]}" || gui_fail history "no screenshot"
    xdotool windowfocus "$1" 2>/dev/null || true
    xdotool key space
    sleep 1
    # The range goes onto the table page; the history page, chosen again, lists it.
    import -window root "$root/out/ci-logs/windows-history-table.png" || gui_fail history "no screenshot"
    crop_control "$1" "$status" "${kStatusLine[@]}" || gui_fail history "no screenshot"
    [ "$(changed_pixels "$work/status-before.png" "$status")" -ge 20 ] ||
        gui_fail history "the status line did not change to the range's summary"
    click_at "$1" "$found" "${kChartTab[1]}"
    sleep 1
    import -window root "$shot" || gui_fail history "no screenshot of the history view"
    changed=$(changed_pixels "$before" "$shot")
    [ "${changed:-0}" -ge 500 ] ||
        gui_fail history "the history view shows no range: ${changed:-0} pixels changed ($shot)"
    echo "The history view (its tab at x = $found) showed the range: ${changed} pixels changed ($shot)"
}

# crop_control ID FILE X Y WIDTH HEIGHT: a screenshot of the control there.
crop_control() {
    local point
    point=$(window_point "$1" "$3" "$4")
    import -window root -crop "$5x$6+${point% *}+${point#* }" +repage "$2"
}

# changed_pixels A B: how many pixels of two pictures of one size differ.
changed_pixels() {
    local count
    count=$(compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 >/dev/null) || true
    echo "${count%%[!0-9]*}"
}

# check_progress_after_readout ID EMPTY_BAR EMPTY_STATUS: once the readout has
# ended (the status line, empty while it runs, shows "Transmission ready"),
# the progress bar must show the full alarm buffer: at least 40 % of its
# picture changed from the empty bar's (a full bar changes 60 to 80 % of it,
# whatever the style draws; the 2.4 kB reply's 17 % changes about 12 %). Its
# picture is kept as out/ci-logs/windows-progress-bar.png.
check_progress_after_readout() {
    local shot=$root/out/ci-logs/windows-progress-bar.png status=$work/status-now.png
    local changed=0 total=$((kProgressBar[2] * kProgressBar[3])) text=0
    mkdir -p "$root/out/ci-logs"
    for _ in $(seq 120); do
        crop_control "$1" "$status" "${kStatusLine[@]}" || gui_fail progress "no screenshot of the status line"
        text=$(changed_pixels "$3" "$status")
        [ "${text:-0}" -ge 20 ] && break
        sleep 0.5
    done
    [ "${text:-0}" -ge 20 ] || gui_fail progress "the status line said nothing within 60 s of the readout's start"
    crop_control "$1" "$shot" "${kProgressBar[@]}" || gui_fail progress "no screenshot of the progress bar"
    changed=$(changed_pixels "$2" "$shot")
    [ $((${changed:-0} * 100)) -ge $((total * 40)) ] ||
        gui_fail progress "the progress bar shows no full alarm buffer after the readout: ${changed:-0} of $total pixels changed from the empty bar ($shot)"
    echo "The progress bar after the alarm readout: ${changed} of $total pixels filled ($shot)"
}

wait_exit() {
    for _ in $(seq $((${2:-30} * 5))); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.2
    done
    return 1
}

window_end_to_end() {
    step "The window end to end on Xvfb"
    # A wineserver still running from the headless stages would keep every
    # window off the display: let it end first.
    wineserver -k 2>/dev/null || true
    wineserver -w
    start_xvfb
    local appdata exe=$root/build-windows/app/TravikPReadout.exe out=$work/exports
    appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
    mkdir -p "$appdata" "$out"
    local ini=$appdata/TravikReadout.ini
    printf '[com]\r\ncomID=COM5\r\n[sep]\r\nseparator=0\r\n[Language]\r\nLanguage=0\r\n[kept]\r\nnote=left alone\r\n' >"$ini"

    # First run: a readout, the tabbed export, the window closed by the user.
    wine "$exe" >"$work/window1.log" 2>&1 &
    local app=$!
    keep_child "$app"
    local main
    main=$(wait_window '^TravikP Readout$') || gui_fail start "the window did not appear"
    # The empty bar and status line, once the window has drawn itself.
    sleep 1
    crop_control "$main" "$work/bar-empty.png" "${kProgressBar[@]}" || gui_fail start "no screenshot"
    crop_control "$main" "$work/status-empty.png" "${kStatusLine[@]}" || gui_fail start "no screenshot"
    click_at "$main" "${kButton1[@]}"
    check_progress_after_readout "$main" "$work/bar-empty.png" "$work/status-empty.png"
    save_as "$main" "$(winepath -w "$out/alarm-tab.csv")"
    wait_file "$out/alarm-tab.csv" || gui_fail save "no tabbed export written"
    cmp "$work/linux-alarm.csv" "$out/alarm-tab.csv" || gui_fail save "tabbed export differs from the Linux build's"
    show_chart_page "$main"
    xdotool windowfocus "$main" 2>/dev/null || true
    xdotool key alt+F4
    wait_exit "$app" || gui_fail close "the window did not close"
    grep -q '^separator=0' "$ini" && grep -q '^note=left alone' "$ini" && grep -q '^comID=COM5' "$ini" ||
        fail "settings after the close: $(cat "$ini")"
    echo "Tabbed export identical to the Linux build's; settings kept: $(tr -d '\r' <"$ini" | tr '\n' ' ')"

    # Second run: the separated export under a name outside the ANSI code page,
    # then the session ends (log-off) instead of a close.
    sed -i 's/^separator=0/separator=1/' "$ini"
    wineserver -w
    # xdotool cannot type "Ł" into Wine: the dialog starts in the program's
    # current folder, so the program runs in the folder so named.
    local polish=$out/Łukasz
    mkdir -p "$polish"
    (cd "$polish" && exec wine "$exe") >"$work/window2.log" 2>&1 &
    app=$!
    keep_child "$app"
    main=$(wait_window '^TravikP Readout$') || gui_fail start2 "the window did not appear again"
    click_at "$main" "${kButton1[@]}"
    save_as "$main" "Alarm.csv"
    wait_file "$polish/Alarm.csv" || gui_fail save2 "no separated export in $polish"
    cmp "$work/linux-alarm-comma.csv" "$polish/Alarm.csv" ||
        gui_fail save2 "separated export differs from the Linux build's"
    # Two readouts are now in the history (kept by default): its view shows them.
    show_history_view "$main"
    # Only a write at the session's end puts the window's port back in the file.
    sed -i 's/^comID=COM5/comID=COM9/' "$ini"
    wine wineboot --end-session >/dev/null 2>&1 || true
    wait_exit "$app" 60 || gui_fail session "the window did not end with the session"
    grep -q '^separator=1' "$ini" && grep -q '^note=left alone' "$ini" && grep -q '^comID=COM5' "$ini" ||
        fail "settings after the session's end: $(cat "$ini")"
    echo "Separated export to $polish identical; the session's end wrote the settings"
    wineserver -w
}

# The zip in a fresh prefix: the program alone starts and shows its window;
# the installer installs, the installed program starts, the uninstaller removes it.
package_tests() {
    local zip setup version
    version=$(sed -n 's/^project(TravikPReadout VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
    zip=$root/out/windows/TravikPReadout-$version-win64.zip
    setup=$root/out/windows/TravikPReadout-$version-setup.exe
    [ -f "$zip" ] && [ -f "$setup" ] || fail "package missing: $zip, $setup"
    local saved_prefix=$WINEPREFIX
    export WINEPREFIX=$work/fresh-prefix
    make_prefix
    mkdir -p "$work/unzipped"
    unzip -q "$zip" -d "$work/unzipped"
    local dir
    dir=$(find "$work/unzipped" -name TravikPReadout.exe -printf '%h\n' | head -n 1)
    [ -n "$dir" ] || fail "no TravikPReadout.exe in $zip"
    [ "$(head -c 2 "$dir/travik-read-history-task.xml" | od -An -tx1 | tr -d ' ')" = fffe ] ||
        fail "no travik-read-history-task.xml in UTF-16 (as schtasks /XML wants it) in $zip"
    mkdir -p "$work/alone"
    cp "$dir/TravikPReadout.exe" "$work/alone/"
    wine "$work/alone/TravikPReadout.exe" >"$work/alone.log" 2>&1 &
    local app=$!
    keep_child "$app"
    local main
    main=$(wait_window '^TravikP Readout$') || gui_fail alone "the unzipped program showed no window"
    echo "The unzipped TravikPReadout.exe, alone in a fresh prefix, shows \"TravikP Readout\""
    xdotool windowfocus "$main" 2>/dev/null || true
    xdotool key alt+F4
    wait_exit "$app" || gui_fail alone "the unzipped program did not close"

    wine "$setup" /S || fail "silent install"
    local installed
    installed=$(winepath -u 'C:\Program Files\TravikP Readout')
    [ -f "$installed/TravikPReadout.exe" ] && [ -f "$installed/travik-read.exe" ] ||
        fail "the installer put no programs in $installed"
    local menu
    menu=$(winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
    find "$menu" -iname 'TravikP Readout*.lnk' | grep -q . || fail "no Start-menu entry under $menu"
    wine "$installed/TravikPReadout.exe" >"$work/installed.log" 2>&1 &
    app=$!
    keep_child "$app"
    main=$(wait_window '^TravikP Readout$') || gui_fail installed "the installed program showed no window"
    xdotool windowfocus "$main" 2>/dev/null || true
    xdotool key alt+F4
    wait_exit "$app" || gui_fail installed "the installed program did not close"
    wine "$installed/Uninstall.exe" /S || fail "silent uninstall"
    for _ in $(seq 100); do
        [ -e "$installed/TravikPReadout.exe" ] || break
        sleep 0.2
    done
    [ ! -e "$installed/TravikPReadout.exe" ] || fail "the uninstaller left $installed/TravikPReadout.exe"
    find "$menu" -iname 'TravikP Readout*.lnk' | grep -q . && fail "the uninstaller left the Start-menu entry"
    echo "Installer: silent install, the installed program started, uninstalled"
    wineserver -k || true
    wineserver -w
    export WINEPREFIX=$saved_prefix
}
